// TMainWin: the logic of the main window, free of any toolkit. It reaches its controls by their
// names through a ControlSet that a toolkit built from MainWinLayout(), receives their events by
// handler name, and keeps the five key-entry rows and the status text. The reader's use cases
// (search, load, write, upgrade) are core::ReaderService's; the window presents them: the two
// states (reader open, no reader), the search and load on activation and on the 100 ms tick, the
// write with its animation, the boxes and the focus, and the events of the upgrade offered after
// every load on its timer, boxes and progress window. While another program holds the reader,
// the waits for it keep the window painted. Its menu loads settings files into the controls and
// saves the controls' settings to one (the command-line program's format), opens the provisioning
// dialog (ui/provision_win.hpp), during whose run the window talks to no reader, saves the report
// for support (core/report.hpp), and shows what the program is. What the user does (every event but
// the tick) and what the reader's use cases gave goes to the program's trace (link/trace.hpp).
// Every text it shows is in the window's language (texts/texts.hpp), also what the layers below
// report as data.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "config/reader_config.hpp"
#include "core/reader_service.hpp"
#include "firmware/upgrade.hpp"
#include "texts/texts.hpp"
#include "ui/controls.hpp"
#include "ui/key_entry_row.hpp"
#include "ui/layout.hpp"

namespace zrt::ui {

class TWorkWin;
class TProvWin;

// Where the documents that the About box and the messages name are installed.
struct Documents {
    std::string readme = "README";
    std::string licence = "LICENSE";
};

// The write animation: positions 0, 5, .. 100 with a short wait after each, then a longer one.
inline constexpr int WRITE_PROGRESS_STEP = 5;
inline constexpr int WRITE_PROGRESS_STEP_MS = 5;
inline constexpr int WRITE_PROGRESS_END_MS = 50;

class TMainWin : public EventSink, private firmware::UpgradeListener {
  public:
    // `controls`: the window built from MainWinLayout(), in its initial states. `readers`: the
    // reader service over the program's reader lists, which outlives the window. `dialogs` and
    // `waiter`: the message boxes and the waits. `language`: the language of the texts the window
    // shows (its controls were built in it: MainWinLayout(language)).
    TMainWin(ControlSet& controls, core::ReaderService& readers, Dialogs& dialogs, Waiter& waiter,
             Language language = Language::Polish);
    ~TMainWin() override;
    TMainWin(const TMainWin&) = delete;
    TMainWin& operator=(const TMainWin&) = delete;

    // The progress window, created after the main window.
    void AttachWorkWin(TWorkWin& workWin) { WorkWin = &workWin; }
    // The dialogs that choose a settings file for the menu's load and save.
    void AttachFileDialogs(FileDialogs& fileDialogs) { Files = &fileDialogs; }
    // Where the installed README and licence are (the start-up of each system knows).
    void AttachDocuments(Documents documents) { Docs = std::move(documents); }
    // The provisioning dialog, created after the main window.
    void AttachProvWin(TProvWin& provWin) { ProvWin = &provWin; }

    // Event handlers, by the names the layout gives them.
    void FormActivate(Component& sender);
    void TimerTimer(Component& sender);
    void WrBtnClick(Component& sender);
    void S0ChkBxClick(Component& sender);
    void DecGrpClick(Component& sender);
    void SizeGrpClick(Component& sender);
    void InvChkBxClick(Component& sender);
    void EnterChkBxClick(Component& sender);
    void S1ChkBx_01Click(Component& sender);
    void S1ChkBx_02Click(Component& sender);
    void S1ChkBx_04Click(Component& sender);
    void S1ChkBx_10Click(Component& sender);
    void S1ChkBx_20Click(Component& sender);
    void S1ChkBx_40Click(Component& sender);
    void S1CbChange(Component& sender);
    void LoadMnuClick(Component& sender);
    void SaveMnuClick(Component& sender);
    void ProvMnuClick(Component& sender);
    void ExitMnuClick(Component& sender);
    void AboutMnuClick(Component& sender);
    void ReportMnuClick(Component& sender);

    // A file dropped on the window: loaded as a settings file while a reader is connected,
    // ignored otherwise.
    void FileDropped(const std::string& path);
    // Reads a settings file into the controls; nothing goes to the reader. A file that cannot be
    // read or is not a valid settings file is said in a box and leaves the controls as they were.
    // False then.
    bool LoadSettingsFile(const std::string& path);
    // Writes the controls' settings as a settings file; a failure is said in a box. False then.
    bool SaveSettingsFile(const std::string& path);
    // Writes the report for support to `path` and says where it went, or that it could not be
    // written, in a box. False then.
    bool SaveReport(const std::string& path);
    // Says that the trace file named by ZRT_TRACE cannot be opened (`error`: why), in a box after
    // the first activation's load.
    void ShowTraceNotOpened(const std::string& error);
    // The About box's text: name and version, licence, the firmware images carried with their
    // versions (a test image said as such), where the README is and where to report a problem.
    std::string AboutText() const;

    // Dispatches an event to the handler of that name; an unknown name is a program fault.
    void OnEvent(std::string_view handler, Component& sender) override;
    // Whether the window has a handler of that name.
    static bool HasHandler(std::string_view handler);

