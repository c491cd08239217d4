// export FILE: a reader's settings as a settings file ("-": standard output).
#include <iostream>

#include "cli/command.hpp"
#include "cli/files.hpp"
#include "config/settings_file.hpp"

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
            context.err << "zrt-vivoraz-cli: export takes one reader, not --all\n";
            return EXIT_USAGE;
        }
        Chosen chosen;
        if (const std::optional<int> status = SearchAndChoose(context, chosen)) {
            return *status;
        }
        ReaderEntry& entry = *chosen.entries.front();
        Loaded loaded;
        try {
            loaded = Load(*entry.reader);
        } catch (const link::ZrHIDErr& error) {
            context.err << "zrt-vivoraz-cli: " << entry.path << ": " << LinkErrorText(error.code)
                        << "\n";
            return EXIT_FAILED;
        }
        std::string error;
        if (!WriteTextFile(file_, config::SettingsToJson(config::StateFromRecord(loaded.record)),
                           context.out, error)) {
            context.err << "zrt-vivoraz-cli: " << error << "\n";
            return EXIT_FAILED;
        }
        if (file_ != "-") {
            if (context.json) {
                context.out << Json{{"serial", loaded.info.serial},
                                    {"path", entry.path},
                                    {"ok", true},
                                    {"error", nullptr},
                                    {"file", file_}}
                                   .dump(2)
                            << "\n";
            } else {
                context.err << "Settings of reader " << SerialText(loaded.info.serial)
                            << " written to " << file_ << "\n";
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
