// The provisioning station against virtual readers, without a bed and without waiting: which
// readers are due (each attachment once, again after a plug-in, a shared serial number said), when
// a write goes out, what counts as done and why a reader failed (the faults of one run, the checks
// after an upgrade), when the station searches, and the log's rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/provision.hpp"
#include "core/sha256.hpp"
#include "firmware/upgrade.hpp"
#include "link/trace.hpp"
#include "sim/virtual_platform.hpp"
#include "sim/virtual_reader.hpp"
#include "tests/firmware/firmware_test_images.hpp"

namespace zrt::core {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::FaultKind;
using sim::VirtualReader;

// Dec (whole number), Enter, Mifare; S0 TAB, S3 F1 with left Shift: the settings of the run.
constexpr config::ReaderConfig WANTED = {0xE0, 0x80, 0x04, 0x00, 0x2B, 0x00, 0x01, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x3A, 0x02, 0x00, 0x00};
constexpr std::uint16_t IMAGE_VERSION = 13;

VirtualReader Reader(std::uint16_t serial,
                     const config::ReaderConfig& record = config::RECORD_TEMPLATE) {
    return VirtualReader({151, serial, 12}, record, link::PRODUCT_ID_51);
}

std::string Letters(const VirtualReader& reader) {
    std::string letters;
    for (const sim::Request& request : reader.Log()) {
        letters += static_cast<char>(request.command);
    }
    return letters;
}

// Notes the waits and runs what a test wants at the listener's events.
class Listener : public StationListener {
  public:
    void Handling(const std::string& path) override {
        handled.push_back(path);
        if (onHandling) {
            onHandling();
        }
    }
    void Restarting(int step, int /*steps*/) override {
        if (onRestarting) {
            onRestarting(step);
        }
    }
    void Wait(int milliseconds) override {
        waits.push_back(milliseconds);
        if (onWait) {
            onWait();
        }
    }
    std::vector<std::string> handled;
    std::vector<int> waits;
    std::function<void()> onHandling;
    std::function<void(int)> onRestarting;
    std::function<void()> onWait;
};

class Station : public ::testing::Test {
  public:
    // A station over the platform, its change signals and a clock the test moves.
    ProvisionStation& Start(bool upgrade = false) {
        StationSettings settings{config::StateFromRecord(WANTED), upgrade, images.View()};
        station.emplace(platform, settings, listener, platform.Changes(), [this] { return now; });
        return *station;
    }
    // Steps until nothing is due; the verdicts in order.
    std::vector<Verdict> Drain() {
        std::vector<Verdict> verdicts;
        while (auto verdict = station->Step()) {
            verdicts.push_back(*verdict);
        }
        return verdicts;
    }

    sim::VirtualPlatform platform;
    firmware::testing::TestCatalogue images{IMAGE_VERSION};
    Listener listener;
    std::chrono::steady_clock::time_point now{};
    std::optional<ProvisionStation> station;
};

TEST_F(Station, HandlesEachAttachmentOnceAndWritesOnlyReadersWhoseSettingsDiffer) {
    VirtualReader holding = Reader(1, WANTED);
    VirtualReader other = Reader(2);
    const auto holdingId = platform.AddReader(holding);
    platform.AddReader(other);
    Start();
    listener.onHandling = [this] { now += 250ms; };

    const std::vector<Verdict> verdicts = Drain();
    ASSERT_EQ(verdicts.size(), 2u);
    EXPECT_EQ(verdicts[0].result, Result::Unchanged);
    EXPECT_EQ(verdicts[0].serial, 1);
    EXPECT_EQ(verdicts[0].elapsed, 250ms) << "from the search that saw it";
    EXPECT_EQ(Letters(holding), "Mc") << "a reader holding the settings is only read";
    EXPECT_EQ(verdicts[1].result, Result::Written);
    EXPECT_EQ(Letters(other), "McCc");
    EXPECT_EQ(other.record, WANTED);

    // Attached still, through changes and the safety net: never handled again, never sent to.
    for (int i = 0; i < 3; ++i) {
        platform.Changes()->Arrived();
        now += ProvisionStation::SAFETY_INTERVAL;
        EXPECT_FALSE(station->Step());
    }
    EXPECT_EQ(Letters(holding) + Letters(other), "McMcCc");

    // Pulled out and plugged in again: handled again, its serial number seen before; so is
    // another reader with the same serial number.
    platform.Unplug(holdingId);
    EXPECT_FALSE(station->Step());
    platform.Plug(holdingId);
    VirtualReader twin = Reader(2);
    platform.AddReader(twin);
    const std::vector<Verdict> again = Drain();
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].serial, 1);
    EXPECT_TRUE(again[0].seenBefore);
    EXPECT_EQ(again[1].result, Result::Written);
    EXPECT_TRUE(again[1].seenBefore);
    EXPECT_EQ(station->Totals().written, 2);
    EXPECT_EQ(station->Totals().unchanged, 2);
    EXPECT_EQ(station->Totals().failed, 0);

    station.reset();
    EXPECT_EQ(platform.OpenHandleCount(), 0u) << "every kept handle closed";
}

