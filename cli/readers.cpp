// The command-line program's readers: the unlimited search, the choice of readers for a run, and
// loading and writing with the read-back check.
#include "cli/readers.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

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
            return "no access (install the zrt-vivoraz-cli package or the udev rule, then plug the "
                   "reader in again)";
        case link::OpenError::InUse:
            return "in use by another program";
        case link::OpenError::Gone:
            return "gone";
        default:
            return "cannot be opened";
    }
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
    } else if (selection.serial && chosen.entries.size() > 1) {
        chosen.error = "several readers have serial number " + std::to_string(*selection.serial) +
                       ": pick one with --path:";
        for (const ReaderEntry* entry : chosen.entries) {
            chosen.error += " " + entry->path;
        }
        chosen.usage = true;
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

std::vector<std::string> WriteAndVerify(link::ZrHID& reader, const config::ConfigState& state) {
    const core::WriteOutcome outcome = core::WriteReader(reader, state);
    const config::ReaderConfig& written = outcome.written;
    const config::ReaderConfig& stored = outcome.readBack;
    std::vector<std::string> differences;
    const config::ConfigState wrote = config::StateFromRecord(written);
    const config::ConfigState has = config::StateFromRecord(stored);
    for (std::string_view name : config::SettingNames()) {
        const std::string a = config::SettingText(wrote, name);
        const std::string b = config::SettingText(has, name);
        if (a != b) {
            differences.push_back(std::string(name) + ": wrote " + a + ", reader has " + b);
        }
    }
    return differences;
}

}  // namespace zrt::cli
