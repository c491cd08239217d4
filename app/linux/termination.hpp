// Ending the program from outside: SIGTERM, SIGINT and SIGHUP (a session logging out, Ctrl-C in a
// terminal, the terminal going away) end the message loop as closing the main window does, so the
// windows go and the reader lists close their handles on the normal way out, exit code 0.
#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace zrt::app {

// While it lives, the three signals end the loop. The signal handler only writes a byte to a
// socket; the loop reads it and quits, so nothing unsafe runs inside the handler. A signal that
// arrives while a handler blocks the loop (a reader command, the upgrade) takes effect when the
// loop runs again. The previous handlers are restored at destruction.
class TerminationSignals : public QObject {
  public:
    TerminationSignals();
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace zrt::app
