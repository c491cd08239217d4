// The trace for support: the stamps (local wall-clock time to the millisecond, from an injected
// clock), the header, the lines kept in memory and their bound, the file (its owner's only, a
// separator between runs, moved to FILE.1 past its limit), and the readers' lines over the virtual
// reader: the devices' short names, the search, the exchanges with every frame byte, the fold of
// repeated exchanges and searches and what breaks it, the reason of a failed read, and the
// upgrade's data replaced by its length and CRC-32.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "link/crc.hpp"
#include "link/hid_vp_tab.hpp"
#include "link/trace.hpp"
#include "link/trace_platform.hpp"
#include "link/zrhid.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::link {
namespace {

constexpr std::int64_t DEC_8_2026 = 1796709114123;  // 2026-12-08 05:51:54.123 UTC

// A clock the test moves.
struct TestClock {
    TraceTime now{DEC_8_2026, 60};
    TraceClock Get() {
        return [this] { return now; };
    }
};

std::string ReadFile(const std::string& name) {
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(TraceTimes, AreLocalWallClockTimesToTheMillisecond) {
    const struct {
        TraceTime time;
        const char* local;
        const char* offset;
    } cases[] = {
        {{0, 0}, "1970-01-01 00:00:00.000", "+00:00"},
        {{DEC_8_2026, 60}, "2026-12-08 06:51:54.123", "+01:00"},
        {{DEC_8_2026 + 7, -330}, "2026-12-08 00:21:54.130", "-05:30"},
        {{1709251199999, 0}, "2024-02-29 23:59:59.999", "+00:00"},  // a leap day's last ms
        {{1709251199999, 1}, "2024-03-01 00:00:59.999", "+00:01"},
        {{-1, 0}, "1969-12-31 23:59:59.999", "+00:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LocalTimeText(c.time), c.local) << c.time.utcMs;
        EXPECT_EQ(OffsetText(c.time.offsetMinutes), c.offset);
    }
}

TEST(TraceHeader, NamesProgramBuildSystemLanguageStartAndCommandLine) {
    const ProgramFacts facts{
        "zrt-vivoraz-cli",
        "1.9",
        "412",
        "Debian GNU/Linux 12; Linux 6.1",
        "en",
        CommandLineText("zrt-vivoraz-cli", {"--trace", "my trace.txt", "", "a\"b", "list"})};
    EXPECT_EQ(HeaderText(facts, {DEC_8_2026, 60}),
              "==== zrt-vivoraz-cli 1.9, build 412 ====\n"
              "started:      2026-12-08 06:51:54.123 +01:00\n"
              "system:       Debian GNU/Linux 12; Linux 6.1\n"
              "language:     en\n"
              "command line: zrt-vivoraz-cli --trace \"my trace.txt\" \"\" \"a\"\"b\" list\n");
    // The facts of this very program: its version, and a system that is named.
    const ProgramFacts own = ThisProgram("p", "pl", "p");
    EXPECT_EQ(own.version, "1.9");
    EXPECT_TRUE(std::regex_match(own.build, std::regex("[0-9]+"))) << own.build;
    EXPECT_FALSE(own.system.empty());
}

TEST(TraceLines, AreStampedAndTheLastOnesKept) {
    TestClock clock;
    Trace trace(clock.Get(), 3);
    trace.Start({"zrt-vivoraz", "1.9", "7", "S", "pl", "zrt-vivoraz"});
    EXPECT_NE(trace.Header().find("==== zrt-vivoraz 1.9, build 7 ===="), std::string::npos);
    EXPECT_TRUE(trace.Lines().empty());
    for (int i = 0; i < 5; ++i) {
        clock.now.utcMs += 1001;
        trace.Line("line " + std::to_string(i));
    }
    EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"2026-12-08 06:51:57.126 line 2",
                                                       "2026-12-08 06:51:58.127 line 3",
                                                       "2026-12-08 06:51:59.128 line 4"}));
}

