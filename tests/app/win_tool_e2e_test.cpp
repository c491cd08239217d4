// End to end on Windows: the real zrt-vivoraz.exe of the Windows build runs under wine inside the
// umockdev bed, on an Xvfb display of its own, against a virtual reader that wine's winebus
// presents as a HID device. The test sees the program from outside: the requests the reader
// receives, byte for byte, and the controls as win_probe.exe (run beside it) reads them; it types
// on the display with xdotool. Checked: the load at start ("M" then "c") and the record in the
// controls; Tab from the text box to the write button and Space write a "C" carrying the record the
// controls give, then its read-back; unplugging shows the not-connected presentation and plugging
// in loads again. A second start while the window is minimised restores it to the front and ends
// with status 0, no second window made. With ZRT_WIN_UPGRADE_TOOL (a build whose images are newer than the reader's
// firmware): the question, Yes, the upload Z, Y 0..N-1, y, z, and the progress window shown while
// its bar moves.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/reader_config.hpp"
#include "link/zrhid.hpp"
#include "sim/umockdev_bed.hpp"

namespace zrt::sim {
namespace {

using namespace std::chrono_literals;

constexpr auto DEADLINE = 30s;
constexpr unsigned READER = 0;
// Newer than the shipped placeholder images (version 0), older than the upgrade build's.
constexpr std::uint16_t READER_FIRMWARE = 0x0104;

// Dec (whole number), Enter, Mifare, S0 TAB, S3 F1 with left Shift.
constexpr config::ReaderConfig RECORD = {0xE0, 0x80, 0x04, 0x00, 0x2B, 0x00, 0x01, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x3A, 0x02, 0,    0};

std::vector<std::uint8_t> ShortReport(std::initializer_list<std::uint8_t> head) {
    std::vector<std::uint8_t> report(head);
    report.resize(link::SHORT_REPORT_SIZE, 0);
    return report;
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
            text.append(buffer, n);
        }
        pclose(pipe);
    }
    return text;
}

std::string Commands(const std::vector<Request>& log, std::size_t from = 0) {
    std::string letters;
    for (std::size_t i = from; i < log.size(); ++i) {
        letters += static_cast<char>(log[i].command);
    }
    return letters;
}

struct ControlState {
    bool visible = false;
    bool enabled = false;
    long value = 0;
    std::string text;
};

// The controls of both windows as win_probe.exe reads them, by name; "focus" holds the name of
// the focused control as its text. Empty while the main window is not there.
std::map<std::string, ControlState> Probe() {
    std::map<std::string, ControlState> controls;
    std::istringstream lines(Output("wine " ZRT_WIN_PROBE " 2>/dev/null"));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t')) {
            fields.push_back(field);
        }
        if (fields.size() == 2) {
            controls[fields[0]].text = fields[1];
        } else if (fields.size() >= 4) {
            controls[fields[0]] = {fields[1] == "1", fields[2] == "1", std::atol(fields[3].c_str()),
                                   fields.size() > 4 ? fields[4] : ""};
        }
    }
    return controls;
}

// Probes until `condition` holds for the controls; true when it did before the deadline.
template <class Condition>
bool ProbeUntil(Condition condition, std::map<std::string, ControlState>* last = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + DEADLINE;
    std::map<std::string, ControlState> controls;
    do {
        controls = Probe();
        if (!controls.empty() && condition(controls)) {
            break;
        }
        std::this_thread::sleep_for(50ms);
    } while (std::chrono::steady_clock::now() < deadline);
    if (last != nullptr) {
        *last = controls;
    }
    return !controls.empty() && condition(controls);
}

