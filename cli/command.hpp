// The shared base of the command-line program's commands (one class per command, one file each):
// what every command gets to work with, and the frame of the commands that act on readers one by
// one (show, import, set, upgrade), with --all and the result line or JSON result of each reader.
#pragma once

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "cli/readers.hpp"
#include "cli/terminal.hpp"

namespace zrt::cli {

using Json = nlohmann::ordered_json;

// Exit status of a run.
inline constexpr int EXIT_DONE = 0;    // everything asked was done
inline constexpr int EXIT_FAILED = 1;  // a reader or file failed, no reader found, or declined
inline constexpr int EXIT_USAGE = 2;   // the command line must change

// What a command works with: the readers, what the global options chose, and the streams.
struct Context {
    ReaderSet& readers;
    Selection selection;
    bool json = false;
    std::istream& in;   // a settings file given as "-"
    std::ostream& out;  // results
    std::ostream& err;  // messages
    Terminal& terminal;
};

class Command {
  public:
    virtual ~Command() = default;
    virtual const char* Name() const = 0;
    virtual const char* Description() const = 0;
    // Adds the command's own arguments and options to its subcommand.
    virtual void Setup(CLI::App& command) = 0;
    // Runs the command after the command line was parsed; returns the exit status.
    virtual int Run(Context& context) = 0;
};

// What a command did with one reader.
struct ReaderResult {
    bool ok = true;
    std::string error;             // when not ok
    std::string text;              // the command's own output for the reader, lines ending in '\n'
    Json fields = Json::object();  // the command's own fields of the reader's JSON result
};

class ReaderCommand : public Command {
  public:
    int Run(Context& context) final;

  protected:
    // Checks made before any reader is touched (a file read, the command line); an exit status
    // ends the run there.
    virtual std::optional<int> Prepare(Context& /*context*/) { return std::nullopt; }
    virtual ReaderResult RunOn(Context& context, ReaderEntry& entry) = 0;

    // A link error as a failed result.
    static ReaderResult Failed(const std::string& error);
};

// Searches the readers and chooses those the command line asks for; an exit status (with the
// message given) when there are none to work on.
std::optional<int> SearchAndChoose(Context& context, Chosen& chosen);

// The result of a write that was read back (WriteAndVerify): a failure naming each setting that
// differs.
ReaderResult Verified(const std::vector<std::string>& differences);

// The commands, in the order --help lists them.
std::vector<std::unique_ptr<Command>> AllCommands();

// Serial number as the window shows it: five digits.
std::string SerialText(std::uint16_t serial);
// Bytes as two-digit hexadecimal numbers joined by blanks.
std::string HexBytes(const config::ReaderConfig& record);

}  // namespace zrt::cli
