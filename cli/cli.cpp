// The command line of zrt-vivoraz-cli: [--reader SERIAL | --path PATH | --all] [--json] COMMAND
// [ARGS], parsed with CLI11; the chosen command runs with the readers and streams it needs.
#include "cli/cli.hpp"

#include <algorithm>
#include <iostream>
#include <optional>

#include "cli/command.hpp"
#include "firmware/firmware_image.hpp"
#include "link/trace.hpp"
#include "link/trace_platform.hpp"

namespace zrt::cli {

std::unique_ptr<Command> MakeList();
std::unique_ptr<Command> MakeShow();
std::unique_ptr<Command> MakeExport();
std::unique_ptr<Command> MakeImport();
std::unique_ptr<Command> MakeSet();
std::unique_ptr<Command> MakeUpgrade();
std::unique_ptr<Command> MakeProvision();
std::unique_ptr<Command> MakeReport();

std::vector<std::unique_ptr<Command>> AllCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(MakeList());
    commands.push_back(MakeShow());
    commands.push_back(MakeExport());
    commands.push_back(MakeImport());
    commands.push_back(MakeSet());
    commands.push_back(MakeUpgrade());
    commands.push_back(MakeProvision());
    commands.push_back(MakeReport());
    return commands;
}

namespace {

// A serial number in decimal, leading zeros allowed ("04242" is 4242), at most 65535; counted in
// 32 bits with a stop past the limit, so no length overflows (unsigned long is 32 bits on Windows).
std::optional<std::uint16_t> ParseSerial(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 0xFFFF) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint16_t>(value);
}

bool Blank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string::npos;
}

// Reads the command line and runs the command; any failure but a link error's (which the
// commands report per reader) and a usage error's ends here as an exception.
int Run(const std::vector<std::string>& arguments, link::HidPlatform& platform, std::istream& in,
        std::ostream& out, std::ostream& err, firmware::FirmwareCatalogue catalogue, bool& json) {
    CLI::App app(
        "Configures USB contactless card readers of the Zr-T family: lists them, shows "
        "and changes their settings, copies settings between readers, upgrades "
        "their firmware, and programs readers one after another as they are plugged in.",
        "zrt-vivoraz-cli");
    app.set_version_flag("--version",
                         "zrt-vivoraz-cli 1.9" + std::string(firmware::TestImagesNote()));
    app.require_subcommand(1);
    app.fallthrough();  // the global options may also follow the command
    // On Windows too an argument that starts with "/" is a path ("/tmp/x.json"), not an option;
    // the commands added below take this over.
    app.allow_windows_style_options(false);

    std::string serial;
    std::string path;
    bool all = false;
    CLI::Option* readerOption =
        app.add_option("--reader", serial, "The reader with this serial number (decimal)");
    CLI::Option* pathOption = app.add_option("--path", path, "The reader at this device path");
    CLI::Option* allOption =
        app.add_flag("--all", all, "Every reader in turn (show, import, set, upgrade)");
    readerOption->excludes(pathOption)->excludes(allOption);
    pathOption->excludes(allOption);
    app.add_flag("--json", json, "Print the result as one JSON document");
    std::string traceFile;
    app.add_option("--trace", traceFile,
                   "Append the trace (every search, every report sent to and received from a "
                   "reader, repeats folded) to this file");

    std::vector<std::unique_ptr<Command>> commands = AllCommands();
    std::vector<std::pair<CLI::App*, Command*>> subcommands;
    for (const auto& command : commands) {
        CLI::App* sub = app.add_subcommand(command->Name(), command->Description());
        command->Setup(*sub);
        subcommands.emplace_back(sub, command.get());
    }

    link::TracePlatform traced(platform, link::Trace::Program());
    ReaderSet readers(traced);
    Terminal terminal(in, err);
    Context context{readers, Selection{}, json, in, out, err, terminal};
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const bool answered = error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success);
        if (answered || !context.json) {  // --help, --version, or the parser's own message
            const int status = app.exit(error, out, err);
            return status == 0 ? EXIT_DONE : EXIT_USAGE;
        }
        return Fail(context, KIND_USAGE, error.what(), EXIT_USAGE);
    }
    context.json = json;

    // An empty or blank choice is a mistake, never "any reader": nothing is sent.
    if (readerOption->count() > 0) {
        context.selection.serial = ParseSerial(serial);
        if (!context.selection.serial) {
            return Fail(context, KIND_USAGE,
                        "--reader: '" + serial + "' is not a serial number (0 to 65535)",
                        EXIT_USAGE);
        }
    }
    if (pathOption->count() > 0) {
        if (Blank(path)) {
            return Fail(context, KIND_USAGE, "--path: '" + path + "' is not a device path",
                        EXIT_USAGE);
        }
        context.selection.path = path;
    }
    context.selection.all = all;

    // The program's trace (kept in memory) goes between the readers and the system in every run;
    // --trace appends it to a file as well.
    if (!traceFile.empty()) {
        std::string error;
        if (!link::Trace::Program().OpenFile(traceFile, error)) {
            return Fail(context, KIND_USAGE, "--trace: " + error, EXIT_USAGE);
        }
    }
    Context chosen{readers, context.selection, context.json, in, out, err, terminal, catalogue};
    for (const auto& [sub, command] : subcommands) {
        if (sub->parsed()) {
            return command->Run(chosen);
        }
    }
    return EXIT_USAGE;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, link::HidPlatform& platform,
                   std::istream& in, std::ostream& out, std::ostream& err,
                   firmware::FirmwareCatalogue catalogue) {
    // --json is known before the parse, which may fail: a failed run still prints one document.
    bool json = std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
    try {
        return Run(arguments, platform, in, out, err, catalogue, json);
    } catch (const std::exception& failure) {
        ReaderSet none(platform);
        Terminal terminal(in, err);
        const Context context{none, Selection{}, json, in, out, err, terminal};
        return Fail(context, KIND_INPUT, std::string("unexpected failure: ") + failure.what(),
                    EXIT_FAILED);
    }
}

}  // namespace zrt::cli
