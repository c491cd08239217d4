// TProvWin: the provisioning dialog, free of any toolkit: the provisioning station
// (core/provision.hpp) driven by the dialog's timer, one reader a tick, while the dialog is open
// over the main window (which talks to no reader meanwhile). It shows the settings file and the
// log of the run, the option to upgrade the firmware too, the counts, the latest results first
// (serial number, verdict, reason) and, in a banner to be read across the room, the reader being
// programmed or the last verdict: a failed reader marked, with the system's warning sound. Its
// button, or closing it, ends the run with a summary box. Every text is in the window's language.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/reader_config.hpp"
#include "core/provision.hpp"
#include "firmware/firmware_image.hpp"
#include "link/hid_platform.hpp"
#include "texts/texts.hpp"
#include "ui/controls.hpp"
#include "ui/layout.hpp"

namespace zrt::ui {

// The results the list keeps, the latest first.
inline constexpr std::size_t PROV_RESULTS_SHOWN = 200;

class TProvWin : public EventSink, private core::StationListener {
  public:
    // `controls`: the dialog built from ProvWinLayout(language), hidden. `platform`: the system's
    // HID support, whose change signals the program's loop receives. `dialogs`: boxes owned by
    // the dialog. `waiter`: the upgrade's waits.
    TProvWin(ControlSet& controls, link::HidPlatform& platform, Dialogs& dialogs, Waiter& waiter,
             Language language = Language::Polish);
    ~TProvWin() override;
    TProvWin(const TProvWin&) = delete;
    TProvWin& operator=(const TProvWin&) = delete;

    // What a run works with: the settings and the file they were read from, the log (open, or
    // none), the firmware images offered.
    struct Run {
        config::ConfigState settings;
        std::string settingsPath;
        std::unique_ptr<core::ProvisionLog> log;
        std::optional<std::string> logPath;
        firmware::FirmwareCatalogue catalogue = firmware::BuiltInCatalogue();
    };
    // Shows the dialog and starts the run; `ended` runs once the run has ended and the dialog is
    // hidden.
    void Start(Run run, std::function<void()> ended);
    bool Running() const { return station_ != nullptr; }

    // Event handlers, by the names the layout gives them.
    void ProvTimerTimer(Component& sender);
    void StopBtnClick(Component& sender);
    void UpgChkBxClick(Component& sender);
    void FormClose(Component& sender);

    void OnEvent(std::string_view handler, Component& sender) override;
    static bool HasHandler(std::string_view handler);

    // The results' line of a verdict, and the banner's: "09:15:02  00042  zapisany  (312 ms)",
    // "00042: BŁĄD – wyjęty podczas zapisu".
    std::string ResultText(const core::Verdict& verdict) const;
    std::string BannerText(const core::Verdict& verdict) const;
    // Why a reader failed, in the window's language; with the settings that differ after a write
    // or an upgrade when `withDifferences`.
    std::string ReasonText(const core::Verdict& verdict, bool withDifferences = true) const;

    TopWindow& Form;
    Control& FileLbl;
    Control& LogLbl;
    CheckBox& UpgChkBx;
    Banner& StateBnr;
    Control& CountLbl;
    LineList& ResultLst;
    Control& StopBtn;
    ui::Timer& ProvTimer;

  private:
    std::string Say(texts::Text key) const { return std::string(texts::Words(key, Lang)); }
    std::string CountsText() const;
    void Show(const core::Verdict& verdict);
    // Ends the run: the timer stopped, the readers let go, the log closed, the summary box, the
    // dialog hidden, then `ended_`.
    void End();

    // core::StationListener: what is being done shows in the banner, painted at once.
    void Handling(const std::string& path) override;
    void Uploading(int sent, int blocks) override;
    void Wait(int milliseconds) override;

    link::HidPlatform& platform_;
    Dialogs& Boxes;
    Waiter& Waits;
    const Language Lang;
    std::unique_ptr<core::ProvisionStation> station_;
    std::unique_ptr<core::ProvisionLog> log_;
    std::optional<std::string> logPath_;
    std::vector<ListLine> results_;
    std::function<void()> ended_;
    bool stepping_ = false;  // a tick is handling a reader
};

}  // namespace zrt::ui
