// Soak: the real program zrt-vivoraz on the offscreen platform, its reader on the umockdev bed
// unplugged and plugged in again 300 times (outside CI, ZRT_SOAK_CYCLES sets another number). Each
// time the tool lets go of the dead handle and then loads the reader again ("M" then "c"); it never
// holds more than one descriptor of the reader's node (looked at in /proc after every event the bed
// sees), the bed never sees a handle left open, the tool's own descriptors do not grow, and on
// SIGTERM it ends the normal way with every handle closed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/reader_config.hpp"
#include "link/zrhid.hpp"
#include "sim/umockdev_bed.hpp"
#include "tests/app/tool_process.hpp"

namespace zrt::sim {
namespace {

constexpr unsigned READER = 0;

// 300, or ZRT_SOAK_CYCLES outside CI.
unsigned Cycles() {
    const char* ci = std::getenv("CI");
    const char* text =
        ci != nullptr && std::string(ci) == "true" ? nullptr : std::getenv("ZRT_SOAK_CYCLES");
    const int cycles = text != nullptr ? std::atoi(text) : 0;
    return cycles > 0 ? static_cast<unsigned>(cycles) : 300;
}

// What the descriptors of a process lead to now.
std::vector<std::string> Descriptors(pid_t pid) {
    const std::filesystem::path folder = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    std::vector<std::string> targets;
    for (auto entry = std::filesystem::directory_iterator(folder, error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        std::error_code unreadable;
        targets.push_back(std::filesystem::read_symlink(entry->path(), unreadable).string());
    }
    return targets;
}

// How many descriptors of a process lead to a hidraw node.
std::size_t HeldNodes(pid_t pid) {
    const std::vector<std::string> targets = Descriptors(pid);
    return static_cast<std::size_t>(std::ranges::count_if(targets, [](const std::string& target) {
        return target.find("/dev/hidraw") != std::string::npos;
    }));
}

// Checks `condition` every millisecond until it holds; false when DEADLINE passed first.
bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + DEADLINE;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// For a failure message: the tool's descriptors of nodes and sockets.
std::string NodesAndSockets(pid_t pid) {
    std::string text;
    for (const std::string& target : Descriptors(pid)) {
        if (target.find("hidraw") != std::string::npos || target.starts_with("socket:")) {
            text += " " + target;
        }
    }
    return text;
}

TEST(ToolSoak, ReconnectsThroughEveryUnplugWithOneHandleAndEndsWithEveryHandleClosed) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("ZRT_LANG", "pl", 1);  // the texts checked are the Polish ones, whatever the locale
    OwnRuntimeFolder runtime;
    UmockdevBed bed;
    bed.AddReader(READER,
                  VirtualReader({1175, 4242, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51));
    ToolProcess tool(ZRT_TOOL_PATH);
    ASSERT_TRUE(tool.Started()) << "cannot start " << ZRT_TOOL_PATH;

    // Waits until `condition` holds, looking at the tool's node descriptors after every open,
    // close and request the bed sees.
    std::size_t mostHeld = 0;
    const auto waitFor = [&](const std::function<bool()>& condition) {
        return bed.WaitUntil(
                   [&] {
                       mostHeld = std::max(mostHeld, HeldNodes(tool.Pid()));
                       return condition() || !tool.Running();
                   },
                   DEADLINE) &&
               condition();
    };
    const auto loaded = [&] { return Commands(bed.Log(READER)).starts_with("Mc"); };
    const auto handles = [&](unsigned open) {
        return [&bed, open] { return bed.Opens(READER) - bed.Closes(READER) == open; };
    };
    ASSERT_TRUE(waitFor(loaded));
    ASSERT_TRUE(waitFor(handles(1)));

    std::optional<std::size_t> descriptors;
    const unsigned cycles = Cycles();
    for (unsigned cycle = 0; cycle < cycles; ++cycle) {
        bed.Unplug(READER);
        ASSERT_TRUE(waitFor(handles(0)))
            << "cycle " << cycle << ": the dead handle stays open; the tool holds"
            << NodesAndSockets(tool.Pid());
        // The bed counts a close as soon as the connection behind the descriptor goes, a moment
        // before the descriptor itself.
        EXPECT_TRUE(Eventually([&] { return HeldNodes(tool.Pid()) == 0; })) << "cycle " << cycle;

        // Cleared so that the log copies each wait makes stay short.
        bed.WithReader(READER, [](VirtualReader& reader) { reader.ClearLog(); });
        bed.Plug(READER);
        ASSERT_TRUE(waitFor(loaded))
            << "cycle " << cycle << ": not loaded again; requests " << Commands(bed.Log(READER))
            << (tool.Running() ? "" : "; the tool ended");
        ASSERT_TRUE(waitFor(handles(1)))
            << "cycle " << cycle << ": " << bed.Opens(READER) << " opened, " << bed.Closes(READER)
            << " closed; the tool holds" << NodesAndSockets(tool.Pid());
        EXPECT_EQ(HeldNodes(tool.Pid()), 1u) << "cycle " << cycle;
        ASSERT_LE(mostHeld, 1u) << "cycle " << cycle << ": the tool held the reader twice";

        // The tool's own descriptors, once it has settled after the first reconnection, stay as
        // many as they were.
        if (!descriptors) {
            descriptors = Descriptors(tool.Pid()).size();
        } else if (cycle + 1 == cycles) {
            EXPECT_EQ(Descriptors(tool.Pid()).size(), *descriptors) << NodesAndSockets(tool.Pid());
        }
    }

    ASSERT_TRUE(tool.Running());
    tool.Signal(SIGTERM);
    const std::optional<int> status = tool.WaitForEnd(DEADLINE);
    ASSERT_TRUE(status.has_value()) << "the tool did not end on SIGTERM";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
    EXPECT_TRUE(WaitForHandles(bed, READER, 0));
}

}  // namespace
}  // namespace zrt::sim
