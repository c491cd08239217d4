// End to end on Windows calls: the Windows program zrt_win_e2e_client.exe (cross-built) runs under
// wine inside the umockdev bed, whose virtual readers wine's winebus presents as HID devices, and
// this test checks what the readers received: the search's choice and that no foreign interface
// gets a feature request, the commands byte for byte, unplugging and plugging in again, and two
// programs sharing a reader through its lock. One wine prefix serves every case.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/hid_vp_tab.hpp"
#include "sim/umockdev_bed.hpp"
#include "sim/virtual_platform.hpp"
#include "tests/link/win_e2e_data.hpp"

namespace zrt::link {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr unsigned READER_51 = 0;  // listed first
constexpr unsigned FOREIGN = 1;
constexpr unsigned READER_41 = 2;

const std::array<std::uint8_t, 16> STORED = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                                             0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};

sim::VirtualReader NewReader(std::uint16_t productId) {
    return sim::VirtualReader(ReaderInfo{151, 4242, 0x0104}, STORED, productId);
}

// Runs a shell command in the bed (this process's environment: preload, UMOCKDEV_DIR, WINEPREFIX).
int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A Windows program started under wine, its standard output read line by line.
class WinProgram {
  public:
    explicit WinProgram(const std::string& arguments)
        : pipe_(popen(("wine " ZRT_WIN_E2E_CLIENT " " + arguments + " 2>/dev/null").c_str(), "r")) {
    }
    ~WinProgram() {
        if (pipe_ != nullptr) {
            pclose(pipe_);
        }
    }
    std::string Line() {
        char line[256];
        if (pipe_ == nullptr || std::fgets(line, sizeof(line), pipe_) == nullptr) {
            return "<end>";
        }
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        return text;
    }

  private:
    FILE* pipe_;
};

std::string RunWin(const std::string& arguments) {
    return WinProgram(arguments).Line();
}

// CPU time (user + system, clock ticks) of every wine process of this machine now.
long WineCpuTicks() {
    long ticks = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        if (!std::getline(stat, text)) {
            continue;
        }
        const auto open = text.find('(');
        const auto close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        const std::string name = text.substr(open + 1, close - open - 1);
        if (name.find("wine") == std::string::npos && name.find(".exe") == std::string::npos) {
            continue;
        }
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        long utime = 0;
        long stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14) {
                utime = std::atol(field.c_str());
            } else if (i == 15) {
                stime = std::atol(field.c_str());
            }
        }
        ticks += utime + stime;
    }
    return ticks;
}

class WinEndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        bed = new sim::UmockdevBed();
        bed->AddReader(READER_51, NewReader(PRODUCT_ID_51));
        bed->AddForeign(FOREIGN, 0x046D, 0xC31C);
        bed->AddReader(READER_41, NewReader(PRODUCT_ID_41));
        char pattern[] = "/tmp/zrt-wine-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        prefix = pattern;
        setenv("WINEPREFIX", pattern, 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        // Every wine process, the wineserver first, runs in the bed; wine's SDL backend is turned
        // off so that winebus presents hidraw devices.
        ASSERT_EQ(Shell("wineserver -p >/dev/null 2>&1 && wineboot -i >/dev/null 2>&1"), 0);
        ASSERT_EQ(Shell("wine reg add 'HKLM\\System\\CurrentControlSet\\Services\\winebus' /v "
                        "'Enable SDL' /t REG_DWORD /d 0 /f >/dev/null 2>&1"),
                  0);
        ASSERT_EQ(Shell("wineserver -k; wineserver -w; wineserver -p >/dev/null 2>&1 && "
                        "wine cmd /c exit >/dev/null 2>&1"),
                  0);
        // winebus opens the nodes first and presents them some milliseconds later: ready once a
        // search picks product 65 (a search that preferred 81, listed first, never would be).
        const auto deadline = std::chrono::steady_clock::now() + seconds{30};
        while (!ready && std::chrono::steady_clock::now() < deadline) {
            ready = RunWin("search") == "41";
        }
    }
    static void TearDownTestSuite() {
        Shell("wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1");
        std::filesystem::remove_all(prefix);
        delete bed;
        bed = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(ready) << "winebus never opened the reader";
        bed->WithReader(READER_41, [](sim::VirtualReader& reader) { reader.ClearLog(); });
        bed->WithReader(READER_51, [](sim::VirtualReader& reader) { reader.ClearLog(); });
    }

    static inline sim::UmockdevBed* bed = nullptr;
    static inline std::string prefix;
    static inline bool ready = false;
};

TEST_F(WinEndToEnd, TheSearchPicksProduct65AndLeavesForeignInterfacesAlone) {
    EXPECT_EQ(RunWin("search"), "41");
    EXPECT_EQ(bed->FeatureCalls(FOREIGN), 0u);
    EXPECT_TRUE(bed->Log(READER_51).empty()) << "product 81 is not searched, let alone asked";
}

