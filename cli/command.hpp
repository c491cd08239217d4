// The shared base of the command-line program's commands (one class per command, one file each):
// what every command gets to work with, and the frame of the commands that act on readers one by
// one (show, import, set, upgrade), with --all and the result line or JSON result of each reader.
#pragma once

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/readers.hpp"
#include "cli/terminal.hpp"
#include "firmware/firmware_image.hpp"

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
    firmware::FirmwareCatalogue catalogue = firmware::BuiltInCatalogue();  // what upgrade offers
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

// What kind of failure ends a run before it reaches a reader, as the JSON error document names it.
inline constexpr const char* KIND_USAGE = "usage";    // the command line must change
inline constexpr const char* KIND_INPUT = "input";    // a file or standard input cannot be used
inline constexpr const char* KIND_READER = "reader";  // no reader, or none that answers
inline constexpr const char* KIND_ACCESS = "access";  // a reader is there but cannot be opened

// Prints `document` as the run's one JSON document. Texts that are not UTF-8 never stop it.
void PrintJson(std::ostream& out, const Json& document);
// Ends a run that failed before it reached a reader: the message on standard error, or with
// --json the error document {"error": {"message", "kind"}} on standard output. Returns `status`.
int Fail(const Context& context, const char* kind, const std::string& message, int status);

// What a command did with one reader.
struct ReaderResult {
    bool ok = true;
    bool unchanged = false;        // nothing was written: the reader already held the settings
    std::string error;             // when not ok
    std::string text;              // the command's own output for the reader, lines ending in '\n'
    Json fields = Json::object();  // the command's own fields of the reader's JSON result

    void Failed(const std::string& why) {
        ok = false;
        error = why;
    }
};

class ReaderCommand : public Command {
  public:
    int Run(Context& context) final;

  protected:
    // Checks made before any reader is touched (a file read, the command line); an exit status
    // ends the run there.
    virtual std::optional<int> Prepare(Context& /*context*/) { return std::nullopt; }
    // The command's fields of every result, as they stand when the reader was not worked on.
    virtual Json InitialFields() const { return Json::object(); }
    // Whether the result line is printed for a single reader too (else only with --all).
    virtual bool AlwaysPrintsResultLine() const { return false; }
    // Works on one opened reader, filling `result` (which starts with InitialFields). A link error
    // raised here fails the reader, keeping the fields filled so far.
    virtual void RunOn(Context& context, ReaderEntry& entry, ReaderResult& result) = 0;
};

// Searches the readers and chooses those the command line asks for; an exit status (with the
// message given) when there are none to work on.
std::optional<int> SearchAndChoose(Context& context, Chosen& chosen);

// Fills the result of a write that was read back (WriteAndVerify): "changed" true, and a failure
// naming each setting that differs when the reader did not store the settings.
void Verify(ReaderResult& result, const Written& written);

// The commands, in the order --help lists them.
std::vector<std::unique_ptr<Command>> AllCommands();

// Serial number as the window shows it: five digits.
std::string SerialText(std::uint16_t serial);

}  // namespace zrt::cli