// The trace file: made for its owner only; a second run's header parted from the first run by a
// blank line; past the limit the file is moved to FILE.1 and begun anew with the header, no line
// lost, no file past the limit.
TEST(TraceFile, IsItsOwnersOnlyPartsTheRunsAndMovesToDot1PastItsLimit) {
    const std::string file = ::testing::TempDir() + "zrt-trace-test.txt";
    std::remove(file.c_str());
    std::remove((file + ".1").c_str());
    TestClock clock;
    const ProgramFacts facts{"zrt-vivoraz", "1.9", "7", "S", "pl", "zrt-vivoraz"};
    const std::string header = HeaderText(facts, clock.now);
    for (int run = 0; run < 2; ++run) {
        Trace trace(clock.Get());
        trace.Start(facts);
        std::string error;
        ASSERT_TRUE(trace.OpenFile(file, error)) << error;
        trace.Line("run " + std::to_string(run));
    }
    EXPECT_EQ(ReadFile(file), header + "2026-12-08 06:51:54.123 run 0\n\n" + header +
                                  "2026-12-08 06:51:54.123 run 1\n");
#ifndef _WIN32
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
#endif

    constexpr std::uintmax_t LIMIT = 1000;
    std::filesystem::remove(file);
    Trace trace(clock.Get());
    trace.Start(facts);
    std::string error;
    ASSERT_TRUE(trace.OpenFile(file, error, LIMIT)) << error;
    std::string written;
    for (int i = 0; i < 40; ++i) {
        const std::string line = "2026-12-08 06:51:54.123 line " + std::to_string(i);
        trace.Line(line.substr(24));
        written += line + "\n";
    }
    const std::string before = ReadFile(file + ".1");
    const std::string now = ReadFile(file);
    EXPECT_LE(before.size(), LIMIT);
    EXPECT_LE(now.size(), LIMIT);
    const std::string resumed = header + "(the lines before are in " + file + ".1)\n";
    ASSERT_EQ(now.substr(0, resumed.size()), resumed);
    ASSERT_EQ(before.substr(0, header.size()), header);
    // FILE.1 holds the lines before the last move; with FILE it ends in every line written.
    const std::string lines = before.substr(header.size()) + now.substr(resumed.size());
    EXPECT_EQ(written.substr(written.size() - lines.size()), lines);
    EXPECT_GT(lines.size(), LIMIT);

    EXPECT_FALSE(trace.OpenFile(::testing::TempDir() + "no/such/folder/trace", error));
    EXPECT_NE(error.find("no/such/folder/trace"), std::string::npos);
}

// The readers' lines over a virtual reader and a foreign device, with the clock standing still
// unless a case moves it.
class TraceOfReaders : public ::testing::Test {
  protected:
    TraceOfReaders() {
        system.AddForeign(HidIds{0x046d, 0xc52b});
        readerId = system.AddReader(reader);
    }
    // Searches, opens the reader and asks its identity `times` times, `stepMs` apart.
    void Identities(ZrHID& zr, int times, std::int64_t stepMs) {
        for (int i = 0; i < times; ++i) {
            clock.now.utcMs += stepMs;
            zr.ReadInfo();
        }
    }
    // The lines after the stamp.
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const std::string& line : trace.Lines()) {
            texts.push_back(line.substr(24));
        }
        return texts;
    }

    sim::VirtualReader reader{ReaderInfo{1175, 4242, 12}, {}, PRODUCT_ID_51};
    sim::VirtualPlatform system;
    sim::VirtualPlatform::InterfaceId readerId = 0;
    TestClock clock;
    Trace trace{clock.Get()};
};

TEST_F(TraceOfReaders, NameDevicesInFullOnceAndFoldRepeatedSearches) {
    TracePlatform traced(system, trace);
    HidVPTab list(traced);
    for (int search = 0; search < 3; ++search) {
        clock.now.utcMs += 100;
        ASSERT_EQ(list.Enumerate(VENDOR_ID, PRODUCT_ID_51), 1u);
    }
    system.Unplug(readerId);
    list.Enumerate(VENDOR_ID, PRODUCT_ID_51);
    const std::string foreign = system.PathOf(0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "search 2: d1=" + foreign + " 046d:c52b, d2=" + system.PathOf(readerId) +
                               " 13ab:0051",
                           "d2 opened", "d2 ids 13ab:0051",
                           "search found the same 2 times in 0.2 s", "search 1: d1 046d:c52b"}));
}

