// The application shell on the offscreen platform: errors that no handler caught are shown and the
// loop goes on; the windows come up with the progress window hidden and the reader searched for
// and loaded; closing the main window ends the loop even while the progress window is shown; and
// the reader lists close every handle at the end, HidVP51 first. The single-instance socket: in a
// folder of the user's own, never another user's nor one behind a link, a stale one replaced, one
// window of two starts in the same instant. The application names
// itself as its desktop entry does and carries the project's icon.
#include "app/linux/shell.hpp"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/linux/single_instance.hpp"
#include "app/linux/termination.hpp"
#include "link/zrhid.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::app {
namespace {

Application& App() {
    return *static_cast<Application*>(QCoreApplication::instance());
}

QWidget* TopLevel(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name) {
            return widget;
        }
    }
    return nullptr;
}

// Shown errors, recorded in place of the message box.
class Shell : public ::testing::Test {
  protected:
    Shell() {
        App().SetErrorDisplay([this](const std::string& message) { shown.push_back(message); });
    }
    ~Shell() override { App().SetErrorDisplay(nullptr); }

    // Runs the windows; `whileRunning` is called from the loop once the main window has been
    // activated, and must end the loop by closing the main window. Fails the test rather than
    // hang when the loop does not end.
    int Run(std::function<void(QWidget& mainWin)> whileRunning) {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            ADD_FAILURE() << "the loop went on after the main window was closed";
            QApplication::quit();
        });
        QTimer::singleShot(0, [&] {
            QWidget* mainWin = TopLevel("MainWin");
            ASSERT_NE(mainWin, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowActive(mainWin));
            whileRunning(*mainWin);
            guard.start(5000);
        });
        return RunWindows(App(), platform, lists);
    }

    std::vector<std::string> shown;
    sim::VirtualPlatform platform;
    ReaderLists lists{platform};
};

TEST_F(Shell, AnErrorThatNoHandlerCaughtIsShownAndTheLoopGoesOn) {
    bool after = false;
    QTimer::singleShot(0, [] { throw std::runtime_error("broken"); });
    QTimer::singleShot(0, [&] {
        after = true;
        QApplication::quit();
    });
    QApplication::exec();
    EXPECT_EQ(shown, std::vector<std::string>{"broken"});
    EXPECT_TRUE(after);
}

