// zrt-vivoraz-demo: runs the unchanged tool (zrt-vivoraz, beside this program, or the path given as
// the first argument) against one virtual reader presented by the umockdev bed as /dev/hidraw0.
// The terminal shows every request the reader receives; typing u or p (and Enter) unplugs the
// reader or plugs it in again, q quits. The demo ends when the tool ends.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "config/reader_config.hpp"
#include "link/zrhid.hpp"
#include "sim/request_text.hpp"
#include "sim/umockdev_bed.hpp"

extern char** environ;

namespace {

using namespace zrt;

constexpr unsigned READER_NUMBER = 0;  // /dev/hidraw0
constexpr link::ReaderInfo READER_INFO{1175, 4242, 12};

// A configuration with something to see: decimal, 4 bytes, Enter at the end, Mifare, Shift+A
// before the number and TAB after it.
config::ReaderConfig DemoRecord() {
    config::ConfigState state;
    state.enterAtEnd = true;
    state.formatIndex = config::FORMAT_DEC_WHOLE;
    state.sizeIndex = 1;
    state.mifare = true;
    for (config::KeyRowState& row : state.rows) {
        row.send = false;
    }
    state.rows[0] = {true, 2, {false, true, false, false, false, false}};  // "A" with Shift
    state.rows[3] = {true, 1, {}};                                         // "TAB"
    return config::RecordFromState(state);
}

// The terminal, shared by the main thread and umockdev's thread. A request equal to the one
// before (the tool asks for the identity ten times a second) rewrites its line with a count.
class Console {
  public:
    void Request(const std::string& line) {
        std::lock_guard lock(mutex_);
        if (line == last_) {
            std::printf("\r<- %s  (x%u)", line.c_str(), ++repeats_);
        } else {
            EndLine();
            std::printf("<- %s", line.c_str());
            last_ = line;
            repeats_ = 1;
        }
        std::fflush(stdout);
    }
    void Note(const std::string& text) {
        std::lock_guard lock(mutex_);
        EndLine();
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }

  private:
    void EndLine() {
        if (!last_.empty()) {
            std::printf("\n");
            last_.clear();
        }
    }
    std::mutex mutex_;
    std::string last_;
    unsigned repeats_ = 0;
};

int wakeWrite = -1;  // the signal handler's way to the main loop

void OnSignal(int) {
    const char byte = 's';
    [[maybe_unused]] const ssize_t written = write(wakeWrite, &byte, 1);
}

std::string ToolBesideThisProgram() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) {
        return "zrt-vivoraz";
    }
    std::string self(path, static_cast<std::size_t>(length));
    return self.substr(0, self.rfind('/') + 1) + "zrt-vivoraz";
}

int Run(const std::string& tool) {
    Console console;
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return 1;
    }
    wakeWrite = wake[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    sim::UmockdevBed bed;
    bed.AddReader(READER_NUMBER,
                  sim::VirtualReader(READER_INFO, DemoRecord(), link::PRODUCT_ID_51));
    bed.SetRequestObserver([&console](unsigned, const sim::Request& request) {
        console.Request(sim::DescribeRequest(request));
    });

    // The tool inherits the preload and UMOCKDEV_DIR from this process's environment.
    pid_t child = 0;
    char* childArgv[] = {const_cast<char*>(tool.c_str()), nullptr};
    if (const int error = posix_spawn(&child, tool.c_str(), nullptr, nullptr, childArgv, environ);
        error != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", tool.c_str(), std::strerror(error));
        return 1;
    }
    int childStatus = 0;
    std::thread waiter([&] {
        while (waitpid(child, &childStatus, 0) < 0 && errno == EINTR) {
        }
        const char byte = 'c';
        [[maybe_unused]] const ssize_t written = write(wake[1], &byte, 1);
    });

    console.Note("Virtual reader (model word 1175, serial 4242, firmware 12) on " +
                 sim::UmockdevBed::NodePath(READER_NUMBER) + " for " + tool);
    console.Note(
        "Type u + Enter to unplug the reader, p + Enter to plug it in again, q + Enter to "
        "quit.");
    bool reading = true;
    bool running = true;
    bool stopped = false;  // the launcher asked the tool to end
    std::string line;
    while (running) {
        pollfd watched[2] = {{wake[0], POLLIN, 0}, {reading ? 0 : -1, POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            continue;  // interrupted by a signal; its byte is in the pipe
        }
        if ((watched[0].revents & POLLIN) != 0) {
            char byte = 0;
            if (read(wake[0], &byte, 1) == 1) {
                if (byte == 'c') {
                    running = false;
                } else {
                    kill(child, SIGTERM);
                    stopped = true;
                }
            }
        }
        if ((watched[1].revents & (POLLIN | POLLHUP)) != 0) {
            char input[256];
            const ssize_t got = read(0, input, sizeof(input));
            if (got <= 0) {
                reading = false;  // no terminal any more: wait for the tool alone
                continue;
            }
            line.append(input, static_cast<std::size_t>(got));
            for (std::size_t end; (end = line.find('\n')) != std::string::npos;
                 line.erase(0, end + 1)) {
                const std::string command = line.substr(0, end);
                if (command == "u") {
                    bed.Unplug(READER_NUMBER);
                    console.Note("-- reader unplugged");
                } else if (command == "p") {
                    bed.Plug(READER_NUMBER);
                    console.Note("-- reader plugged in");
                } else if (command == "q") {
                    console.Note("-- quitting");
                    kill(child, SIGTERM);
                    stopped = true;
                } else if (!command.empty()) {
                    console.Note("-- u: unplug, p: plug in, q: quit");
                }
            }
        }
    }
    waiter.join();
    console.Note("-- the tool has ended");
    // The tool's handles went with it, so the bed can go now.
    // The tool ends on the launcher's SIGTERM with exit code 0; a tool killed by that signal
    // (an older build) has ended normally too.
    if (stopped && WIFSIGNALED(childStatus) && WTERMSIG(childStatus) == SIGTERM) {
        return 0;
    }
    return WIFEXITED(childStatus) ? WEXITSTATUS(childStatus) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (!sim::RunUnderUmockdevPreload(argv)) {
        return 1;
    }
    const std::string tool = argc > 1 ? argv[1] : ToolBesideThisProgram();
    if (access(tool.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "%s: no tool to start at %s\n", argv[0], tool.c_str());
        return 1;
    }
    try {
        return Run(tool);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
}
