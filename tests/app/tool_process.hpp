// The real program zrt-vivoraz as a child process of a test that drives it from outside through the
// umockdev bed: starting, signalling and reaping it, its own runtime folder, and waiting for what
// the bed sees of it (the requests a reader receives, the handles open on a node). Also the two
// requests the tool sends without the user, as the reader receives them.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "link/zrhid.hpp"
#include "sim/umockdev_bed.hpp"

extern char** environ;

namespace zrt::sim {

using namespace std::chrono_literals;

// How long the tool may take for any one step (starting Qt included) on a busy machine. Only a
// bound on waiting for the child: every wait ends as soon as its condition holds.
inline constexpr auto DEADLINE = 30s;

// The two requests the tool may send without the user: 63-byte reports 0x41 carrying a frame of
// length 5 with the command and its CRC-16/MODBUS, least significant byte first.
inline std::vector<std::uint8_t> ShortReport(std::initializer_list<std::uint8_t> head) {
    std::vector<std::uint8_t> report(head);
    report.resize(link::SHORT_REPORT_SIZE, 0);
    return report;
}
inline const std::vector<std::uint8_t> READ_INFO_REQUEST =
    ShortReport({0x41, 0x05, 0x00, 0x4D, 0xA1, 0xF4});
inline const std::vector<std::uint8_t> READ_CONFIG_REQUEST =
    ShortReport({0x41, 0x05, 0x00, 0x63, 0x21, 0xE8});

// The command letters of a reader's log from entry `from` on, e.g. "McMMM".
inline std::string Commands(const std::vector<Request>& log, std::size_t from = 0) {
    std::string letters;
    for (std::size_t i = from; i < log.size(); ++i) {
        letters += static_cast<char>(log[i].command);
    }
    return letters;
}

// The tool as a child process with this process's environment (the umockdev preload and the bed's
// folder). Killed and reaped on destruction if it still runs, so that the bed, made before it,
// never goes while the tool holds its nodes.
class ToolProcess {
  public:
    // `errors`: a file for the tool's standard error, else this process's.
    explicit ToolProcess(const char* path, const char* errors = nullptr) {
        char* argv[] = {const_cast<char*>(path), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (errors != nullptr) {
            posix_spawn_file_actions_addopen(&actions, 2, errors, O_WRONLY | O_CREAT | O_TRUNC,
                                             0600);
        }
        const int spawned = posix_spawn(&pid_, path, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned == 0) {
            // A descriptor that becomes readable when the tool ends (the system call directly:
            // Debian 12's <sys/pidfd.h> lacks the C linkage for C++).
            pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
        }
    }
    ~ToolProcess() {
        if (pidfd_ >= 0) {
            if (!status_) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
            close(pidfd_);
        }
    }
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    bool Started() const { return pidfd_ >= 0; }
    pid_t Pid() const { return pid_; }
    bool Running() const {
        pollfd ended{pidfd_, POLLIN, 0};
        return !status_ && poll(&ended, 1, 0) == 0;
    }
    void Signal(int number) const { kill(pid_, number); }
    // The wait status once the tool has ended, waiting up to `timeout`; nothing while it runs.
    std::optional<int> WaitForEnd(std::chrono::milliseconds timeout) {
        pollfd ended{pidfd_, POLLIN, 0};
        if (!status_ && poll(&ended, 1, static_cast<int>(timeout.count())) == 1) {
            int status = 0;
            if (waitpid(pid_, &status, 0) == pid_) {
                status_ = status;
            }
        }
        return status_;
    }

  private:
    pid_t pid_ = -1;
    int pidfd_ = -1;
    std::optional<int> status_;
};

// Waits until the requests on hidraw<number> from entry `from` on begin with `expected`, or until
// the tool ends; true when they do.
inline bool WaitForCommands(UmockdevBed& bed, const ToolProcess& tool, unsigned number,
                            std::size_t from, const std::string& expected) {
    bed.WaitUntil(
        [&] {
            return Commands(bed.Log(number), from).size() >= expected.size() || !tool.Running();
        },
        DEADLINE);
    return Commands(bed.Log(number), from).substr(0, expected.size()) == expected;
}

// Waits until the tool holds exactly `open` handles of hidraw<number>; true when it does.
inline bool WaitForHandles(UmockdevBed& bed, unsigned number, unsigned open) {
    return bed.WaitUntil([&] { return bed.Opens(number) - bed.Closes(number) == open; }, DEADLINE);
}

// A runtime folder of the test's own: the window program is one per user and display, and
// other tests start it offscreen at the same time.
class OwnRuntimeFolder {
  public:
    OwnRuntimeFolder() {
        char pattern[] = "/tmp/zrt-runtime-XXXXXX";
        path_ = mkdtemp(pattern);
        setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
    }
    ~OwnRuntimeFolder() { std::filesystem::remove_all(path_); }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace zrt::sim
