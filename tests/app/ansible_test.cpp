// Fleets through Ansible: examples/ansible/linux.yml run by Debian's ansible-playbook against this
// machine (connection local) inside the umockdev bed, with two virtual readers of which one
// acknowledges writes without storing them, and once with a settings file the program refuses.
// The play installs the Debian packages named in ZRT_ANSIBLE_DEBS (the command-line package first)
// system-wide; they are purged again when the test ends, whatever its outcome. Run by
// scripts/test-packages.sh, as root. The program's options that the play uses are checked first,
// packages or not.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings_file.hpp"
#include "sim/umockdev_bed.hpp"
#include "tests/app/run_command.hpp"
#include "tests/app/tool_process.hpp"

namespace zrt::sim {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// One task's outcome on localhost in the JSON report of ansible-playbook (stdout callback "json").
Json TaskResult(const Json& report, const std::string& name) {
    for (const Json& play : report.value("plays", Json::array())) {
        for (const Json& task : play.value("tasks", Json::array())) {
            if (task["task"]["name"] == name && task["hosts"].contains("localhost")) {
                return task["hosts"]["localhost"];
            }
        }
    }
    return nullptr;
}

// The options the play gives zrt-vivoraz-cli: its argv items that start with "--".
std::vector<std::string> PlayOptions(const fs::path& play) {
    std::vector<std::string> options;
    std::ifstream in(play);
    for (std::string line; std::getline(in, line);) {
        const std::size_t item = line.find("- --");
        if (item != std::string::npos && line.find_first_not_of(' ') == item) {
            options.push_back(line.substr(item + 2));
        }
    }
    return options;
}

const std::string IMPORT_TASK = "Apply the settings to every reader";
const std::string VERDICT_TASK = "Fail where a reader did not store the settings";

class AnsibleFleet : public ::testing::Test {
  protected:
    AnsibleFleet() {
        // Both readers start with the template; the settings file asks for something else.
        bed.AddReader(0,
                      VirtualReader({1175, 101, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_41));
        VirtualReader refusing({151, 202, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51);
        refusing.AddFault(Fault(FaultKind::Ack).On(link::CMD_WRITE_CONFIG).WithValue(0).Always());
        bed.AddReader(1, std::move(refusing));
        char name[] = "/tmp/zrt-ansible-XXXXXX";
        folder = mkdtemp(name);
        // For ansible-playbook (a JSON report, its own state folder) and apt-get.
        setenv("ANSIBLE_STDOUT_CALLBACK", "json", 1);
        setenv("ANSIBLE_NOCOLOR", "1", 1);
        setenv("ANSIBLE_RETRY_FILES_ENABLED", "0", 1);
        setenv("ANSIBLE_HOME", (folder / "ansible").c_str(), 1);
        setenv("DEBIAN_FRONTEND", "noninteractive", 1);
    }
    ~AnsibleFleet() override {
        // On every way out of the test, failures included.
        if (installing) {
            RunCommand({"apt-get", "purge", "-y", "zrt-vivoraz", "zrt-vivoraz-cli"}, folder);
        }
        fs::remove_all(folder);
    }

    // The playbook against this machine; its JSON report.
    Json Play(const std::vector<std::string>& debs, int& status) {
        const Json variables = {
            {"ansible_become", false},
            {"ansible_python_interpreter", "/usr/bin/python3"},
            {"zrt_deb_files", debs},
            {"zrt_settings_file", (folder / "settings.json").string()},
            {"zrt_settings_dest", (folder / "host" / "settings.json").string()}};
        std::ofstream(folder / "vars.json") << variables.dump();
        const Outcome run = RunCommand(
            {"ansible-playbook", "-i", "localhost,", "-c", "local", "-e",
             "@" + (folder / "vars.json").string(), ZRT_SOURCE_DIR "/examples/ansible/linux.yml"},
            folder);
        status = run.status;
        const Json report = Json::parse(run.out, nullptr, false);
        EXPECT_FALSE(report.is_discarded()) << run.out << run.err;
        return report;
    }

    std::string Letters(unsigned number) { return Commands(bed.Log(number)); }

    UmockdevBed bed;
    fs::path folder;
    bool installing = false;  // the play may have installed the packages
};

TEST_F(AnsibleFleet, FailsTheHostWithItsReasonAndWritesOnlyReadersThatDiffer) {
    const std::vector<std::string> options =
        PlayOptions(ZRT_SOURCE_DIR "/examples/ansible/linux.yml");
    ASSERT_GE(options.size(), 3u) << "the play's command line was not found";
    const std::string help = RunCommand({ZRT_CLI_PATH, "--help"}, folder).out +
                             RunCommand({ZRT_CLI_PATH, "import", "--help"}, folder).out;
    for (const std::string& option : options) {
        EXPECT_NE(help.find(option + " "), std::string::npos)
            << "the play uses " << option << ", which zrt-vivoraz-cli lacks";
    }
    const char* debList = std::getenv("ZRT_ANSIBLE_DEBS");
    if (debList == nullptr || *debList == '\0') {
        GTEST_SKIP() << "ZRT_ANSIBLE_DEBS names no packages to install: run "
                        "scripts/test-packages.sh (as root), which builds them and runs this test "
                        "with them";
    }
    std::vector<std::string> debs;
    std::istringstream words(debList);
    for (std::string deb; words >> deb;) {
        debs.push_back(fs::absolute(deb).string());
    }
    config::ConfigState wanted = config::StateFromRecord(config::RECORD_TEMPLATE);
    wanted.enterAtEnd = !wanted.enterAtEnd;
    wanted.mifare = !wanted.mifare;
    std::ofstream(folder / "settings.json") << config::SettingsToJson(wanted);

    int status = 0;
    installing = true;
    Json report = Play(debs, status);
    EXPECT_NE(status, 0) << "the host with a refusing reader did not fail";
    Json verdict = TaskResult(report, VERDICT_TASK);
    ASSERT_FALSE(verdict.is_null()) << report.dump(1);
    EXPECT_TRUE(verdict.value("failed", false));
    const std::string message = verdict.value("msg", "");
    EXPECT_NE(message.find("/dev/hidraw1"), std::string::npos) << message;
    EXPECT_EQ(message.find("/dev/hidraw0"), std::string::npos) << message;
    bed.WithReader(0, [&](VirtualReader& reader) {
        EXPECT_EQ(config::StateFromRecord(reader.record), wanted);
    });

    // Both storing: the refusing reader now takes the settings, the other is left alone.
    bed.WithReader(1, [](VirtualReader& reader) { reader.ClearFaults(); });
    bed.WithReader(0, [](VirtualReader& reader) { reader.ClearLog(); });
    report = Play(debs, status);
    EXPECT_EQ(status, 0) << report.dump(1);
    EXPECT_TRUE(TaskResult(report, IMPORT_TASK).value("changed", false)) << report.dump(1);
    EXPECT_EQ(Letters(0).find('C'), std::string::npos) << Letters(0);
    EXPECT_NE(Letters(1).find('C'), std::string::npos) << Letters(1);

    // Again: nothing differs, nothing is sent.
    bed.WithReader(0, [](VirtualReader& reader) { reader.ClearLog(); });
    bed.WithReader(1, [](VirtualReader& reader) { reader.ClearLog(); });
    report = Play(debs, status);
    EXPECT_EQ(status, 0) << report.dump(1);
    const Json import = TaskResult(report, IMPORT_TASK);
    ASSERT_FALSE(import.is_null()) << report.dump(1);
    EXPECT_FALSE(import.value("changed", true));
    EXPECT_EQ(Letters(0).find('C'), std::string::npos) << Letters(0);
    EXPECT_EQ(Letters(1).find('C'), std::string::npos) << Letters(1);

    // A settings file the program refuses before any reader: the failure gives its reason.
    Json refused = Json::parse(config::SettingsToJson(wanted));
    refused["enter"] = "maybe";
    std::ofstream(folder / "settings.json", std::ios::trunc) << refused.dump();
    bed.WithReader(0, [](VirtualReader& reader) { reader.ClearLog(); });
    bed.WithReader(1, [](VirtualReader& reader) { reader.ClearLog(); });
    report = Play(debs, status);
    EXPECT_NE(status, 0);
    verdict = TaskResult(report, VERDICT_TASK);
    ASSERT_FALSE(verdict.is_null()) << report.dump(1);
    EXPECT_TRUE(verdict.value("failed", false));
    const std::string reason =
        (folder / "host" / "settings.json").string() + ": enter: must be true or false";
    EXPECT_NE(verdict.value("msg", "").find("(exit status 1): " + reason), std::string::npos)
        << verdict.value("msg", "");
    EXPECT_EQ(Letters(0) + Letters(1), "");
}

}  // namespace
}  // namespace zrt::sim
