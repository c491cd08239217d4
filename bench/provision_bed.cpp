// zrt_bench_provision_bed: the provisioning station of the command-line program measured in the
// umockdev bed with virtual readers, each of which needs its settings written. Four runs of
// `zrt-vivoraz-cli --json provision FILE --log CSV`, the program's output read line by line:
// - latency: readers plugged in one after another, each pulled out after its line: the time from
//   the plug-in to the line (as this program sees it) and the "ms" the line gives;
// - sequence: 100 readers plugged in one after another, each pulled out after its line: every one
//   has its line and its log row, none is missed and none is written twice (one "C" each);
// - at once: 10 readers plugged in together: all 10 handled, each written once;
// - faults (the build for test images, with --upgrade, whose images are newer than the readers'
//   firmware): a reader that refuses the write, one pulled out during its write, one whose upload
//   is refused, then a good one: the three failed with their reasons, none counted as written,
//   the run going on to the good one.
//
//   zrt_bench_provision_bed CLI TEST_IMAGES_CLI [--latency N]
//
// Prints one "name=value" line a figure and "check ...=ok|FAILED" a condition; exit status 1 when
// a condition failed.
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/reader_config.hpp"
#include "config/settings_file.hpp"
#include "link/zrhid.hpp"
#include "sim/umockdev_bed.hpp"
#include "tests/app/line_process.hpp"