// With change signals a step searches only after a change or when the safety net is due; without
// them, at every step.
TEST_F(Station, SearchesAfterAChangeOrTheSafetyIntervalOrAlwaysWithoutSignals) {
    Start();
    station->Step();
    const int first = platform.ListCalls();
    station->Step();
    now += ProvisionStation::SAFETY_INTERVAL - 1ms;
    station->Step();
    EXPECT_EQ(platform.ListCalls(), first);
    platform.Changes()->Arrived();
    station->Step();
    EXPECT_EQ(platform.ListCalls(), first + 1);
    now += ProvisionStation::SAFETY_INTERVAL;
    station->Step();
    EXPECT_EQ(platform.ListCalls(), first + 2);

    ProvisionStation unsignalled(platform, {}, listener, nullptr);
    unsignalled.Step();
    unsignalled.Step();
    EXPECT_EQ(platform.ListCalls(), first + 4);
}

// One run with every fault: each reader fails with its reason, none counts as written, and the run
// goes on to the next reader; a reader pulled out is handled again once plugged in.
TEST_F(Station, FaultsFailWithTheirReasonsAndTheRunGoesOn) {
    VirtualReader refusing = Reader(1);
    refusing.AddFault(Fault(FaultKind::Ack).On(link::CMD_WRITE_CONFIG).WithValue(1));
    VirtualReader pulledInWrite = Reader(2);
    VirtualReader failingUpload = Reader(3);
    failingUpload.AddFault(Fault(FaultKind::Ack).On(link::CMD_UPGRADE_BLOCK).AtBlock(5));
    VirtualReader pulledInUpload = Reader(4, WANTED);
    VirtualReader refused = Reader(5);
    VirtualReader good = Reader(6);
    platform.AddReader(refusing);
    const auto pulledId = platform.AddReader(pulledInWrite);
    platform.PullOutOn(pulledId, link::CMD_WRITE_CONFIG);
    platform.AddReader(failingUpload);
    platform.PullOutOn(platform.AddReader(pulledInUpload), link::CMD_UPGRADE_BLOCK);
    platform.AddReader(refused, {false, link::OpenError::NoAccess});
    platform.AddReader(good);
    Start(true);

    const std::vector<Verdict> verdicts = Drain();
    ASSERT_EQ(verdicts.size(), 6u);
    // The refused interface is known at the search, before any reader is handled.
    EXPECT_EQ(verdicts[0].reason, Reason::NotOpened);
    EXPECT_EQ(verdicts[0].openError, link::OpenError::NoAccess);
    EXPECT_FALSE(verdicts[0].serial);
    EXPECT_EQ(verdicts[1].reason, Reason::NotStored);
    EXPECT_NE(std::ranges::find(verdicts[1].differences,
                                config::SettingDifference{"number.format", "dec", "hex"}),
              verdicts[1].differences.end());
    EXPECT_EQ(verdicts[2].reason, Reason::PulledOutWriting);
    EXPECT_EQ(verdicts[3].reason, Reason::UploadFailed);
    EXPECT_EQ(verdicts[3].linkError, link::ERR_UPGRADE);
    EXPECT_EQ(Letters(failingUpload), "McCcZYYYYYY") << "nothing after the refused block";
    EXPECT_EQ(verdicts[4].reason, Reason::PulledOutUploading);
    EXPECT_EQ(verdicts[5].result, Result::Written);
    EXPECT_EQ(verdicts[5].firmwareBefore, 12);
    EXPECT_EQ(verdicts[5].firmwareAfter, IMAGE_VERSION);
    EXPECT_TRUE(verdicts[5].FirmwareChanged());
    const std::string blocks(images.Row(151).image.BlockCount(), 'Y');
    EXPECT_EQ(Letters(good), "McCcZ" + blocks + "yzMc") << "load, write, upload, check";
    EXPECT_EQ(station->Totals().written, 1);
    EXPECT_EQ(station->Totals().failed, 5);
    EXPECT_EQ(Letters(refused), "");
    // Every verdict goes to the program's trace as it is given, with its reason.
    const std::vector<std::string> traced = link::Trace::Program().Lines();
    ASSERT_GE(traced.size(), 2u);
    EXPECT_NE(traced[traced.size() - 2].find(" provisioning: 00004 "), std::string::npos)
        << traced[traced.size() - 2];
    EXPECT_NE(traced.back().find(" provisioning: 00006 "), std::string::npos) << traced.back();
    EXPECT_NE(traced.back().find(" written"), std::string::npos) << traced.back();

    // The reader pulled out in its write is handled again when it comes back.
    platform.Plug(pulledId);
    const std::vector<Verdict> again = Drain();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].result, Result::Written);
    EXPECT_TRUE(again[0].seenBefore);
}

