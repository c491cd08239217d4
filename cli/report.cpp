// report FILE: the report for support (core/report.hpp) written to FILE ("-": standard output),
// about the reader the global options choose (else the one the window would pick), or about none
// when there is none to choose: a report is written in any case.
#include <ostream>

#include "cli/command.hpp"
#include "cli/files.hpp"
#include "config/settings_file.hpp"
#include "core/report.hpp"
#include "link/trace.hpp"

namespace zrt::cli {

namespace {

class Report final : public Command {
  public:
    const char* Name() const override { return "report"; }
    const char* Description() const override {
        return "Write a report for support: program, system, HID devices, reader, trace";
    }
    void Setup(CLI::App& command) override {
        command.add_option("FILE", file_, "The report file to write, - for standard output")
            ->required();
    }

    int Run(Context& context) override {
        link::ZrHID* current = nullptr;
        if (context.readers.Search()) {
            const Chosen chosen = Choose(context.readers, context.selection);
            for (ReaderEntry* entry : chosen.entries) {
                if (current == nullptr && entry->reader) {
                    current = entry->reader.get();
                }
            }
        }
        link::Trace::Note("report: " + config::PrintableText(file_));
        const std::string text = core::ComposeReport(
            link::Trace::Program(), context.readers.Platform(), current, context.catalogue);
        std::string error;
        if (!WriteTextFile(file_, text, context.out, error)) {
            return Fail(context, KIND_INPUT, error, EXIT_FAILED);
        }
        if (file_ != "-") {
            const std::string file = config::PrintableText(file_);
            if (context.json) {
                PrintJson(context.out, Json{{"ok", true}, {"error", nullptr}, {"file", file}});
            } else {
                context.err << "Report written to " << file << "\n";
            }
        }
        return EXIT_DONE;
    }

  private:
    std::string file_;
};

}  // namespace

std::unique_ptr<Command> MakeReport() {
    return std::make_unique<Report>();
}

}  // namespace zrt::cli
