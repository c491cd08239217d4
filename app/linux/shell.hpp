// The application shell: the application object that shows errors of the general kind no handler
// caught and lets the loop go on, the two reader lists in their order, and the run of the two
// windows and the message loop. app/linux/main.cpp puts them together over the system's HID
// support.
#pragma once

#include <QApplication>
#include <QTranslator>

#include <functional>
#include <string>

#include "app/reader_lists.hpp"
#include "link/hid_platform.hpp"
#include "ui/layout.hpp"

namespace zrt::app {

class Application : public QApplication {
  public:
    Application(int& argc, char** argv);

    // Delivers an event; an error of the general kind (std::exception) that its handler lets
    // through is shown, and the loop goes on.
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of an uncaught error: a critical message box, unless a display was set.
    void ShowError(const std::string& message);
    void SetErrorDisplay(std::function<void(const std::string&)> display) {
        errorDisplay_ = std::move(display);
    }

    // Qt's own texts (the file dialog, the buttons of its boxes) in `language`: for Polish the
    // translations of Debian's qt6-translations-l10n (qtbase_pl) from Qt's translations folder.
    // False when they are not there: Qt then speaks English.
    bool SpeakQt(ui::Language language);

  private:
    std::function<void(const std::string&)> errorDisplay_;
    QTranslator qtTexts_;
};

// Creates the main window over the reader lists, then the hidden progress window and provisioning
// dialog, shows the main window and runs the message loop until the main window is closed; the windows are gone when it
// returns. An error of the general kind escaping any of this is shown by `application`. Returns
// the exit code, always 0. `traceError`, when not empty, is said in a box once the window shows:
// the trace file named by ZRT_TRACE could not be opened.
int RunWindows(Application& application, link::HidPlatform& platform, ReaderLists& lists,
               const std::string& traceError = "");

}  // namespace zrt::app