// After the upload the reader restarts: found again by its serial number (at another path too),
// it must report the image's version and still hold the settings.
struct AfterUpload {
    const char* name;
    std::function<void(Station&, VirtualReader&, sim::VirtualPlatform::InterfaceId)> arrange;
    Result result;
    Reason reason;
    std::optional<std::uint16_t> firmwareAfter;
};

class UpgradeCheck : public Station, public ::testing::WithParamInterface<AfterUpload> {};

TEST_P(UpgradeCheck, FindsTheReaderAgainAndChecksItsVersionAndSettings) {
    VirtualReader reader = Reader(7, WANTED);
    const auto id = platform.AddReader(reader);
    GetParam().arrange(*this, reader, id);
    Start(true);

    const std::vector<Verdict> verdicts = Drain();
    ASSERT_EQ(verdicts.size(), 1u) << "the restarted reader is not handled a second time";
    EXPECT_EQ(verdicts[0].result, GetParam().result);
    EXPECT_EQ(verdicts[0].reason, GetParam().reason);
    EXPECT_EQ(verdicts[0].firmwareAfter, GetParam().firmwareAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Station, UpgradeCheck,
    ::testing::Values(AfterUpload{"ComesBackAtAnotherPath",
                                  [](Station& s, VirtualReader& reader, auto id) {
                                      s.listener.onRestarting = [&s, &reader, id](int step) {
                                          if (step == 1) {
                                              s.platform.Unplug(id);
                                              s.platform.AddReader(reader);
                                          }
                                      };
                                  },
                                  Result::Unchanged, Reason::None, IMAGE_VERSION},
                      AfterUpload{
                          "KeepsItsOldFirmware",
                          [](Station&, VirtualReader& reader, auto) {
                              reader.AddFault(
                                  Fault(FaultKind::Ack).On(link::CMD_UPGRADE_END).WithValue(0));
                          },
                          Result::Failed, Reason::FirmwareNotTaken, 12},
                      AfterUpload{"LosesItsSettings",
                                  [](Station& s, VirtualReader& reader, auto) {
                                      s.listener.onRestarting = [&reader](int) {
                                          reader.record = config::RECORD_TEMPLATE;
                                      };
                                  },
                                  Result::Failed, Reason::SettingsLost, IMAGE_VERSION},
                      AfterUpload{"NeverComesBack",
                                  [](Station& s, VirtualReader&, auto id) {
                                      s.listener.onRestarting = [&s, id](int) {
                                          s.platform.Unplug(id);
                                      };
                                  },
                                  Result::Failed, Reason::NotFoundAgain, std::nullopt},
                      AfterUpload{"HasATestImage",
                                  [](Station& s, VirtualReader&, auto) {
                                      std::vector<std::uint8_t>& image = s.images.Image(151);
                                      std::copy(firmware::TEST_IMAGE_MARK.begin(),
                                                firmware::TEST_IMAGE_MARK.end(),
                                                image.begin() + firmware::TEST_IMAGE_MARK_OFFSET);
                                  },
                                  Result::Failed, Reason::TestImage, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Station, WaitsTheRestartAndBetweenTheSearchesForTheRestartedReader) {
    VirtualReader reader = Reader(8, WANTED);
    const auto id = platform.AddReader(reader);
    listener.onRestarting = [&](int) { platform.Unplug(id); };
    Start(true);
    station->Step();
    std::vector<int> expected(firmware::UPGRADE_WAIT_STEPS, firmware::UPGRADE_WAIT_MS);
    expected.insert(expected.end(), ProvisionStation::REFIND_TRIES - 1,
                    ProvisionStation::REFIND_PAUSE_MS);
    EXPECT_EQ(listener.waits, expected);
}

TEST(ProvisionLogTest, RowsQuoteWhatCsvMustAndGiveTheLocalTimeWithItsOffset) {
    EXPECT_EQ(CsvLine({"a", "b,c", "say \"hi\"", "two\nlines", ""}),
              "a,\"b,c\",\"say \"\"hi\"\"\",\"two\nlines\",\r\n");

    const auto tm = [](int year, int month, int day, int hour, int minute) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = 7;
        return t;
    };
    EXPECT_EQ(LocalTimeText(tm(2026, 1, 1, 1, 0), tm(2025, 12, 31, 23, 0)),
              "2026-01-01T01:00:07+02:00");
    EXPECT_EQ(LocalTimeText(tm(2025, 12, 31, 20, 30), tm(2026, 1, 1, 0, 0)),
              "2025-12-31T20:30:07-03:30");
    EXPECT_EQ(LocalTimeText(tm(2024, 2, 29, 12, 0), tm(2024, 2, 29, 12, 0)),
              "2024-02-29T12:00:07+00:00");

    Verdict written;
    written.serial = 42;
    written.model = 1175;
    written.firmwareBefore = 12;
    written.result = Result::Written;
    EXPECT_EQ(
        LogFields(written, "", "T", "abc", "1.9"),
        (std::vector<std::string>{"T", "00042", "1175", "12", "12", "written", "", "abc", "1.9"}));
    Verdict refused;
    refused.reason = Reason::NotOpened;
    refused.openError = link::OpenError::InUse;
    EXPECT_EQ(LogFields(refused, "in use by another program\x01", "T", "abc", "1.9"),
              (std::vector<std::string>{"T", "", "", "", "", "failed",
                                        "in use by another program\\x01", "abc", "1.9"}));
}

TEST(ProvisionLogTest, TheHeaderOnlyInANewFileAndEachRowFlushedAtOnce) {
    const std::string path = ::testing::TempDir() + "provision-log-test.csv";
    std::remove(path.c_str());
    const auto contents = [&] {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    };
    Verdict verdict;
    verdict.serial = 1;
    verdict.result = Result::Unchanged;
    int why = 0;
    {
        ProvisionLog log("sha");
        ASSERT_TRUE(log.Open(path, why));
        EXPECT_EQ(contents(), std::string(LOG_HEADER) + "\r\n");
        ASSERT_TRUE(log.Append(verdict, ""));
        EXPECT_NE(contents().find(",00001,0,,,unchanged,,sha,"), std::string::npos) << contents();
    }
    ProvisionLog reopened("sha");
    ASSERT_TRUE(reopened.Open(path, why));
    ASSERT_TRUE(reopened.Append(verdict, ""));
    const std::string text = contents();
    EXPECT_EQ(text.find(LOG_HEADER), text.rfind(LOG_HEADER)) << "one header";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    std::remove(path.c_str());

    EXPECT_FALSE(ProvisionLog("sha").Open(::testing::TempDir() + "no-such-folder/log.csv", why));
    EXPECT_NE(why, 0);  // the system's reason, for the message
}

TEST(Sha256Test, KnownDigests) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the last block.
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace zrt::core
