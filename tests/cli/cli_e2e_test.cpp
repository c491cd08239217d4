// End to end: the real program zrt-vivoraz-cli, run as a child process, against three virtual
// readers on the umockdev bed (two of product 65, one of 81, one of them acknowledging writes
// without storing them). The test sees the program from outside: exit status, standard output and
// error, and the requests the readers received, byte for byte. The provisioning station runs until
// its count, or while readers are plugged in and pulled out, until Ctrl+C.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings_file.hpp"
#include "core/sha256.hpp"
#include "link/crc.hpp"
#include "sim/umockdev_bed.hpp"
#include "tests/app/line_process.hpp"
#include "tests/app/run_command.hpp"

namespace zrt::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Record = std::array<std::uint8_t, 16>;

// Runs `program` with `arguments` to its end (the bed answers on its own thread meanwhile).
Outcome RunProgram(const char* program, const std::vector<std::string>& arguments) {
    char folder[] = "/tmp/zrt-cli-XXXXXX";
    const std::filesystem::path dir = mkdtemp(folder);
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Outcome run = RunCommand(argv, dir);
    std::filesystem::remove_all(dir);
    return run;
}

Outcome Cli(const std::vector<std::string>& arguments) {
    return RunProgram(ZRT_CLI_PATH, arguments);
}

// Dec (whole number), Enter, Mifare; S0 TAB, S3 F1 with left Shift.
constexpr Record FIRST_RECORD = {0xE0, 0x80, 0x04, 0x00, 0x2B, 0x00, 0x01, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0x3A, 0x02, 0x00, 0x00};

