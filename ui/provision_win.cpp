// TProvWin: the handler table, the run's start and end, one reader a tick, and the verdicts in the
// window's words.
#include "ui/provision_win.hpp"

#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <utility>

#include "core/reader_status.hpp"
#include "link/link_error.hpp"
#include "ui/layout.hpp"
#include "ui/texts.hpp"

namespace zrt::ui {

namespace {

using Handler = void (TProvWin::*)(Component&);

constexpr std::pair<std::string_view, Handler> HANDLERS[] = {
    {"ProvTimerTimer", &TProvWin::ProvTimerTimer},
    {"StopBtnClick", &TProvWin::StopBtnClick},
    {"UpgChkBxClick", &TProvWin::UpgChkBxClick},
    {"FormClose", &TProvWin::FormClose},
};

Handler FindHandler(std::string_view name) {
    for (const auto& [handlerName, handler] : HANDLERS) {
        if (handlerName == name) {
            return handler;
        }
    }
    return nullptr;
}

// The dialog's Polish text of each reason; the text of a link error follows some of them.
const char* ReasonPolish(const core::Verdict& verdict) {
    switch (verdict.reason) {
        case core::Reason::NotOpened:
            return verdict.openError == link::OpenError::NoAccess ? core::NO_ACCESS_STATUS_TEXT
                   : verdict.openError == link::OpenError::InUse  ? PROV_IN_USE
                                                                  : PROV_NOT_OPENED;
        case core::Reason::PulledOutReading:
            return PROV_PULLED_READING;
        case core::Reason::PulledOutWriting:
            return PROV_PULLED_WRITING;
        case core::Reason::PulledOutUploading:
            return PROV_PULLED_UPLOADING;
        case core::Reason::NotStored:
            return WRITE_NOT_STORED_TEXT;
        case core::Reason::UploadFailed:
            return PROV_UPLOAD_FAILED;
        case core::Reason::DamagedImage:
            return UPGRADE_FILE_ERROR;
        case core::Reason::TestImage:
            return PROV_TEST_IMAGE;
        case core::Reason::NotFoundAgain:
            return PROV_NOT_FOUND_AGAIN;
        case core::Reason::FirmwareNotTaken:
            return PROV_FIRMWARE_NOT_TAKEN;
        case core::Reason::SettingsLost:
            return PROV_SETTINGS_LOST;
        case core::Reason::LinkError:
        case core::Reason::None:
            break;
    }
    return "";
}

std::string Serial(const core::Verdict& verdict) {
    char text[8] = "?????";
    if (verdict.serial) {
        std::snprintf(text, sizeof text, "%05u", static_cast<unsigned>(*verdict.serial));
    }
    return text;
}

}  // namespace

TProvWin::TProvWin(ControlSet& controls, link::HidPlatform& platform, Dialogs& dialogs,
                   Waiter& waiter, Language language)
    : Form(controls.Get<TopWindow>(ProvWinLayout().name)),
      FileLbl(controls.Get<Control>("FileLbl")),
      LogLbl(controls.Get<Control>("LogLbl")),
      UpgChkBx(controls.Get<CheckBox>("UpgChkBx")),
      StateBnr(controls.Get<Banner>("StateBnr")),
      CountLbl(controls.Get<Control>("CountLbl")),
      ResultLst(controls.Get<LineList>("ResultLst")),
      StopBtn(controls.Get<Control>("StopBtn")),
      ProvTimer(controls.Get<ui::Timer>("ProvTimer")),
      platform_(platform),
      Boxes(dialogs),
      Waits(waiter),
      Lang(language) {}

// A run still going when the program ends lets go of its readers with the station.
TProvWin::~TProvWin() = default;

void TProvWin::OnEvent(std::string_view handler, Component& sender) {
    const Handler h = FindHandler(handler);
    if (h == nullptr) {
        throw std::logic_error("TProvWin has no handler " + std::string(handler));
    }
    (this->*h)(sender);
}

bool TProvWin::HasHandler(std::string_view handler) {
    return FindHandler(handler) != nullptr;
}

void TProvWin::Start(Run run, std::function<void()> ended) {
    ended_ = std::move(ended);
    log_ = std::move(run.log);
    logPath_ = std::move(run.logPath);
    UpgChkBx.SetChecked(false);
    core::StationListener& listener = *this;
    station_ = std::make_unique<core::ProvisionStation>(
        platform_, core::StationSettings{run.settings, false, run.catalogue}, listener,
        platform_.Changes());
    FileLbl.SetCaption(Say(PROV_FILE) + " " + run.settingsPath);
    LogLbl.SetCaption(Say(PROV_LOG) + " " + logPath_.value_or(Say(PROV_NO_LOG)));
    CountLbl.SetCaption(CountsText());
    results_.clear();
    ResultLst.SetLines(results_);
    StateBnr.SetMarked(false);
    StateBnr.SetCaption(Say(PROV_WAITING));
    Form.Show();
    Form.SetFocus();
    ResultLst.SetFocus();
    ProvTimer.SetEnabled(true);
}

// One reader a tick; the station searches only after a change. A tick that comes while the upload
// keeps the window painted finds the tick before it still at work and leaves.
void TProvWin::ProvTimerTimer(Component& /*sender*/) {
    if (!station_ || stepping_) {
        return;
    }
    stepping_ = true;
    std::optional<core::Verdict> verdict;
    try {
        verdict = station_->Step();
    } catch (...) {
        stepping_ = false;
        throw;
    }
    stepping_ = false;
    if (!verdict) {
        if (!StateBnr.Marked() && results_.empty()) {
            StateBnr.SetCaption(Say(PROV_WAITING));
        }
        return;
    }
    Show(*verdict);
    if (log_ && !log_->Append(*verdict)) {
        Boxes.ShowMessage(Say(CANNOT_WRITE) + "\n" + logPath_.value_or(""));
        End();
    }
}

void TProvWin::Show(const core::Verdict& verdict) {
    const bool failed = verdict.result == core::Result::Failed;
    results_.insert(results_.begin(), {ResultText(verdict), failed});
    if (results_.size() > PROV_RESULTS_SHOWN) {
        results_.pop_back();
    }
    ResultLst.SetLines(results_);
    StateBnr.SetCaption(BannerText(verdict));
    StateBnr.SetMarked(failed);
    CountLbl.SetCaption(CountsText());
    if (failed) {
        Boxes.WarningSound();
    }
}

void TProvWin::StopBtnClick(Component& /*sender*/) {
    End();
}

void TProvWin::FormClose(Component& /*sender*/) {
    End();
}

void TProvWin::UpgChkBxClick(Component& /*sender*/) {
    if (station_) {
        station_->SetUpgrade(UpgChkBx.Checked());
    }
    ResultLst.SetFocus();
}

void TProvWin::End() {
    if (!station_) {
        return;
    }
    ProvTimer.SetEnabled(false);
    const std::string counts = CountsText();
    station_.reset();
    log_.reset();
    Boxes.ShowMessage(Say(PROV_DONE) + "\n" + counts);
    Form.Hide();
    if (const std::function<void()> ended = std::exchange(ended_, nullptr)) {
        ended();
    }
}

std::string TProvWin::CountsText() const {
    const core::Tally tally = station_ ? station_->Totals() : core::Tally{};
    char text[160];
    std::snprintf(text, sizeof text, Say(PROV_COUNTS).c_str(), tally.written, tally.unchanged,
                  tally.failed);
    return text;
}

std::string TProvWin::ReasonText(const core::Verdict& verdict, bool withDifferences) const {
    std::string text = Say(ReasonPolish(verdict));
    switch (verdict.reason) {
        case core::Reason::LinkError:
            return Say(link::ErrorText(verdict.linkError));
        case core::Reason::UploadFailed:
            return text + ": " + Say(link::ErrorText(verdict.linkError));
        case core::Reason::FirmwareNotTaken:
            return text + ": " + std::to_string(verdict.firmwareAfter.value_or(0)) + " ≠ " +
                   std::to_string(verdict.imageVersion);
        case core::Reason::NotStored:
        case core::Reason::SettingsLost:
            // The settings that differ follow in the list, not in the banner.
            if (withDifferences && !verdict.differences.empty()) {
                if (!text.empty() && text.back() == '.') {
                    text.pop_back();
                }
                text += ":";
                for (std::size_t i = 0; i < verdict.differences.size(); ++i) {
                    text += (i == 0 ? " " : "; ") + verdict.differences[i];
                }
            }
            return text;
        default:
            return text;
    }
}

std::string TProvWin::ResultText(const core::Verdict& verdict) const {
    const std::time_t at = std::chrono::system_clock::to_time_t(verdict.at);
    char time[16] = "";
    if (const std::tm* local = std::localtime(&at)) {
        std::strftime(time, sizeof time, "%H:%M:%S", local);
    }
    std::string text = std::string(time) + "  " + Serial(verdict) + "  ";
    switch (verdict.result) {
        case core::Result::Written:
            text += Say(PROV_WRITTEN);
            break;
        case core::Result::Unchanged:
            text += Say(PROV_UNCHANGED);
            break;
        case core::Result::Failed:
            text += Say(PROV_FAILED) + ": " + ReasonText(verdict);
            break;
    }
    if (verdict.FirmwareChanged()) {
        text += "  (" + std::to_string(*verdict.firmwareBefore) + " → " +
                std::to_string(*verdict.firmwareAfter) + ")";
    }
    if (verdict.seenBefore) {
        text += "  (" + Say(PROV_SEEN_BEFORE) + ")";
    }
    return text + "  " + std::to_string(verdict.elapsed.count()) + " ms";
}

std::string TProvWin::BannerText(const core::Verdict& verdict) const {
    switch (verdict.result) {
        case core::Result::Written:
            return Serial(verdict) + ": " + Say(PROV_WRITTEN);
        case core::Result::Unchanged:
            return Serial(verdict) + ": " + Say(PROV_UNCHANGED);
        case core::Result::Failed:
            break;
    }
    return Serial(verdict) + ": " + Say(PROV_FAILED) + " – " + ReasonText(verdict, false);
}

void TProvWin::Handling(const std::string& /*path*/) {
    StateBnr.SetMarked(false);
    StateBnr.SetCaption(Say(PROV_WORKING));
    StateBnr.Repaint();
}

void TProvWin::Uploading(int sent, int blocks) {
    if (blocks > 0) {
        StateBnr.SetCaption(Say(UPGRADE_LABEL) + " " + std::to_string(sent * 100 / blocks) + "%");
        StateBnr.Repaint();
    }
}

void TProvWin::Wait(int milliseconds) {
    Waits.Wait(milliseconds, &StateBnr);
}

}  // namespace zrt::ui
