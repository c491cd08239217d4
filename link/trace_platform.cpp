// TracePlatform: every call passed on; the lines of searches, opens and exchanges, with the fold
// of repeated exchanges and searches and the names of the devices.
#include "link/trace_platform.hpp"

#include <algorithm>
#include <cstdio>

#include "link/crc.hpp"
#include "link/host_system.hpp"
#include "link/open_readers.hpp"
#include "link/zrhid.hpp"

namespace zrt::link {

namespace {

const char* OpenErrorText(OpenError why) {
    switch (why) {
        case OpenError::NoAccess:
            return "no-access";
        case OpenError::InUse:
            return "in-use";
        case OpenError::Gone:
            return "gone";
        case OpenError::NotReady:
            return "not-ready";
        case OpenError::SystemHeld:
            return "system-held";
        default:
            return "not-opened";
    }
}

void AppendHex(std::string& text, const std::uint8_t* bytes, std::size_t count) {
    static constexpr char HEX[] = "0123456789abcdef";
    for (std::size_t i = 0; i < count; ++i) {
        text += ' ';
        text += HEX[bytes[i] >> 4];
        text += HEX[bytes[i] & 0x0F];
    }
}

bool SameBytes(const std::vector<std::uint8_t>& bytes, const std::uint8_t* buffer,
               std::size_t length) {
    return bytes.size() == length && std::equal(bytes.begin(), bytes.end(), buffer);
}

}  // namespace

std::string ReportText(const std::uint8_t* buffer, std::size_t length) {
    std::string text = std::to_string(length) + ":";
    text.reserve(text.size() + 3 * length);
    if (length < 4) {
        AppendHex(text, buffer, length);
        return text;
    }
    // The frame: report ID, then as many bytes as its length field counts, within the report.
    const std::size_t frame = std::min(length, std::size_t{1} + (buffer[1] | buffer[2] << 8));
    const std::uint8_t command = buffer[3];
    const bool upgradeData = (command == CMD_UPGRADE_BEGIN || command == CMD_UPGRADE_BLOCK ||
                              command == CMD_UPGRADE_CODE) &&
                             frame >= 6;
    if (upgradeData) {
        const std::size_t dataLength = frame - 6;  // between the command and the CRC-16
        AppendHex(text, buffer, 4);
        char data[48];
        std::snprintf(data, sizeof data, " [%zu bytes #%08x]", dataLength,
                      static_cast<unsigned>(Crc32(buffer + 4, dataLength, 0xFFFFFFFF)));
        text += data;
        AppendHex(text, buffer + frame - 2, 2);
    } else {
        AppendHex(text, buffer, frame);
    }
    if (std::any_of(buffer + frame, buffer + length, [](std::uint8_t b) { return b != 0; })) {
        text += " |";
        AppendHex(text, buffer + frame, length - frame);
    }
    return text;
}

// The inner platform's changes, every call passed on; a refusal of the signals is said once.
class TracePlatform::TracedChanges final : public HidChanges {
  public:
    TracedChanges(HidChanges& inner, Trace& trace) : inner_(inner), trace_(trace) {}
    bool TakeChanged() override { return inner_.TakeChanged(); }
    void Arrived() override { inner_.Arrived(); }
    void Watched() override { inner_.Watched(); }
    void WatchRefused() override {
        inner_.WatchRefused();
        if (!refused_) {
            refused_ = true;
            trace_.Line("change signals refused: every tick searches");
        }
    }
    int Descriptor() const override { return inner_.Descriptor(); }

