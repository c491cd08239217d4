// show: a reader's identity, its settings in words and the 16 bytes of its record.
#include <nlohmann/json.hpp>

#include "cli/command.hpp"
#include "config/settings_file.hpp"
#include "config/settings_words.hpp"
#include "core/reader_service.hpp"
#include "core/reader_status.hpp"

namespace zrt::cli {

namespace {

class Show final : public ReaderCommand {
  public:
    const char* Name() const override { return "show"; }
    const char* Description() const override {
        return "Show a reader's identity, its settings and its record";
    }
    void Setup(CLI::App& /*command*/) override {}

  protected:
    void RunOn(Context& /*context*/, ReaderEntry& entry, ReaderResult& result) override {
        const core::LoadedReader loaded = core::LoadReader(*entry.reader);
        const config::ConfigState state = config::StateFromRecord(loaded.record);
        const link::ReaderInfo& info = loaded.info;
        result.text = "reader    " + config::PrintableText(entry.path) + "\nmodel     " +
                      core::ModelName(info.model) + " (model word " + std::to_string(info.model) +
                      ")\nserial    " + SerialText(info.serial) + "\nfirmware  " +
                      std::to_string(info.firmware) + "\n";
        for (std::string_view name : config::SettingNames()) {
            std::string padded(name);
            padded.resize(16, ' ');
            result.text += padded + "= " + config::SettingText(state, name) + "\n";
        }
        result.text += "record    " + config::HexBytes(loaded.record) + "\n";
        result.fields = {{"model", info.model},
                         {"model_name", core::ModelName(info.model)},
                         {"firmware", info.firmware},
                         {"settings", Json::parse(config::SettingsToJson(state))},
                         {"record", config::HexBytes(loaded.record)}};
    }
};

}  // namespace

std::unique_ptr<Command> MakeShow() {
    return std::make_unique<Show>();
}

}  // namespace zrt::cli
