// zrt_bench_idle_bed: what programs cost while they wait with no reader attached, and how soon a
// reader plugged in is asked for its identity. Starts every PROGRAM at once in the umockdev bed
// with FOREIGN other HID interfaces (never a reader), so that they share the machine's load, lets
// them settle, then sums for each the CPU time (/proc/PID/schedstat, in nanoseconds) of every
// process started from it (tagged through its environment, so that wine's wineserver and services
// count too) over SECONDS. With --plug K it then plugs a reader in K times and gives the time from
// each plug-in to the reader's first "M" request and to its first "c" (the loaded reader; the
// reader is unplugged again between two). With --reader 1 another reader is attached throughout,
// so that a tool's wait is its sign-of-life poll ("M" every 100 ms, which its trace folds).
//
//   zrt_bench_idle_bed [--seconds S] [--settle S] [--foreign N] [--plug K] [--reader 1]
//                      -- PROGRAM [ARG...]
//                      [-- PROGRAM [ARG...]]...
//
// Prints per program one line "program=I processes=... cpu_ns=... wall_ns=... share_percent=..."
// and, with --plug, one line "plug_to_M_ms=... plug_to_c_ms=..." per plug-in and the two maxima
// "plug_to_M_max_ms=...", "plug_to_c_max_ms=...". The programs are ended with SIGTERM.
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/reader_config.hpp"
#include "link/zrhid.hpp"
#include "sim/umockdev_bed.hpp"

extern char** environ;

namespace {

using namespace zrt;
using Clock = std::chrono::steady_clock;

struct Options {
    int seconds = 60;
    int settle = 5;
    unsigned foreign = 16;
    int plugs = 0;
    bool reader = false;
    std::vector<std::vector<std::string>> programs;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; i += 2) {
        if (i + 1 >= argc) {
            return false;
        }
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--seconds") {
            options.seconds = value;
        } else if (name == "--settle") {
            options.settle = value;
        } else if (name == "--foreign") {
            options.foreign = static_cast<unsigned>(value);
        } else if (name == "--plug") {
            options.plugs = value;
        } else if (name == "--reader") {
            options.reader = value != 0;
        } else {
            return false;
        }
    }
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            options.programs.emplace_back();
        } else {
            options.programs.back().emplace_back(argv[i]);
        }
    }
    for (const auto& program : options.programs) {
        if (program.empty()) {
            return false;
        }
    }
    return !options.programs.empty() && options.seconds > 0;
}

// The processes whose environment carries the variable `tag` exactly, with their CPU time so far
// in nanoseconds.
std::map<int, unsigned long long> TaggedCpu(const std::string& tag) {
    std::map<int, unsigned long long> cpu;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return cpu;
    }
    while (const dirent* entry = readdir(proc)) {
        const int pid = std::atoi(entry->d_name);
        if (pid <= 0) {
            continue;
        }
        const std::string base = std::string("/proc/") + entry->d_name;
        std::ifstream environment(base + "/environ", std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(environment)),
                               std::istreambuf_iterator<char>());
        if (text.find(tag + '\0') == std::string::npos) {
            continue;
        }
        std::ifstream schedstat(base + "/schedstat");
        unsigned long long onCpu = 0;
        if (schedstat >> onCpu) {
            cpu[pid] = onCpu;
        }
    }
    closedir(proc);
    return cpu;
}

