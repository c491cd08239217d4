// One window per user and display, over a local socket in a folder only the user can reach.
#include "app/linux/single_instance.hpp"

#include <QApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace zrt::app {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 1000;
constexpr char RAISE[] = "raise\n";

QString Variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? QString() : QString::fromLocal8Bit(value);
}

// Without a runtime folder the socket lives in a folder of the temporary folder that only this
// user can reach: made 0700 when missing, used only when it is a real folder (no link) of this
// user, and set to 0700 again. None when that cannot be had.
QString PrivateFolder() {
    const QByteArray folder =
        QDir(QDir::tempPath()).filePath(QString("zrt-vivoraz-%1").arg(getuid())).toLocal8Bit();
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    struct stat status {};
    const bool mine = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode) &&
                      status.st_uid == getuid() && ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return mine ? QString::fromLocal8Bit(folder) : QString();
}

// Whether the socket at `path` was made by this user (a program of another user may have put one
// where this user's is looked for).
bool MadeByThisUser(const QString& path) {
    struct stat status {};
    return ::lstat(path.toLocal8Bit().constData(), &status) == 0 && S_ISSOCK(status.st_mode) &&
           status.st_uid == getuid();
}

}  // namespace

bool HasGraphicalSession() {
    return !Variable("DISPLAY").isEmpty() || !Variable("WAYLAND_DISPLAY").isEmpty() ||
           !Variable("QT_QPA_PLATFORM").isEmpty();
}

QString SingleInstance::Key() {
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
    const QString name = QString("zrt-vivoraz-%1-%2").arg(getuid()).arg(display);
    QString folder = Variable("XDG_RUNTIME_DIR");
    if (folder.isEmpty()) {
        folder = PrivateFolder();
    }
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance() = default;

bool SingleInstance::HandOverToRunning() {
    const QString key = Key();
    if (key.isEmpty() || !MadeByThisUser(key)) {
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

void SingleInstance::Listen(const QString& windowName) {
    const QString key = Key();
    if (key.isEmpty()) {
        return;  // no folder of this user's own: the window runs without the check
    }
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(key);  // a socket left by a program that ended without closing it
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
