// The terminal of the command-line program: whether a person is there to answer, the question,
// the progress bar (or plain lines when no terminal shows it), and waiting.
#pragma once

#include <iosfwd>
#include <string>

namespace zrt::cli {

// Whether standard input and standard error are both terminals; said by the folder of each
// platform (linux/console.cpp, windows/console.cpp).
bool StandardStreamsAreTerminals();

class Terminal {
  public:
    Terminal(std::istream& in, std::ostream& err);
    // A person can answer: standard input and standard error are both terminals.
    bool Interactive() const { return interactive_; }
    // Asks on standard error and reads the answer; true for y or yes.
    bool Ask(const std::string& question);
    // Shows `what` at `done` of `total`: a bar redrawn in place on a terminal, else a line per
    // whole tenth.
    void Progress(const std::string& what, int done, int total);
    // Ends a progress display.
    void EndProgress();
    void Sleep(int milliseconds);

  private:
    std::istream& in_;
    std::ostream& err_;
    bool interactive_;
    bool barShown_ = false;
    std::string lastWhat_;
    int lastTenth_ = -1;
};

}  // namespace zrt::cli
