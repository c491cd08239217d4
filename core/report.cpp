// The report: its sections, each headed "== ... ==", composed from the trace, a fresh search and
// the current reader.
#include "core/report.hpp"

#include <vector>

#include "config/settings_words.hpp"
#include "core/reader_service.hpp"
#include "core/reader_status.hpp"
#include "link/link_error.hpp"
#include "link/open_readers.hpp"

namespace zrt::core {

namespace {

// Every interface in the system's order; for each that may be a reader, whether it opens.
std::string InterfacesSection(link::HidPlatform& platform) {
    static constexpr link::HidIds READERS[] = {{link::VENDOR_ID, link::PRODUCT_ID_41},
                                               {link::VENDOR_ID, link::PRODUCT_ID_51}};
    std::vector<link::HidInterface> listing;
    std::vector<link::FoundReader> found;
    if (!link::OpenReaders(platform, READERS, {}, listing, found)) {
        return "the system gives no list of its HID devices\n";
    }
    std::string text;
    for (const link::HidInterface& one : listing) {
        text += (one.path.empty() ? "(a device the system could not describe)" : one.path) + "  " +
                (one.hint ? link::IdsText(*one.hint) : "????:????");
        for (const link::FoundReader& reader : found) {
            if (reader.path == one.path && !one.path.empty()) {
                text += "  reader " + link::IdsText(reader.ids) + ", ";
                text += reader.handle != link::INVALID_HID_HANDLE
                            ? "can be opened"
                            : link::OpenErrorReason(reader.why);
            }
        }
        text += "\n";
    }
    for (const link::FoundReader& reader : found) {
        if (reader.handle != link::INVALID_HID_HANDLE) {
            platform.Close(reader.handle);
        }
    }
    return text + std::to_string(listing.size()) + " interfaces, " + std::to_string(found.size()) +
           " of them readers\n";
}

std::string ReaderSection(link::ZrHID* current) {
    if (current == nullptr) {
        return "none\n";
    }
    try {
        const LoadedReader loaded = LoadReader(*current);
        const config::ConfigState state = config::StateFromRecord(loaded.record);
        std::string text = "model     " + ModelName(loaded.info.model) + " (model word " +
                           std::to_string(loaded.info.model) + ", product " +
                           link::IdsText({link::VENDOR_ID, current->productId}) + ")\nserial    " +
                           std::to_string(loaded.info.serial) + "\nfirmware  " +
                           std::to_string(loaded.info.firmware) + "\n";
        for (std::string_view name : config::SettingNames()) {
            std::string padded(name);
            padded.resize(16, ' ');
            text += padded + "= " + config::SettingText(state, name) + "\n";
        }
        return text + "record    " + config::HexBytes(loaded.record) + "\n";
    } catch (const link::ZrHIDErr& error) {
        // The code, which the link's header names (link/link_error.hpp).
        return "cannot be read (link error " + std::to_string(error.code) + ")\n";
    }
}

std::string ImagesSection(firmware::FirmwareCatalogue catalogue) {
    std::string text;
    for (const firmware::FirmwareCatalogueRow& row : catalogue) {
        text += ModelName(row.model) + " (model word " + std::to_string(row.model) + "): version " +
                std::to_string(row.image.Version()) + ", " + std::to_string(row.totalLength) +
                " bytes\n";
    }
    return text.empty() ? "none\n" : text;
}

}  // namespace

std::string ComposeReport(const link::Trace& trace, link::HidPlatform& platform,
                          link::ZrHID* current, firmware::FirmwareCatalogue catalogue) {
    const std::vector<std::string> lines = trace.Lines();
    std::string text = trace.Header() + "report:       " + link::LocalTimeText(trace.Now()) +
                       "\n\n== HID interfaces ==\n" + InterfacesSection(platform) +
                       "\n== Current reader ==\n" + ReaderSection(current) +
                       "\n== Firmware images carried ==\n" + ImagesSection(catalogue) +
                       "\n== Trace: the last " + std::to_string(lines.size()) + " lines ==\n";
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

}  // namespace zrt::core