// Repeated exchanges are counted, and a fold's line goes out before any other line, at the end,
// and once a minute; a change (another reply) is written in full.
TEST_F(TraceOfReaders, FoldRepeatedExchangesUntilSomethingChanges) {
    const struct {
        const char* name;
        int before;                      // identities asked, 100 ms apart
        bool change;                     // then the reader answers otherwise (another serial), once
        int after;                       // then identities asked again
        std::vector<std::string> folds;  // the fold lines, in order
    } cases[] = {
        {"one exchange", 1, false, 0, {}},
        {"repeats", 5, false, 0, {"d1 M answered the same 4 times in 0.4 s"}},
        {"a change breaks the fold",
         3,
         true,
         3,
         {"d1 M answered the same 2 times in 0.2 s", "d1 M answered the same 2 times in 0.2 s"}},
        {"a minute's fold is written",
         702,
         false,
         0,
         {"d1 M answered the same 600 times in 60.0 s",
          "d1 M answered the same 101 times in 10.1 s"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Trace caseTrace(clock.Get());
        sim::VirtualPlatform plain;
        sim::VirtualReader one(ReaderInfo{1175, 4242, 12}, {}, PRODUCT_ID_51);
        plain.AddReader(one);
        {
            TracePlatform traced(plain, caseTrace);
            HidVPTab list(traced);
            ASSERT_EQ(list.Enumerate(VENDOR_ID, PRODUCT_ID_51), 1u);
            ZrHID zr(traced, PRODUCT_ID_51);
            zr.handle = list.Handle(0);
            Identities(zr, c.before, 100);
            if (c.change) {
                one.info.serial = 4243;
                Identities(zr, 1, 100);
                one.info.serial = 4242;
            }
            Identities(zr, c.after, 100);
        }
        std::vector<std::string> folds;
        int sent = 0;
        for (const std::string& line : caseTrace.Lines()) {
            if (line.find(" the same ") != std::string::npos) {
                folds.push_back(line.substr(24));
            }
            sent += line.find(" send ") != std::string::npos ? 1 : 0;
        }
        EXPECT_EQ(folds, c.folds);
        // Written in full: the first, the changed one and the one after it.
        EXPECT_EQ(sent, c.change ? 3 : 1);
    }
}

TEST_F(TraceOfReaders, WriteEveryFrameByteTheReasonOfAFailureAndOnlyAHashOfUpgradeData) {
    const std::uint8_t code[UPGRADE_CODE_SIZE] = {0xde, 0xad, 0xbe, 0xef, 1, 2, 3, 4};
    {
        TracePlatform traced(system, trace);
        HidVPTab list(traced);
        ASSERT_EQ(list.Enumerate(VENDOR_ID, PRODUCT_ID_51), 1u);
        ZrHID zr(traced, PRODUCT_ID_51);
        zr.handle = list.Handle(0);
        zr.ReadInfo();
        reader.AddFault(sim::Fault(sim::FaultKind::NoReply));
        EXPECT_THROW(zr.ReadInfo(), ZrHIDErr);
        try {
            zr.UpgradeCode(code);
        } catch (const ZrHIDErr&) {
            // out of order for the reader: only the request's line matters
        }
    }
    const std::vector<std::string> texts = Texts();
    ASSERT_GE(texts.size(), 8u);
    // The identity request's frame: report 0x41 of 63 bytes, length 5, "M", CRC-16; the reply's
    // model word and serial number.
    EXPECT_EQ(texts[3].substr(0, 27), "d2 send 63: 41 05 00 4d a1 ");
    EXPECT_TRUE(std::regex_match(texts[3], std::regex("d2 send 63: 41 05 00 4d( [0-9a-f]{2}){2}")))
        << texts[3];
    EXPECT_TRUE(std::regex_match(
        texts[4], std::regex("d2 recv 63: 41 0b 00 cd 97 04 92 10 0c 00( [0-9a-f]{2}){2}")))
        << texts[4];
    EXPECT_EQ(texts[5].substr(0, 27), texts[3].substr(0, 27));
    EXPECT_EQ(texts[6].substr(0, 16), "d2 recv failed: ") << texts[6];
    char hashed[64];
    std::snprintf(hashed, sizeof hashed, "[8 bytes #%08x]",
                  static_cast<unsigned>(Crc32(code, sizeof code, 0xFFFFFFFF)));
    EXPECT_TRUE(std::regex_match(
        texts[7],
        std::regex("d2 send 63: 41 0d 00 79 \\[8 bytes #[0-9a-f]{8}\\]( [0-9a-f]{2}){2}")))
        << texts[7];
    EXPECT_NE(texts[7].find(hashed), std::string::npos) << texts[7];
    EXPECT_EQ(texts[7].find("de ad be ef"), std::string::npos);
}

// A send waits for its reply to be folded with it; one whose device is closed first is written at
// the close, under that device's name.
TEST_F(TraceOfReaders, WriteASendWithoutItsReplyWhenItsDeviceCloses) {
    TracePlatform traced(system, trace);
    OpenError why = OpenError::None;
    const HidHandle handle = traced.Open(system.PathOf(readerId), why);
    ASSERT_NE(handle, INVALID_HID_HANDLE);
    const std::uint8_t frame[4] = {0x41, 0x01, 0x00, 0x4d};
    ASSERT_TRUE(traced.SetFeature(handle, frame, sizeof frame));
    traced.Close(handle);
    ASSERT_FALSE(trace.Lines().empty());
    EXPECT_EQ(Texts().back(), "d1 send 4: 41 01 | 00 4d");
}

// A platform without change signals, or a system that refused them, means a search on every tick:
// the trace says so once. The signals themselves pass through to the platform's.
TEST_F(TraceOfReaders, SayOnceThatChangeSignalsAreMissingOrRefused) {
    class WithoutSignals : public sim::VirtualPlatform {
      public:
        HidChangeFlag* Changes() override { return nullptr; }
    };
    WithoutSignals without;
    TracePlatform tracedWithout(without, trace);
    EXPECT_EQ(tracedWithout.Changes(), nullptr);
    EXPECT_EQ(tracedWithout.Changes(), nullptr);
    TracePlatform traced(system, trace);
    HidChanges* changes = traced.Changes();
    ASSERT_NE(changes, nullptr);
    EXPECT_EQ(traced.Changes(), changes);
    changes->TakeChanged();
    changes->WatchRefused();
    changes->WatchRefused();
    EXPECT_TRUE(system.Changes()->TakeChanged()) << "refused on the platform itself";
    EXPECT_EQ(Texts(), (std::vector<std::string>{"no change signals: every tick searches",
                                                 "change signals refused: every tick searches"}));
}

}  // namespace
}  // namespace zrt::link
