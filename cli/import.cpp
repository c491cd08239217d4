// import FILE: writes the settings of a settings file to readers, each written record read back
// and compared; the whole file is checked before anything is sent. With --only-if-different a
// reader that already holds the settings is not written; with --dry-run no reader is touched.
#include <iostream>

#include "cli/command.hpp"
#include "cli/files.hpp"
#include "cli/readers.hpp"
#include "config/settings_file.hpp"
#include "core/reader_service.hpp"
#include "link/zrhid.hpp"

namespace zrt::cli {

namespace {

class Import final : public ReaderCommand {
  public:
    const char* Name() const override { return "import"; }
    const char* Description() const override {
        return "Write the settings of a settings file to the reader and check them";
    }
    void Setup(CLI::App& command) override {
        command.add_option("FILE", file_, "The settings file to read, - for standard input")
            ->required();
        command.add_flag("--dry-run", dryRun_, "Print the record instead of writing it");
        command.add_flag("--only-if-different", onlyIfDifferent_,
                         "Leave a reader that already holds these settings as it is");
    }

  protected:
    std::optional<int> Prepare(Context& context) override {
        std::string text;
        std::string error;
        const std::optional<config::ConfigState> state =
            ReadSettingsFile(file_, context.in, text, error);
        if (!state) {
            return Fail(context, KIND_INPUT, error, EXIT_FAILED);
        }
        state_ = *state;
        if (dryRun_) {
            const std::string record = config::HexBytes(config::RecordFromState(state_));
            if (context.json) {
                PrintJson(context.out, Json{{"record", record}});
            } else {
                context.out << record << "\n";
            }
            return EXIT_DONE;
        }
        return std::nullopt;
    }

    Json InitialFields() const override { return {{"changed", false}}; }
    bool AlwaysPrintsResultLine() const override { return true; }

    void RunOn(Context& /*context*/, ReaderEntry& entry, ReaderResult& result) override {
        link::ZrHID& reader = *entry.reader;
        // The comparison and the write under one lock: nobody writes in between.
        const link::ReaderLock lock(reader);
        if (onlyIfDifferent_) {
            const core::LoadedReader loaded = core::LoadReader(reader);
            if (AlreadyHolds(loaded.info.model, loaded.record, state_)) {
                result.unchanged = true;
                return;
            }
        } else {
            reader.ReadInfo();  // names the reader in the result, and its model the verdict
        }
        result.fields["changed"] = true;  // from here on a "C" may have gone out
        Verify(result, WriteAndVerify(reader, state_));
    }

  private:
    std::string file_;
    bool dryRun_ = false;
    bool onlyIfDifferent_ = false;
    config::ConfigState state_;
};

}  // namespace

std::unique_ptr<Command> MakeImport() {
    return std::make_unique<Import>();
}

}  // namespace zrt::cli
