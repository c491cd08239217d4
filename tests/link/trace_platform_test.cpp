// The trace for support on a short exchange with the virtual reader: the search line with what the
// search found, and the lines of the identity request and its reply with every byte of both
// reports in lower-case hexadecimal, each line beginning with the milliseconds since the start.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "link/hid_vp_tab.hpp"
#include "link/trace_platform.hpp"
#include "link/zrhid.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"

namespace zrt::link {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The bytes of a report line ("... send 41 05 00 4d ..."), read back.
std::vector<int> Bytes(const std::string& line, const std::string& direction) {
    std::istringstream in(line.substr(line.find(" " + direction + " ") + direction.size() + 2));
    std::vector<int> bytes;
    for (std::string hex; in >> hex;) {
        EXPECT_TRUE(std::regex_match(hex, std::regex("[0-9a-f]{2}"))) << hex;
        bytes.push_back(std::stoi(hex, nullptr, 16));
    }
    return bytes;
}

TEST(Trace, SearchAndIdentityExchangeGiveOneLineEach) {
    sim::VirtualReader reader(ReaderInfo{1175, 4242, 12}, {}, PRODUCT_ID_51);
    sim::VirtualPlatform system;
    system.AddForeign(HidIds{0x046d, 0xc52b});
    const auto readerId = system.AddReader(reader);
    const std::string path = system.PathOf(readerId);
    std::string out;
    {
        TracePlatform trace(
            system, [&](const std::string& line) { out += line; }, TracePlatform::Clock::now());
        HidVPTab list(trace);
        ASSERT_EQ(list.Enumerate(VENDOR_ID, PRODUCT_ID_51), 1u);
        ZrHID zr(trace, PRODUCT_ID_51);
        zr.handle = list.Handle(0);
        zr.ReadInfo();
        reader.AddFault(sim::Fault(sim::FaultKind::NoReply));
        EXPECT_THROW(zr.ReadInfo(), ZrHIDErr);
    }

    const std::vector<std::string> lines = Lines(out);
    ASSERT_EQ(lines.size(), 5u) << out;
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("[0-9]+ search 2: " + system.PathOf(0) +
                                                      " 046d:c52b; " + path + " 13ab:0051 opened")))
        << lines[0];
    const std::regex report("[0-9]+ " + path + " (send|recv)( [0-9a-f]{2})+");
    EXPECT_TRUE(std::regex_match(lines[1], report)) << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], report)) << lines[2];
    // What the reader received and answered, byte for byte, in report 0x41 of 63 bytes.
    const std::vector<int> sent = Bytes(lines[1], "send");
    ASSERT_EQ(sent.size(), 63u);
    EXPECT_EQ(std::vector<int>(sent.begin(), sent.begin() + 4),
              (std::vector<int>{0x41, 0x05, 0x00, 'M'}));
    const std::vector<int> received = Bytes(lines[2], "recv");
    ASSERT_EQ(received.size(), 63u);
    EXPECT_EQ(received[0], 0x41);
    EXPECT_EQ(received[3], 'M' | 0x80);
    EXPECT_EQ(received[4] | received[5] << 8, 1175);  // the model word, then the serial
    EXPECT_EQ(received[6] | received[7] << 8, 4242);
    // No reply: the request sent in full, the failed read said.
    EXPECT_EQ(Bytes(lines[3], "send"), sent);
    EXPECT_TRUE(std::regex_match(lines[4], std::regex("[0-9]+ " + path + " recv failed")))
        << lines[4];
}

// A platform without change signals, or a system that refused them, means a search on every tick:
// the trace says so once. The signals themselves pass through to the platform's.
TEST(Trace, ChangeSignalsMissingOrRefusedAreSaidOnce) {
    class WithoutSignals : public sim::VirtualPlatform {
      public:
        HidChangeFlag* Changes() override { return nullptr; }
    };
    WithoutSignals without;
    sim::VirtualPlatform refusing;
    for (HidPlatform* system : std::initializer_list<HidPlatform*>{&without, &refusing}) {
        std::string out;
        TracePlatform trace(
            *system, [&](const std::string& line) { out += line; }, TracePlatform::Clock::now());
        HidChanges* changes = trace.Changes();
        EXPECT_EQ(trace.Changes(), changes);
        if (changes == nullptr) {
            EXPECT_TRUE(std::regex_match(out, std::regex("[0-9]+ no change signals: every tick "
                                                         "searches\n")))
                << out;
            continue;
        }
        changes->TakeChanged();
        changes->WatchRefused();
        changes->WatchRefused();
        EXPECT_TRUE(refusing.Changes()->TakeChanged()) << "refused on the platform itself";
        EXPECT_TRUE(std::regex_match(
            out, std::regex("[0-9]+ change signals refused: every tick searches\n")))
            << out;
    }
}

TEST(Trace, AppendsToTheFileItIsGiven) {
    sim::VirtualPlatform system;
    const std::string file = ::testing::TempDir() + "zrt-trace-test.txt";
    std::remove(file.c_str());
    for (int run = 0; run < 2; ++run) {
        std::string error;
        auto trace = OpenTrace(system, file, TracePlatform::Clock::now(), error);
        ASSERT_NE(trace, nullptr) << error;
        std::vector<HidInterface> listed;
        trace->ListInterfaces(listed);
    }
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(std::regex_match(text.str(), std::regex("[0-9]+ search 0:\n[0-9]+ search 0:\n")))
        << text.str();
    std::string error;
    EXPECT_EQ(OpenTrace(system, ::testing::TempDir() + "no/such/folder/trace", {}, error), nullptr);
    EXPECT_NE(error.find("no/such/folder/trace"), std::string::npos);
}

}  // namespace
}  // namespace zrt::link