TEST_F(Shell, WithoutAReaderTheWindowComesUpNotConnectedAndTheProgressWindowHidden) {
    App().SpeakQt(ui::Language::English);  // until the run chooses
    std::string status;
    std::string lookIn;
    bool workWinHidden = false;
    const int code = Run([&](QWidget& mainWin) {
        QWidget* workWin = TopLevel("WorkWin");
        ASSERT_NE(workWin, nullptr);
        workWinHidden = workWin->isHidden();
        status = mainWin.findChild<QLabel*>("RdLbl")->text().toStdString();
        lookIn = QCoreApplication::translate("QFileDialog", "Look in:").toStdString();
        mainWin.close();
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(status, "       Czytnik nie podłączony");
    EXPECT_EQ(lookIn, "Szukaj w:") << "Qt's own dialogs in the window's language";
    EXPECT_TRUE(workWinHidden);
    EXPECT_TRUE(shown.empty()) << "no reader is not an error";
    EXPECT_EQ(TopLevel("MainWin"), nullptr) << "the windows are gone when the run returns";
    EXPECT_EQ(TopLevel("WorkWin"), nullptr);
}

TEST_F(Shell, TheReaderIsLoadedAndItsHandleClosedAtTheEnd) {
    sim::VirtualReader reader{link::ReaderInfo{151, 42, 12}, {}, link::PRODUCT_ID_51};
    platform.AddReader(reader);
    std::string status;
    Run([&](QWidget& mainWin) {
        status = mainWin.findChild<QLabel*>("RdLbl")->text().toStdString();
        mainWin.close();
    });
    EXPECT_EQ(status, "Czytnik Zr-T51, Nr: 00042 (soft: 12)");
    EXPECT_GE(platform.OpenHandleCount(), 1u) << "the lists hold the handle until they go";
    lists.HidVP41.CloseAll();
    lists.HidVP51.CloseAll();
    EXPECT_EQ(platform.OpenHandleCount(), 0u);
}

TEST_F(Shell, ClosingTheMainWindowEndsTheLoopWhileTheProgressWindowIsShown) {
    Run([&](QWidget& mainWin) {
        TopLevel("WorkWin")->show();
        mainWin.close();
    });
    EXPECT_TRUE(shown.empty());
}

// SIGTERM, SIGINT and SIGHUP end the loop the normal way, also from inside a message box's loop;
// once the handling object is gone, the previous handler is back.
TEST_F(Shell, TerminationSignalsEndTheLoopAsClosingTheMainWindowDoes) {
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        TerminationSignals termination;
        EXPECT_EQ(Run([&](QWidget&) { ::raise(number); }), 0) << "signal " << number;
        EXPECT_EQ(TopLevel("MainWin"), nullptr);
    }
    {
        TerminationSignals termination;
        Run([&](QWidget& mainWin) {
            QTimer::singleShot(0, [] { ::raise(SIGTERM); });
            QMessageBox::information(&mainWin, "", "open while the signal comes");
        });
    }
    struct sigaction current {};
    sigaction(SIGTERM, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

TEST_F(Shell, AnErrorInAHandlerIsShownAndTheWindowGoesOn) {
    // A HID platform that breaks down with an error of the general kind while searching.
    struct Broken : sim::VirtualPlatform {
        bool ListInterfaces(std::vector<link::HidInterface>&) override {
            throw std::runtime_error("no HID support");
        }
    } broken;
    ReaderLists brokenLists(broken);
    bool running = false;
    QTimer::singleShot(0, [&] {
        QWidget* mainWin = TopLevel("MainWin");
        EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }));
        running = mainWin->isVisible();
        mainWin->close();
    });
    EXPECT_EQ(RunWindows(App(), broken, brokenLists), 0);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0], "no HID support");
    EXPECT_TRUE(running);
}

// Docks group a window with its launcher by the window class (the application's name) or, on
// Wayland, the desktop file name; both must name what the installed desktop entry says.
TEST(ApplicationIdentity, MatchesTheDesktopEntryAndCarriesTheProjectIcon) {
    QFile entry(QStringLiteral(ZRT_DESKTOP_ENTRY));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    QString wmClass;
    for (const QString& line : QString::fromUtf8(entry.readAll()).split('\n')) {
        if (line.startsWith(QStringLiteral("StartupWMClass="))) {
            wmClass = line.section('=', 1);
        }
    }
    EXPECT_FALSE(wmClass.isEmpty()) << "the desktop entry names no StartupWMClass";
    EXPECT_EQ(QApplication::applicationName(), wmClass);
    EXPECT_EQ(QGuiApplication::desktopFileName() + ".desktop", QFileInfo(entry).fileName());

    const QIcon icon = QApplication::windowIcon();
    for (const int size : {16, 32, 48, 256}) {
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size)) << size;
        // Drawn, not blank: the reader's body is an opaque, dark shape in the middle.
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size * 3 / 4)), 255) << size;
    }
    EXPECT_TRUE(icon.availableSizes().contains(QSize(256, 256)));
}

// Qt's own dialogs speak the window's language: Polish from Qt's translations, which the window's
// package depends on; back to Qt's English for English.
TEST(QtTexts, FollowTheWindowsLanguage) {
    const auto lookIn = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };
    const auto cancel = [] {
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text();
    };
    ASSERT_TRUE(App().SpeakQt(zrt::ui::Language::Polish));
    EXPECT_EQ(lookIn(), QStringLiteral("Szukaj w:"));
    EXPECT_EQ(cancel(), QStringLiteral("Anuluj"));
    ASSERT_TRUE(App().SpeakQt(zrt::ui::Language::English));
    EXPECT_EQ(lookIn(), QStringLiteral("Look in:"));
    EXPECT_EQ(cancel(), QStringLiteral("Cancel"));
}

