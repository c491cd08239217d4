// Key entries: one extra keystroke in a 16-bit word (HID keyboard usage in the low byte, HID
// modifier bits in the high byte), the 50-item key list, and the coding between a word and the
// state of one row of controls. Plain C++, no toolkit.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zrt::config {

using KeyEntry = std::uint16_t;

inline constexpr int KEY_COUNT = 50;
inline constexpr int MODIFIER_COUNT = 6;

// Modifier bits in the order of a row's six modifier boxes (_01, _02, _04, _10, _20, _40).
inline constexpr std::array<KeyEntry, MODIFIER_COUNT> MODIFIER_BITS = {0x0100, 0x0200, 0x0400,
                                                                       0x1000, 0x2000, 0x4000};

// What one row of controls can hold.
struct KeyRowState {
    bool send = true;  // "Wysłać"
    int keyIndex = 0;  // item of the key list, 0 ("*") to 49 ("F12")
    std::array<bool, MODIFIER_COUNT> modifiers{};
    friend bool operator==(const KeyRowState&, const KeyRowState&) = default;
};

// The key list's items in order: "*", "TAB", "A".."Z", "1".."9", "0", "F1".."F12".
const std::array<std::string_view, KEY_COUNT>& KeyNames();
// Key usage of a key-list item, and the item that shows a usage ("*" for any usage outside the
// list). An item index outside 0..49 yields the usage of "*" (85), the item that stands for every
// key the list does not hold; a sent row therefore never yields a word without a key.
std::uint8_t KeyUsageOfItem(int itemIndex);
int ItemOfKeyUsage(std::uint8_t usage);

// Word to row (what a row shows for a word) and row to word (what a row yields). A row that is not
// sent yields 0 whatever its key and modifiers; a sent row yields the key's usage and the modifier
// bits of its checked boxes, never bits 11 or 15.
KeyRowState KeyRowFromWord(KeyEntry word);
KeyEntry WordFromKeyRow(const KeyRowState& row);

}  // namespace zrt::config
