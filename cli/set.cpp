// set NAME=VALUE...: changes the named settings of readers, keeping the others as each reader has
// them; the record written is read back and compared. The reader's lock is held from the load to
// the read-back, so no other program writes in between. With --only-if-different a reader whose
// settings the assignments do not change is not written.
#include <iostream>

#include "cli/command.hpp"
#include "cli/readers.hpp"
#include "config/settings_file.hpp"
#include "config/settings_words.hpp"
#include "core/reader_service.hpp"
#include "link/zrhid.hpp"

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
        command.add_flag("--only-if-different", onlyIfDifferent_,
                         "Leave a reader that already holds these settings as it is");
    }

  protected:
    // Every assignment is checked before any reader is touched.
    std::optional<int> Prepare(Context& context) override {
        config::ConfigState probe;
        for (const std::string& assignment : assignments_) {
            const std::size_t equals = assignment.find('=');
            std::string error;
            config::SettingsError problem;
            if (equals == std::string::npos) {
                error = "'" + assignment + "' is not NAME=VALUE";
            } else if (!config::SetSetting(probe, assignment.substr(0, equals),
                                           assignment.substr(equals + 1), problem)) {
                error = SettingsErrorText(problem);
            }
            if (!error.empty()) {
                return Fail(context, KIND_USAGE, error, EXIT_USAGE);
            }
        }
        return std::nullopt;
    }

    Json InitialFields() const override { return {{"changed", false}}; }
    bool AlwaysPrintsResultLine() const override { return true; }

    void RunOn(Context& /*context*/, ReaderEntry& entry, ReaderResult& result) override {
        link::ZrHID& reader = *entry.reader;
        const link::ReaderLock lock(reader);  // from the load to the read-back
        const core::LoadedReader loaded = core::LoadReader(reader);
        config::ConfigState state = config::StateFromRecord(loaded.record);
        for (const std::string& assignment : assignments_) {
            const std::size_t equals = assignment.find('=');
            config::SettingsError checked;  // by Prepare
            config::SetSetting(state, assignment.substr(0, equals), assignment.substr(equals + 1),
                               checked);
        }
        if (onlyIfDifferent_ && AlreadyHolds(loaded.info.model, loaded.record, state)) {
            result.unchanged = true;
            return;
        }
        result.fields["changed"] = true;  // from here on a "C" may have gone out
        Verify(result, WriteAndVerify(reader, state));
    }

  private:
    std::vector<std::string> assignments_;
    bool onlyIfDifferent_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeSet() {
    return std::make_unique<Set>();
}

}  // namespace zrt::cli
