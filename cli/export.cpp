// export FILE: a reader's settings as a settings file ("-": standard output).
#include <iostream>

#include "cli/command.hpp"
#include "cli/files.hpp"
#include "config/settings_file.hpp"
#include "core/reader_service.hpp"

namespace zrt::cli {

namespace {

class Export final : public Command {
  public:
    const char* Name() const override { return "export"; }
    const char* Description() const override {
        return "Write a reader's settings to a settings file (- for standard output)";
    }
    void Setup(CLI::App& command) override {
        command.add_option("FILE", file_, "The settings file to write, - for standard output")
            ->required();
    }

    int Run(Context& context) override {
        if (context.selection.all) {
            return Fail(context, KIND_USAGE, "export takes one reader, not --all", EXIT_USAGE);
        }
        Chosen chosen;
        if (const std::optional<int> status = SearchAndChoose(context, chosen)) {
            return *status;
        }
        ReaderEntry& entry = *chosen.entries.front();
        core::LoadedReader loaded;
        try {
            loaded = core::LoadReader(*entry.reader);
        } catch (const link::ZrHIDErr& error) {
            return Fail(context, KIND_READER, entry.path + ": " + LinkErrorText(error.code),
                        EXIT_FAILED);
        }
        std::string error;
        if (!WriteTextFile(file_, config::SettingsToJson(config::StateFromRecord(loaded.record)),
                           context.out, error)) {
            return Fail(context, KIND_INPUT, error, EXIT_FAILED);
        }
        if (file_ != "-") {
            const std::string file = config::PrintableText(file_);
            if (context.json) {
                PrintJson(context.out, Json{{"serial", loaded.info.serial},
                                            {"path", config::PrintableText(entry.path)},
                                            {"ok", true},
                                            {"error", nullptr},
                                            {"file", file}});
            } else {
                context.err << "Settings of reader " << SerialText(loaded.info.serial)
                            << " written to " << file << "\n";
            }
        }
        return EXIT_DONE;
    }

  private:
    std::string file_;
};

}  // namespace

std::unique_ptr<Command> MakeExport() {
    return std::make_unique<Export>();
}

}  // namespace zrt::cli