class Fleet : public ::testing::Test {
  protected:
    Fleet() {
        bed.AddReader(0, VirtualReader({1175, 101, 12}, FIRST_RECORD, link::PRODUCT_ID_41));
        bed.AddReader(1,
                      VirtualReader({151, 202, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51));
        VirtualReader refusing({141, 303, 13}, config::RECORD_TEMPLATE, link::PRODUCT_ID_41);
        refusing.AddFault(Fault(FaultKind::Ack).On(link::CMD_WRITE_CONFIG).WithValue(0).Always());
        bed.AddReader(2, std::move(refusing));
        bed.AddForeign(3, 0x046D, 0xC52B);
    }
    ~Fleet() override {
        std::remove(file.c_str());
        std::remove(log.c_str());
    }

    std::string Letters(unsigned number) {
        std::string letters;
        for (const Request& request : bed.Log(number)) {
            letters += static_cast<char>(request.command);
        }
        return letters;
    }
    bool AnyWrite() {
        for (unsigned number : {0u, 1u, 2u}) {
            if (Letters(number).find('C') != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    Record Stored(unsigned number) {
        Record record{};
        bed.WithReader(number, [&](VirtualReader& reader) { record = reader.record; });
        return record;
    }

    // The settings file of FIRST_RECORD, for provision.
    void WriteSettings() {
        std::ofstream(file) << config::SettingsToJson(config::StateFromRecord(FIRST_RECORD));
    }
    // The next line of a station's output, or "<none>" after a while.
    static std::string Next(LineProcess& run) {
        return run.Line(std::chrono::seconds(30)).value_or("<none>");
    }

    UmockdevBed bed;
    std::string file = "/tmp/zrt-cli-test-" + std::to_string(getpid()) + ".json";
    std::string log = file + ".csv";
};

// "SERIAL PATH RESULT...; N ms": what comes before the time.
::testing::AssertionResult Says(const std::string& line, const std::string& expected) {
    static const std::regex TIME("; [0-9]+ ms$");
    if (line.rfind(expected, 0) != 0 || !std::regex_search(line, TIME) ||
        line.size() - expected.size() > std::string("; 99999 ms").size()) {
        return ::testing::AssertionFailure() << "the line is " << line;
    }
    return ::testing::AssertionSuccess();
}

TEST_F(Fleet, ListsExportsFromOneReaderAndImportsToAll) {
    const Outcome list = Cli({"list"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out,
              "/dev/hidraw0  0x0041  Zr-T51  serial 00101  firmware 12\n"
              "/dev/hidraw2  0x0041  Zr-T41  serial 00303  firmware 13\n"
              "/dev/hidraw1  0x0051  Zr-T51  serial 00202  firmware 12\n");

    const Outcome exported = Cli({"--reader", "00101", "export", file});
    ASSERT_EQ(exported.status, 0) << exported.err;
    config::SettingsError error;
    const auto settings = config::SettingsFromJson(Slurp(file), error);
    ASSERT_TRUE(settings) << error.field;
    EXPECT_EQ(*settings, config::StateFromRecord(FIRST_RECORD));
    EXPECT_FALSE(AnyWrite()) << "export writes nothing";

    const Outcome imported = Cli({"--all", "import", file});
    EXPECT_EQ(imported.status, 1) << "the refusing reader fails";
    EXPECT_EQ(imported.out.substr(0, imported.out.find("failed")),
              "00101 /dev/hidraw0 ok\n00303 /dev/hidraw2 ");
    EXPECT_NE(imported.out.find("00202 /dev/hidraw1 ok\n"), std::string::npos) << imported.out;
    EXPECT_NE(imported.out.find("number.format: wrote dec, reader has hex"), std::string::npos)
        << imported.out;
    EXPECT_EQ(Stored(1), FIRST_RECORD);
    // The write carries the record and its CRC-32 (least significant byte first); the read-back
    // follows it.
    const std::vector<Request> log = bed.Log(1);
    ASSERT_GE(log.size(), 2u);
    Bytes expected(FIRST_RECORD.begin(), FIRST_RECORD.end());
    const std::uint32_t crc = link::Crc32(FIRST_RECORD.data(), 16, 0xFFFFFFFFu);
    for (int shift = 0; shift < 32; shift += 8) {
        expected.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
    EXPECT_EQ(log[log.size() - 2].command, link::CMD_WRITE_CONFIG);
    EXPECT_EQ(log[log.size() - 2].data, expected);
    EXPECT_EQ(log.back().command, link::CMD_READ_CONFIG);
}

TEST_F(Fleet, SetChangesOnlyTheNamedSettings) {
    const Outcome set =
        Cli({"--reader", "101", "set", "before.1=LShift+A", "number.size=8", "after.1=null"});
    EXPECT_EQ(set.status, 0) << set.err;
    // Dec, Enter, Mifare kept; size index 5; S0 "A" (4) with left Shift; S3 no longer sent.
    EXPECT_EQ(Stored(0), (Record{0xE5, 0x80, 0x04, 0x00, 0x04, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0x00}));

    const Outcome json = Cli({"--all", "--json", "set", "enter=true"});
    EXPECT_EQ(json.status, 1);
    const auto results = nlohmann::json::parse(json.out)["results"];
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0]["serial"], 101);
    EXPECT_EQ(results[0]["ok"], true);
    EXPECT_EQ(results[1]["path"], "/dev/hidraw2");
    EXPECT_EQ(results[1]["ok"], false);
    EXPECT_TRUE(results[1]["error"].is_string());
}

// Nothing that writes goes out unless the whole file, or every assignment, is right.
TEST_F(Fleet, AWrongFileOrSettingSendsNothing) {
    std::ofstream(file) << R"({"format": "zrt-vivoraz-config", "version": 1,
        "number": {"format": "dec", "size": 9, "reversed": false}, "enter": true,
        "cards": {"mifare": true, "icode": false}, "before": [null, null, null],
        "after": [null, null]})";
    const Outcome imported = Cli({"--all", "import", file});
    EXPECT_EQ(imported.status, 1);
    EXPECT_NE(imported.err.find("number.size"), std::string::npos) << imported.err;
    const Outcome set = Cli({"--all", "set", "enter=true", "before.4=A"});
    EXPECT_EQ(set.status, 2);
    EXPECT_NE(set.err.find("before.4"), std::string::npos) << set.err;
    EXPECT_EQ(Letters(0) + Letters(1) + Letters(2), "") << "no reader was even asked";
}

TEST_F(Fleet, ASerialNumberOfSeveralReadersMustBePickedByPath) {
    bed.AddReader(4, VirtualReader({151, 101, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51));
    const Outcome show = Cli({"--reader", "101", "show"});
    EXPECT_EQ(show.status, 2);
    EXPECT_NE(show.err.find("/dev/hidraw0 /dev/hidraw4"), std::string::npos) << show.err;
    const Outcome picked = Cli({"--path", "/dev/hidraw4", "show"});
    EXPECT_EQ(picked.status, 0) << picked.err;
    EXPECT_NE(picked.out.find("record    00 80 04 00 00 00"), std::string::npos) << picked.out;
}

// With images of version 13 built in: the readers at 12 get the image, then report 13; the one at
// 13 gets nothing.
TEST_F(Fleet, UpgradeAllSendsTheNewerImagesAndChecksTheVersionAfterwards) {
    const Outcome upgrade = RunProgram(ZRT_CLI_TEST_IMAGES_PATH, {"--all", "upgrade", "--yes"});
    EXPECT_EQ(upgrade.status, 0) << upgrade.err;
    EXPECT_EQ(upgrade.out, "00101 /dev/hidraw0 ok\n00303 /dev/hidraw2 ok\n00202 /dev/hidraw1 ok\n");
    // The upload, then "M" of the search by serial number that checks the version (every later
    // search asks each reader for its identity too).
    const std::string blocks1175(20, 'Y'), blocks151(19, 'Y');
    EXPECT_EQ(Letters(0).substr(0, 25), "MZ" + blocks1175 + "yzM");
    EXPECT_NE(Letters(1).find("Z" + blocks151 + "yzM"), std::string::npos) << Letters(1);
    EXPECT_EQ(Letters(2).find('Z'), std::string::npos) << "its firmware is as new as the image";
    bed.WithReader(1, [](VirtualReader& reader) { EXPECT_EQ(reader.info.firmware, 13); });
    EXPECT_NE(upgrade.err.find("reader 00202: now firmware 13"), std::string::npos) << upgrade.err;

    const Outcome refused = Cli({"upgrade"});
    EXPECT_EQ(refused.status, 2) << "no terminal and no --yes";
}

// A reader that takes the whole upload but keeps its old firmware fails the upgrade.
TEST_F(Fleet, AnUpgradeTheReaderDidNotTakeFails) {
    VirtualReader keeping({151, 404, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51);
    keeping.AddFault(Fault(FaultKind::Ack).On(link::CMD_UPGRADE_END).WithValue(0));
    bed.AddReader(4, std::move(keeping));
    const Outcome upgrade =
        RunProgram(ZRT_CLI_TEST_IMAGES_PATH, {"--json", "--path", "/dev/hidraw4", "upgrade", "-y"});
    EXPECT_EQ(upgrade.status, 1) << upgrade.err;
    const auto result = nlohmann::json::parse(upgrade.out);
    EXPECT_EQ(result["uploaded"], true);
    EXPECT_EQ(result["firmware_after"], 12);
    EXPECT_NE(result["error"].get<std::string>().find("reports firmware 12, not 13"),
              std::string::npos);
}

// Each reader attached once: written when its settings differ, only read when it holds them, a
// reader that does not store them failed with the settings that differ; a row in the log for each.
TEST_F(Fleet, ProvisionGivesEachReaderTheSettingsOnceAndLogsEach) {
    WriteSettings();
    const Outcome run = Cli({"provision", file, "--log", log, "--count", "3"});
    EXPECT_EQ(run.status, 1) << "one reader failed: " << run.err;
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_TRUE(Says(line, "00101 /dev/hidraw0 unchanged"));
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("00303 /dev/hidraw2 failed: the reader did not store the settings: "
                         "number.format: wrote dec, reader has hex;",
                         0),
              0u)
        << line;
    std::getline(lines, line);
    EXPECT_TRUE(Says(line, "00202 /dev/hidraw1 written"));
    std::getline(lines, line);
    EXPECT_EQ(line, "total: written 1, unchanged 1, failed 1");
    EXPECT_EQ(Letters(0), "Mc");
    EXPECT_EQ(Letters(1), "McCc");
    EXPECT_EQ(Stored(1), FIRST_RECORD);
    EXPECT_EQ(bed.FeatureCalls(3), 0u) << "someone else's interface is never asked";

    // A row for each reader with the settings file's digest (the rows' form: core's log test).
    const std::string rows = Slurp(log);
    const std::string sha = core::Sha256Hex(Slurp(file));
    EXPECT_NE(rows.find(",00101,1175,12,12,unchanged,," + sha + ",1.9\r\n"), std::string::npos)
        << rows;
    EXPECT_NE(rows.find(",00303,141,13,13,failed,\"the reader did not store"), std::string::npos)
        << rows;
    EXPECT_NE(rows.find(",00202,151,12,12,written,," + sha + ",1.9\r\n"), std::string::npos)
        << rows;
}

// Readers plugged in while it runs, each attachment once; one pulled out in its write fails so and
// is written when it comes back; Ctrl+C ends with the summary, status 1 after a failure.
TEST_F(Fleet, ProvisionTakesEachPlugInOnceAndEndsOnCtrlC) {
    WriteSettings();
    for (unsigned number : {0u, 1u, 2u}) {
        bed.Unplug(number);
    }
    LineProcess run({ZRT_CLI_PATH, "provision", file, "--log", log});
    ASSERT_TRUE(run.Started());
    bed.Plug(1);
    EXPECT_TRUE(Says(Next(run), "00202 /dev/hidraw1 written"));
    bed.Unplug(1);
    bed.Plug(1);
    EXPECT_TRUE(Says(Next(run), "00202 /dev/hidraw1 unchanged; seen before"));
    bed.Unplug(1);
    bed.WithReader(1, [](VirtualReader& reader) { reader.record = config::RECORD_TEMPLATE; });
    bed.PullOutOn(1, link::CMD_WRITE_CONFIG);
    bed.Plug(1);
    EXPECT_TRUE(
        Says(Next(run), "00202 /dev/hidraw1 failed: pulled out during the write; seen before"));
    bed.Unplug(1);
    bed.Plug(1);
    EXPECT_TRUE(Says(Next(run), "00202 /dev/hidraw1 written; seen before"));
    run.Signal(SIGINT);
    EXPECT_EQ(Next(run), "total: written 2, unchanged 1, failed 1");
    EXPECT_EQ(run.Wait(std::chrono::seconds(30)), 1);
    EXPECT_EQ(Letters(1), "McCcMcMcMcCc") << "the write pulled out never arrived";
    const std::string rows = Slurp(log);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 5) << rows;
}

// Ctrl+C during an upload: the reader is finished (upload, restart, found again with the image's
// version) before the run ends; with --json one object a line, the progress on standard error.
TEST_F(Fleet, ProvisionFinishesTheUploadInProgressOnCtrlC) {
    WriteSettings();
    bed.Unplug(0);
    bed.Unplug(2);
    const std::string errors = file + ".err";
    std::remove(errors.c_str());
    LineProcess run({ZRT_CLI_TEST_IMAGES_PATH, "--json", "provision", file, "--upgrade"}, errors);
    ASSERT_TRUE(bed.WaitUntil([&] { return Letters(1).find('Z') != std::string::npos; },
                              std::chrono::seconds(30)));
    run.Signal(SIGINT);
    const nlohmann::json reader = nlohmann::json::parse(Next(run), nullptr, false);
    EXPECT_EQ(reader["serial"], 202);
    EXPECT_EQ(reader["path"], "/dev/hidraw1");
    EXPECT_EQ(reader["model"], 151);
    EXPECT_EQ(reader["result"], "written");
    EXPECT_TRUE(reader["error"].is_null());
    EXPECT_EQ(reader["firmware_before"], 12);
    EXPECT_EQ(reader["firmware_after"], 13);
    EXPECT_EQ(reader["seen_before"], false);
    EXPECT_GE(reader["ms"].get<int>(), 9000) << "the restart's nine seconds";
    EXPECT_EQ(Next(run), R"({"summary":{"written":1,"unchanged":0,"failed":0}})");
    EXPECT_EQ(run.Wait(std::chrono::seconds(30)), 0);
    EXPECT_EQ(Letters(1), "McCcZ" + std::string(19, 'Y') + "yzMc");
    const std::string progress = Slurp(errors);
    EXPECT_NE(progress.find("uploading"), std::string::npos) << progress;
    EXPECT_NE(progress.find("restarting"), std::string::npos) << progress;
    std::remove(errors.c_str());
}

}  // namespace
}  // namespace zrt::sim