// The single-instance socket in a runtime folder of the test's own, or without one in a temporary
// folder of its own.
class SingleInstanceFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zrt-instance-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TMPDIR");
        std::filesystem::remove_all(root_);
    }
    std::string root_;
};

// A window that crashed left its socket behind: the next start replaces it and listens, so a
// third start hands over instead of opening a second window.
TEST_F(SingleInstanceFolder, AStaleSocketIsReplaced) {
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, SingleInstance::Key().toLocal8Bit().constData(), 100);
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    close(stale);  // bound, never listened, never removed: as a crashed program leaves it

    SingleInstance second;
    EXPECT_FALSE(second.HandOverToRunning());
    second.Listen("MainWin");
    EXPECT_TRUE(SingleInstance().HandOverToRunning());
}

// Two starts in the same instant both find no one answering yet; the first claims the window and
// listens, the second does not take its place (it would remove the first's socket and listen
// itself), and a later start reaches the first.
TEST_F(SingleInstanceFolder, OfTwoStartsInTheSameInstantOneHasTheWindow) {
    SingleInstance first;
    auto second = std::make_unique<SingleInstance>(getuid(), std::chrono::milliseconds(0));
    EXPECT_FALSE(first.HandOverToRunning());
    EXPECT_FALSE(second->HandOverToRunning()) << "the first does not answer yet";
    first.Listen("MainWin");
    second->Listen("MainWin");
    second.reset();  // a window the second opened anyway, closed again
    EXPECT_TRUE(SingleInstance().HandOverToRunning());
}

// Another user's socket is never connected to; without a runtime folder the socket lies in a
// folder of the user's own (made 0700), never in one that another user owns nor one reached
// through a symbolic link. Run as any user: the test plays another user by the number.
TEST_F(SingleInstanceFolder, OnlyAFolderAndASocketOfTheUsersOwnAreUsed) {
    const uid_t other = getuid() + 1;
    SingleInstance running(other);
    running.Listen("MainWin");  // the socket where the other user's is looked for, made by this one
    EXPECT_FALSE(SingleInstance(other, std::chrono::milliseconds(0)).HandOverToRunning())
        << "another user's socket";

    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", root_.c_str(), 1);
    const std::string folder = root_ + "/zrt-vivoraz-" + std::to_string(getuid());
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    EXPECT_EQ(SingleInstance::Key().toStdString().rfind(folder + "/", 0), 0u);
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    const std::string othersFolder = root_ + "/zrt-vivoraz-" + std::to_string(other);
    ASSERT_EQ(mkdir(othersFolder.c_str(), 0700), 0);
    EXPECT_TRUE(SingleInstance::Key(other).isEmpty()) << "a folder of another user's";

    const std::string elsewhere = root_ + "/elsewhere";
    ASSERT_EQ(rename(folder.c_str(), elsewhere.c_str()), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), folder.c_str()), 0);
    EXPECT_TRUE(SingleInstance::Key().isEmpty()) << "a link to a folder of the user's own";
}

TEST(ReaderListsTest, CloseTheirHandlesHidVP51First) {
    sim::VirtualReader reader41{link::ReaderInfo{141, 1, 1}, {}, link::PRODUCT_ID_41};
    sim::VirtualReader reader51{link::ReaderInfo{151, 1, 1}, {}, link::PRODUCT_ID_51};
    sim::VirtualPlatform platform;
    const auto id41 = platform.AddReader(reader41);
    const auto id51 = platform.AddReader(reader51);
    {
        ReaderLists lists(platform);
        ASSERT_EQ(lists.HidVP41.Enumerate(link::VENDOR_ID, link::PRODUCT_ID_41), 1u);
        ASSERT_EQ(lists.HidVP51.Enumerate(link::VENDOR_ID, link::PRODUCT_ID_51), 1u);
    }
    EXPECT_EQ(platform.ClosedInterfaces(),
              (std::vector<sim::VirtualPlatform::InterfaceId>{id51, id41}));
    EXPECT_EQ(platform.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace zrt::app

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    zrt::app::Application application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
