// The command-line program's readers: the unlimited search, the choice of readers for a run, and
// loading and writing with the read-back check.
#include "cli/readers.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "cli/command.hpp"
#include "config/settings_words.hpp"
#include "core/reader_service.hpp"
#include "core/reader_status.hpp"
#include "link/device_path_ids.hpp"
#include "link/link_error.hpp"

namespace zrt::cli {

namespace {

bool IsReaderProduct(std::uint16_t productId) {
    return productId == link::PRODUCT_ID_41 || productId == link::PRODUCT_ID_51;
}

std::string OpenErrorText(link::OpenError why) {
    switch (why) {
        case link::OpenError::NoAccess:
#ifdef _WIN32
            return "no access: this user may not open the reader";
#else
            return "no access: this user may not open the reader; install the zrt-vivoraz-cli "
                   "package (its udev rule gives the readers to the user at the local seat), then "
                   "unplug the reader and plug it in again";
#endif
        case link::OpenError::InUse:
            return "in use by another program";
        case link::OpenError::Gone:
            return "gone";
        default:
            return "cannot be opened";
    }
}

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

std::optional<link::HidIds> IdsFromDevicePath(std::string_view path) {
    return link::IdsFromDevicePath(path);
}

bool ReaderSet::Search() {
    Close();
    std::vector<link::HidInterface> interfaces;
    if (!platform_->ListInterfaces(interfaces)) {
        return false;
    }
    for (const link::HidInterface& candidate : interfaces) {
        if (candidate.hint && (candidate.hint->vendorId != link::VENDOR_ID ||
                               !IsReaderProduct(candidate.hint->productId))) {
            continue;  // known not to be a reader: never opened
        }
        link::OpenError why = link::OpenError::None;
        const link::HidHandle handle = platform_->Open(candidate.path, why);
        if (handle == link::INVALID_HID_HANDLE && why == link::OpenError::SystemHeld) {
            continue;  // a collection the system keeps (a reader's keyboard): no reader to list
        }
        if (handle == link::INVALID_HID_HANDLE) {
            // Listed when the system tells, without opening, that it is a reader.
            const std::optional<link::HidIds> ids =
                candidate.hint ? candidate.hint : IdsFromDevicePath(candidate.path);
            if (ids && ids->vendorId == link::VENDOR_ID && IsReaderProduct(ids->productId)) {
                entries_.push_back({candidate.path, ids->productId, nullptr, OpenErrorText(why)});
            }
            continue;
        }
        link::HidIds ids;
        if (!platform_->GetIds(handle, ids) || ids.vendorId != link::VENDOR_ID ||
            !IsReaderProduct(ids.productId)) {
            platform_->Close(handle);
            continue;
        }
        auto reader = std::make_unique<link::ZrHID>(*platform_, ids.productId);
        reader->handle = handle;
        entries_.push_back({candidate.path, ids.productId, std::move(reader), {}});
    }
    std::stable_sort(
        entries_.begin(), entries_.end(),
        [](const ReaderEntry& a, const ReaderEntry& b) { return a.productId < b.productId; });
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

std::string ModelName(std::uint16_t modelWord) {
    return "Zr-T" + std::to_string(core::ModelNumber(modelWord));
}

std::string LinkErrorText(std::int32_t code) {
    switch (code) {
        case link::ERR_PROGRAM:
            return "program error";
        case link::ERR_HID_DRIVER:
            return "the reader does not answer (HID driver error)";
        case link::ERR_NOT_FOUND:
            return "no reader";
        case link::ERR_BAD_REPLY:
            return "the reader's reply is malformed";
        case link::ERR_UPGRADE:
            return "the reader refused an upgrade step";
        case link::ERR_IN_USE:
            return "the reader is in use by another program";
        default:
            return "reader link error " + std::to_string(code);
    }
}

Loaded Load(link::ZrHID& reader) {
    const core::LoadedReader loaded = core::LoadReader(reader);
    return {loaded.info, loaded.record};
}

Written WriteAndVerify(link::ZrHID& reader, const config::ConfigState& state) {
    const core::WriteOutcome outcome = core::WriteReader(reader, state);
    Written result{outcome.stored, {}};
    if (outcome.stored) {
        return result;
    }
    // The settings that differ, as words; the card types only where the model reads them.
    const config::ConfigState wrote = config::StateFromRecord(outcome.written);
    const config::ConfigState has = config::StateFromRecord(outcome.readBack);
    const bool cards = config::ShowsCardTypes(reader.info.model);
    for (std::string_view name : config::SettingNames()) {
        if (!cards && name.rfind("cards.", 0) == 0) {
            continue;
        }
        const std::string a = config::SettingText(wrote, name);
        const std::string b = config::SettingText(has, name);
        if (a != b) {
            result.differences.push_back(std::string(name) + ": wrote " + a + ", reader has " + b);
        }
    }
    if (result.differences.empty()) {
        result.differences.push_back("record: wrote " + HexBytes(outcome.written) +
                                     ", reader has " + HexBytes(outcome.readBack));
    }
    return result;
}

bool AlreadyHolds(std::uint16_t modelWord, const config::ReaderConfig& record,
                  const config::ConfigState& state) {
    return config::SameSettings(modelWord, config::RecordFromState(state), record);
}

}  // namespace zrt::cli
