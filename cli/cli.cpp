// The command line of zrt-vivoraz-cli: [--reader SERIAL | --path PATH | --all] [--json] COMMAND
// [ARGS], parsed with CLI11; the chosen command runs with the readers and streams it needs.
#include "cli/cli.hpp"

#include <algorithm>
#include <iostream>

#include "cli/command.hpp"
#include "firmware/firmware_image.hpp"
#include "link/trace_platform.hpp"

namespace zrt::cli {

std::unique_ptr<Command> MakeList();
std::unique_ptr<Command> MakeShow();
std::unique_ptr<Command> MakeExport();
std::unique_ptr<Command> MakeImport();
std::unique_ptr<Command> MakeSet();
std::unique_ptr<Command> MakeUpgrade();

std::vector<std::unique_ptr<Command>> AllCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(MakeList());
    commands.push_back(MakeShow());
    commands.push_back(MakeExport());
    commands.push_back(MakeImport());
    commands.push_back(MakeSet());
    commands.push_back(MakeUpgrade());
    return commands;
}

namespace {

// A serial number in decimal, leading zeros allowed ("04242" is 4242), at most 65535.
std::optional<std::uint16_t> ParseSerial(const std::string& text) {
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const unsigned long value = std::stoul(text);
    if (value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, link::HidPlatform& platform,
                   std::istream& in, std::ostream& out, std::ostream& err) {
    CLI::App app(
        "Configures USB contactless card readers of the Zr-T family: lists them, shows "
        "and changes their settings, copies settings between readers and upgrades "
        "their firmware.",
        "zrt-vivoraz-cli");
    app.set_version_flag("--version",
                         "zrt-vivoraz-cli 1.9" + std::string(firmware::TestImagesNote()));
    app.require_subcommand(1);
    app.fallthrough();  // the global options may also follow the command

    std::string serial;
    std::string path;
    bool all = false;
    bool json = false;
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
                   "Append every report sent to and received from a reader, and every search, "
                   "to this file");
    const auto started = std::chrono::steady_clock::now();

    std::vector<std::unique_ptr<Command>> commands = AllCommands();
    std::vector<std::pair<CLI::App*, Command*>> subcommands;
    for (const auto& command : commands) {
        CLI::App* sub = app.add_subcommand(command->Name(), command->Description());
        command->Setup(*sub);
        subcommands.emplace_back(sub, command.get());
    }

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        return status == 0 ? EXIT_DONE : EXIT_USAGE;
    }

    Selection selection;
    if (!serial.empty()) {
        selection.serial = ParseSerial(serial);
        if (!selection.serial) {
            err << "zrt-vivoraz-cli: --reader: '" << serial
                << "' is not a serial number (0 to 65535)\n";
            return EXIT_USAGE;
        }
    }
    if (!path.empty()) {
        selection.path = path;
    }
    selection.all = all;

    std::unique_ptr<link::TracePlatform> trace;
    if (!traceFile.empty()) {
        std::string error;
        trace = link::OpenTrace(platform, traceFile, started, error);
        if (!trace) {
            err << "zrt-vivoraz-cli: --trace: " << error << "\n";
            return EXIT_USAGE;
        }
    }
    ReaderSet readers(trace ? *trace : platform);
    Terminal terminal(in, err);
    Context context{readers, selection, json, in, out, err, terminal};
    for (const auto& [sub, command] : subcommands) {
        if (sub->parsed()) {
            return command->Run(context);
        }
    }
    return EXIT_USAGE;
}

}  // namespace zrt::cli
