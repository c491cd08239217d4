// One window per user and display, over a local socket of the user's runtime folder.
#include "app/single_instance.hpp"

#include <QApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <unistd.h>

#include <cstdlib>

namespace zrt::app {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 1000;
constexpr char RAISE[] = "raise\n";

QString Variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? QString() : QString::fromLocal8Bit(value);
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
    const QString runtime = Variable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? name : QDir(runtime).filePath(name);
}

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance() = default;

bool SingleInstance::HandOverToRunning() {
    QLocalSocket socket;
    socket.connectToServer(Key());
    if (!socket.waitForConnected(CONNECT_TIMEOUT_MS)) {
        return false;
    }
    socket.write(RAISE);
    socket.waitForBytesWritten(CONNECT_TIMEOUT_MS);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::Listen(const QString& windowName) {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(Key());  // a socket left by a program that ended without closing it
    if (!server_->listen(Key())) {
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