  private:
    HidChanges& inner_;
    Trace& trace_;
    bool refused_ = false;
};

TracePlatform::TracePlatform(HidPlatform& inner, Trace& trace) : inner_(inner), trace_(trace) {}

TracePlatform::~TracePlatform() {
    WritePendingSend();
    trace_.Flush();
}

HidChanges* TracePlatform::Changes() {
    if (!changesAsked_) {
        changesAsked_ = true;
        if (HidChanges* inner = inner_.Changes(); inner != nullptr) {
            changes_ = std::make_unique<TracedChanges>(*inner, trace_);
        } else {
            trace_.Line("no change signals: every tick searches");
        }
    }
    return changes_.get();
}

std::string TracePlatform::Name(const std::string& path) {
    const auto known = names_.find(path);
    if (known != names_.end()) {
        return known->second;
    }
    const std::string name = "d" + std::to_string(names_.size() + 1);
    names_.emplace(path, name);
    return name + "=" + path;
}

std::string TracePlatform::ShortName(HidHandle handle) const {
    const auto name = handles_.find(handle);
    return name != handles_.end() ? name->second : "?";
}

void TracePlatform::WritePendingSend() {
    if (sendPending_) {
        sendPending_ = false;
        trace_.Line(sentAt_, ShortName(pending_.handle) + " send " +
                                 ReportText(pending_.sent.data(), pending_.sent.size()));
    }
}

bool TracePlatform::ListInterfaces(std::vector<HidInterface>& out) {
    WritePendingSend();
    const bool listed = inner_.ListInterfaces(out);
    if (!listed) {
        trace_.Line("search failed: " + LastErrorText());
        return false;
    }
    // The listing as it would be written with every device's short name: the same as the last
    // search's, it is counted.
    std::string key = std::to_string(out.size());
    for (const HidInterface& found : out) {
        const auto name = names_.find(found.path);
        key += ' ' + (name != names_.end() ? name->second : found.path) + ' ' +
               (found.hint ? IdsText(*found.hint) : "?");
    }
    if (key == lastListing_) {
        trace_.Again("search found");
        return true;
    }
    lastListing_ = key;
    std::string text = "search " + std::to_string(out.size()) + ":";
    for (std::size_t i = 0; i < out.size(); ++i) {
        const HidInterface& found = out[i];
        text += (i == 0 ? " " : ", ") + (found.path.empty() ? "(failed)" : Name(found.path)) + " " +
                (found.hint ? IdsText(*found.hint) : "?");
    }
    // The listing's names as the next search's key will spell them.
    lastListing_ = std::to_string(out.size());
    for (const HidInterface& found : out) {
        lastListing_ += ' ' + (found.path.empty() ? found.path : names_.at(found.path)) + ' ' +
                        (found.hint ? IdsText(*found.hint) : "?");
    }
    trace_.Line(text);
    return true;
}

HidHandle TracePlatform::Open(const std::string& path, OpenError& why) {
    WritePendingSend();
    const HidHandle handle = inner_.Open(path, why);
    const std::string name = Name(path);
    const std::string shortName = name.substr(0, name.find('='));
    const std::string outcome = handle != INVALID_HID_HANDLE ? "opened" : OpenErrorText(why);
    if (handle != INVALID_HID_HANDLE) {
        handles_[handle] = shortName;
    }
    std::string& last = outcomes_[path];
    if (last != outcome || name != shortName) {
        last = outcome;
        trace_.Line(name + " " + outcome);
    }
    return handle;
}

bool TracePlatform::GetIds(HidHandle handle, HidIds& ids) {
    const bool ok = inner_.GetIds(handle, ids);
    // Written when the listing had no identifiers for it (the command line's --path).
    const std::string name = ShortName(handle);
    const std::string text = ok ? IdsText(ids) : "failed: " + LastErrorText();
    std::string& last = outcomes_["ids " + name];
    if (last != text) {
        last = text;
        trace_.Line(name + " ids " + text);
    }
    return ok;
}

bool TracePlatform::SetFeature(HidHandle handle, const std::uint8_t* buffer, std::size_t length) {
    const bool ok = inner_.SetFeature(handle, buffer, length);
    const std::string reason = ok ? "" : LastErrorText();
    WritePendingSend();
    if (!ok) {
        lastValid_ = false;
        const std::string name = ShortName(handle);
        trace_.Line(name + " send " + ReportText(buffer, length));
        trace_.Line(name + " send failed: " + reason);
        return false;
    }
    pending_.handle = handle;
    pending_.sent.assign(buffer, buffer + length);
    sentAt_ = trace_.Now();
    sendPending_ = true;
    return true;
}

bool TracePlatform::GetFeature(HidHandle handle, std::uint8_t* buffer, std::size_t length) {
    const bool ok = inner_.GetFeature(handle, buffer, length);
    const std::string reason = ok ? "" : LastErrorText();
    const bool paired = sendPending_ && pending_.handle == handle;
    if (ok && paired && lastValid_ && last_.handle == handle && last_.sent == pending_.sent &&
        SameBytes(last_.received, buffer, length)) {
        sendPending_ = false;
        trace_.Again(foldWhat_);
        return true;
    }
    WritePendingSend();
    const std::string name = ShortName(handle);
    if (!ok) {
        lastValid_ = false;
        trace_.Line(name + " recv failed: " + reason);
        return false;
    }
    trace_.Line(name + " recv " + ReportText(buffer, length));
    lastValid_ = paired;
    if (paired) {
        std::swap(last_.sent, pending_.sent);
        last_.handle = handle;
        last_.received.assign(buffer, buffer + length);
        const char command = last_.sent.size() > 3 ? static_cast<char>(last_.sent[3]) : '?';
        foldWhat_ = name + " " + command + " answered";
    }
    return true;
}

void TracePlatform::Close(HidHandle handle) {
    WritePendingSend();
    handles_.erase(handle);
    inner_.Close(handle);
}

LockResult TracePlatform::Lock(HidHandle handle, std::chrono::milliseconds wait) {
    return inner_.Lock(handle, wait);
}

void TracePlatform::Unlock(HidHandle handle) {
    inner_.Unlock(handle);
}

}  // namespace zrt::link
