// set NAME=VALUE...: changes the named settings of readers, keeping the others as each reader has
// them; the record written is read back and compared.
#include <iostream>

#include "cli/command.hpp"
#include "config/settings_words.hpp"

namespace zrt::cli {

namespace {

class Set final : public ReaderCommand {
  public:
    const char* Name() const override { return "set"; }
    const char* Description() const override {
        return "Change settings by name (number.format=dec before.1=LShift+A after.2=null ...)";
    }
    void Setup(CLI::App& command) override {
        command.add_option("SETTING", assignments_, "NAME=VALUE, names as in the settings file")
            ->required();
    }

  protected:
    // Every assignment is checked before any reader is touched.
    std::optional<int> Prepare(Context& context) override {
        config::ConfigState probe;
        for (const std::string& assignment : assignments_) {
            const std::size_t equals = assignment.find('=');
            std::string error;
            if (equals == std::string::npos) {
                error = "'" + assignment + "' is not NAME=VALUE";
            } else {
                config::SetSetting(probe, assignment.substr(0, equals),
                                   assignment.substr(equals + 1), error);
            }
            if (!error.empty()) {
                context.err << "zrt-vivoraz-cli: " << error << "\n";
                return EXIT_USAGE;
            }
        }
        return std::nullopt;
    }

    ReaderResult RunOn(Context& /*context*/, ReaderEntry& entry) override {
        config::ConfigState state = config::StateFromRecord(Load(*entry.reader).record);
        for (const std::string& assignment : assignments_) {
            const std::size_t equals = assignment.find('=');
            std::string error;
            config::SetSetting(state, assignment.substr(0, equals), assignment.substr(equals + 1),
                               error);
        }
        return Verified(WriteAndVerify(*entry.reader, state));
    }

  private:
    std::vector<std::string> assignments_;
};

}  // namespace

std::unique_ptr<Command> MakeSet() {
    return std::make_unique<Set>();
}

}  // namespace zrt::cli
