// Identifiers from a Windows HID device path.
#include "link/windows/device_path_ids.hpp"

#include <cctype>
#include <string>

namespace zrt::link {

namespace {

// The four hexadecimal digits right after `key` in `lower`.
std::optional<std::uint16_t> HexAfter(const std::string& lower, std::string_view key) {
    const std::size_t at = lower.find(key);
    if (at == std::string::npos || at + key.size() + 4 > lower.size()) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (std::size_t i = at + key.size(); i < at + key.size() + 4; ++i) {
        const char c = lower[i];
        if (c >= '0' && c <= '9') {
            value = value * 16 + static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            value = value * 16 + static_cast<unsigned>(c - 'a' + 10);
        } else {
            return std::nullopt;
        }
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<HidIds> IdsFromDevicePath(std::string_view path) {
    std::string lower(path);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::optional<std::uint16_t> vendor = HexAfter(lower, "vid_");
    const std::optional<std::uint16_t> product = HexAfter(lower, "pid_");
    if (!vendor || !product) {
        return std::nullopt;
    }
    return HidIds{*vendor, *product};
}

}  // namespace zrt::link