// Every settings control shows what `state` holds.
void ExpectShown(const config::ConfigState& state, std::map<std::string, ControlState>& c) {
    EXPECT_EQ(c["DecGrp"].value, state.formatIndex);
    EXPECT_EQ(c["SizeGrp"].value, state.sizeIndex);
    EXPECT_EQ(c["InvChkBx"].value, state.reversed ? 1 : 0);
    EXPECT_EQ(c["MifareChkBx"].value, state.mifare ? 1 : 0);
    EXPECT_EQ(c["IcodeChkBx"].value, state.icode ? 1 : 0);
    EXPECT_EQ(c["EnterChkBx"].value, state.enterAtEnd ? 1 : 0);
    const char* modifiers[] = {"_01", "_02", "_04", "_10", "_20", "_40"};
    for (int row = 0; row < config::ROW_COUNT; ++row) {
        const config::KeyRowState& r = state.rows[static_cast<std::size_t>(row)];
        const std::string s = "S" + std::to_string(row);
        EXPECT_EQ(c[s + "ChkBx"].value, r.send ? 1 : 0) << row;
        EXPECT_EQ(c[s + "Cb"].value, r.keyIndex) << row;
        for (std::size_t m = 0; m < r.modifiers.size(); ++m) {
            EXPECT_EQ(c[s + "ChkBx" + modifiers[m]].value, r.modifiers[m] ? 1 : 0) << row << m;
        }
    }
}

// One bed, one display and one wine prefix for every case: making a prefix takes seconds.
class WinToolEndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        bed = new UmockdevBed();
        bed->AddReader(READER,
                       VirtualReader({151, 4242, READER_FIRMWARE}, RECORD, link::PRODUCT_ID_41));
        char folder[] = "/tmp/zrt-xvfb-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        xvfbDir = folder;
        // The display server stays outside the bed; it writes its display number when it is ready.
        ASSERT_EQ(Shell("env -u LD_PRELOAD Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp "
                        "3>" +
                        xvfbDir + "/display >/dev/null 2>&1 & echo $! >" + xvfbDir + "/pid"),
                  0);
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + DEADLINE;
        while (number.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
            number = Output("cat " + xvfbDir + "/display");
        }
        ASSERT_NE(number.find('\n'), std::string::npos) << "Xvfb did not start";
        setenv("DISPLAY", (":" + number.substr(0, number.find('\n'))).c_str(), 1);

        char pattern[] = "/tmp/zrt-wine-tool-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        prefix = pattern;
        setenv("WINEPREFIX", pattern, 1);
        setenv("WINEDEBUG", "-all", 1);
        // The texts checked are the Polish ones, whatever wine's interface language.
        setenv("ZRT_LANG", "pl", 1);
        // Every wine process, the wineserver first, runs in the bed, started again after the
        // prefix is made so that winebus presents hidraw devices.
        ASSERT_EQ(Shell(ZRT_SOURCE_DIR "/scripts/wine-prefix.sh >/dev/null 2>&1"), 0);
        ASSERT_EQ(Shell("wineserver -k; wineserver -w; wineserver -p >/dev/null 2>&1 && "
                        "wine cmd /c exit >/dev/null 2>&1"),
                  0);
    }
    static void TearDownTestSuite() {
        Shell("wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1");
        std::filesystem::remove_all(prefix);
        Shell("kill $(cat " + xvfbDir + "/pid) 2>/dev/null");
        std::filesystem::remove_all(xvfbDir);
        delete bed;
        bed = nullptr;
    }
    void TearDown() override {
        // The program ends with its prefix's processes; the services start again on demand.
        Shell(
            "wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; "
            "wineserver -p >/dev/null 2>&1");
        if (!bed->IsPlugged(READER)) {
            bed->Plug(READER);
        }
        bed->WithReader(READER, [](VirtualReader& reader) {
            reader.record = RECORD;
            reader.ClearLog();
        });
    }
    static void StartTool(const char* path) {
        ASSERT_EQ(Shell(std::string("wine ") + path + " >/dev/null 2>&1 &"), 0);
    }
    static void Key(const std::string& keys) {
        Shell("xdotool search --name '^ZrT_VivoRaz 1.9$' windowfocus --sync key --delay 50 " +
              keys + " >/dev/null 2>&1");
    }
    // Waits until the reader's log from `from` on begins with `expected`.
    static bool WaitForCommands(std::size_t from, const std::string& expected) {
        bed->WaitUntil([&] { return Commands(bed->Log(READER), from).size() >= expected.size(); },
                       DEADLINE);
        return Commands(bed->Log(READER), from).substr(0, expected.size()) == expected;
    }

    static inline UmockdevBed* bed = nullptr;
    static inline std::string prefix;
    static inline std::string xvfbDir;
};

