// TMainWin: construction, the handler table, the row handlers, the configuration mappings over
// the controls, and the window's behaviour over the reader service: presentation of the two
// states, activation, the poll, the load, the write with its animation, and the upgrade's events.
#include "ui/main_win.hpp"

#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <utility>

#include "config/settings_file.hpp"
#include "core/provision.hpp"
#include "core/reader_status.hpp"
#include "core/report.hpp"
#include "core/sha256.hpp"
#include "link/host_system.hpp"
#include "link/link_error.hpp"
#include "link/text_file.hpp"
#include "link/trace.hpp"
#include "ui/layout.hpp"
#include "ui/provision_win.hpp"
#include "ui/work_win.hpp"

namespace zrt::ui {

namespace {

using Handler = void (TMainWin::*)(Component&);

constexpr std::pair<std::string_view, Handler> HANDLERS[] = {
    {"FormActivate", &TMainWin::FormActivate},
    {"TimerTimer", &TMainWin::TimerTimer},
    {"WrBtnClick", &TMainWin::WrBtnClick},
    {"S0ChkBxClick", &TMainWin::S0ChkBxClick},
    {"DecGrpClick", &TMainWin::DecGrpClick},
    {"SizeGrpClick", &TMainWin::SizeGrpClick},
    {"InvChkBxClick", &TMainWin::InvChkBxClick},
    {"EnterChkBxClick", &TMainWin::EnterChkBxClick},
    {"S1ChkBx_01Click", &TMainWin::S1ChkBx_01Click},
    {"S1ChkBx_02Click", &TMainWin::S1ChkBx_02Click},
    {"S1ChkBx_04Click", &TMainWin::S1ChkBx_04Click},
    {"S1ChkBx_10Click", &TMainWin::S1ChkBx_10Click},
    {"S1ChkBx_20Click", &TMainWin::S1ChkBx_20Click},
    {"S1ChkBx_40Click", &TMainWin::S1ChkBx_40Click},
    {"S1CbChange", &TMainWin::S1CbChange},
    {"LoadMnuClick", &TMainWin::LoadMnuClick},
    {"SaveMnuClick", &TMainWin::SaveMnuClick},
    {"ProvMnuClick", &TMainWin::ProvMnuClick},
    {"ExitMnuClick", &TMainWin::ExitMnuClick},
    {"AboutMnuClick", &TMainWin::AboutMnuClick},
    {"ReportMnuClick", &TMainWin::ReportMnuClick},
};

Handler FindHandler(std::string_view name) {
    for (const auto& [handlerName, handler] : HANDLERS) {
        if (handlerName == name) {
            return handler;
        }
    }
    return nullptr;
}

}  // namespace

TMainWin::TMainWin(ControlSet& controls, core::ReaderService& readers, Dialogs& dialogs,
                   Waiter& waiter, Language language)
    : Form(controls.Get<TopWindow>(MainWinLayout().name)),
      RdLbl(controls.Get<Control>("RdLbl")),
      RapWin(controls.Get<Control>("RapWin")),
      WrBtn(controls.Get<Control>("WrBtn")),
      NrGroup(controls.Get<Control>("NrGroup")),
      BegGrp(controls.Get<Control>("BegGrp")),
      WrProgressBar(controls.Get<ProgressBar>("WrProgressBar")),
      KartTypeGrp(controls.Get<Control>("KartTypeGrp")),
      GroupBox2(controls.Get<Control>("GroupBox2")),
      Timer(controls.Get<ui::Timer>("Timer")),
      DecGrp(controls.Get<ItemList>("DecGrp")),
      SizeGrp(controls.Get<ItemList>("SizeGrp")),
      InvChkBx(controls.Get<CheckBox>("InvChkBx")),
      MifareChkBx(controls.Get<CheckBox>("MifareChkBx")),
      IcodeChkBx(controls.Get<CheckBox>("IcodeChkBx")),
      EnterChkBx(controls.Get<CheckBox>("EnterChkBx")),
      GroupBox1(controls.Get<Control>("GroupBox1")),
      S1Grp(controls.Get<Control>("S1Grp")),
      S2Grp(controls.Get<Control>("S2Grp")),
      S3Grp(controls.Get<Control>("S3Grp")),
      S4Grp(controls.Get<Control>("S4Grp")),
      LoadMnu(controls.Get<MenuCommand>("LoadMnu")),
      SaveMnu(controls.Get<MenuCommand>("SaveMnu")),
      ProvMnu(controls.Get<MenuCommand>("ProvMnu")),
      ExitMnu(controls.Get<MenuCommand>("ExitMnu")),
      AboutMnu(controls.Get<MenuCommand>("AboutMnu")),
      KeyRows{},  // refer to no control until bound below
      StatusText(),
      Readers(readers),
      Boxes(dialogs),
      Waits(waiter),
      Lang(language) {
    for (int row = 0; row < config::ROW_COUNT; ++row) {
        KeyRows[static_cast<std::size_t>(row)] = KeyEntryRow::Bind(controls, row);
    }
    // While another program holds the reader (up to 5 s) the window stays painted, as during the
    // upload's waits, and takes no input.
    Readers.SetLockWaitHook([this](std::chrono::milliseconds step) {
        Waits.Wait(static_cast<int>(step.count()), &Form);
    });
}

// The reader handles belong to the reader lists; nothing is closed here.
TMainWin::~TMainWin() {
    Readers.SetLockWaitHook(nullptr);
}

void TMainWin::OnEvent(std::string_view handler, Component& sender) {
    const Handler h = FindHandler(handler);
    if (h == nullptr) {
        throw std::logic_error("TMainWin has no handler " + std::string(handler));
    }
    if (handler != "TimerTimer") {
        link::Trace::Note("window: " + std::string(handler));
    }
    (this->*h)(sender);
}

bool TMainWin::HasHandler(std::string_view handler) {
    return FindHandler(handler) != nullptr;
}

// Runs when the focus enters the window from no window of the program or from the progress window:
// a fresh search, and a load of the reader found. A link error is shown, then the timer runs again
// (an upload that failed left it stopped); a failed load has already let the reader go, so the
// next tick searches and loads afresh. The focus goes to RapWin unless no reader was found. A
// message kept for the start is shown after the first activation's load. Nothing happens while the
// provisioning dialog runs.
void TMainWin::FormActivate(Component& sender) {
    if (provisioning_) {
        return;
    }
    ActivationLoad(sender);
    if (!startMessage_.empty()) {
        Boxes.ShowMessage(std::exchange(startMessage_, std::string()));
    }
}

void TMainWin::ActivationLoad(Component& /*sender*/) {
    std::optional<link::ZrHIDErr> failed;
    {
        const AtWork atWork(atWork_);
        try {
            if (!FindReader()) {
                ShowReaderState(false);
                return;
            }
            LoadConfiguration();
        } catch (const link::ZrHIDErr& error) {
            failed = error;
        }
    }
    if (failed) {
        Boxes.ShowMessage(LinkErrorText(*failed));
        Timer.SetEnabled(true);
    }
    FocusRapWin();
}

// Every 100 ms: with a reader open, its identity is asked as a sign of life and a failure means it
// is gone (unless another program holds the reader: then nothing happens); with none, a search when
// one is due (core::SearchPace: after a change to the system's HID interfaces, after a reader found
// but not loaded, every second after a reader met but not opened, or once a minute), and a load of
// the reader found. No message but the search's, no focus move. While the only readers present are
// refused for lack of permission the status line says so. A tick that comes while the window is at
// work with the reader (its waits keep it painted, and a toolkit may deliver timer events
// meanwhile) does nothing.
void TMainWin::TimerTimer(Component& /*sender*/) {
    if (atWork_) {
        return;
    }
    const AtWork atWork(atWork_);
    if (Readers.IsOpen()) {
        try {
            Readers.CheckReader();
        } catch (const link::ZrHIDErr&) {
            ShowReaderState(false);
        }
        return;
    }
    if (!Readers.SearchDue()) {
        return;
    }
    try {
        if (FindReader()) {
            // Only tried, and let go again before the load (whose upgrade question may wait for
            // the user): a reader another program holds is left for the next tick.
            if (!Readers.Available()) {
                Readers.Forget();  // as before the tick: the next one searches again
                return;
            }
            LoadConfiguration();
        } else if (Readers.OnlyDenied() != showingNoAccess_) {
            RdLbl.SetCaption(NoReaderText());
        }
    } catch (const link::ZrHIDErr&) {
        Timer.SetEnabled(true);
    }
}

// The status line without a reader: the not-connected text, or while the only readers present
// are refused for lack of permission, the text that says so.
std::string TMainWin::NoReaderText() {
    showingNoAccess_ = Readers.OnlyDenied();
    return Say(showingNoAccess_ ? texts::Text::NoAccessStatus : texts::Text::NotConnected);
}

// Writes the record the controls give, then reads it back: the reader's acknowledgement of "C"
// says nothing of whether it stored the record. A link error in either is shown and changes
// nothing else: no animation, no focus move, the state as it was (the next tick finds out whether
// the reader is still there). A record read back with other settings than those written is shown
// in the controls, with the message that the reader did not store the configuration.
void TMainWin::WrBtnClick(Component& /*sender*/) {
    if (!Readers.IsOpen()) {
        return;
    }
    core::WriteOutcome outcome{};
    try {
        const AtWork atWork(atWork_);
        outcome = Readers.Write(BuildSettings());
        if (outcome.stored) {
            FocusRapWin();
        }
    } catch (const link::ZrHIDErr& error) {
        Boxes.ShowMessage(LinkErrorText(error));
        return;
    }
    link::Trace::Note(
        "write: " + config::HexBytes(outcome.written) +
        (outcome.stored ? ", stored"
                        : ", not stored: the reader holds " + config::HexBytes(outcome.readBack)));
    if (!outcome.stored) {
        ShowConfiguration(outcome.readBack);
        ShowReaderState(true);
        Boxes.ShowMessage(Say(texts::Text::WriteNotStored));
        FocusRapWin();
        return;
    }
    const AtWork atWork(atWork_);
    ShowWriteProgress(WrProgressBar);
}

void TMainWin::ShowReaderState(bool connected) {
    if (connected && !Readers.IsOpen()) {
        connected = false;  // nothing to show as connected
    }
    if (connected) {
        const link::ReaderInfo& info = Readers.Info();
        StatusText = core::ConnectedText(info, Say(texts::Text::Connected).c_str());
        RdLbl.SetCaption(StatusText);
        for (const KeyEntryRow& row : KeyRows) {
            EnableKeyControls(row, row.SendBox()->Checked());
        }
        KartTypeGrp.SetVisible(core::ReadsCardTypes(info));
    } else {
        Readers.Forget();
        RdLbl.SetCaption(NoReaderText());
        for (const KeyEntryRow& row : KeyRows) {
            EnableKeyControls(row, false);
        }
        KartTypeGrp.Hide();
    }
    WrBtn.SetEnabled(connected);
    DecGrp.SetEnabled(connected);
    SizeGrp.SetEnabled(connected);
    InvChkBx.SetEnabled(connected);
    for (const KeyEntryRow& row : KeyRows) {
        row.SendBox()->SetEnabled(connected);
    }
    EnterChkBx.SetEnabled(connected);
    LoadMnu.SetEnabled(connected);
    SaveMnu.SetEnabled(connected);
}

void TMainWin::LoadConfiguration() {
    if (!Readers.IsOpen()) {
        return;
    }
    // A load that fails in its own commands leaves no half-open reader behind: the window shows
    // none and lets it go, so that the next tick searches and loads again. (An error of the
    // upgrade offer comes after the reader was shown, and keeps it.)
    core::LoadedReader loaded{};
    try {
        loaded = Readers.Load();
    } catch (const link::ZrHIDErr&) {
        ShowReaderState(false);
        throw;
    }
    link::Trace::Note("load: model " + std::to_string(loaded.info.model) + ", serial " +
                      std::to_string(loaded.info.serial) + ", firmware " +
                      std::to_string(loaded.info.firmware) + ", record " +
                      config::HexBytes(loaded.record));
    ShowConfiguration(loaded.record);
    ShowReaderState(true);
    OfferUpgrade();
}

void TMainWin::ShowWriteProgress(ProgressBar& bar) {
    bar.Show();
    for (int position = 0; position <= 100; position += WRITE_PROGRESS_STEP) {
        bar.SetPosition(position);
        Waits.Wait(WRITE_PROGRESS_STEP_MS, &bar);
    }
    Waits.Wait(WRITE_PROGRESS_END_MS, &bar);
    bar.Hide();
}

bool TMainWin::FindReader() {
    return Readers.FindReader([this](const core::SearchNotice& notice) {
        Boxes.ShowMessage(notice.kind == core::SearchNotice::Kind::NoAccess
                              ? Say(texts::Text::NoAccess, {{"readme", Docs.readme}})
                              : LinkErrorText(link::ZrHIDErr{notice.code}));
    });
}

void TMainWin::OfferUpgrade() {
    if (Readers.IsOpen()) {
        Readers.OfferUpgrade(*this);
    }
}

// The timer is off from the question to the end of the upgrade; the answer No, a damaged image
// and the normal end turn it on again, a link error leaves it off for the caller.
bool TMainWin::Asked(std::string_view caption, std::string_view text) {
    Timer.SetEnabled(false);
    const bool yes = Boxes.AskYesNo(Say(caption), Say(text));
    if (!yes) {
        Timer.SetEnabled(true);
    }
    return yes;
}

void TMainWin::Failed(std::optional<link::ZrHIDErr> linkError) {
    link::Trace::Note("upgrade failed: " + (linkError
                                                ? "link error " + std::to_string(linkError->code)
                                                : std::string("the image is damaged")));
    if (!linkError) {
        Boxes.ShowMessage(Say(texts::Text::UpgradeFileError));
        Timer.SetEnabled(true);
    }
}

// The blocks fill the bar's first tenth (maximum 10 N, position i before block i). The progress
// window takes the focus while it is shown and gives it back to the main window when it hides, so
// the main window's activation (a fresh load) follows every upload that ended.
void TMainWin::Started(int blocks) {
    link::Trace::Note("upgrade: " + std::to_string(blocks) + " blocks");
    if (WorkWin != nullptr) {
        WorkWin->WorkLbl.SetCaption(Say(texts::Text::UpgradeLabel));
        WorkWin->ProgrBar.SetMax(10 * blocks);
        WorkWin->ProgrBar.SetPosition(0);
        WorkWin->Form.Show();
        WorkWin->Form.SetFocus();
        WorkWin->Form.Repaint();
    }
}

void TMainWin::Sent(int sent, int /*blocks*/) {
    if (WorkWin != nullptr) {
        WorkWin->ProgrBar.SetPosition(sent);
    }
}

// The closing wait on a bar of 100: from where the blocks left it, one position a step up to 100.
void TMainWin::Restarting(int step, int steps) {
    if (WorkWin == nullptr) {
        return;
    }
    if (step == 0) {
        WorkWin->ProgrBar.SetMax(100);
    } else {
        WorkWin->ProgrBar.SetPosition(100 - steps + step);
    }
}

void TMainWin::Finished() {
    link::Trace::Note("upgrade finished");
    if (WorkWin != nullptr) {
        WorkWin->Form.Hide();
        Form.SetFocus();
    }
    Timer.SetEnabled(true);
}

void TMainWin::Wait(int milliseconds) {
    Waits.Wait(milliseconds, WorkWin != nullptr ? &WorkWin->ProgrBar : nullptr);
}

void TMainWin::S0ChkBxClick(Component& sender) {
    for (const KeyEntryRow& row : KeyRows) {
        if (row.SendBox() == &sender) {
            EnableKeyControls(row, row.SendBox()->Checked());
        }
    }
    FocusRapWin();
}

void TMainWin::DecGrpClick(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::SizeGrpClick(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::InvChkBxClick(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::EnterChkBxClick(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_01Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_02Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_04Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_10Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_20Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1ChkBx_40Click(Component& /*sender*/) {
    FocusRapWin();
}
void TMainWin::S1CbChange(Component& /*sender*/) {
    FocusRapWin();
}

FileChoice TMainWin::SettingsFileChoice(texts::Text title) const {
    return {Say(title), Say(texts::Text::SettingsFiles), "*.json", Say(texts::Text::AllFiles),
            "json"};
}

// Load and save work only while a reader is connected (the items are disabled otherwise); the
// state is asked again after the dialog, during which the poll may have found the reader gone.
void TMainWin::LoadMnuClick(Component& /*sender*/) {
    if (!Readers.IsOpen() || Files == nullptr) {
        return;
    }
    const std::optional<std::string> path =
        Files->ChooseFileToOpen(SettingsFileChoice(texts::Text::LoadTitle));
    if (path && Readers.IsOpen()) {
        LoadSettingsFile(*path);
    }
}

void TMainWin::SaveMnuClick(Component& /*sender*/) {
    if (!Readers.IsOpen() || Files == nullptr) {
        return;
    }
    const std::optional<std::string> path =
        Files->ChooseFileToSave(SettingsFileChoice(texts::Text::SaveTitle));
    if (path && Readers.IsOpen()) {
        SaveSettingsFile(*path);
    }
    FocusRapWin();
}

// The settings file (checked whole) and the log, which a run appends to and which may be none:
// then the dialog runs, and the window lets go of its reader and rests, its timer off, until the
// dialog has closed.
void TMainWin::ProvMnuClick(Component& /*sender*/) {
    if (ProvWin == nullptr || Files == nullptr || provisioning_) {
        return;
    }
    const std::optional<std::string> path =
        Files->ChooseFileToOpen(SettingsFileChoice(texts::Text::LoadTitle));
    std::string text;
    const std::optional<config::ConfigState> settings =
        path ? ReadSettingsFile(*path, text) : std::nullopt;
    if (!settings) {
        FocusRapWin();
        return;
    }
    FileChoice logChoice{Say(texts::Text::ProvLogTitle), Say(texts::Text::ProvLogFiles), "*.csv",
                         Say(texts::Text::AllFiles), "csv"};
    logChoice.appended = true;
    const std::optional<std::string> logPath = Files->ChooseFileToSave(logChoice);
    auto log = std::make_unique<core::ProvisionLog>(core::Sha256Hex(text));
    if (!logPath) {
        log.reset();
    } else if (int why = 0; !log->Open(*logPath, why)) {
        Boxes.ShowMessage(CannotWriteText(*logPath, why));
        FocusRapWin();
        return;
    }
    provisioning_ = true;
    Timer.SetEnabled(false);
    ShowReaderState(false);
    ProvMnu.SetEnabled(false);
    ProvWin->Start({*settings, *path, std::move(log), logPath, Readers.Catalogue},
                   [this] { ProvisioningEnded(); });
}

void TMainWin::ProvisioningEnded() {
    provisioning_ = false;
    ProvMnu.SetEnabled(true);
    Timer.SetEnabled(true);
    FormActivate(Form);
}

void TMainWin::ExitMnuClick(Component& /*sender*/) {
    Form.Close();
}

void TMainWin::AboutMnuClick(Component& /*sender*/) {
    Boxes.ShowMessage(AboutText());
    FocusRapWin();
}

// The report works with or without a reader; the reader is asked again after the dialog.
void TMainWin::ReportMnuClick(Component& /*sender*/) {
    if (Files == nullptr) {
        return;
    }
    const std::optional<std::string> path =
        Files->ChooseFileToSave({Say(texts::Text::ReportTitle), Say(texts::Text::ReportFiles),
                                 "*.txt", Say(texts::Text::AllFiles), "txt"});
    if (path) {
        SaveReport(*path);
    }
    FocusRapWin();
}

bool TMainWin::SaveReport(const std::string& path) {
    link::Trace::Note("report: " + path);
    const std::string text =
        core::ComposeReport(link::Trace::Program(), Readers.Platform(),
                            Readers.IsOpen() ? Readers.CurrentReader : nullptr, Readers.Catalogue);
    int why = 0;
    if (!link::WriteTextFile(path, text, why)) {
        Boxes.ShowMessage(CannotWriteText(path, why));
        return false;
    }
    Boxes.ShowMessage(Say(texts::Text::ReportSaved) + "\n" + config::PrintableText(path) + "\n\n" +
                      Say(texts::Text::ReportSend));
    return true;
}

void TMainWin::ShowTraceNotOpened(const std::string& error) {
    startMessage_ = Say(texts::Text::TraceNotOpened) + "\n" + error;
}

void TMainWin::FileDropped(const std::string& path) {
    if (Readers.IsOpen()) {
        LoadSettingsFile(path);
    }
}

// The file's name and what the file holds are shown escaped, as the command line shows them.
std::optional<config::ConfigState> TMainWin::ReadSettingsFile(const std::string& path,
                                                              std::string& text) {
    const std::string shownPath = config::PrintableText(path);
    link::FileError why = link::FileError::None;
    const std::optional<std::string> read = link::ReadTextFile(path, why);
    if (!read) {
        const std::string head = Say(texts::Text::CannotRead) + "\n" + shownPath;
        Boxes.ShowMessage(
            why == link::FileError::TooLarge     ? head + "\n\n" + Say(texts::Text::FileTooLarge)
            : why == link::FileError::NotRegular ? head + "\n\n" + Say(texts::Text::NotARegularFile)
                                                 : head);
        return std::nullopt;
    }
    text = *read;
    config::SettingsError error;
    std::optional<config::ConfigState> settings = config::SettingsFromJson(text, error);
    if (!settings) {
        Boxes.ShowMessage(Say(texts::Text::BadSettingsFile) + "\n" + shownPath + "\n\n" +
                          texts::SettingsErrorText(Lang, error));
    }
    return settings;
}

bool TMainWin::LoadSettingsFile(const std::string& path) {
    link::Trace::Note("settings file to load: " + path);
    std::string text;
    const std::optional<config::ConfigState> settings = ReadSettingsFile(path, text);
    if (!settings) {
        return false;
    }
    // As the reader would hold them; the rows' controls follow their send boxes.
    ShowConfiguration(config::RecordFromState(*settings));
    for (const KeyEntryRow& row : KeyRows) {
        EnableKeyControls(row, Readers.IsOpen() && row.SendBox()->Checked());
    }
    FocusRapWin();
    return true;
}

// A file that cannot be written is said with the system's reason, in the window's language where
// the system has it.
std::string TMainWin::CannotWriteText(const std::string& path, int why) const {
    return Say(texts::Text::CannotWrite) + "\n" + config::PrintableText(path) + "\n\n" +
           link::SystemErrorText(why, texts::LanguageCode(Lang)) + ".";
}

bool TMainWin::SaveSettingsFile(const std::string& path) {
    link::Trace::Note("settings file to save: " + path);
    int why = 0;
    if (!link::WriteTextFile(path, config::SettingsToJson(BuildSettings()), why)) {
        Boxes.ShowMessage(CannotWriteText(path, why));
        return false;
    }
    return true;
}

std::string TMainWin::AboutText() const {
    using texts::Text;
    std::string text = MainCaption() + "\n" + Say(Text::LicenceLine, {{"licence", Docs.licence}}) +
                       "\n\n" + Say(Text::ImagesLine);
    for (const firmware::FirmwareCatalogueRow& row : Readers.Catalogue) {
        const Text line = firmware::IsTestImage(row.image) ? Text::TestImageLine : Text::ImageLine;
        text += "\n    " + Say(line, {{"model", core::ModelName(row.model)},
                                      {"word", std::to_string(row.model)},
                                      {"version", std::to_string(row.image.Version())}});
    }
    return text + "\n\n" + Say(Text::ReadmeLine, {{"readme", Docs.readme}}) + "\n" +
           Say(Text::ReportingLine);
}

void TMainWin::ShowConfiguration(const config::ReaderConfig& record) {
    const config::ConfigState state = config::StateFromRecord(record);
    EnterChkBx.SetChecked(state.enterAtEnd);
    DecGrp.SetItemIndex(state.formatIndex);
    SizeGrp.SetItemIndex(state.sizeIndex);
    InvChkBx.SetChecked(state.reversed);
    ShowKeyRow(KeyRows[0], state.rows[0]);
    MifareChkBx.SetChecked(state.mifare);
    IcodeChkBx.SetChecked(state.icode);
    for (std::size_t row = 1; row < KeyRows.size(); ++row) {
        ShowKeyRow(KeyRows[row], state.rows[row]);
    }
}

config::ReaderConfig TMainWin::BuildConfiguration() const {
    return config::RecordFromState(BuildSettings());
}

config::ConfigState TMainWin::BuildSettings() const {
    config::ConfigState state;
    state.enterAtEnd = EnterChkBx.Checked();
    state.formatIndex = DecGrp.ItemIndex();
    state.sizeIndex = SizeGrp.ItemIndex();
    state.reversed = InvChkBx.Checked();
    state.mifare = MifareChkBx.Checked();
    state.icode = IcodeChkBx.Checked();
    for (std::size_t row = 0; row < KeyRows.size(); ++row) {
        state.rows[row] = ReadKeyRow(KeyRows[row]);
    }
    return state;
}

}  // namespace zrt::ui
