// The command-line program's readers: the unlimited search, the choice of readers for a run, and
// the write with its read-back check.
#include "cli/readers.hpp"

#include "cli/command.hpp"
#include "core/reader_service.hpp"
#include "link/link_error.hpp"
#include "link/open_readers.hpp"
#include "texts/texts.hpp"

namespace zrt::cli {

namespace {

// The entries that cannot be opened, each with its reason: "/dev/hidraw3: no access: ...".
std::string Unopenable(const std::vector<ReaderEntry>& entries) {
    std::string text;
    for (const ReaderEntry& entry : entries) {
        if (!entry.reader) {
            text += (text.empty() ? "" : "; ") + entry.path + ": " + entry.openError;
        }
    }
    return text;
}

}  // namespace

bool ReaderSet::Search() {
    Close();
    static constexpr link::HidIds READERS[] = {{link::VENDOR_ID, link::PRODUCT_ID_41},
                                               {link::VENDOR_ID, link::PRODUCT_ID_51}};
    std::vector<link::HidInterface> listing;
    std::vector<link::FoundReader> found;
    if (!link::OpenReaders(*platform_, READERS, {}, listing, found)) {
        return false;
    }
    for (link::FoundReader& one : found) {
        if (one.handle != link::INVALID_HID_HANDLE) {
            auto reader = std::make_unique<link::ZrHID>(*platform_, one.ids.productId);
            reader->handle = one.handle;
            entries_.push_back({one.path, one.ids.productId, std::move(reader), {}});
        } else if (one.why != link::OpenError::SystemHeld) {
            // Not a collection the system keeps (a reader's keyboard): a reader that cannot be
            // opened, listed with the reason.
            entries_.push_back(
                {one.path, one.ids.productId, nullptr, link::OpenErrorReason(one.why)});
        }
    }
    return true;
}

void ReaderSet::Close() {
    for (ReaderEntry& entry : entries_) {
        if (entry.reader) {
            platform_->Close(entry.reader->handle);
        }
    }
    entries_.clear();
}

Chosen Choose(ReaderSet& readers, const Selection& selection) {
    Chosen chosen;
    std::vector<ReaderEntry>& entries = readers.Entries();
    if (selection.path) {
        for (ReaderEntry& entry : entries) {
            if (entry.path == *selection.path) {
                if (!entry.reader) {
                    chosen.error = entry.path + ": " + entry.openError;
                    chosen.kind = KIND_ACCESS;
                    return chosen;
                }
                chosen.entries.push_back(&entry);
                return chosen;
            }
        }
        chosen.error = "no reader at " + *selection.path;
        return chosen;
    }
    for (ReaderEntry& entry : entries) {
        if (!entry.reader) {
            if (selection.all) {
                chosen.entries.push_back(&entry);
            }
            continue;
        }
        if (selection.serial) {
            try {
                entry.reader->ReadInfo();
            } catch (const link::ZrHIDErr&) {
                continue;  // a reader that does not answer has no serial number to match
            }
            if (entry.reader->info.serial != *selection.serial) {
                continue;
            }
        }
        chosen.entries.push_back(&entry);
        if (!selection.all && !selection.serial) {
            break;  // the reader the window would pick
        }
    }
    if (chosen.entries.empty()) {
        chosen.error = selection.serial
                           ? "no reader with serial number " + std::to_string(*selection.serial)
                           : "no reader found";
        // A reader that cannot be opened may be the one asked for: named, never "no reader".
        const std::string unopenable = Unopenable(entries);
        if (!unopenable.empty()) {
            chosen.error = (selection.serial ? chosen.error + "; a reader that cannot be opened: "
                                             : "a reader is present but cannot be opened: ") +
                           unopenable;
            chosen.kind = KIND_ACCESS;
        }
    } else if (selection.serial && chosen.entries.size() > 1) {
        chosen.error = "several readers have serial number " + std::to_string(*selection.serial) +
                       ": pick one with --path:";
        for (const ReaderEntry* entry : chosen.entries) {
            chosen.error += " " + entry->path;
        }
        chosen.kind = KIND_USAGE;
        chosen.entries.clear();
    }
    return chosen;
}

std::string LinkErrorText(std::int32_t code) {
    return texts::LinkErrorPhrase(texts::Language::English, code);
}

std::string SettingsErrorText(const config::SettingsError& error) {
    return texts::SettingsErrorText(texts::Language::English, error);
}

Written WriteAndVerify(link::ZrHID& reader, const config::ConfigState& state) {
    const core::WriteOutcome outcome = core::WriteReader(reader, state);
    return {outcome.stored,
            config::SettingDifferences(reader.info.model, outcome.written, outcome.readBack)};
}

bool AlreadyHolds(std::uint16_t modelWord, const config::ReaderConfig& record,
                  const config::ConfigState& state) {
    return config::SameSettings(modelWord, config::RecordFromState(state), record);
}

}  // namespace zrt::cli
