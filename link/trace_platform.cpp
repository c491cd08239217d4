// TracePlatform: every call passed on, the lines of reports and searches written as they happen,
// each flushed at once so that a trace survives a program that is killed.
#include "link/trace_platform.hpp"

#include <cstdio>
#include <memory>

#include "link/text_file.hpp"

namespace zrt::link {

namespace {

std::string IdsText(const HidIds& ids) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", static_cast<unsigned>(ids.vendorId),
                  static_cast<unsigned>(ids.productId));
    return text;
}

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
        default:
            return "not-opened";
    }
}

}  // namespace

// The inner platform's changes, every call passed on; a refusal of the signals is written once.
class TracePlatform::TracedChanges final : public HidChanges {
  public:
    TracedChanges(HidChanges& inner, TracePlatform& trace) : inner_(inner), trace_(trace) {}
    bool TakeChanged() override { return inner_.TakeChanged(); }
    void Arrived() override { inner_.Arrived(); }
    void Watched() override { inner_.Watched(); }
    void WatchRefused() override {
        inner_.WatchRefused();
        if (!refused_) {
            refused_ = true;
            trace_.FlushSearch();
            trace_.Line("change signals refused: every tick searches");
        }
    }
    int Descriptor() const override { return inner_.Descriptor(); }

  private:
    HidChanges& inner_;
    TracePlatform& trace_;
    bool refused_ = false;
};

TracePlatform::TracePlatform(HidPlatform& inner, Writer write, Clock::time_point start)
    : inner_(inner), write_(std::move(write)), start_(start) {}

TracePlatform::~TracePlatform() {
    FlushSearch();
}

HidChanges* TracePlatform::Changes() {
    if (!changesAsked_) {
        changesAsked_ = true;
        if (HidChanges* inner = inner_.Changes(); inner != nullptr) {
            changes_ = std::make_unique<TracedChanges>(*inner, *this);
        } else {
            FlushSearch();
            Line("no change signals: every tick searches");
        }
    }
    return changes_.get();
}

void TracePlatform::Line(const std::string& text) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
    write_(std::to_string(elapsed) + " " + text + "\n");
}

void TracePlatform::FlushSearch() {
    if (!searchPending_) {
        return;
    }
    searchPending_ = false;
    std::string text = "search " + std::to_string(search_.size()) + ":";
    for (std::size_t i = 0; i < search_.size(); ++i) {
        const Listed& listed = search_[i];
        text += (i == 0 ? " " : "; ") + listed.path + " " + listed.ids;
        if (!listed.opened.empty()) {
            text += " " + listed.opened;
        }
    }
    Line(text);
}

bool TracePlatform::ListInterfaces(std::vector<HidInterface>& out) {
    FlushSearch();
    const bool listed = inner_.ListInterfaces(out);
    if (!listed) {
        Line("search failed");
        return false;
    }
    search_.clear();
    for (const HidInterface& found : out) {
        search_.push_back({found.path.empty() ? "(failed)" : found.path,
                           found.hint ? IdsText(*found.hint) : "?", ""});
    }
    searchPending_ = true;
    return true;
}

HidHandle TracePlatform::Open(const std::string& path, OpenError& why) {
    const HidHandle handle = inner_.Open(path, why);
    if (handle != INVALID_HID_HANDLE) {
        paths_[handle] = path;
    }
    if (searchPending_) {
        for (Listed& listed : search_) {
            if (listed.path == path) {
                listed.opened = handle != INVALID_HID_HANDLE ? "opened" : OpenErrorText(why);
            }
        }
    }
    return handle;
}

bool TracePlatform::GetIds(HidHandle handle, HidIds& ids) {
    const bool ok = inner_.GetIds(handle, ids);
    if (ok && searchPending_) {
        const auto path = paths_.find(handle);
        for (Listed& listed : search_) {
            if (path != paths_.end() && listed.path == path->second) {
                listed.ids = IdsText(ids);
            }
        }
    }
    return ok;
}

void TracePlatform::Report(HidHandle handle, const char* direction, const std::uint8_t* buffer,
                           std::size_t length, bool ok) {
    FlushSearch();
    const auto path = paths_.find(handle);
    std::string text = (path != paths_.end() ? path->second : "?") + " " + direction;
    if (!ok) {
        text += " failed";
    } else {
        static constexpr char HEX[] = "0123456789abcdef";
        text.reserve(text.size() + 3 * length);
        for (std::size_t i = 0; i < length; ++i) {
            text += ' ';
            text += HEX[buffer[i] >> 4];
            text += HEX[buffer[i] & 0x0F];
        }
    }
    Line(text);
}

bool TracePlatform::SetFeature(HidHandle handle, const std::uint8_t* buffer, std::size_t length) {
    const bool ok = inner_.SetFeature(handle, buffer, length);
    Report(handle, "send", buffer, length, true);
    if (!ok) {
        Report(handle, "send", buffer, length, false);
    }
    return ok;
}

bool TracePlatform::GetFeature(HidHandle handle, std::uint8_t* buffer, std::size_t length) {
    const bool ok = inner_.GetFeature(handle, buffer, length);
    Report(handle, "recv", buffer, length, ok);
    return ok;
}

void TracePlatform::Close(HidHandle handle) {
    paths_.erase(handle);
    inner_.Close(handle);
}

LockResult TracePlatform::Lock(HidHandle handle, std::chrono::milliseconds wait) {
    return inner_.Lock(handle, wait);
}

void TracePlatform::Unlock(HidHandle handle) {
    inner_.Unlock(handle);
}

std::unique_ptr<TracePlatform> OpenTrace(HidPlatform& inner, const std::string& path,
                                         TracePlatform::Clock::time_point start,
                                         std::string& error) {
    std::shared_ptr<std::FILE> file = OpenForAppending(path);
    if (!file) {
        error = path + ": cannot be opened for appending";
        return nullptr;
    }
    return std::make_unique<TracePlatform>(
        inner,
        [file](const std::string& line) {
            std::fwrite(line.data(), 1, line.size(), file.get());
            std::fflush(file.get());
        },
        start);
}

}  // namespace zrt::link
