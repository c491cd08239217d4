// End to end: the report for support, saved by the command line's `report` after an `import` (a
// settings file loaded and written to the reader) in the same process, against a virtual reader
// and a foreign device on the umockdev bed, through the real hidraw backend. The report must hold
// the run's header, both interfaces, the reader's identity and the settings just written, the
// firmware images, and the trace of the write: its request with the record, byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/cli.hpp"
#include "config/reader_config.hpp"
#include "config/settings_file.hpp"
#include "link/platform_factory.hpp"
#include "link/trace.hpp"
#include "link/zrhid.hpp"
#include "sim/umockdev_bed.hpp"

namespace zrt::sim {
namespace {

std::string ReadFile(const std::string& name) {
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ReportEndToEnd, ASavedReportHoldsTheReaderAndTheLoadAndWriteBeforeIt) {
    UmockdevBed bed;
    bed.AddReader(0, VirtualReader({1175, 4242, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51));
    bed.AddForeign(1, 0x046D, 0xC52B);
    const std::string base = "/tmp/zrt-report-test-" + std::to_string(getpid());
    config::ConfigState settings = config::StateFromRecord(config::RECORD_TEMPLATE);
    settings.formatIndex = 1;
    settings.reversed = !settings.reversed;
    { std::ofstream(base + ".json") << config::SettingsToJson(settings); }
    link::Trace::Program().Start(link::ThisProgram("zrt-vivoraz-cli", "en", "report test"));

    const auto platform = link::MakeSystemPlatform();
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(cli::RunCommandLine({"import", base + ".json"}, *platform, in, out, err), 0)
        << err.str();
    std::ostringstream said;
    ASSERT_EQ(cli::RunCommandLine({"report", base + ".txt"}, *platform, in, out, said), 0)
        << said.str();
    EXPECT_EQ(said.str(), "Report written to " + base + ".txt\n");
    const std::string report = ReadFile(base + ".txt");
    // To standard output: the report alone, nothing said after it.
    std::ostringstream shown;
    ASSERT_EQ(cli::RunCommandLine({"--json", "report", "-"}, *platform, in, shown, err), 0);
    EXPECT_EQ(shown.str().rfind("==== zrt-vivoraz-cli", 0), 0u) << shown.str();
    EXPECT_EQ(shown.str().find("\"ok\""), std::string::npos) << shown.str();
    std::remove((base + ".json").c_str());
    std::remove((base + ".txt").c_str());

    std::string record = config::HexBytes(config::RecordFromState(settings));
    std::transform(record.begin(), record.end(), record.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string reader = UmockdevBed::NodePath(0);
    for (const std::string& part : {
             std::string("==== zrt-vivoraz-cli 1.9, build "),
             std::string("\ncommand line: report test\n"),
             "\n== HID interfaces ==\n" + reader + "  13ab:0051  reader 13ab:0051, can be opened\n",
             UmockdevBed::NodePath(1) + "  046d:c52b\n",
             std::string("\nserial    4242\nfirmware  12\n"),
             "\nrecord    " + config::HexBytes(config::RecordFromState(settings)) + "\n",
             std::string("\n== Firmware images carried ==\n"),
             // The trace: the import's load ("M", "c"), its write ("C" with the record and its
             // CRC-32) and read-back, then the report's own search.
             "=" + reader + " 13ab:0051",
             " send 63: 41 19 00 43 " + record + " ",
             " report: " + base + ".txt\n",
         }) {
        EXPECT_NE(report.find(part), std::string::npos) << "missing: " << part << "\n" << report;
    }
    EXPECT_NE(report.find(" send 63: 41 05 00 63 "), std::string::npos) << report;  // "c"
    // What the bed's reader received: the write with that record.
    bool written = false;
    for (const Request& request : bed.Log(0)) {
        written = written || (request.command == link::CMD_WRITE_CONFIG &&
                              std::equal(request.data.begin(), request.data.begin() + 16,
                                         config::RecordFromState(settings).begin()));
    }
    EXPECT_TRUE(written);
}

}  // namespace
}  // namespace zrt::sim
