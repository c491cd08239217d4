// The frame of the commands that act on readers: choosing them, running the command on each in
// turn (a failing reader does not stop the others), and reporting a result per reader.
#include "cli/command.hpp"

#include <cstdio>
#include <ostream>

#include "link/link_error.hpp"

namespace zrt::cli {

std::string SerialText(std::uint16_t serial) {
    char text[8];
    std::snprintf(text, sizeof text, "%05u", static_cast<unsigned>(serial));
    return text;
}

std::string HexBytes(const config::ReaderConfig& record) {
    std::string text;
    for (std::uint8_t byte : record) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(byte));
        text += (text.empty() ? "" : " ") + std::string(hex);
    }
    return text;
}

// The result of a write that was read back: a failure listing each setting that differs.
ReaderResult Verified(const std::vector<std::string>& differences) {
    ReaderResult result;
    if (!differences.empty()) {
        result.ok = false;
        result.error = "the reader did not store the settings";
        for (const std::string& difference : differences) {
            result.error += "; " + difference;
        }
        result.fields["differences"] = differences;
    }
    return result;
}

ReaderResult ReaderCommand::Failed(const std::string& error) {
    ReaderResult result;
    result.ok = false;
    result.error = error;
    return result;
}

std::optional<int> SearchAndChoose(Context& context, Chosen& chosen) {
    if (!context.readers.Search()) {
        context.err << "zrt-vivoraz-cli: the system gives no list of its HID devices\n";
        return EXIT_FAILED;
    }
    chosen = Choose(context.readers, context.selection);
    if (!chosen.error.empty()) {
        context.err << "zrt-vivoraz-cli: " << chosen.error << "\n";
        return chosen.usage ? EXIT_USAGE : EXIT_FAILED;
    }
    return std::nullopt;
}

int ReaderCommand::Run(Context& context) {
    if (const std::optional<int> status = Prepare(context)) {
        return *status;
    }
    Chosen chosen;
    if (const std::optional<int> status = SearchAndChoose(context, chosen)) {
        return *status;
    }

    Json results = Json::array();
    bool allOk = true;
    for (ReaderEntry* entry : chosen.entries) {
        ReaderResult result;
        try {
            result = RunOn(context, *entry);
        } catch (const link::ZrHIDErr& error) {
            result = Failed(LinkErrorText(error.code));
        }
        allOk = allOk && result.ok;
        // The identity is known once the command has read it; a reader that never answered is
        // named by its path alone.
        const std::uint16_t serial = entry->reader->info.serial;
        const bool known = entry->reader->info.model != 0 || serial != 0;
        Json one = Json::object();
        one["serial"] = known ? Json(serial) : Json(nullptr);
        one["path"] = entry->path;
        one["ok"] = result.ok;
        one["error"] = result.ok ? Json(nullptr) : Json(result.error);
        for (const auto& [key, value] : result.fields.items()) {
            one[key] = value;
        }
        results.push_back(one);

        if (!context.json) {
            context.out << result.text;
            if (context.selection.all) {
                context.out << (known ? SerialText(serial) : std::string("?????")) << " "
                            << entry->path << " " << (result.ok ? "ok" : "failed: " + result.error)
                            << "\n";
            } else if (!result.ok) {
                context.err << "zrt-vivoraz-cli: " << entry->path << ": " << result.error << "\n";
            }
        }
    }
    if (context.json) {
        context.out << (context.selection.all ? Json{{"results", results}} : results[0]).dump(2)
                    << "\n";
    }
    return allOk ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace zrt::cli
