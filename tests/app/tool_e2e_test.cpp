// End to end: the real program zrt-vivoraz, started as a child process on the offscreen Qt
// platform, against virtual readers that the umockdev bed presents to its hidraw backend. The test
// sees the tool only from outside: the requests the readers receive, byte for byte, the handles the
// bed counts on each node and the descriptors the tool holds (/proc). It checks the load at start
// ("M" then "c"), the identity poll, that the tool lets go of an unplugged reader and keeps
// searching, that it loads a reader plugged in later, that it holds one handle per open reader and
// leaks none, that it ends on SIGTERM the normal way (exit code 0) with every handle closed, the
// hand-over of a second start (also of two starts in the same instant) and the refusal without a
// graphical session. The soak unplugs and
// plugs in the reader 300 times (outside CI, ZRT_SOAK_CYCLES sets another number): the tool never
// holds the node twice (looked at after every event the bed sees) and its own descriptors do not
// grow. Its case's name says "Soak", so that a quick run can leave it out.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "config/reader_config.hpp"
#include "link/zrhid.hpp"
#include "sim/umockdev_bed.hpp"
#include "tests/app/tool_process.hpp"

namespace zrt::sim {
namespace {

constexpr unsigned FIRST = 0;   // /dev/hidraw0: model 1175, product identifier 81
constexpr unsigned SECOND = 1;  // /dev/hidraw1: model 141, product identifier 65

// Every request in the log is exactly one of the two reads; nothing was written.
void ExpectOnlyTheTwoReads(const std::vector<Request>& log, const char* reader) {
    for (std::size_t i = 0; i < log.size(); ++i) {
        const Request& request = log[i];
        if (request.command == link::CMD_READ_INFO) {
            EXPECT_EQ(request.report, READ_INFO_REQUEST) << reader << ", request " << i;
        } else if (request.command == link::CMD_READ_CONFIG) {
            EXPECT_EQ(request.report, READ_CONFIG_REQUEST) << reader << ", request " << i;
        } else {
            ADD_FAILURE() << reader << ", request " << i << ": unexpected command 0x" << std::hex
                          << int{request.command};
        }
    }
}

// The tool ends by itself within DEADLINE with exit code `code`.
::testing::AssertionResult EndsWith(ToolProcess& tool, int code) {
    const std::optional<int> status = tool.WaitForEnd(DEADLINE);
    if (!status) {
        return ::testing::AssertionFailure() << "the tool did not end";
    }
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != code) {
        return ::testing::AssertionFailure() << "status " << *status;
    }
    return ::testing::AssertionSuccess();
}

// 300, or ZRT_SOAK_CYCLES outside CI.
unsigned SoakCycles() {
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

// Each case has a runtime folder and a bed of its own, with the first reader plugged in: CTest runs
// every case as a process of its own, beside the rest of the suite.
class ToolEndToEnd : public ::testing::Test {
  protected:
    ToolEndToEnd() {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("ZRT_LANG", "pl", 1);  // the texts checked are the Polish ones, whatever the locale
        bed.AddReader(FIRST, VirtualReader({1175, 4242, 12}, config::RECORD_TEMPLATE,
                                           link::PRODUCT_ID_51));
    }
    // SIGTERM, as at logout, ends the tool the normal way: windows first, then the reader lists
    // close their handles, exit code 0. It was running until then.
    void ExpectEndsOnSigterm(ToolProcess& tool) {
        ASSERT_TRUE(tool.Running());
        tool.Signal(SIGTERM);
        EXPECT_TRUE(EndsWith(tool, 0)) << "on SIGTERM";
        EXPECT_TRUE(WaitForHandles(bed, FIRST, 0));
    }

    OwnRuntimeFolder runtime;
    UmockdevBed bed;
};

TEST_F(ToolEndToEnd, LoadsPollsLetsGoOfAnUnpluggedReaderSearchesOnAndEndsWithEveryHandleClosed) {
    ToolProcess tool(ZRT_TOOL_PATH);
    ASSERT_TRUE(tool.Started()) << "cannot start " << ZRT_TOOL_PATH;

    // At start the tool reads the identity, then the configuration, then polls the identity.
    ASSERT_TRUE(WaitForCommands(bed, tool, FIRST, 0, "McMMM"))
        << "requests: " << Commands(bed.Log(FIRST)) << (tool.Running() ? "" : "; the tool ended");
    // One handle while the reader is open: the polls reuse it.
    EXPECT_TRUE(WaitForHandles(bed, FIRST, 1))
        << bed.Opens(FIRST) << " opened, " << bed.Closes(FIRST) << " closed";

    // Unplugged: the tool notices at its next poll and closes the dead handle at its next search.
    bed.Unplug(FIRST);
    EXPECT_TRUE(WaitForHandles(bed, FIRST, 0))
        << bed.Opens(FIRST) << " opened, " << bed.Closes(FIRST) << " closed";

    // It goes on searching: a reader that does not answer yet is opened again and again (each
    // search closes the handle of the last one).
    VirtualReader silent({141, 7, 3}, config::RECORD_TEMPLATE, link::PRODUCT_ID_41);
    silent.unplugged = true;  // every report call fails, nothing is received
    bed.AddReader(SECOND, std::move(silent));
    EXPECT_TRUE(bed.WaitUntil([&] { return bed.Opens(SECOND) >= 3 || !tool.Running(); }, DEADLINE))
        << "opened " << bed.Opens(SECOND) << " times";
    EXPECT_GE(bed.Opens(SECOND), 3u);
    bed.Unplug(SECOND);
    EXPECT_TRUE(WaitForHandles(bed, SECOND, 0));
    EXPECT_TRUE(bed.Log(SECOND).empty());

    // The first reader plugged in again, now as another model and serial number: loaded again.
    const std::size_t before = bed.Log(FIRST).size();
    bed.WithReader(FIRST, [](VirtualReader& reader) { reader.info = {151, 77, 5}; });
    bed.Plug(FIRST);
    ASSERT_TRUE(WaitForCommands(bed, tool, FIRST, before, "McMMM"))
        << "requests after plugging in again: " << Commands(bed.Log(FIRST), before)
        << (tool.Running() ? "" : "; the tool ended");
    EXPECT_TRUE(WaitForHandles(bed, FIRST, 1))
        << bed.Opens(FIRST) << " opened, " << bed.Closes(FIRST) << " closed";

    ExpectEndsOnSigterm(tool);
    EXPECT_TRUE(WaitForHandles(bed, SECOND, 0));
    ExpectOnlyTheTwoReads(bed.Log(FIRST), "hidraw0");
}

// The reader unplugged and plugged in again SoakCycles() times: each time the tool lets go of the
// dead handle and then loads the reader again ("M" then "c"), never holding more than one
// descriptor of its node (looked at in /proc after every event the bed sees); the bed never sees a
// handle left open, the tool's own descriptors do not grow.
TEST_F(ToolEndToEnd, SoakReconnectsThroughEveryUnplugWithOneHandleAndEndsWithEveryHandleClosed) {
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
    const auto loaded = [&] { return Commands(bed.Log(FIRST)).starts_with("Mc"); };
    const auto handles = [&](unsigned open) {
        return [this, open] { return bed.Opens(FIRST) - bed.Closes(FIRST) == open; };
    };
    ASSERT_TRUE(waitFor(loaded));
    ASSERT_TRUE(waitFor(handles(1)));

    std::optional<std::size_t> descriptors;
    const unsigned cycles = SoakCycles();
    for (unsigned cycle = 0; cycle < cycles; ++cycle) {
        bed.Unplug(FIRST);
        ASSERT_TRUE(waitFor(handles(0)))
            << "cycle " << cycle << ": the dead handle stays open; the tool holds"
            << NodesAndSockets(tool.Pid());
        // The bed counts a close as soon as the connection behind the descriptor goes, a moment
        // before the descriptor itself.
        EXPECT_TRUE(Eventually([&] { return HeldNodes(tool.Pid()) == 0; })) << "cycle " << cycle;

        // Cleared so that the log copies each wait makes stay short.
        bed.WithReader(FIRST, [](VirtualReader& reader) { reader.ClearLog(); });
        bed.Plug(FIRST);
        ASSERT_TRUE(waitFor(loaded))
            << "cycle " << cycle << ": not loaded again; requests " << Commands(bed.Log(FIRST))
            << (tool.Running() ? "" : "; the tool ended");
        ASSERT_TRUE(waitFor(handles(1)))
            << "cycle " << cycle << ": " << bed.Opens(FIRST) << " opened, " << bed.Closes(FIRST)
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
    ExpectEndsOnSigterm(tool);
}

// A second start for the same user and display hands over to the running window and ends at
// once with 0; with another runtime folder (another session) it runs a window of its own.
TEST_F(ToolEndToEnd, ASecondStartHandsOverToTheRunningWindow) {
    ToolProcess first(ZRT_TOOL_PATH);
    ASSERT_TRUE(WaitForCommands(bed, first, FIRST, 0, "McM"));

    ToolProcess second(ZRT_TOOL_PATH);
    EXPECT_TRUE(EndsWith(second, 0)) << "the second start";
    EXPECT_TRUE(first.Running());

    OwnRuntimeFolder otherSession;
    ToolProcess third(ZRT_TOOL_PATH);
    EXPECT_FALSE(third.WaitForEnd(std::chrono::milliseconds(1500)).has_value())
        << "a window of another session must not hand over";
}

// Two starts in the same instant, again and again: each time one of them runs the window, and the
// other hands over to it and ends with 0.
TEST_F(ToolEndToEnd, OfTwoStartsInTheSameInstantOneRunsTheWindow) {
    for (int round = 0; round < 8; ++round) {
        ToolProcess starts[2] = {ToolProcess(ZRT_TOOL_PATH), ToolProcess(ZRT_TOOL_PATH)};
        std::optional<int> status;
        int ended = 0;
        const auto deadline = std::chrono::steady_clock::now() + DEADLINE;
        while (!status && std::chrono::steady_clock::now() < deadline) {
            for (ended = 0; ended < 2 && !status; ended += status ? 0 : 1) {
                status = starts[ended].WaitForEnd(10ms);
            }
        }
        ASSERT_TRUE(status.has_value()) << "round " << round << ": both run a window";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "round " << round;
        ToolProcess& window = starts[1 - ended];
        EXPECT_FALSE(window.WaitForEnd(300ms).has_value()) << "round " << round;
        window.Signal(SIGTERM);
        EXPECT_TRUE(EndsWith(window, 0)) << "round " << round;
    }
    EXPECT_TRUE(WaitForHandles(bed, FIRST, 0));
}

TEST_F(ToolEndToEnd, WithoutAGraphicalSessionItSaysSoAndEndsWith1) {
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const std::string errors = runtime.Path() + "/errors";
    ToolProcess tool(ZRT_TOOL_PATH, errors.c_str());
    EXPECT_TRUE(EndsWith(tool, 1));
    std::stringstream text;
    text << std::ifstream(errors).rdbuf();
    EXPECT_EQ(text.str(), "zrt-vivoraz: no graphical session (DISPLAY is not set)\n");
}

}  // namespace
}  // namespace zrt::sim
