// TMainWin: the logic of the main window, free of any toolkit. It reaches its controls by their
// names through a ControlSet that a toolkit built from MainWinLayout(), receives their events by
// handler name, and keeps the five key-entry rows, the two reader objects, the current reader and
// the status text. Its behaviour: the two states (reader open, no reader) and their presentation,
// the search and load on activation and on the 100 ms tick, the write with its animation, and the
// firmware upgrade offered after every load, for which it lends the upgrade its timer, boxes,
// progress window and waits.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/reader_config.hpp"
#include "firmware/firmware_image.hpp"
#include "firmware/upgrade.hpp"
#include "link/hid_platform.hpp"
#include "link/hid_vp_tab.hpp"
#include "link/zrhid.hpp"
#include "ui/controls.hpp"
#include "ui/key_entry_row.hpp"

namespace zrt::ui {

class TWorkWin;

// The texts of the status label. The connected one is a printf format of three unsigned numbers:
// (model word AND 0x3FF) modulo 100, the serial number, the firmware version.
inline constexpr const char* CONNECTED_FORMAT = "Czytnik Zr-T%d, Nr: %05d (soft: %02d)";
inline constexpr const char* NOT_CONNECTED_TEXT = "       Czytnik nie podłączony";
// The model word whose readers read the card types chosen in KartTypeGrp.
inline constexpr std::uint16_t CARD_TYPE_MODEL = 1175;
// Shown when the record read back after a write holds other settings than the one written.
inline constexpr const char* WRITE_NOT_STORED_TEXT = "Czytnik nie zapisał konfiguracji.";

// The write animation: positions 0, 5, .. 100 with a short wait after each, then a longer one.
inline constexpr int WRITE_PROGRESS_STEP = 5;
inline constexpr int WRITE_PROGRESS_STEP_MS = 5;
inline constexpr int WRITE_PROGRESS_END_MS = 50;

class TMainWin : public EventSink, private firmware::UpgradeHost {
  public:
    // `controls`: the window built from MainWinLayout(), in its initial states. `hidVP41` and
    // `hidVP51`: the program's reader lists for product identifiers 65 and 81; the window borrows
    // their handles and never closes one. `dialogs` and `waiter`: the message boxes and the waits.
    TMainWin(ControlSet& controls, link::HidPlatform& platform, link::HidVPTab& hidVP41,
             link::HidVPTab& hidVP51, Dialogs& dialogs, Waiter& waiter);
    ~TMainWin() override;
    TMainWin(const TMainWin&) = delete;
    TMainWin& operator=(const TMainWin&) = delete;

    // The progress window, created after the main window.
    void AttachWorkWin(TWorkWin& workWin) { WorkWin = &workWin; }
    // The firmware images offered to readers; the built-in ones unless set. The catalogue must
    // outlive the window.
    void SetFirmwareCatalogue(firmware::FirmwareCatalogue catalogue) { Catalogue = catalogue; }

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

    // Dispatches an event to the handler of that name; an unknown name is a program fault.
    void OnEvent(std::string_view handler, Component& sender) override;
    // Whether the window has a handler of that name.
    static bool HasHandler(std::string_view handler);

    // Record to controls (load) and controls to record (write).
    void ShowConfiguration(const config::ReaderConfig& record);
    config::ReaderConfig BuildConfiguration() const;

    // The presentation of the connected reader (CurrentReader) or of none; `false` also sets
    // CurrentReader to none.
    void ShowReaderState(bool connected);
    // Reads the current reader's identity and configuration, shows them and offers the upgrade.
    // Catches nothing: a link error leaves the later steps undone and goes to the caller.
    void LoadConfiguration();
    // The short animation that confirms a completed write.
    void ShowWriteProgress(ProgressBar& bar);
    // Searches the reader lists: true with CurrentReader set, false with none. A link error during
    // the search is shown in a message box and gives false.
    bool FindReader();
    // Offers the current reader the newer firmware image of its model (firmware::OfferUpgrade).
    void OfferUpgrade();

    // The controls.
    Control& Form;  // the window itself
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

    // Rows S0..S4: S0 to S2 before the card number, S3 and S4 after it.
    std::array<KeyEntryRow, config::ROW_COUNT> KeyRows;
    link::ZrHID Reader41;
    link::ZrHID Reader51;
    link::ZrHID* CurrentReader;  // &Reader41, &Reader51 or none
    std::string StatusText;      // the connected reader's status, shown by RdLbl

    // What the window works with besides its controls.
    link::HidVPTab& HidVP41;
    link::HidVPTab& HidVP51;
    Dialogs& Boxes;
    Waiter& Waits;
    TWorkWin* WorkWin = nullptr;
    firmware::FirmwareCatalogue Catalogue = firmware::BuiltInCatalogue();

  private:
    void FocusRapWin() { RapWin.SetFocus(); }

    // firmware::UpgradeHost: the poll timer, the boxes, and the progress window WorkWin (nothing
    // is shown while none is attached).
    void SetTimerEnabled(bool enabled) override;
    bool AskYesNo(std::string_view caption, std::string_view text) override;
    void ShowMessage(std::string_view text) override;
    void ShowProgressWindow() override;
    void RepaintProgressWindow() override;
    void HideProgressWindow() override;
    void SetProgressLabel(std::string_view text) override;
    void SetProgressMax(int maximum) override;
    void SetProgressPosition(int position) override;
    void Wait(int milliseconds) override;
};

}  // namespace zrt::ui
