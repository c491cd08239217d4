// Fuzz target: the HID_ID line of a sysfs uevent file. Any bytes are parsed directly and, the same
// bytes written as the uevent file of hidraw0 in a temporary sysfs tree, listed by the hidraw
// backend: both agree (the listing's hint is there exactly when the parse succeeds, with the same
// identifiers), and both agree with the line's grammar, "HID_ID=" and three fields of 1 to 8
// hexadecimal digits separated by ':' up to the end of the line, vendor and product below 0x10000,
// taken from the first line that starts with "HID_ID=" and has more after it.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.hpp"
#include "link/linux/hidraw_platform.hpp"

namespace zrt::fuzz {
namespace {

constexpr std::size_t UEVENT_LIMIT = 4096;  // what the listing reads of a sysfs attribute

// <temporary folder>/class/hidraw0/device/uevent, removed when the fuzzer ends.
class SysfsTree {
  public:
    SysfsTree() {
        // On tmpfs where there is one: sysfs lives in memory, and a disk would slow every run.
        char pattern[] = "/dev/shm/zrt-hid-id-fuzz-XXXXXX";
        char fallback[] = "/tmp/zrt-hid-id-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) {
            made = mkdtemp(fallback);
        }
        FUZZ_REQUIRE(made != nullptr);
        root_ = made;
        std::filesystem::create_directories(root_ / "class/hidraw0/device");
        uevent_ = (root_ / "class/hidraw0/device/uevent").string();
    }
    ~SysfsTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    std::string ClassFolder() const { return (root_ / "class").string(); }
    void WriteUevent(const std::uint8_t* data, std::size_t size) const {
        const int file = ::open(uevent_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        FUZZ_REQUIRE(file >= 0);
        FUZZ_REQUIRE(::write(file, data, size) == static_cast<ssize_t>(size));
        ::close(file);
    }

  private:
    std::filesystem::path root_;
    std::string uevent_;
};

// One field of 1 to 8 hexadecimal digits making up all of `text`.
std::optional<std::uint32_t> HexField(std::string_view text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : text) {
        const std::string_view digits = "0123456789abcdef";
        const char lower = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
        const std::size_t digit = digits.find(lower);
        if (digit == std::string_view::npos) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// The grammar above, written out plainly.
std::optional<link::HidIds> ExpectedIds(std::string_view text) {
    constexpr std::string_view KEY = "HID_ID=";
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (line.size() > KEY.size() && line.substr(0, KEY.size()) == KEY) {
            const std::string_view fields = line.substr(KEY.size());
            const std::size_t first = fields.find(':');
            const std::size_t second =
                first == std::string_view::npos ? first : fields.find(':', first + 1);
            if (second == std::string_view::npos) {
                return std::nullopt;
            }
            const auto bus = HexField(fields.substr(0, first));
            const auto vendor = HexField(fields.substr(first + 1, second - first - 1));
            const auto product = HexField(fields.substr(second + 1));
            if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF) {
                return std::nullopt;
            }
            return link::HidIds{static_cast<std::uint16_t>(*vendor),
                                static_cast<std::uint16_t>(*product)};
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return std::nullopt;
}

}  // namespace
}  // namespace zrt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zrt;
    static const fuzz::SysfsTree tree;
    if (size > fuzz::UEVENT_LIMIT) {
        size = fuzz::UEVENT_LIMIT;
    }
    // The parse gets a buffer of exactly the input's size, so that a read past it is caught.
    const std::vector<char> text(data, data + size);
    link::HidIds parsed{};
    const bool ok = link::ParseHidIdLine(text.data(), text.size(), parsed);
    const auto expected = fuzz::ExpectedIds(std::string_view(text.data(), text.size()));
    FUZZ_REQUIRE(ok == expected.has_value());
    FUZZ_REQUIRE(!ok || parsed == *expected);

    tree.WriteUevent(data, size);
    link::HidrawPlatform platform(tree.ClassFolder(), "/dev");
    std::vector<link::HidInterface> listed;
    FUZZ_REQUIRE(platform.ListInterfaces(listed));
    FUZZ_REQUIRE(listed.size() == 1 && listed[0].path == "/dev/hidraw0");
    FUZZ_REQUIRE(listed[0].hint.has_value() == ok);
    FUZZ_REQUIRE(!ok || *listed[0].hint == parsed);
    return 0;
}
