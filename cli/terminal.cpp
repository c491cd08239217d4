// The terminal of the command-line program.
#include "cli/terminal.hpp"

#include <chrono>
#include <cstdio>
#include <istream>
#include <ostream>
#include <thread>

namespace zrt::cli {

Terminal::Terminal(std::istream& in, std::ostream& err)
    : in_(in), err_(err), interactive_(StandardStreamsAreTerminals()) {}

bool Terminal::Ask(const std::string& question) {
    err_ << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) {
        err_ << "\n";
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

void Terminal::Progress(const std::string& what, int done, int total) {
    if (total <= 0) {
        return;
    }
    const int percent = done * 100 / total;
    if (interactive_) {
        constexpr int WIDTH = 30;
        const int filled = done * WIDTH / total;
        err_ << "\r" << what << " [" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(WIDTH - filled), ' ') << "] " << percent << "%"
             << std::flush;
        barShown_ = true;
        return;
    }
    const int tenth = percent / 10;
    if (what != lastWhat_ || tenth != lastTenth_) {
        err_ << what << ": " << percent << "%\n";
        lastWhat_ = what;
        lastTenth_ = tenth;
    }
}

void Terminal::EndProgress() {
    if (barShown_) {
        err_ << "\n";
        barShown_ = false;
    }
    lastWhat_.clear();
    lastTenth_ = -1;
}

void Terminal::Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace zrt::cli
