// One window per user and display: a second start of the window program hands over to the running
// one, which comes to the front, and ends. The running program listens on a local socket whose
// name is made of the user and the display, so programs on other displays, or offscreen with
// runtime folders of their own (tests), never meet. The socket lies in the user's runtime folder
// (XDG_RUNTIME_DIR) or, without one, in a folder of the temporary folder that only the user can
// reach (0700, the user's own); where there is no such folder the window runs without the check.
// A start never connects to a socket that another user made, and a socket left by a program that
// crashed is replaced.
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

    // The socket's name for the environment this program runs in; empty without a folder of the
    // user's own for it.
    static QString Key();

  private:
    std::unique_ptr<QLocalServer> server_;
};

// The window program needs a graphical session: true when DISPLAY, WAYLAND_DISPLAY or a named Qt
// platform (QT_QPA_PLATFORM) is there.
bool HasGraphicalSession();

}  // namespace zrt::app