// The reports that reach the reader are those the same commands give on the in-process platform.
TEST_F(WinEndToEnd, CommandsReachTheReaderByteForByte) {
    ASSERT_EQ(RunWin("commands"), "ok");
    sim::VirtualReader reference = NewReader(PRODUCT_ID_41);
    sim::VirtualPlatform platform;
    platform.AddReader(reference);
    HidVPTab list(platform);
    ASSERT_EQ(list.Enumerate(VENDOR_ID, PRODUCT_ID_41), 1u);
    ZrHID zr(platform, PRODUCT_ID_41);
    zr.handle = list.Handle(0);
    zr.ReadInfo();
    std::array<std::uint8_t, CONFIG_RECORD_SIZE> record{};
    zr.ReadConfig(record);
    zr.WriteConfig(e2e::RECORD);
    zr.UpgradeBegin(e2e::Header().data());
    zr.UpgradeBlock(0, e2e::Block().data());

    const std::vector<sim::Request> log = bed->Log(READER_41);
    ASSERT_EQ(log.size(), reference.Log().size());
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].report, reference.Log()[i].report) << "request " << i;
        EXPECT_TRUE(log[i].answered) << "request " << i;
    }
    EXPECT_EQ(log.back().report.size(), LONG_REPORT_SIZE);
}

TEST_F(WinEndToEnd, AnUnpluggedReaderFailsWithCode1AndIsFoundAgainWhenPluggedIn) {
    {
        WinProgram polling("poll");
        ASSERT_EQ(polling.Line(), "ready");
        bed->Unplug(READER_41);
        EXPECT_EQ(polling.Line(), "1");
    }
    EXPECT_EQ(RunWin("search"), "51") << "only product 81 is left";
    // wine presents a plugged-in device some milliseconds after the bed's "add" uevent. On a
    // loaded machine its winebus now and then misses an "add" that follows a "remove" closely
    // (seen once in three fresh runs, never with the tool's own window test); a second plug-in,
    // as a user would try, then brings it. The search must find it either way.
    const auto pluggedIn = [] {
        bed->Plug(READER_41);
        const auto deadline = std::chrono::steady_clock::now() + seconds{10};
        std::string found;
        while (found != "41" && std::chrono::steady_clock::now() < deadline) {
            found = RunWin("search");
        }
        return found;
    };
    std::string found = pluggedIn();
    if (found != "41") {
        std::printf("wine missed the plug-in; plugging in once more\n");
        bed->Unplug(READER_41);
        std::this_thread::sleep_for(milliseconds{500});
        found = pluggedIn();
    }
    EXPECT_EQ(found, "41");
}

// Two programs on one reader, each waiting for the other through the reader's lock: no reply goes
// to the wrong one.
TEST_F(WinEndToEnd, TwoProgramsShareTheReaderThroughItsLock) {
    WinProgram first("hammer 2000");
    WinProgram second("hammer 2000");
    EXPECT_EQ(first.Line(), "bad=0 other=0");
    EXPECT_EQ(second.Line(), "bad=0 other=0");
    EXPECT_EQ(bed->Log(READER_41).size(), 4000u);
}

// The command-line program zrt-vivoraz-cli.exe (a static console program) lists both readers and
// shows the one picked, as on Linux.
TEST_F(WinEndToEnd, TheCommandLineProgramListsAndShows) {
    const auto run = [](const std::string& arguments) {
        std::string output;
        FILE* pipe = popen(("wine " ZRT_WIN_CLI " " + arguments + " 2>&1").c_str(), "r");
        char chunk[512];
        while (pipe != nullptr && std::fgets(chunk, sizeof chunk, pipe) != nullptr) {
            output += chunk;
        }
        if (pipe != nullptr) {
            pclose(pipe);
        }
        output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
        return output;
    };
    const std::string list = run("list");
    // Product 65 first; both with the identity from "M".
    const std::size_t first = list.find("0x0041  Zr-T51  serial 04242  firmware 260\n");
    const std::size_t second = list.find("0x0051  Zr-T51  serial 04242  firmware 260\n");
    EXPECT_NE(first, std::string::npos) << list;
    EXPECT_NE(second, std::string::npos) << list;
    EXPECT_LT(first, second) << list;
    EXPECT_NE(list.find("vid_13ab"), std::string::npos) << "Windows device paths: " << list;

    // The record the reader holds now (an earlier case may have written another).
    std::string record;
    bed->WithReader(READER_41, [&](sim::VirtualReader& reader) {
        for (std::uint8_t byte : reader.record) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned>(byte));
            record += hex;
        }
    });
    const std::string show = run("show");
    EXPECT_NE(show.find("record   " + record + "\n"), std::string::npos) << show;
    EXPECT_EQ(bed->FeatureCalls(FOREIGN), 0u);
}

// Not a check: the time of one search of both lists through the Windows calls, and the CPU that
// the wine processes used meanwhile.
TEST_F(WinEndToEnd, SearchTime) {
    const long before = WineCpuTicks();
    const auto start = std::chrono::steady_clock::now();
    const std::string result = RunWin("bench 200");
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = static_cast<double>(WineCpuTicks() - before) / sysconf(_SC_CLK_TCK);
    ASSERT_EQ(result.rfind("us=", 0), 0u) << result;
    std::printf("search: %s microseconds; run %.2f s wall, wine processes %.2f s CPU\n",
                result.substr(3).c_str(), wall, cpu);
    RecordProperty("search_us", result.substr(3));
}

}  // namespace
}  // namespace zrt::link