TEST_F(WinToolEndToEnd, LoadsShowsWritesByTabAndSpaceAndFollowsUnplugAndPlug) {
    StartTool(ZRT_WIN_TOOL);
    // winebus presents the reader some time after the program starts searching.
    ASSERT_TRUE(WaitForCommands(0, "Mc")) << "requests: " << Commands(bed->Log(READER));
    const std::vector<Request> log = bed->Log(READER);
    EXPECT_EQ(log[0].report, ShortReport({0x41, 0x05, 0x00, 0x4D, 0xA1, 0xF4}));
    EXPECT_EQ(log[1].report, ShortReport({0x41, 0x05, 0x00, 0x63, 0x21, 0xE8}));

    const config::ConfigState state = config::StateFromRecord(RECORD);
    std::map<std::string, ControlState> controls;
    ASSERT_TRUE(ProbeUntil([](auto& c) { return c["WrBtn"].enabled; }, &controls));
    ExpectShown(state, controls);
    EXPECT_EQ(controls["focus"].text, "RapWin");
    if (const char* folder = std::getenv("ZRT_SCREENSHOT_DIR")) {  // to look at, not checked
        Shell(std::string("import -window root ") + folder + "/main.png");
    }
    EXPECT_FALSE(controls["WorkWin"].visible);

    // Tab from the text box to the write button, Space presses it: "C", then the read-back "c".
    const std::size_t before = bed->Log(READER).size();
    bed->WithReader(READER, [](VirtualReader& reader) { reader.record = {}; });
    Key("Tab");
    EXPECT_TRUE(ProbeUntil([](auto& c) { return c["focus"].text == "WrBtn"; }));
    Key("space");
    const auto written = [&] {
        const std::string letters = Commands(bed->Log(READER), before);
        const auto at = letters.find('C');
        return at != std::string::npos && letters.find('c', at) != std::string::npos;
    };
    EXPECT_TRUE(bed->WaitUntil(written, DEADLINE)) << Commands(bed->Log(READER), before);
    config::ReaderConfig stored{};
    bed->WithReader(READER, [&](VirtualReader& reader) { stored = reader.record; });
    EXPECT_EQ(stored, config::RecordFromState(state)) << "the record the controls give";

    // Unplugged: the not-connected presentation; plugged in again: loaded again.
    bed->Unplug(READER);
    EXPECT_TRUE(ProbeUntil([](auto& c) {
        return !c["WrBtn"].enabled && c["RdLbl"].text.find("nie podłączony") != std::string::npos;
    }));
    const std::size_t unplugged = bed->Log(READER).size();
    bed->Plug(READER);
    EXPECT_TRUE(WaitForCommands(unplugged, "Mc")) << Commands(bed->Log(READER), unplugged);
    EXPECT_TRUE(ProbeUntil([](auto& c) { return c["WrBtn"].enabled; }));
    if (const char* folder = std::getenv("ZRT_SCREENSHOT_DIR")) {  // to look at, not checked
        std::this_thread::sleep_for(500ms);
        Shell(std::string("import -window root ") + folder + "/replugged.png");
    }
}

