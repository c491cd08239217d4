// The Linux hidraw backend of the HID platform seam: sysfs listing with identifier hints, and the
// three hidraw ioctls on the opened /dev nodes.
#include "link/linux/hidraw_platform.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>
#include <utility>

namespace zrt::link {

namespace {

constexpr char ENTRY_PREFIX[] = "hidraw";
constexpr std::size_t ENTRY_PREFIX_LENGTH = sizeof(ENTRY_PREFIX) - 1;
constexpr char HID_ID_KEY[] = "HID_ID=";
constexpr std::size_t HID_ID_KEY_LENGTH = sizeof(HID_ID_KEY) - 1;
// A sysfs attribute is at most one page long.
constexpr std::size_t UEVENT_BUFFER_SIZE = 4096;

// "hidraw" followed by the number in the kernel's own spelling: decimal digits without a leading
// zero ("hidraw01" is no name the kernel gives, and would read as hidraw1); the number must fit an
// unsigned.
bool ParseEntryNumber(const char* name, unsigned& number) {
    if (std::strncmp(name, ENTRY_PREFIX, ENTRY_PREFIX_LENGTH) != 0) {
        return false;
    }
    const char* digit = name + ENTRY_PREFIX_LENGTH;
    if (*digit == '\0' || (digit[0] == '0' && digit[1] != '\0')) {
        return false;
    }
    unsigned long value = 0;
    for (; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned long>(*digit - '0');
        if (value > UINT_MAX) {
            return false;
        }
    }
    number = static_cast<unsigned>(value);
    return true;
}

// One hexadecimal field of 1 to 8 digits, ended by `end` (the end of the line counts when `end`
// is '\n'). Advances `cursor` past the field and its end character.
bool ParseHexField(const char*& cursor, const char* limit, char end, std::uint32_t& value) {
    value = 0;
    int digits = 0;
    while (cursor < limit && *cursor != end) {
        const char c = *cursor;
        std::uint32_t nibble = 0;
        if (c >= '0' && c <= '9') {
            nibble = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            nibble = static_cast<std::uint32_t>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            nibble = static_cast<std::uint32_t>(c - 'a' + 10);
        } else {
            return false;
        }
        if (++digits > 8) {
            return false;
        }
        value = (value << 4) | nibble;
        ++cursor;
    }
    if (digits == 0) {
        return false;
    }
    if (cursor < limit) {
        ++cursor;  // the end character
    } else if (end != '\n') {
        return false;
    }
    return true;
}

// Repeats a system call that a signal interrupted.
template <typename Call>
int Retrying(Call call) {
    int result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

bool ToDescriptor(HidHandle handle, int& fd) {
    if (handle < 0 || handle > INT_MAX) {
        return false;
    }
    fd = static_cast<int>(handle);
    return true;
}

enum class Direction { Send, Read };

// Sends or reads one feature report. A send counts only when all `length` bytes went out. A read
// may legally bring fewer bytes than asked for (a device answering with just its frame): the rest
// of the buffer is zeroed, so that nothing the caller left there (the request just sent) can pass
// for part of the reply.
bool FeatureIoctl(HidHandle handle, Direction direction, std::uint8_t* buffer, std::size_t length) {
    int fd = -1;
    if (!ToDescriptor(handle, fd) || buffer == nullptr || length == 0 ||
        length > HidrawPlatform::MAX_REPORT_LENGTH) {
        return false;
    }
    const unsigned long request =
        direction == Direction::Send ? HIDIOCSFEATURE(length) : HIDIOCGFEATURE(length);
    const int moved = Retrying([&] { return ::ioctl(fd, request, buffer); });
    if (moved < 0 || static_cast<std::size_t>(moved) > length) {
        return false;
    }
    if (direction == Direction::Send) {
        return static_cast<std::size_t>(moved) == length;
    }
    std::memset(buffer + moved, 0, length - static_cast<std::size_t>(moved));
    return true;
}

}  // namespace

bool ParseHidIdLine(const char* text, std::size_t length, HidIds& ids) {
    const char* const limit = text + length;
    const char* line = text;
    while (line < limit) {
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', limit - line));
        if (lineEnd == nullptr) {
            lineEnd = limit;
        }
        if (static_cast<std::size_t>(lineEnd - line) > HID_ID_KEY_LENGTH &&
            std::memcmp(line, HID_ID_KEY, HID_ID_KEY_LENGTH) == 0) {
            const char* cursor = line + HID_ID_KEY_LENGTH;
            std::uint32_t bus = 0;
            std::uint32_t vendor = 0;
            std::uint32_t product = 0;
            if (!ParseHexField(cursor, lineEnd, ':', bus) ||
                !ParseHexField(cursor, lineEnd, ':', vendor) ||
                !ParseHexField(cursor, lineEnd, '\n', product) || vendor > 0xFFFF ||
                product > 0xFFFF) {
                return false;
            }
            ids.vendorId = static_cast<std::uint16_t>(vendor);
            ids.productId = static_cast<std::uint16_t>(product);
            return true;
        }
        if (lineEnd == limit) {
            break;
        }
        line = lineEnd + 1;
    }
    return false;
}

int HidrawPlatform::SystemOpen(const char* path, int flags) {
    return ::open(path, flags);
}

HidrawPlatform::HidrawPlatform(std::string sysfsRoot, std::string deviceRoot, OpenCall openCall)
    : sysfsRoot_(std::move(sysfsRoot)), deviceRoot_(std::move(deviceRoot)), open_(openCall) {}

bool HidrawPlatform::ListInterfaces(std::vector<HidInterface>& out) {
    // The folder is read with getdents64 into a stack buffer (opendir would allocate per call), and
    // everything below it is reached relative to its descriptor.
    const int dir =
        Retrying([&] { return ::open(sysfsRoot_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (dir < 0) {
        const bool absent = errno == ENOENT;
        out.clear();
        return absent;
    }
    numbers_.clear();
    alignas(dirent64) char entries[8192];
    for (;;) {
        const ssize_t got = ::getdents64(dir, entries, sizeof(entries));
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(dir);
            out.clear();
            return false;
        }
        for (ssize_t offset = 0; offset < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + offset);
            unsigned number = 0;
            if (ParseEntryNumber(entry->d_name, number)) {
                numbers_.push_back(number);
            }
            offset += entry->d_reclen;
        }
    }
    std::sort(numbers_.begin(), numbers_.end());

    // Existing elements are overwritten in place so that their strings keep their storage.
    if (out.size() > numbers_.size()) {
        out.resize(numbers_.size());
    }
    hints_.swap(previousHints_);
    hints_.clear();
    for (std::size_t i = 0; i < numbers_.size(); ++i) {
        if (i == out.size()) {
            out.emplace_back();
        }
        HidInterface& interface = out[i];
        const unsigned number = numbers_[i];
        char path[PATH_MAX];
        int pathLength =
            std::snprintf(path, sizeof(path), "%s/%s%u", deviceRoot_.c_str(), ENTRY_PREFIX, number);
        if (pathLength < 0 || static_cast<std::size_t>(pathLength) >= sizeof(path)) {
            pathLength = 0;  // cannot be named, so cannot be opened
        }
        interface.path.assign(path, static_cast<std::size_t>(pathLength));
        interface.hint = LookUpHint(dir, number);
    }
    ::close(dir);
    return true;
}

// The hint of hidraw<number>. In sysfs every class entry is a link to its device, and the link's
// target names the device instance (the hid device's name carries a sequence number that the
// kernel never gives twice while it runs). A hint read for one target therefore stays right for as
// long as the entry leads there, and it is taken from the previous listing instead of reading the
// uevent file again. Entries that are no links (as in plain trees) are read every time.
std::optional<HidIds> HidrawPlatform::LookUpHint(int dir, unsigned number) {
    char name[32];
    std::snprintf(name, sizeof(name), "%s%u", ENTRY_PREFIX, number);
    char target[PATH_MAX];
    const ssize_t targetLength = ::readlinkat(dir, name, target, sizeof(target));
    const bool linked = targetLength > 0 && static_cast<std::size_t>(targetLength) < sizeof(target);
    const std::string_view targetView(target, linked ? static_cast<std::size_t>(targetLength) : 0);
    if (linked) {
        const auto cached = std::lower_bound(
            previousHints_.begin(), previousHints_.end(), number,
            [](const CachedHint& hint, unsigned wanted) { return hint.number < wanted; });
        if (cached != previousHints_.end() && cached->number == number &&
            cached->target == targetView) {
            hints_.push_back(std::move(*cached));
            return hints_.back().ids;
        }
    }

    char uevent[UEVENT_BUFFER_SIZE];
    char path[64];
    std::snprintf(path, sizeof(path), "%s/device/uevent", name);
    const int file = Retrying([&] { return ::openat(dir, path, O_RDONLY | O_CLOEXEC); });
    if (file < 0) {
        return std::nullopt;
    }
    // A sysfs attribute comes whole with the first read; a read that fills less than asked for
    // has reached the end.
    std::size_t filled = 0;
    while (filled < sizeof(uevent)) {
        const std::size_t asked = sizeof(uevent) - filled;
        const ssize_t got = ::read(file, uevent + filled, asked);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
        if (static_cast<std::size_t>(got) < asked) {
            break;
        }
    }
    ::close(file);
    HidIds ids;
    if (!ParseHidIdLine(uevent, filled, ids)) {
        return std::nullopt;  // not cached: read again next time
    }
    if (linked) {
        hints_.push_back({number, std::string(targetView), ids});
    }
    return ids;
}

HidHandle HidrawPlatform::Open(const std::string& path, OpenError& why) {
    why = OpenError::Gone;
    if (path.empty()) {
        return INVALID_HID_HANDLE;
    }
    const int fd = Retrying([&] { return open_(path.c_str(), O_RDWR | O_CLOEXEC); });
    if (fd >= 0) {
        why = OpenError::None;
        return static_cast<HidHandle>(fd);
    }
    const int error = errno;
    // Under umockdev's preload (the test bed) a failed open of a node can still leave a connection
    // to the bed behind, kept for descriptor -1 until close(-1); without the preload this close
    // just fails with EBADF and touches nothing.
    ::close(-1);
    switch (error) {
        case EACCES:
        case EPERM:
            why = OpenError::NoAccess;
            if (watch_ != nullptr) {
                const std::size_t slash = path.rfind('/');
                if (watch_->Settling(path.substr(slash == std::string::npos ? 0 : slash + 1))) {
                    why = OpenError::NotReady;
                }
            }
            break;
        case EBUSY:
            why = OpenError::InUse;
            break;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            why = OpenError::Gone;
            break;
        default:
            why = OpenError::Other;
    }
    return INVALID_HID_HANDLE;
}

bool HidrawPlatform::GetIds(HidHandle handle, HidIds& ids) {
    int fd = -1;
    if (!ToDescriptor(handle, fd)) {
        return false;
    }
    hidraw_devinfo info{};
    if (Retrying([&] { return ::ioctl(fd, HIDIOCGRAWINFO, &info); }) < 0) {
        return false;
    }
    // The kernel's structure has signed 16-bit fields; the identifiers are unsigned.
    ids.vendorId = static_cast<std::uint16_t>(info.vendor);
    ids.productId = static_cast<std::uint16_t>(info.product);
    return true;
}

bool HidrawPlatform::SetFeature(HidHandle handle, const std::uint8_t* buffer, std::size_t length) {
    // HIDIOCSFEATURE only reads the buffer; the ioctl's signature is merely not const-correct.
    return FeatureIoctl(handle, Direction::Send, const_cast<std::uint8_t*>(buffer), length);
}

bool HidrawPlatform::GetFeature(HidHandle handle, std::uint8_t* buffer, std::size_t length) {
    return FeatureIoctl(handle, Direction::Read, buffer, length);
}

void HidrawPlatform::Close(HidHandle handle) {
    int fd = -1;
    if (ToDescriptor(handle, fd)) {
        ::close(fd);  // not retried: on Linux the descriptor is gone even when close reports EINTR
    }
}

LockResult HidrawPlatform::Lock(HidHandle handle, std::chrono::milliseconds wait) {
    int fd = -1;
    if (!ToDescriptor(handle, fd)) {
        return LockResult::Failed;
    }
    constexpr std::chrono::milliseconds RETRY{2};
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return LockResult::Locked;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            return LockResult::Failed;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return LockResult::Busy;
        }
        std::this_thread::sleep_for(RETRY);
    }
}

HidChanges* HidrawPlatform::Changes() {
    if (!watchTried_) {
        watchTried_ = true;
        auto watch = std::make_unique<HidrawWatch>(deviceRoot_, now_);
        if (watch->Valid()) {
            watch_ = std::move(watch);
        }
    }
    return watch_.get();
}

HidrawWatch::HidrawWatch(const std::string& deviceRoot, SteadyNow now) : now_(std::move(now)) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0 &&
        ::inotify_add_watch(fd_, deviceRoot.c_str(),
                            IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_TO | IN_MOVED_FROM) < 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

HidrawWatch::~HidrawWatch() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void HidrawWatch::Drain() {
    alignas(inotify_event) char events[4096];
    for (;;) {
        const ssize_t got = ::read(fd_, events, sizeof(events));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;  // EAGAIN: nothing more
        }
        for (ssize_t offset = 0; offset < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                changed_ = true;  // events were lost: anything may have changed
                continue;
            }
            unsigned number = 0;
            if (event->len == 0 || !ParseEntryNumber(event->name, number)) {
                continue;
            }
            changed_ = true;
            if ((event->mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
                settling_[event->name] = now_();
            } else if ((event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0) {
                settling_.erase(event->name);
            }  // an attribute change: searched again, but udev may not be done with it
        }
    }
}

void HidrawWatch::Expire() {
    const auto now = now_();
    for (auto node = settling_.begin(); node != settling_.end();) {
        if (now - node->second >= NODE_SETTLE_TIME) {
            node = settling_.erase(node);
            changed_ = true;  // a refusal from now on is the user's lack of access: search again
        } else {
            ++node;
        }
    }
}

bool HidrawWatch::TakeChanged() {
    if (!watched_) {
        Drain();
    }
    Expire();
    return std::exchange(changed_, false) || !settling_.empty() || refused_;
}

bool HidrawWatch::Settling(const std::string& name) {
    Drain();
    Expire();
    return settling_.contains(name);
}

void HidrawPlatform::Unlock(HidHandle handle) {
    int fd = -1;
    if (ToDescriptor(handle, fd)) {
        ::flock(fd, LOCK_UN);
    }
}

}  // namespace zrt::link
