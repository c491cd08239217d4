// Key entries: the key list, its mapping to HID keyboard usages, and the coding between a
// key-entry word and the state of one row of controls.
#include "config/key_entry.hpp"

namespace zrt::config {

namespace {

constexpr std::uint8_t USAGE_KEYPAD_STAR = 85;  // item 0, "*"
constexpr std::uint8_t USAGE_TAB = 43;          // item 1, "TAB"
constexpr std::uint8_t USAGE_A = 4;             // items 2..37: "A".."Z", "1".."9", "0"
constexpr std::uint8_t USAGE_0 = 39;
constexpr std::uint8_t USAGE_F1 = 58;  // items 38..49: "F1".."F12"
constexpr std::uint8_t USAGE_F12 = 69;
constexpr int ITEM_STAR = 0;
constexpr int ITEM_TAB = 1;
constexpr int ITEM_A = 2;
constexpr int ITEM_F1 = 38;

constexpr std::uint8_t KeyOf(KeyEntry word) {
    return static_cast<std::uint8_t>(word & 0xFF);
}

}  // namespace

const std::array<std::string_view, KEY_COUNT>& KeyNames() {
    static constexpr std::array<std::string_view, KEY_COUNT> names = {
        "*",  "TAB", "A",  "B",  "C",  "D",  "E",  "F",  "G",   "H",   "I",  "J", "K",
        "L",  "M",   "N",  "O",  "P",  "Q",  "R",  "S",  "T",   "U",   "V",  "W", "X",
        "Y",  "Z",   "1",  "2",  "3",  "4",  "5",  "6",  "7",   "8",   "9",  "0", "F1",
        "F2", "F3",  "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};
    return names;
}

std::uint8_t KeyUsageOfItem(int itemIndex) {
    if (itemIndex == ITEM_TAB) {
        return USAGE_TAB;
    }
    if (itemIndex >= ITEM_A && itemIndex < ITEM_F1) {
        return static_cast<std::uint8_t>(itemIndex + (USAGE_A - ITEM_A));
    }
    if (itemIndex >= ITEM_F1 && itemIndex < KEY_COUNT) {
        return static_cast<std::uint8_t>(itemIndex + (USAGE_F1 - ITEM_F1));
    }
    // Item 0, and any index outside the list, is "*".
    return USAGE_KEYPAD_STAR;
}

int ItemOfKeyUsage(std::uint8_t usage) {
    if (usage == USAGE_TAB) {
        return ITEM_TAB;
    }
    if (usage >= USAGE_A && usage <= USAGE_0) {
        return usage - (USAGE_A - ITEM_A);
    }
    if (usage >= USAGE_F1 && usage <= USAGE_F12) {
        return usage - (USAGE_F1 - ITEM_F1);
    }
    return ITEM_STAR;  // 0, 85 and every usage the list does not hold
}

KeyRowState KeyRowFromWord(KeyEntry word) {
    KeyRowState row;
    // The modifier boxes show their bits whatever the key byte holds; bits 11 and 15 have no box.
    for (int i = 0; i < MODIFIER_COUNT; ++i) {
        row.modifiers[i] = (word & MODIFIER_BITS[i]) != 0;
    }
    const std::uint8_t key = KeyOf(word);
    row.send = key != 0;
    row.keyIndex = ItemOfKeyUsage(key);
    return row;
}

KeyEntry WordFromKeyRow(const KeyRowState& row) {
    if (!row.send) {
        return 0;  // key list and modifier boxes are not looked at
    }
    KeyEntry word = KeyUsageOfItem(row.keyIndex);
    for (int i = 0; i < MODIFIER_COUNT; ++i) {
        if (row.modifiers[i]) {
            word |= MODIFIER_BITS[i];
        }
    }
    return word;
}

}  // namespace zrt::config
