// End to end: the real program zrt-vivoraz, started as a child process on the offscreen Qt
// platform, against virtual readers that the umockdev bed presents to its hidraw backend. The test
// sees the tool only from outside: the requests the readers receive, byte for byte, and the
// handles the bed counts on each node. It checks the load at start ("M" then "c"), the identity
// poll, that the tool lets go of an unplugged reader and keeps searching, that it loads a reader
// plugged in later, that it holds one handle per open reader and leaks none, and that it ends on
// SIGTERM the normal way (exit code 0) with every handle closed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "config/reader_config.hpp"
#include "link/zrhid.hpp"
#include "sim/umockdev_bed.hpp"
#include "tests/app/tool_process.hpp"

namespace zrt::sim {
namespace {

// The two requests the tool may send without the user: 63-byte reports 0x41 carrying a frame of
// length 5 with the command and its CRC-16/MODBUS, least significant byte first.
std::vector<std::uint8_t> ShortReport(std::initializer_list<std::uint8_t> head) {
    std::vector<std::uint8_t> report(head);
    report.resize(link::SHORT_REPORT_SIZE, 0);
    return report;
}
const std::vector<std::uint8_t> READ_INFO_REQUEST =
    ShortReport({0x41, 0x05, 0x00, 0x4D, 0xA1, 0xF4});
const std::vector<std::uint8_t> READ_CONFIG_REQUEST =
    ShortReport({0x41, 0x05, 0x00, 0x63, 0x21, 0xE8});

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

TEST(ToolEndToEnd, LoadsPollsLetsGoOfAnUnpluggedReaderSearchesOnAndEndsWithEveryHandleClosed) {
    constexpr unsigned FIRST = 0;   // /dev/hidraw0: model 1175, product identifier 81
    constexpr unsigned SECOND = 1;  // /dev/hidraw1: model 141, product identifier 65
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("ZRT_LANG", "pl", 1);  // the texts checked are the Polish ones, whatever the locale
    OwnRuntimeFolder runtime;
    UmockdevBed bed;
    bed.AddReader(FIRST,
                  VirtualReader({1175, 4242, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51));
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

    // SIGTERM, as at logout, ends the tool the normal way: windows first, then the reader lists
    // close their handles, exit code 0. It was running until then.
    ASSERT_TRUE(tool.Running());
    tool.Signal(SIGTERM);
    const std::optional<int> status = tool.WaitForEnd(DEADLINE);
    ASSERT_TRUE(status.has_value()) << "the tool did not end on SIGTERM";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
    EXPECT_TRUE(WaitForHandles(bed, FIRST, 0));
    EXPECT_TRUE(WaitForHandles(bed, SECOND, 0));

    ExpectOnlyTheTwoReads(bed.Log(FIRST), "hidraw0");
}

// A second start for the same user and display hands over to the running window and ends at
// once with 0; with another runtime folder (another session) it runs a window of its own.
TEST(ToolEndToEnd, ASecondStartHandsOverToTheRunningWindow) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    OwnRuntimeFolder runtime;
    UmockdevBed bed;
    bed.AddReader(0, VirtualReader({1175, 4242, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51));
    ToolProcess first(ZRT_TOOL_PATH);
    ASSERT_TRUE(WaitForCommands(bed, first, 0, 0, "McM"));

    ToolProcess second(ZRT_TOOL_PATH);
    const std::optional<int> status = second.WaitForEnd(DEADLINE);
    ASSERT_TRUE(status.has_value()) << "the second start did not end";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
    EXPECT_TRUE(first.Running());

    OwnRuntimeFolder otherSession;
    ToolProcess third(ZRT_TOOL_PATH);
    EXPECT_FALSE(third.WaitForEnd(std::chrono::milliseconds(1500)).has_value())
        << "a window of another session must not hand over";
}

TEST(ToolEndToEnd, WithoutAGraphicalSessionItSaysSoAndEndsWith1) {
    OwnRuntimeFolder runtime;
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const std::string errors = runtime.Path() + "/errors";
    ToolProcess tool(ZRT_TOOL_PATH, errors.c_str());
    const std::optional<int> status = tool.WaitForEnd(DEADLINE);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << "status " << *status;
    std::stringstream text;
    text << std::ifstream(errors).rdbuf();
    EXPECT_EQ(text.str(), "zrt-vivoraz: no graphical session (DISPLAY is not set)\n");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace
}  // namespace zrt::sim
