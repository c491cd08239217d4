// One window per user and display: a second start of the window program hands over to the running
// one, which comes to the front, and ends. The running program listens on a local socket whose
// name is made of the user and the display, so programs on other displays, or offscreen with
// runtime folders of their own (tests), never meet. The socket lies in the user's runtime folder
// (XDG_RUNTIME_DIR) or, without one, in a folder of the temporary folder that only the user can
// reach (0700, the user's own, never reached through a symbolic link); where there is no such
// folder the window runs without the check. A start never connects to a socket that another user
// made, and a socket left by a program that crashed is replaced.
//
// Two starts in the same instant both find no one answering; so the window is claimed first, by
// an exclusive lock (flock) of a file beside the socket, taken before a stale socket is removed
// and held for the program's life (the system lets go of it when the program ends, however it
// ends). A start that finds the lock held hands over to its holder, waiting for it to listen.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLocalServer;

namespace zrt::app {

class SingleInstance : public QObject {
  public:
    // How long a start waits for the program that claimed the window to answer: longer than it
    // takes to start, on a busy machine.
    static constexpr std::chrono::milliseconds HAND_OVER_WAIT{5000};

    // `user`: whose program this is (this process's user, unless a test plays another);
    // `handOverWait`: how long a start waits for the program that holds the claim.
    explicit SingleInstance(uid_t user = getuid(),
                            std::chrono::milliseconds handOverWait = HAND_OVER_WAIT);
    ~SingleInstance() override;

    // True when another program runs, or is starting, for this user and display: it has been
    // asked to bring its window to the front. False when this program has claimed the window, and
    // also when there is no folder of the user's own or the holder of the claim does not answer
    // in time (the window then runs without the check).
    bool HandOverToRunning();
    // From now on this program is the one that runs: a later start brings `windowName`'s window
    // to the front. Nothing when another program holds the claim.
    void Listen(const QString& windowName);

    // The socket's name for the environment this program runs in and `user`; empty without a
    // folder of the user's own for it.
    static QString Key(uid_t user = getuid());

  private:
    // Takes the claim (the lock beside the socket `key`) unless another program holds it.
    enum class Claim { Taken, HeldElsewhere, Impossible };
    Claim TakeClaim(const QString& key);
    // Asks the program at `key` to bring its window to the front, waiting for it to listen.
    bool AskRunning(const QString& key) const;

    uid_t user_;
    std::chrono::milliseconds handOverWait_;
    int claim_ = -1;  // the lock file's descriptor, held while this program has the claim
    std::unique_ptr<QLocalServer> server_;
};

// The window program needs a graphical session: true when DISPLAY, WAYLAND_DISPLAY or a named Qt
// platform (QT_QPA_PLATFORM) is there.
bool HasGraphicalSession();

}  // namespace zrt::app
