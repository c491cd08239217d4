// import FILE: writes the settings of a settings file to readers, each written record read back
// and compared; the whole file is checked before anything is sent.
#include <iostream>

#include "cli/command.hpp"
#include "cli/files.hpp"
#include "config/settings_file.hpp"

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
    }

  protected:
    std::optional<int> Prepare(Context& context) override {
        std::string error;
        const std::optional<std::string> text = ReadTextFile(file_, context.in, error);
        std::optional<config::ConfigState> state;
        if (text) {
            state = config::SettingsFromJson(*text, error);
            if (!state) {
                error = file_ + ": " + error;
            }
        }
        if (!state) {
            context.err << "zrt-vivoraz-cli: " << error << "\n";
            return EXIT_FAILED;
        }
        state_ = *state;
        if (dryRun_) {
            const std::string record = HexBytes(config::RecordFromState(state_));
            if (context.json) {
                context.out << Json{{"record", record}}.dump(2) << "\n";
            } else {
                context.out << record << "\n";
            }
            return EXIT_DONE;
        }
        return std::nullopt;
    }

    ReaderResult RunOn(Context& /*context*/, ReaderEntry& entry) override {
        entry.reader->ReadInfo();  // names the reader in the result
        return Verified(WriteAndVerify(*entry.reader, state_));
    }

  private:
    std::string file_;
    bool dryRun_ = false;
    config::ConfigState state_;
};

}  // namespace

std::unique_ptr<Command> MakeImport() {
    return std::make_unique<Import>();
}

}  // namespace zrt::cli
