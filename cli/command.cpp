// The frame of the commands that act on readers: choosing them, running the command on each in
// turn (a failing reader does not stop the others), and reporting a result per reader.
#include "cli/command.hpp"

#include <cstdio>
#include <ostream>
#include <string_view>

#include "config/settings_file.hpp"
#include "link/link_error.hpp"
#include "texts/texts.hpp"

namespace zrt::cli {

std::string SerialText(std::uint16_t serial) {
    char text[8];
    std::snprintf(text, sizeof text, "%05u", static_cast<unsigned>(serial));
    return text;
}

void PrintJson(std::ostream& out, const Json& document) {
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

int Fail(const Context& context, const char* kind, const std::string& message, int status) {
    const std::string shown = config::PrintableText(message);
    if (context.json) {
        PrintJson(context.out, Json{{"error", {{"message", shown}, {"kind", kind}}}});
    } else {
        context.err << "zrt-vivoraz-cli: " << shown << "\n";
    }
    return status;
}

void Verify(ReaderResult& result, const Written& written) {
    result.fields["changed"] = true;
    if (!written.stored) {
        result.Failed("the reader did not store the settings");
        Json differences = Json::array();
        for (const config::SettingDifference& difference : written.differences) {
            const std::string line = texts::DifferenceText(texts::Language::English, difference);
            result.error += "; " + line;
            differences.push_back(line);
        }
        result.fields["differences"] = differences;
    }
}

std::optional<int> SearchAndChoose(Context& context, Chosen& chosen) {
    if (!context.readers.Search()) {
        return Fail(context, KIND_READER, "the system gives no list of its HID devices",
                    EXIT_FAILED);
    }
    chosen = Choose(context.readers, context.selection);
    if (!chosen.error.empty()) {
        const bool usage = std::string_view(chosen.kind) == KIND_USAGE;
        return Fail(context, chosen.kind, chosen.error, usage ? EXIT_USAGE : EXIT_FAILED);
    }
    return std::nullopt;
}

int ReaderCommand::Run(Context& context) {
    if (const std::optional<int> status = Prepare(context)) {
        return *status;
    }
    Chosen chosen;
    if (context.selection.all && context.readers.Search()) {
        chosen = Choose(context.readers, context.selection);
        if (chosen.entries.empty()) {
            // Nothing to work on is a failed run, and still the document of every reader's result.
            if (context.json) {
                PrintJson(context.out, Json{{"results", Json::array()}});
            } else {
                context.err << "zrt-vivoraz-cli: no reader found\n";
            }
            return EXIT_FAILED;
        }
    } else if (const std::optional<int> status = SearchAndChoose(context, chosen)) {
        return *status;
    }

    Json results = Json::array();
    bool allOk = true;
    for (ReaderEntry* entry : chosen.entries) {
        ReaderResult result;
        result.fields = InitialFields();
        if (!entry->reader) {
            result.Failed(entry->openError);  // listed by --all: present, but not to be opened
        } else {
            try {
                RunOn(context, *entry, result);
            } catch (const link::ZrHIDErr& error) {
                result.Failed(LinkErrorText(error.code));
            }
        }
        allOk = allOk && result.ok;
        // The identity is known once the command has read it; a reader that never answered is
        // named by its path alone.
        const std::uint16_t serial = entry->reader ? entry->reader->info.serial : 0;
        const bool known = entry->reader && (entry->reader->info.model != 0 || serial != 0);
        const std::string path = config::PrintableText(entry->path);
        const std::string error = config::PrintableText(result.error);
        Json one = Json::object();
        one["serial"] = known ? Json(serial) : Json(nullptr);
        one["path"] = path;
        one["ok"] = result.ok;
        one["error"] = result.ok ? Json(nullptr) : Json(error);
        for (const auto& [key, value] : result.fields.items()) {
            one[key] = value;
        }
        results.push_back(one);

        if (!context.json) {
            context.out << result.text;
            if (context.selection.all || AlwaysPrintsResultLine()) {
                const char* done = result.unchanged ? "unchanged" : "ok";
                context.out << (known ? SerialText(serial) : std::string("?????")) << " " << path
                            << " " << (result.ok ? done : "failed: " + error) << "\n";
            } else if (!result.ok) {
                context.err << "zrt-vivoraz-cli: " << path << ": " << error << "\n";
            }
        }
    }
    if (context.json) {
        PrintJson(context.out, context.selection.all ? Json{{"results", results}} : results[0]);
    }
    return allOk ? EXIT_DONE : EXIT_FAILED;
}

}  // namespace zrt::cli
