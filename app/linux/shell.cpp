// The application shell: the error display of the application object and the run of the windows.
#include "app/linux/shell.hpp"

#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QStyleFactory>

#include <exception>
#include <memory>
#include <optional>

#include "core/reader_service.hpp"
#include "ui/layout.hpp"
#include "ui/main_win.hpp"
#include "ui/provision_win.hpp"
#include "ui/qt/qt_caret_rest.hpp"
#include "ui/qt/qt_dialogs.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/traced_dialogs.hpp"
#include "ui/work_win.hpp"

// The icon's resource is compiled into this static library: registered by hand, from the global
// namespace, where its registration function lives.
static void RegisterIconResource() {
    Q_INIT_RESOURCE(zrt_icon);
}

namespace zrt::app {

// The style is set here, not taken from the desktop: the window's pixel layout is made for it.
// The name is the X window class's (WM_CLASS) and the desktop file name the Wayland app id, so that
// docks group the window with its launcher (StartupWMClass of the desktop entry); the icon is the
// project's, built into the program.
Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    RegisterIconResource();
    setStyle(QStyleFactory::create("Fusion"));
    setApplicationName(QStringLiteral("zrt-vivoraz"));
    setDesktopFileName(QStringLiteral("org.zrtvivoraz.ZrtVivoraz"));
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/zrt-vivoraz-%1.png").arg(size), QSize(size, size));
    }
    setWindowIcon(icon);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
    return false;
}

bool Application::SpeakQt(ui::Language language) {
    removeTranslator(&qtTexts_);
    if (language != ui::Language::Polish) {
        return true;  // Qt's own language
    }
    if (!qtTexts_.load(QStringLiteral("qtbase_pl"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    return installTranslator(&qtTexts_);
}

void Application::ShowError(const std::string& message) {
    if (errorDisplay_) {
        errorDisplay_(message);
        return;
    }
    QMessageBox::critical(activeWindow(), QString::fromStdString(ui::MainWinLayout().caption),
                          QString::fromStdString(message));
}

int RunWindows(Application& application, link::HidPlatform& platform, ReaderLists& lists,
               const std::string& traceError) {
    try {
        core::ReaderService readers(platform, lists.HidVP41, lists.HidVP51);
        const ui::Language language = texts::SystemLanguage(std::nullopt);  // the locale decides
        application.SpeakQt(language);  // before the first dialog
        ui::qt::QtForm mainForm(ui::MainWinLayout(language));
        ui::qt::QtDialogs qtDialogs(mainForm, language);
        ui::TracedDialogs dialogs(qtDialogs);
        ui::qt::QtFileDialogs qtFileDialogs(mainForm);
        ui::TracedFileDialogs fileDialogs(qtFileDialogs);
        ui::qt::QtWaiter waiter;
        ui::TMainWin MainWin(mainForm, readers, dialogs, waiter, language);
        MainWin.AttachFileDialogs(fileDialogs);
        // Where the window's Debian package puts them.
        MainWin.AttachDocuments(
            {"/usr/share/doc/zrt-vivoraz/README.md.gz", "/usr/share/doc/zrt-vivoraz/copyright"});
        mainForm.SetEventSink(&MainWin);
        mainForm.SetFileDropHandler([&](const std::string& path) { MainWin.FileDropped(path); });
        mainForm.SetErrorDisplay(
            [&](const std::string& message) { application.ShowError(message); });

        ui::qt::QtForm workForm(ui::WorkWinLayout(language));
        workForm.setAttribute(Qt::WA_QuitOnClose, false);  // closing the main window ends the loop
        ui::TWorkWin WorkWin(workForm);
        MainWin.AttachWorkWin(WorkWin);
        // The provisioning dialog, modal over the main window, with boxes of its own.
        ui::qt::QtForm provForm(ui::ProvWinLayout(language), &mainForm);
        ui::qt::QtDialogs provDialogs(provForm, language);
        ui::TProvWin ProvWin(provForm, platform, provDialogs, waiter, language);
        provForm.SetEventSink(&ProvWin);
        provForm.SetErrorDisplay(
            [&](const std::string& message) { application.ShowError(message); });
        MainWin.AttachProvWin(ProvWin);
        // The loop waits on the system's signals of HID interfaces changing (inotify's
        // descriptor), so that a tick with no reader open asks the system nothing.
        std::unique_ptr<QSocketNotifier> changeSignals;
        if (link::HidChanges* changes = platform.Changes();
            changes != nullptr && changes->Descriptor() >= 0) {
            changeSignals =
                std::make_unique<QSocketNotifier>(changes->Descriptor(), QSocketNotifier::Read);
            QObject::connect(changeSignals.get(), &QSocketNotifier::activated,
                             [changes] { changes->Arrived(); });
            changes->Watched();
        }
        const ui::qt::CaretRest caretRest;

        if (!traceError.empty()) {
            MainWin.ShowTraceNotOpened(traceError);
        }
        mainForm.show();
        mainForm.activateWindow();  // the first activation loads the reader
        QApplication::exec();
    } catch (const std::exception& error) {
        application.ShowError(error.what());
    }
    return 0;
}

}  // namespace zrt::app
