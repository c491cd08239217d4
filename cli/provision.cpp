// provision FILE [--upgrade] [--log CSV] [--count N]: the provisioning station
// (core/provision.hpp) on the command line. The settings file is read and checked first, as import
// does, and the log opened, before any reader is touched; then every reader attached and every one
// plugged in later is handled, one at a time, until Ctrl+C or SIGTERM (StopRequest: the reader in
// progress is finished first) or until N readers were handled. One line per reader on standard
// output, as it is handled (with --json one JSON object per line), then the summary.
#include <ostream>

#include "cli/command.hpp"
#include "cli/files.hpp"
#include "cli/stop_request.hpp"
#include "config/settings_file.hpp"
#include "core/provision.hpp"
#include "core/sha256.hpp"
#include "texts/texts.hpp"

namespace zrt::cli {

namespace {

// How long a run waits for a change when nothing is due.
constexpr std::chrono::milliseconds IDLE_WAIT{100};

// The upload's progress as `upgrade --yes` shows it, and its waits.
class TerminalStation final : public core::StationListener {
  public:
    explicit TerminalStation(Terminal& terminal) : terminal_(terminal) {}
    void Uploading(int sent, int blocks) override {
        terminal_.Progress("uploading ", sent, blocks);
    }
    void Restarting(int step, int steps) override {
        if (step > 0) {  // the display starts with the first pause
            terminal_.Progress("restarting", step, steps);
        }
    }
    void Wait(int milliseconds) override { terminal_.Sleep(milliseconds); }

  private:
    Terminal& terminal_;
};

// "00042 /dev/hidraw3 written; firmware 12 -> 13; seen before; 9512 ms".
std::string VerdictLine(const core::Verdict& verdict) {
    std::string line = verdict.serial ? SerialText(*verdict.serial) : std::string("?????");
    line += " " + config::PrintableText(verdict.path) + " " + core::ResultWord(verdict.result);
    if (verdict.result == core::Result::Failed) {
        line += ": " + config::PrintableText(texts::ScriptReason(verdict));
    }
    if (verdict.FirmwareChanged()) {
        line += "; firmware " + std::to_string(*verdict.firmwareBefore) + " -> " +
                std::to_string(*verdict.firmwareAfter);
    }
    if (verdict.seenBefore) {
        line += "; seen before";
    }
    return line + "; " + std::to_string(verdict.elapsed.count()) + " ms";
}

Json VerdictJson(const core::Verdict& verdict) {
    const auto number = [](std::optional<std::uint16_t> value) {
        return value ? Json(*value) : Json(nullptr);
    };
    const bool failed = verdict.result == core::Result::Failed;
    return {{"serial", number(verdict.serial)},
            {"path", config::PrintableText(verdict.path)},
            {"model", verdict.serial ? Json(verdict.model) : Json(nullptr)},
            {"result", core::ResultWord(verdict.result)},
            {"error", failed ? Json(config::PrintableText(texts::ScriptReason(verdict))) : Json()},
            {"firmware_before", number(verdict.firmwareBefore)},
            {"firmware_after", number(verdict.firmwareAfter)},
            {"seen_before", verdict.seenBefore},
            {"ms", verdict.elapsed.count()}};
}

class Provision final : public Command {
  public:
    const char* Name() const override { return "provision"; }
    const char* Description() const override {
        return "Give every reader plugged in the settings of a settings file, one after another, "
               "until Ctrl+C";
    }
    void Setup(CLI::App& command) override {
        command.add_option("FILE", file_, "The settings file to read, - for standard input")
            ->required();
        command.add_flag("--upgrade", upgrade_,
                         "Also upload the built-in firmware image to readers with older firmware");
        command.add_option("--log", log_, "Append a CSV row for every reader to this file");
        command.add_option("--count", count_, "End after this many readers")
            ->check(CLI::PositiveNumber);
    }

    int Run(Context& context) override {
        const Selection& selection = context.selection;
        if (selection.serial || selection.path || selection.all) {
            return Fail(context, KIND_USAGE,
                        "provision works on every reader plugged in: --reader, --path and --all "
                        "do not apply",
                        EXIT_USAGE);
        }
        std::string text;
        std::string error;
        const std::optional<config::ConfigState> settings =
            ReadSettingsFile(file_, context.in, text, error);
        if (!settings) {
            return Fail(context, KIND_INPUT, error, EXIT_FAILED);
        }
        core::ProvisionLog log(core::Sha256Hex(text));
        if (int why = 0; !log_.empty() && !log.Open(log_, why)) {
            return Fail(context, KIND_INPUT, "--log: " + CannotWriteText(log_, why), EXIT_FAILED);
        }

        link::HidPlatform& platform = context.readers.Platform();
        StopRequest stop;
        TerminalStation listener(context.terminal);
        link::HidChanges* changes = StopRequest::Changes(platform);
        core::ProvisionStation station(platform, {*settings, upgrade_, context.catalogue}, listener,
                                       changes);
        context.err << "provision: waiting for readers; Ctrl+C ends the run\n" << std::flush;
        bool logFailed = false;
        while (!stop.Requested() && (count_ == 0 || station.Totals().Handled() < count_)) {
            const std::optional<core::Verdict> verdict = station.Step();
            if (!verdict) {
                stop.Wait(station.Pending() ? std::chrono::milliseconds(0) : IDLE_WAIT, changes);
                continue;
            }
            context.terminal.EndProgress();
            if (context.json) {
                context.out << VerdictJson(*verdict).dump(-1, ' ', false,
                                                          Json::error_handler_t::replace)
                            << "\n";
            } else {
                context.out << VerdictLine(*verdict) << "\n";
            }
            context.out << std::flush;
            if (log.IsOpen() && !log.Append(*verdict, texts::ScriptReason(*verdict))) {
                context.err << "zrt-vivoraz-cli: --log: cannot write " << log_
                            << "; the run ends\n";
                logFailed = true;
                break;
            }
        }
        const core::Tally& tally = station.Totals();
        if (context.json) {
            context.out << Json{{"summary",
                                 {{"written", tally.written},
                                  {"unchanged", tally.unchanged},
                                  {"failed", tally.failed}}}}
                               .dump()
                        << "\n";
        } else {
            context.out << "total: " << core::SummaryText(tally) << "\n";
        }
        context.out << std::flush;
        return tally.failed == 0 && !logFailed ? EXIT_DONE : EXIT_FAILED;
    }

  private:
    std::string file_;
    bool upgrade_ = false;
    std::string log_;
    int count_ = 0;
};

}  // namespace

std::unique_ptr<Command> MakeProvision() {
    return std::make_unique<Provision>();
}

}  // namespace zrt::cli
