// The firmware upgrade offered after every load of a reader: the version comparison, the question,
// the upload of the image block by block with the progress window, and the closing wait. Plain C++:
// what it needs of the windows (the poll timer, the boxes, the progress window, waiting) comes
// through UpgradeHost, which the main window implements.
#pragma once

#include <string_view>

#include "firmware/firmware_image.hpp"
#include "link/zrhid.hpp"

namespace zrt::firmware {

// The five lines of the upgrade question.
inline constexpr std::string_view UPGRADE_QUESTION =
    "    Czytnik zawiera nieaktualne oprogramowanie.\n"
    "    Niektóre ustawienia konfiguracji nie będą\n"
    "    prawidłowow realizowane.\n"
    "\n"
    "    Wykonać upgrade oprogramowania czytnika?";
inline constexpr std::string_view UPGRADE_FILE_ERROR = "Błąd pliku upgrade.";
inline constexpr std::string_view UPGRADE_LABEL = "Ładowanie nowej wersji oprogramowania";

inline constexpr int UPGRADE_WAIT_MS = 100;    // one step of the closing wait
inline constexpr int UPGRADE_WAIT_FIRST = 11;  // the bar's positions during the closing wait
inline constexpr int UPGRADE_WAIT_LAST = 100;

// What the upgrade asks of the windows.
class UpgradeHost {
  public:
    virtual ~UpgradeHost() = default;

    // The main window's 100 ms poll timer.
    virtual void SetTimerEnabled(bool enabled) = 0;
    // A modal question with the buttons Yes and No, Yes the default. True for Yes.
    virtual bool AskYesNo(std::string_view caption, std::string_view text) = 0;
    // A plain modal box with an OK button.
    virtual void ShowMessage(std::string_view text) = 0;

    // The progress window: shown without being modal, painted at once, hidden.
    virtual void ShowProgressWindow() = 0;
    virtual void RepaintProgressWindow() = 0;
    virtual void HideProgressWindow() = 0;
    virtual void SetProgressLabel(std::string_view text) = 0;
    // The bar's maximum and position; each change is painted at once.
    virtual void SetProgressMax(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;

    // Blocks for that long, handling no input, the progress window kept painted.
    virtual void Wait(int milliseconds) = 0;
};

// Offers the catalogue's image for `reader.info.model` when it is strictly newer than the reader's
// firmware (and this build may upload it: no test image unless built for them) and, on Yes,
// uploads it with "Z", "Y" for every block, "y" with the reader's code and
// "z". The timer is off from the question to the end; every exit but a link error turns it on
// again. A link error (ZrHIDErr) stops at the failing command and passes to the caller with the
// timer off and the progress window as it stood.
void OfferUpgrade(link::ZrHID& reader, UpgradeHost& host,
                  FirmwareCatalogue catalogue = BuiltInCatalogue());

}  // namespace zrt::firmware
