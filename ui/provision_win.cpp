// TProvWin: the handler table, the run's start and end, one reader a tick, and the verdicts in the
// window's words.
#include "ui/provision_win.hpp"

#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <utility>

#include "config/settings_file.hpp"
#include "link/link_error.hpp"
#include "ui/layout.hpp"

namespace zrt::ui {

namespace {

using texts::Text;
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
    FileLbl.SetCaption(Say(Text::ProvFile) + " " + config::PrintableText(run.settingsPath));
    LogLbl.SetCaption(Say(Text::ProvLog) + " " +
                      (logPath_ ? config::PrintableText(*logPath_) : Say(Text::ProvNoLog)));
    CountLbl.SetCaption(CountsText());
    results_.clear();
    ResultLst.SetLines(results_);
    StateBnr.SetMarked(false);
    StateBnr.SetCaption(Say(Text::ProvWaiting));
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
            StateBnr.SetCaption(Say(Text::ProvWaiting));
        }
        return;
    }
    Show(*verdict);
    // The log is for scripts: its reasons are in English, as the command line's.
    if (log_ && !log_->Append(*verdict, texts::ScriptReason(*verdict))) {
        Boxes.ShowMessage(Say(Text::CannotWrite) + "\n" +
                          config::PrintableText(logPath_.value_or("")));
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
    Boxes.ShowMessage(Say(Text::ProvDone) + "\n" + counts);
    Form.Hide();
    if (const std::function<void()> ended = std::exchange(ended_, nullptr)) {
        ended();
    }
}

std::string TProvWin::CountsText() const {
    const core::Tally tally = station_ ? station_->Totals() : core::Tally{};
    char text[160];
    std::snprintf(text, sizeof text, Say(Text::ProvCounts).c_str(), tally.written, tally.unchanged,
                  tally.failed);
    return text;
}

std::string TProvWin::ReasonText(const core::Verdict& verdict, bool withDifferences) const {
    return texts::VerdictReason(Lang, verdict, withDifferences);
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
            text += Say(Text::ProvWritten);
            break;
        case core::Result::Unchanged:
            text += Say(Text::ProvUnchanged);
            break;
        case core::Result::Failed:
            text += Say(Text::ProvFailed) + ": " + ReasonText(verdict);
            break;
    }
    if (verdict.FirmwareChanged()) {
        text += "  (" + std::to_string(*verdict.firmwareBefore) + " → " +
                std::to_string(*verdict.firmwareAfter) + ")";
    }
    if (verdict.seenBefore) {
        text += "  (" + Say(Text::ProvSeenBefore) + ")";
    }
    return text + "  " + std::to_string(verdict.elapsed.count()) + " ms";
}

std::string TProvWin::BannerText(const core::Verdict& verdict) const {
    switch (verdict.result) {
        case core::Result::Written:
            return Serial(verdict) + ": " + Say(Text::ProvWritten);
        case core::Result::Unchanged:
            return Serial(verdict) + ": " + Say(Text::ProvUnchanged);
        case core::Result::Failed:
            break;
    }
    return Serial(verdict) + ": " + Say(Text::ProvFailed) + " – " + ReasonText(verdict, false);
}

void TProvWin::Handling(const std::string& /*path*/) {
    StateBnr.SetMarked(false);
    StateBnr.SetCaption(Say(Text::ProvWorking));
    StateBnr.Repaint();
}

void TProvWin::Uploading(int sent, int blocks) {
    if (blocks > 0) {
        StateBnr.SetCaption(Say(Text::UpgradeLabel) + " " + std::to_string(sent * 100 / blocks) +
                            "%");
        StateBnr.Repaint();
    }
}

void TProvWin::Wait(int milliseconds) {
    Waits.Wait(milliseconds, &StateBnr);
}

}  // namespace zrt::ui