// One window per user: the second start hands over to the running program, whose minimised window
// comes back to the front, and ends with status 0 without a window of its own.
TEST_F(WinToolEndToEnd, ASecondStartBringsTheRunningWindowToTheFrontAndEnds) {
    StartTool(ZRT_WIN_TOOL);
    ASSERT_TRUE(WaitForCommands(0, "Mc")) << "requests: " << Commands(bed->Log(READER));
    ASSERT_TRUE(ProbeUntil([](auto& c) { return c["WrBtn"].enabled; }));
    Output("wine " ZRT_WIN_PROBE " minimise 2>/dev/null");
    ASSERT_TRUE(ProbeUntil([](auto& c) { return c["iconic"].text == "1"; }));

    EXPECT_EQ(Shell(std::string("timeout 60 wine ") + ZRT_WIN_TOOL + " >/dev/null 2>&1"), 0);
    std::map<std::string, ControlState> controls;
    EXPECT_TRUE(ProbeUntil(
        [](auto& c) { return c["iconic"].text == "0" && c["foreground"].text == "1"; }, &controls))
        << "iconic " << controls["iconic"].text << ", foreground " << controls["foreground"].text;
    EXPECT_EQ(controls["windows"].text, "1");
    EXPECT_TRUE(controls["MainWin"].visible);
    EXPECT_EQ(controls["focus"].text, "RapWin") << "the focus is back where it was";
}

// The upgrade build's model-151 image (19 blocks) is newer than the reader's firmware: after the
// load the question comes, Yes (the default, by Enter) uploads it while the progress window shows.
TEST_F(WinToolEndToEnd, TheUpgradeBuildAsksAndYesUploadsWithTheProgressWindowShown) {
    if (!std::filesystem::exists(ZRT_WIN_UPGRADE_TOOL)) {
        GTEST_SKIP() << "no upgrade build: " << ZRT_WIN_UPGRADE_TOOL;
    }
    constexpr int BLOCKS = 19;
    StartTool(ZRT_WIN_UPGRADE_TOOL);
    ASSERT_TRUE(WaitForCommands(0, "Mc")) << "requests: " << Commands(bed->Log(READER));
    // The question box, named by its caption on the display.
    const auto deadline = std::chrono::steady_clock::now() + DEADLINE;
    while (Shell("xdotool search --name '^Upgrade ZR-T51$' >/dev/null 2>&1") != 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(Commands(bed->Log(READER)), "Mc") << "nothing is sent while the question is open";
    Shell("xdotool search --name '^Upgrade ZR-T51$' windowfocus --sync key Return >/dev/null 2>&1");

    // The upload blocks the program's loop, so its bar is seen on the display: once the end
    // command is sent the progress window is shown and its image changes as the bar moves.
    ASSERT_TRUE(WaitForCommands(0, "McZ" + std::string(BLOCKS, 'Y') + "yz"))
        << Commands(bed->Log(READER));
    const std::string shot =
        "import -window \"$(xdotool search --onlyvisible --name '^ZrT_VivoRaz$' | head -1)\" "
        "rgb:- 2>/dev/null | md5sum";
    EXPECT_TRUE(Probe()["WorkWin"].visible);
    const std::string first = Output(shot);
    if (const char* folder = std::getenv("ZRT_SCREENSHOT_DIR")) {  // to look at, not checked
        Shell(std::string("import -window root ") + folder + "/upgrade.png");
    }
    std::this_thread::sleep_for(1s);
    const std::string second = Output(shot);
    EXPECT_NE(first, second) << "the bar did not move on the screen";
    const std::vector<Request> log = bed->Log(READER);
    for (int i = 0; i < BLOCKS; ++i) {
        const auto& report = log[static_cast<std::size_t>(3 + i)].report;
        EXPECT_EQ(report[4] | (report[5] << 8), i) << "block index of upload request " << i;
    }
    EXPECT_TRUE(ProbeUntil([](auto& c) { return !c["WorkWin"].visible; }));
}

}  // namespace
}  // namespace zrt::sim