namespace {

using namespace zrt;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto LINE_TIMEOUT = 30s;
// Between a line and the pull-out, and between a pull-out and the next plug-in: the bed's pull-out
// races an open of the same node by a search still under way (umockdev's preload then ends the
// program), which a reader on a desk, pulled by a hand, never meets.
constexpr auto HAND = 100ms;
// From the program's start to the first plug-in: it watches for changes by then.
constexpr auto STARTED = 500ms;
bool allHeld = true;

void Check(const char* name, bool held, const std::string& detail = "") {
    std::printf("check %s=%s%s%s\n", name, held ? "ok" : "FAILED", detail.empty() ? "" : " ",
                detail.c_str());
    allHeld = allHeld && held;
}

sim::VirtualReader Reader(std::uint16_t serial) {
    return sim::VirtualReader({151, serial, 12}, config::RECORD_TEMPLATE, link::PRODUCT_ID_51);
}

// The readers are made before the run starts and plugged in during it: a device the bed made
// while the program watched could be opened before its socket answers.
void Prepare(sim::UmockdevBed& bed, unsigned number, sim::VirtualReader reader) {
    bed.AddReader(number, std::move(reader));
    bed.Unplug(number);
}

int Writes(sim::UmockdevBed& bed, unsigned number) {
    int writes = 0;
    for (const sim::Request& request : bed.Log(number)) {
        writes += request.command == link::CMD_WRITE_CONFIG ? 1 : 0;
    }
    return writes;
}

std::size_t Rows(const std::string& path) {
    std::ifstream file(path);
    std::size_t rows = 0;
    for (std::string line; std::getline(file, line);) {
        ++rows;
    }
    return rows > 0 ? rows - 1 : 0;  // without the header
}

// A run of the station: its lines as JSON objects.
struct Run {
    Run(const std::string& cli, const std::string& settings, const std::string& log, bool upgrade)
        : errors(log + ".errors"),
          process(upgrade ? std::vector<std::string>{cli, "--json", "provision", settings, "--log",
                                                     log, "--upgrade"}
                          : std::vector<std::string>{cli, "--json", "provision", settings, "--log",
                                                     log},
                  errors) {}
    // The next line's object; an empty object when none came (or it was no object).
    nlohmann::json Next() {
        const std::optional<std::string> line = process.Line(LINE_TIMEOUT);
        nlohmann::json object = line ? nlohmann::json::parse(*line, nullptr, false) : nullptr;
        if (!object.is_object()) {
            std::ifstream said(errors);
            std::stringstream text;
            text << said.rdbuf();
            const std::optional<int> status = process.Wait(0ms);
            std::fprintf(stderr, "no line: %s (status %d) %s\n", line.value_or("(none)").c_str(),
                         status.value_or(-1), text.str().c_str());
            return nlohmann::json::object();
        }
        return object;
    }
    void End() {
        process.Signal(SIGINT);
        process.Line(LINE_TIMEOUT);  // the summary
        process.Wait(LINE_TIMEOUT);
    }
    std::string errors;
    sim::LineProcess process;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void Latency(sim::UmockdevBed& bed, const std::string& cli, const std::string& settings,
             const std::string& folder, int count) {
    for (int i = 0; i < count; ++i) {
        Prepare(bed, 200 + static_cast<unsigned>(i), Reader(static_cast<std::uint16_t>(2000 + i)));
    }
    Run run(cli, settings, folder + "/latency.csv", false);
    std::this_thread::sleep_for(STARTED);
    std::vector<double> seen;
    std::vector<double> stated;
    for (int i = 0; i < count; ++i) {
        const unsigned number = 200 + static_cast<unsigned>(i);
        const auto plugged = Clock::now();
        bed.Plug(number);
        const nlohmann::json line = run.Next();
        seen.push_back(std::chrono::duration<double, std::milli>(Clock::now() - plugged).count());
        stated.push_back(line.value("ms", -1.0));
        std::printf("latency_%d_ms=%.1f\n", i, seen.back());
        std::this_thread::sleep_for(HAND);
        bed.Unplug(number);
        std::this_thread::sleep_for(HAND);
    }
    run.End();
    std::printf("latency_readers=%d\n", count);
    std::printf("latency_plug_to_line_median_ms=%.1f\nlatency_plug_to_line_max_ms=%.1f\n",
                Median(seen), *std::max_element(seen.begin(), seen.end()));
    std::printf("latency_line_ms_median=%.0f\nlatency_line_ms_max=%.0f\n", Median(stated),
                *std::max_element(stated.begin(), stated.end()));
    Check("latency_within_300ms", *std::max_element(seen.begin(), seen.end()) <= 300.0);
}

void Sequence(sim::UmockdevBed& bed, const std::string& cli, const std::string& settings,
              const std::string& folder) {
    const std::string log = folder + "/sequence.csv";
    for (int i = 0; i < 100; ++i) {
        Prepare(bed, 300 + static_cast<unsigned>(i), Reader(static_cast<std::uint16_t>(3000 + i)));
    }
    Run run(cli, settings, log, false);
    std::this_thread::sleep_for(STARTED);
    int lines = 0;
    int written = 0;
    int writtenTwice = 0;
    const auto start = Clock::now();
    for (int i = 0; i < 100; ++i) {
        const unsigned number = 300 + static_cast<unsigned>(i);
        bed.Plug(number);
        const nlohmann::json line = run.Next();
        lines += line.empty() ? 0 : 1;
        written += line.value("result", "") == "written" ? 1 : 0;
        if (line.value("result", "") != "written") {
            std::printf("sequence_not_written_%d=%s\n", i, line.dump().c_str());
        }
        std::this_thread::sleep_for(HAND);
        bed.Unplug(number);
        std::this_thread::sleep_for(HAND);
        writtenTwice += Writes(bed, number) > 1 ? 1 : 0;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.End();
    std::printf("sequence_lines=%d\nsequence_written=%d\nsequence_log_rows=%zu\n", lines, written,
                Rows(log));
    std::printf("sequence_seconds=%.1f\n", seconds);
    std::printf("sequence_written_twice=%d\n", writtenTwice);
    Check("sequence_100_lines_100_rows_none_twice",
          lines == 100 && written == 100 && Rows(log) == 100 && writtenTwice == 0);
}

void AtOnce(sim::UmockdevBed& bed, const std::string& cli, const std::string& settings,
            const std::string& folder) {
    const std::string log = folder + "/at-once.csv";
    for (unsigned i = 0; i < 10; ++i) {
        Prepare(bed, 400 + i, Reader(static_cast<std::uint16_t>(4000 + i)));
    }
    Run run(cli, settings, log, false);
    std::this_thread::sleep_for(STARTED);
    const auto plugged = Clock::now();
    for (unsigned i = 0; i < 10; ++i) {
        bed.Plug(400 + i);
    }
    int written = 0;
    for (int i = 0; i < 10; ++i) {
        written += run.Next().value("result", "") == "written" ? 1 : 0;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - plugged).count();
    run.End();
    int once = 0;
    for (unsigned i = 0; i < 10; ++i) {
        once += Writes(bed, 400 + i) == 1 ? 1 : 0;
        bed.Unplug(400 + i);
    }
    std::printf("at_once_written=%d\nat_once_written_once=%d\nat_once_all_ms=%.0f\n", written,
                once, ms);
    Check("at_once_all_10_handled", written == 10 && once == 10 && Rows(log) == 10);
}

void Faults(sim::UmockdevBed& bed, const std::string& cli, const std::string& settings,
            const std::string& folder) {
    const std::string log = folder + "/faults.csv";
    sim::VirtualReader refusing = Reader(5001);
    refusing.AddFault(
        sim::Fault(sim::FaultKind::Ack).On(link::CMD_WRITE_CONFIG).WithValue(1).Always());
    sim::VirtualReader failingUpload = Reader(5003);
    failingUpload.AddFault(
        sim::Fault(sim::FaultKind::Ack).On(link::CMD_UPGRADE_BLOCK).AtBlock(5).WithValue(1));
    Prepare(bed, 500, refusing);
    Prepare(bed, 501, Reader(5002));
    bed.PullOutOn(501, link::CMD_WRITE_CONFIG);
    Prepare(bed, 502, failingUpload);
    Prepare(bed, 503, Reader(5004));
    Run run(cli, settings, log, true);
    std::this_thread::sleep_for(STARTED);
    std::vector<nlohmann::json> lines;
    for (unsigned number = 500; number < 504; ++number) {
        bed.Plug(number);
        lines.push_back(run.Next());
        if (number != 501) {  // the reader pulled out in its write is gone at once
            std::this_thread::sleep_for(HAND);
        }
        bed.Unplug(number);
        std::this_thread::sleep_for(HAND);
    }
    run.process.Signal(SIGINT);
    const nlohmann::json summary = run.Next();
    run.process.Wait(LINE_TIMEOUT);
    bool failedWithReasons = true;
    for (int i = 0; i < 3; ++i) {
        const nlohmann::json& line = lines[static_cast<std::size_t>(i)];
        std::printf("fault_%d=%s\n", i + 1, line.dump().c_str());
        failedWithReasons = failedWithReasons && line.value("result", "") == "failed" &&
                            line.contains("error") && line["error"].is_string() &&
                            !line["error"].get<std::string>().empty();
    }
    std::printf("fault_good=%s\nfault_summary=%s\n", lines[3].dump().c_str(),
                summary.dump().c_str());
    Check("faults_each_failed_with_its_reason", failedWithReasons);
    Check("faults_run_goes_on_none_counted_written",
          lines[3].value("result", "") == "written" && summary.contains("summary") &&
              summary["summary"].value("written", -1) == 1 &&
              summary["summary"].value("failed", -1) == 3 && Rows(log) == 4);
}

}  // namespace

int main(int argc, char** argv) {
    if (!sim::RunUnderUmockdevPreload(argv)) {
        return 2;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s CLI TEST_IMAGES_CLI [--latency N]\n", argv[0]);
        return 2;
    }
    const std::string cli = argv[1];
    const std::string testImagesCli = argv[2];
    const int latencyCount = argc > 4 && std::string(argv[3]) == "--latency" ? std::atoi(argv[4]) : 20;
    char pattern[] = "/tmp/zrt-bench-provision-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return 2;
    }
    const std::string folder = pattern;
    config::ConfigState state = config::StateFromRecord(config::RECORD_TEMPLATE);
    state.reversed = !state.reversed;
    const std::string settings = folder + "/settings.json";
    std::ofstream(settings) << config::SettingsToJson(state);
    {
        sim::UmockdevBed bed;
        Latency(bed, cli, settings, folder, latencyCount);
        Sequence(bed, cli, settings, folder);
        AtOnce(bed, cli, settings, folder);
        Faults(bed, testImagesCli, settings, folder);
    }
    std::filesystem::remove_all(folder);
    return allHeld ? 0 : 1;
}
