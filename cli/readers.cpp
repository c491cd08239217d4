// The command-line program's readers: the unlimited search, the choice of readers for a run, and
// loading and writing with the read-back check.
#include "cli/readers.hpp"

#include <algorithm>
#include <cstdio>

#include "config/settings_words.hpp"
#include "core/reader_service.hpp"
#include "link/link_error.hpp"

namespace zrt::cli {

namespace {

bool IsReaderProduct(std::uint16_t productId) {
    return productId == link::PRODUCT_ID_41 || productId == link::PRODUCT_ID_51;
}

}  // namespace

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
        const link::HidHandle handle = platform_->Open(candidate.path);
        if (handle == link::INVALID_HANDLE_VALUE) {
            if (candidate.hint) {
                entries_.push_back(
                    {candidate.path, candidate.hint->productId, nullptr, "cannot be opened"});
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
    return "Zr-T" + std::to_string((modelWord & 0x3FF) % 100);
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