    // Record to controls (load), and controls to settings and to record (write).
    void ShowConfiguration(const config::ReaderConfig& record);
    config::ConfigState BuildSettings() const;
    config::ReaderConfig BuildConfiguration() const;

    // The presentation of the connected reader (the service's current one) or of none; `false`
    // also lets the service's current reader go.
    void ShowReaderState(bool connected);
    // Loads the current reader's identity and configuration, shows them and offers the upgrade.
    // Catches nothing: a link error leaves the later steps undone and goes to the caller; one in
    // the load's own commands ("M", "c") first shows the not-connected state (no current reader).
    void LoadConfiguration();
    // The short animation that confirms a completed write.
    void ShowWriteProgress(ProgressBar& bar);
    // Searches the reader lists (core::ReaderService::FindReader): true with a current reader,
    // false with none. A link error during the search is shown in a message box and gives false.
    bool FindReader();
    // Offers the current reader the newer firmware image of its model, the window listening.
    void OfferUpgrade();

    // The controls.
    TopWindow& Form;  // the window itself
    Control& RdLbl;
    Control& RapWin;
    Control& WrBtn;
    Control& NrGroup;
    Control& BegGrp;
    ProgressBar& WrProgressBar;
    Control& KartTypeGrp;
    Control& GroupBox2;
    ui::Timer& Timer;
    ItemList& DecGrp;
    ItemList& SizeGrp;
    CheckBox& InvChkBx;
    CheckBox& MifareChkBx;
    CheckBox& IcodeChkBx;
    CheckBox& EnterChkBx;
    Control& GroupBox1;
    Control& S1Grp;
    Control& S2Grp;
    Control& S3Grp;
    Control& S4Grp;
    MenuCommand& LoadMnu;
    MenuCommand& SaveMnu;
    MenuCommand& ProvMnu;
    MenuCommand& ExitMnu;
    MenuCommand& AboutMnu;

    // Rows S0..S4: S0 to S2 before the card number, S3 and S4 after it.
    std::array<KeyEntryRow, config::ROW_COUNT> KeyRows;
    std::string StatusText;  // the connected reader's status, shown by RdLbl

    // What the window works with besides its controls: the reader service (the two reader
    // objects and the current reader), the boxes, the waits and the progress window.
    core::ReaderService& Readers;
    Dialogs& Boxes;
    Waiter& Waits;
    TWorkWin* WorkWin = nullptr;
    FileDialogs* Files = nullptr;
    Documents Docs;
    TProvWin* ProvWin = nullptr;
    const Language Lang;

  private:
    void FocusRapWin() { RapWin.SetFocus(); }
    // A text of the catalogue, or a Polish text from a layer below, in the window's language.
    std::string Say(
        texts::Text key,
        std::initializer_list<std::pair<std::string_view, std::string_view>> values = {}) const {
        return texts::Say(Lang, key, values);
    }
    std::string Say(std::string_view polish) const { return texts::Say(Lang, polish); }
    std::string LinkErrorText(const link::ZrHIDErr& error) const {
        return Say(texts::LinkErrorKey(error.code));
    }
    FileChoice SettingsFileChoice(texts::Text title) const;
    // The box of a file that cannot be written, `why` the system's code of the failure.
    std::string CannotWriteText(const std::string& path, int why) const;
    std::string NoReaderText();
    // Reads and checks a settings file, with its bytes in `text`; a file that cannot be read or is
    // not a valid settings file is said in a box, and gives none.
    std::optional<config::ConfigState> ReadSettingsFile(const std::string& path, std::string& text);
    // The provisioning dialog closed: the poll runs again, starting with a search and a load.
    void ProvisioningEnded();

    bool showingNoAccess_ = false;  // the status line says the readers present are refused
    bool provisioning_ = false;     // the provisioning dialog alone talks to readers
    std::string startMessage_;      // shown after the first activation's load
    void ActivationLoad(Component& sender);

    // While the window is at work with the reader (a tick, the activation's search and load with
    // the upgrade offered after it, a write with its animation), a tick does nothing: the waits
    // keep the window painted, and a toolkit may deliver the timer's events meanwhile (Qt's
    // painting processes every event but input). The boxes that report a failed activation or
    // write come after the work, and ticks run while they are open.
    class AtWork {
      public:
        explicit AtWork(bool& flag) : flag_(flag), was_(std::exchange(flag, true)) {}
        ~AtWork() { flag_ = was_; }
        AtWork(const AtWork&) = delete;
        AtWork& operator=(const AtWork&) = delete;

      private:
        bool& flag_;
        bool was_;
    };
    bool atWork_ = false;

    // firmware::UpgradeListener: the upgrade's events on the poll timer, the boxes and the
    // progress window WorkWin (nothing is shown while none is attached).
    bool Asked(std::string_view caption, std::string_view text) override;
    void Started(int blocks) override;
    void Sent(int sent, int blocks) override;
    void Restarting(int step, int steps) override;
    void Finished() override;
    void Failed(std::optional<link::ZrHIDErr> linkError) override;
    void Wait(int milliseconds) override;
};

}  // namespace zrt::ui