int Run(const Options& options) {
    sim::UmockdevBed bed;
    for (unsigned n = 0; n < options.foreign; ++n) {
        // Mice, keyboards, headsets: anything but a reader of this family.
        bed.AddForeign(n, static_cast<std::uint16_t>(0x046D + n), static_cast<std::uint16_t>(0xC000 + n));
    }
    // The reader of the plug-ins is made now and unplugged at once: a device new to the bed gets
    // its ioctl handler only after its "add" uevent, too late for wine, which opens it on that.
    const unsigned readerNumber = options.foreign;
    if (options.plugs > 0) {
        bed.AddReader(readerNumber, sim::VirtualReader(link::ReaderInfo{151, 42, 12},
                                                       config::ReaderConfig{}, link::PRODUCT_ID_51));
        bed.Unplug(readerNumber);
    }
    if (options.reader) {
        bed.AddReader(readerNumber + 1,
                      sim::VirtualReader(link::ReaderInfo{1175, 4242, 12}, config::ReaderConfig{},
                                         link::PRODUCT_ID_51));
    }
    // Steady-clock nanoseconds of the plugged reader's first "M" and first "c" since the reset.
    std::atomic<long long> firstM{0};
    std::atomic<long long> firstC{0};
    bed.SetRequestObserver([&firstM, &firstC, readerNumber](unsigned number,
                                                            const sim::Request& request) {
        if (number != readerNumber) {
            return;
        }
        if (request.command == link::CMD_READ_INFO && firstM.load() == 0) {
            firstM = Clock::now().time_since_epoch().count();
        }
        if (request.command == link::CMD_READ_CONFIG && firstC.load() == 0) {
            firstC = Clock::now().time_since_epoch().count();
        }
    });

    std::vector<pid_t> children;
    std::vector<std::string> tags;
    for (std::size_t p = 0; p < options.programs.size(); ++p) {
        tags.push_back("ZRT_BENCH_TAG=" + std::to_string(getpid()) + "-" + std::to_string(p));
        std::vector<std::string> environment;
        for (char** variable = environ; *variable != nullptr; ++variable) {
            environment.emplace_back(*variable);
        }
        environment.push_back(tags.back());
        std::vector<char*> childEnvironment;
        for (std::string& variable : environment) {
            childEnvironment.push_back(variable.data());
        }
        childEnvironment.push_back(nullptr);
        std::vector<std::string> program = options.programs[p];
        std::vector<char*> childArgv;
        for (std::string& argument : program) {
            childArgv.push_back(argument.data());
        }
        childArgv.push_back(nullptr);
        pid_t child = 0;
        if (const int error = posix_spawnp(&child, childArgv[0], nullptr, nullptr,
                                           childArgv.data(), childEnvironment.data());
            error != 0) {
            std::fprintf(stderr, "cannot start %s: %s\n", childArgv[0], std::strerror(error));
            return 1;
        }
        children.push_back(child);
    }
    std::this_thread::sleep_for(std::chrono::seconds(options.settle));

    std::vector<std::map<int, unsigned long long>> before;
    for (const std::string& tag : tags) {
        before.push_back(TaggedCpu(tag));
    }
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
    for (std::size_t p = 0; p < tags.size(); ++p) {
        const auto after = TaggedCpu(tags[p]);
        const auto wall =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start);
        unsigned long long cpu = 0;
        for (const auto& [pid, onCpu] : after) {
            const auto earlier = before[p].find(pid);
            cpu += onCpu - (earlier != before[p].end() ? earlier->second : 0);
        }
        std::printf("program=%zu processes=%zu cpu_ns=%llu wall_ns=%lld share_percent=%.4f\n", p,
                    after.size(), cpu, static_cast<long long>(wall.count()),
                    100.0 * static_cast<double>(cpu) / static_cast<double>(wall.count()));
    }
    std::fflush(stdout);

    double worst = 0;
    double worstLoad = 0;
    for (int plug = 0; plug < options.plugs; ++plug) {
        firstM = 0;
        firstC = 0;
        const auto plugged = Clock::now();
        bed.Plug(readerNumber);
        const bool seen = bed.WaitUntil([&] { return firstC.load() != 0; }, std::chrono::seconds(10));
        const auto since = [&](long long at) {
            return at != 0 ? static_cast<double>(at - plugged.time_since_epoch().count()) / 1e6
                           : -1;
        };
        const double ms = since(firstM.load());
        const double load = since(firstC.load());
        worst = seen && ms > worst ? ms : (seen ? worst : 1e9);
        worstLoad = seen && load > worstLoad ? load : (seen ? worstLoad : 1e9);
        std::printf("plug_to_M_ms=%.1f plug_to_c_ms=%.1f\n", ms, load);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));  // loaded, upgrade declined
        bed.Unplug(readerNumber);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // noticed, then idle again
    }
    if (options.plugs > 0) {
        std::printf("plug_to_M_max_ms=%.1f\nplug_to_c_max_ms=%.1f\n", worst, worstLoad);
    }

    for (const pid_t child : children) {
        kill(child, SIGTERM);
        int status = 0;
        waitpid(child, &status, 0);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: %s [--seconds S] [--settle S] [--foreign N] [--plug K] [--reader 1] "
                     "-- PROGRAM [ARG...]\n",
                     argv[0]);
        return 2;
    }
    if (!sim::RunUnderUmockdevPreload(argv)) {
        return 1;
    }
    try {
        return Run(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
}
