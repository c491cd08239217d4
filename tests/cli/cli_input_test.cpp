// The command-line program run in-process (RunCommandLine) against readers of the virtual
// platform: bad input of every kind ends with its exit status and a message naming what is wrong
// and sends nothing; --json always gives one document; readers that cannot be opened are named;
// --only-if-different and "changed"; a test image is not uploaded. Built for Windows too, where it
// runs under wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.hpp"
#include "config/settings_file.hpp"
#include "firmware_test_images.hpp"
#include "sim/virtual_platform.hpp"

namespace zrt::cli {
namespace {

using Json = nlohmann::json;

// Dec (whole number), Enter, Mifare; S0 TAB, S3 F1 with left Shift.
constexpr config::ReaderConfig RECORD = {0xE0, 0x80, 0x04, 0x00, 0x2B, 0x00, 0x01, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x3A, 0x02, 0x00, 0x00};

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class CommandLine : public ::testing::Test {
  protected:
    CommandLine() {
        platform.AddReader(first);
        platform.AddReader(second);
        std::ofstream(file, std::ios::binary)
            << config::SettingsToJson(config::StateFromRecord(RECORD));
    }
    ~CommandLine() override { std::filesystem::remove(file); }

    Outcome Cli(std::vector<std::string> arguments, const std::string& input = "") {
        for (std::string& argument : arguments) {
            argument = argument == "FILE" ? file.string() : argument;
        }
        std::istringstream in(input);
        std::ostringstream out, err;
        const int status = RunCommandLine(arguments, platform, in, out, err, catalogue);
        return {status, out.str(), err.str()};
    }
    std::string Letters(const sim::VirtualReader& reader) {
        std::string letters;
        for (const sim::Request& request : reader.Log()) {
            letters += static_cast<char>(request.command);
        }
        return letters;
    }

    sim::VirtualPlatform platform;
    firmware::FirmwareCatalogue catalogue = firmware::BuiltInCatalogue();
    sim::VirtualReader first{{1175, 101, 12}, RECORD, link::PRODUCT_ID_41};
    sim::VirtualReader second{{151, 65535, 0xFFFF}, config::RECORD_TEMPLATE, link::PRODUCT_ID_41};
    // One file a test (the cases run in parallel), named after it.
    std::filesystem::path file = [] {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        return std::filesystem::temp_directory_path() / ("zrt-cli-" + name + ".json");
    }();
};

// The arguments are one string split at "|" (so that empty and blank ones show).
struct BadInput {
    const char* name;
    std::string arguments;
    std::string input;  // standard input
    int status;
    const char* said;  // in the message (with --json: the error document's message)
    const char* kind;  // with --json: the error document's kind
};

void PrintTo(const BadInput& bad, std::ostream* out) {
    *out << bad.name;
}

class BadInputs : public CommandLine, public ::testing::WithParamInterface<BadInput> {};

// Nothing reaches a reader, nothing aborts, and --json gives exactly one document.
TEST_P(BadInputs, EndWithTheirStatusNamingWhatIsWrongAndSendNothing) {
    const BadInput& bad = GetParam();
    std::vector<std::string> arguments{""};
    for (const char c : bad.arguments) {
        c == '|' ? arguments.emplace_back() : arguments.back() += c;
    }
    const Outcome run = Cli(arguments, bad.input);
    EXPECT_EQ(run.status, bad.status) << run.err << run.out;
    const std::string said =
        bad.kind ? Json::parse(run.out)["error"]["message"].get<std::string>() : run.err;
    EXPECT_NE(said.find(bad.said), std::string::npos) << run.err << run.out;
    if (bad.kind) {  // one document, nothing else
        EXPECT_EQ(Json::parse(run.out)["error"]["kind"], bad.kind);
    }
    EXPECT_EQ(Letters(first) + Letters(second), "");
}

const char* const TEXT = nullptr;  // the message goes to standard error

INSTANTIATE_TEST_SUITE_P(
    Ways, BadInputs,
    ::testing::Values(
        BadInput{"HugeNumber", "import|-", R"({"number": {"size": 1e999}})", 1,
                 "number.size: the number 1e999 is out of range", TEXT},
        BadInput{"HugeNegativeInAList", "--json|import|-", R"({"before": [null, -1e400]})", 1,
                 "before.2: the number -1e400", "input"},
        BadInput{"HugeNumberOutsideAnyField", "import|-", " 1e999", 1, "out of range at byte 6",
                 TEXT},
        BadInput{"StandardInputTooLarge", "import|-", std::string(64 * 1024 + 1, ' '), 1,
                 "too large", TEXT},
        BadInput{"ControlCharactersEchoed", "import|-",
                 "{\"format\": \"zrt-vivoraz-config\", \"a\\u0001\x7F\": 1}", 1,
                 "a\\x01\\x7F: unknown field", TEXT},
        BadInput{"OtherJson", "--json|import|-", "{\"name\": 1}", 1,
                 "-: not a ZrT_VivoRaz settings file", "input"},
        BadInput{"NonUtf8FileName", "--json|import|/no-such-folder/\xFF\x01.json", "", 1,
                 "/no-such-folder/\\xFF\\x01.json: cannot be opened", "input"},
        BadInput{"EmptyReader", "--reader||import|FILE", "", 2, "--reader", TEXT},
        BadInput{"BlankReader", "--json|--reader| |set|enter=true", "", 2, "--reader", "usage"},
        BadInput{"ReaderPast32Bits", "--reader|4294967297|show", "", 2, "not a serial number",
                 TEXT},
        // Past either end of the range; 65536 would wrap to serial number 0, another reader.
        BadInput{"ReaderPast65535", "--json|--reader|65536|show", "", 2, "not a serial number",
                 "usage"},
        BadInput{"NegativeReader", "--json|--reader=-1|show", "", 2, "not a serial number",
                 "usage"},
        BadInput{"EmptyPath", "--path||set|enter=true", "", 2, "--path", TEXT},
        BadInput{"BlankPath", "--json|--path| \t|import|FILE", "", 2, "--path", "usage"},
        BadInput{"UnknownOption", "--json|--colour|list", "", 2, "--colour", "usage"},
        BadInput{"WrongSetting", "--json|--all|set|before.4=A", "", 2, "before.4", "usage"},
        // The station reads its file and opens its log before it touches any reader.
        BadInput{"ProvisionWithABadFile", "--json|provision|-", R"({"number": 1})", 1,
                 "-: not a ZrT_VivoRaz settings file", "input"},
        BadInput{"ProvisionWithALogThatCannotBeWritten",
                 "provision|FILE|--log|/no-such-folder/log.csv", "", 1,
                 "--log: /no-such-folder/log.csv: cannot be written (", TEXT},
        BadInput{"ProvisionOfOneReader", "--reader|101|provision|FILE", "", 2,
                 "--reader, --path and --all do not apply", TEXT},
        BadInput{"ProvisionCountingNone", "provision|FILE|--count|0", "", 2, "--count", TEXT}),
    [](const auto& info) { return std::string(info.param.name); });

// What a file larger than the limit, or one given by a path starting with "/", or a dry run does.
TEST_F(CommandLine, FilesByPathLargeFilesAndDryRuns) {
    const Outcome dry = Cli({"--all", "import", "--dry-run", "FILE"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out, "E0 80 04 00 2B 00 01 00 00 00 00 00 3A 02 00 00\n");
    EXPECT_EQ(Letters(first) + Letters(second), "") << "a dry run touches no reader";

    std::ofstream(file, std::ios::binary) << std::string(200 * 1024, '{');
    const Outcome large = Cli({"import", file.generic_string()});
    EXPECT_EQ(large.status, 1);
    EXPECT_NE(large.err.find("too large"), std::string::npos) << large.err;
}

// One run per reader choice and command: every result says "changed", a reader that already holds
// the settings is left alone, an unopenable reader is a failed entry, and every field is there.
TEST_F(CommandLine, ResultsSayWhatChangedAndNameReadersThatCannotBeOpened) {
    sim::VirtualReader denied({1175, 303, 12}, RECORD, link::PRODUCT_ID_51);
    sim::VirtualPlatform::Options refused;
    refused.openable = false;
    refused.refusal = link::OpenError::NoAccess;
    platform.AddReader(denied, refused);

    const Outcome all = Cli({"--all", "--json", "import", "--only-if-different", "FILE"});
    EXPECT_EQ(all.status, 1) << all.err;
    const Json results = Json::parse(all.out)["results"];
    ASSERT_EQ(results.size(), 3u) << all.out;
    EXPECT_EQ(results[0]["changed"], false);
    EXPECT_EQ(results[0]["ok"], true);
    EXPECT_TRUE(results[0]["error"].is_null());
    EXPECT_EQ(results[1]["serial"], 65535);
    EXPECT_EQ(results[1]["changed"], true);
    EXPECT_EQ(results[2]["path"], platform.PathOf(2));
    EXPECT_TRUE(results[2]["serial"].is_null());
    EXPECT_NE(results[2]["error"].get<std::string>().find("no access"), std::string::npos);
    EXPECT_EQ(Letters(first).find('C'), std::string::npos) << "it held the settings already";
    EXPECT_EQ(second.record, RECORD);

    const Outcome again = Cli({"--reader", "65535", "import", "--only-if-different", "FILE"});
    EXPECT_EQ(again.out, "65535 " + platform.PathOf(1) + " unchanged\n") << again.err;

    // set keeps the reader's lock from its load to its read-back: one Lock call.
    const std::size_t locks = platform.LockWaits().size();
    const Outcome set = Cli({"--path", platform.PathOf(0), "set", "enter=false"});
    EXPECT_EQ(set.out, "00101 " + platform.PathOf(0) + " ok\n") << set.err;
    EXPECT_EQ(platform.LockWaits().size() - locks, 1u);

    const Outcome upgrade = Cli({"--json", "--path", platform.PathOf(1), "upgrade", "--yes"});
    EXPECT_TRUE(Json::parse(upgrade.out).at("firmware_after").is_null()) << upgrade.out;

    platform.Unplug(0), platform.Unplug(1);
    const Outcome show = Cli({"show"});
    EXPECT_EQ(show.status, 1);
    EXPECT_NE(show.err.find(platform.PathOf(2) + ": no access"), std::string::npos) << show.err;
    platform.Unplug(2);
    const Outcome none = Cli({"--all", "--json", "set", "enter=true"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(Json::parse(none.out), Json::parse(R"({"results": []})"));
}

// A newer test image, in this program (not built for test images), fails the reader unsent.
TEST_F(CommandLine, ATestImageIsNotUploaded) {
    firmware::testing::TestCatalogue images(13);
    std::ranges::copy(firmware::TEST_IMAGE_MARK, images.Image(1175).begin() + 8);
    catalogue = images.View();
    const Outcome upgrade = Cli({"--json", "--reader", "101", "upgrade", "--yes"});
    EXPECT_EQ(upgrade.status, 1) << upgrade.err;
    const Json result = Json::parse(upgrade.out);
    EXPECT_EQ(result["error"], "the built-in image for model 1175 is a test image; not uploaded");
    EXPECT_EQ(result["uploaded"], false);
    EXPECT_EQ(Letters(first).find('Z'), std::string::npos) << Letters(first);
}

// Both ends of the range are serial numbers that reach their reader; a serial number two readers
// share is a usage error, in the exit status and in the JSON error document alike.
TEST_F(CommandLine, SerialNumbersFromZeroTo65535ReachTheirReaderAndMustBeUnique) {
    sim::VirtualReader zero{{151, 0, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51};
    platform.AddReader(zero);
    for (const auto& [serial, reader] : {std::pair{0, 2}, std::pair{65535, 1}}) {
        const Outcome show = Cli({"--json", "--reader", std::to_string(serial), "show"});
        EXPECT_EQ(show.status, 0) << show.out;
        const Json result = Json::parse(show.out);
        EXPECT_EQ(result["serial"], serial);
        EXPECT_EQ(result["path"], platform.PathOf(reader));
    }

    sim::VirtualReader alsoZero{{1175, 0, 12}, RECORD, link::PRODUCT_ID_41};
    platform.AddReader(alsoZero);
    const Outcome shared = Cli({"--json", "--reader", "0", "show"});
    EXPECT_EQ(shared.status, 2);
    const Json error = Json::parse(shared.out)["error"];
    EXPECT_EQ(error["kind"], "usage");
    EXPECT_NE(error["message"].get<std::string>().find("several readers have serial number 0"),
              std::string::npos)
        << shared.out;
}

}  // namespace
}  // namespace zrt::cli
