// One window per user and display: a second start of the window program hands over to the running
// one, which comes to the front, and ends. The running program listens on a local socket whose
// name is made of the user and the display (its runtime folder holds it), so programs on other
// displays, or offscreen with runtime folders of their own (tests), never meet.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace zrt::app {

class SingleInstance : public QObject {
  public:
    SingleInstance();
    ~SingleInstance() override;

    // True when a program already runs for this user and display; it has been asked to bring its
    // window to the front.
    bool HandOverToRunning();
    // From now on this program is the one that runs: a later start brings `windowName`'s window
    // to the front.
    void Listen(const QString& windowName);

    // The socket's name for the environment this program runs in.
    static QString Key();

  private:
    std::unique_ptr<QLocalServer> server_;
};

// The window program needs a graphical session: true when DISPLAY, WAYLAND_DISPLAY or a named Qt
// platform (QT_QPA_PLATFORM) is there.
bool HasGraphicalSession();

}  // namespace zrt::app
