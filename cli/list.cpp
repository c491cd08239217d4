// list: every reader the system presents, with its identity, and the readers that cannot be opened
// with the reason.
#include <ostream>

#include "cli/command.hpp"
#include "config/settings_file.hpp"
#include "core/reader_status.hpp"
#include "link/link_error.hpp"

namespace zrt::cli {

namespace {

class List final : public Command {
  public:
    const char* Name() const override { return "list"; }
    const char* Description() const override {
        return "List every reader: path, product, model, serial number, firmware version";
    }
    void Setup(CLI::App& /*command*/) override {}

    int Run(Context& context) override {
        if (!context.readers.Search()) {
            return Fail(context, KIND_READER, "the system gives no list of its HID devices",
                        EXIT_FAILED);
        }
        Json readers = Json::array();
        bool allOk = true;
        for (ReaderEntry& entry : context.readers.Entries()) {
            const std::string path = config::PrintableText(entry.path);
            Json one = {{"path", path}, {"product", entry.productId}};
            std::string error = entry.openError;
            if (entry.reader) {
                try {
                    entry.reader->ReadInfo();
                    const link::ReaderInfo& info = entry.reader->info;
                    one["model"] = info.model;
                    one["model_name"] = core::ModelName(info.model);
                    one["serial"] = info.serial;
                    one["firmware"] = info.firmware;
                } catch (const link::ZrHIDErr& failure) {
                    error = LinkErrorText(failure.code);
                }
            }
            one["error"] = error.empty() ? Json(nullptr) : Json(error);
            allOk = allOk && error.empty();
            readers.push_back(one);
            if (!context.json) {
                char product[8];
                std::snprintf(product, sizeof product, "0x%04X", entry.productId);
                context.out << path << "  " << product << "  ";
                if (error.empty()) {
                    context.out << one["model_name"].get<std::string>() << "  serial "
                                << SerialText(one["serial"].get<std::uint16_t>()) << "  firmware "
                                << one["firmware"].get<int>() << "\n";
                } else {
                    context.out << error << "\n";
                }
            }
        }
        if (context.json) {
            PrintJson(context.out, Json{{"readers", readers}});
        }
        if (readers.empty()) {
            context.err << "zrt-vivoraz-cli: no reader found\n";
            return EXIT_FAILED;
        }
        return allOk ? EXIT_DONE : EXIT_FAILED;
    }
};

}  // namespace

std::unique_ptr<Command> MakeList() {
    return std::make_unique<List>();
}

}  // namespace zrt::cli
