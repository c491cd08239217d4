// One window per user and display, over a local socket in a folder only the user can reach, claimed
// by a lock beside it.
#include "app/linux/single_instance.hpp"

#include <QApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

namespace zrt::app {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 1000;
constexpr char RAISE[] = "raise\n";
// How often a start that found the claim held asks its holder again.
constexpr std::chrono::milliseconds HAND_OVER_RETRY{20};

QString Variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? QString() : QString::fromLocal8Bit(value);
}

// Without a runtime folder the socket lives in a folder of the temporary folder that only the
// user can reach: made 0700 when missing, used only when it is a real folder (no link) of the
// user, and set to 0700 again. None when that cannot be had.
QString PrivateFolder(uid_t user) {
    const QByteArray folder =
        QDir(QDir::tempPath()).filePath(QString("zrt-vivoraz-%1").arg(user)).toLocal8Bit();
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    struct stat status {};
    const bool mine = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode) &&
                      status.st_uid == user && ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return mine ? QString::fromLocal8Bit(folder) : QString();
}

// Whether the socket at `path` was made by `user` (a program of another user may have put one
// where this user's is looked for).
bool MadeByUser(const QString& path, uid_t user) {
    struct stat status {};
    return ::lstat(path.toLocal8Bit().constData(), &status) == 0 && S_ISSOCK(status.st_mode) &&
           status.st_uid == user;
}

}  // namespace

bool HasGraphicalSession() {
    return !Variable("DISPLAY").isEmpty() || !Variable("WAYLAND_DISPLAY").isEmpty() ||
           !Variable("QT_QPA_PLATFORM").isEmpty();
}

QString SingleInstance::Key(uid_t user) {
    QString display = Variable("WAYLAND_DISPLAY");
    if (!Variable("DISPLAY").isEmpty()) {
        display = Variable("DISPLAY");
    }
    if (display.isEmpty() || !Variable("QT_QPA_PLATFORM").isEmpty()) {
        display += "-" + Variable("QT_QPA_PLATFORM");
    }
    for (QChar& c : display) {
        if (!c.isLetterOrNumber() && c != '.' && c != '-') {
            c = '_';
        }
    }
    const QString name = QString("zrt-vivoraz-%1-%2").arg(user).arg(display);
    QString folder = Variable("XDG_RUNTIME_DIR");
    if (folder.isEmpty()) {
        folder = PrivateFolder(user);
    }
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

SingleInstance::SingleInstance(uid_t user, std::chrono::milliseconds handOverWait)
    : user_(user), handOverWait_(handOverWait) {}

// The socket goes before the claim, so that a start that takes the claim next finds no socket of
// this program's to remove.
SingleInstance::~SingleInstance() {
    server_.reset();
    if (claim_ >= 0) {
        ::close(claim_);
    }
}

SingleInstance::Claim SingleInstance::TakeClaim(const QString& key) {
    if (claim_ >= 0) {
        return Claim::Taken;
    }
    const QByteArray path = (key + ".lock").toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return Claim::Impossible;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return Claim::Impossible;
    }
    int locked = 0;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0) {
        claim_ = fd;
        return Claim::Taken;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? Claim::HeldElsewhere : Claim::Impossible;
}

bool SingleInstance::AskRunning(const QString& key) const {
    if (!MadeByUser(key, user_)) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(key);
    if (!socket.waitForConnected(CONNECT_TIMEOUT_MS)) {
        return false;
    }
    socket.write(RAISE);
    socket.waitForBytesWritten(CONNECT_TIMEOUT_MS);
    socket.disconnectFromServer();
    return true;
}

// The program holding the claim may have claimed it a moment ago and not listen yet, or be ending
// and let go of it: asked again until it answers, the claim is had, or the wait is over.
bool SingleInstance::HandOverToRunning() {
    const QString key = Key(user_);
    if (key.isEmpty()) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + handOverWait_;
    while (TakeClaim(key) == Claim::HeldElsewhere) {
        if (AskRunning(key)) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(HAND_OVER_RETRY);
    }
    return false;
}

void SingleInstance::Listen(const QString& windowName) {
    const QString key = Key(user_);
    if (key.isEmpty() || TakeClaim(key) != Claim::Taken) {
        return;  // no folder of this user's own, or not this program's window: no check
    }
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a program that ended without closing it: with the claim had, no running
    // program's.
    QLocalServer::removeServer(key);
    if (!server_->listen(key)) {
        server_.reset();
        return;  // the window still runs; a second start just opens a second window
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this, windowName] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->objectName() == windowName) {
                    window->showNormal();
                    window->raise();
                    window->activateWindow();
                }
            }
        }
    });
}

}  // namespace zrt::app
