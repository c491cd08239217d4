// The record's settings in words: every setting's name and every value it can take, with the
// window's caption or item text beside the English name that settings files and the command line
// use. The window takes its captions and items from here; files and commands name the same things.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "config/reader_config.hpp"

namespace zrt::config {

// One value of a choice: its English name and the window's item text.
struct Choice {
    std::string_view name;
    std::string_view caption;
};

// The number's format, by DecGrp item index.
inline constexpr std::array<Choice, 3> FORMAT_CHOICES = {{
    {"hex", "Hex"},
    {"dec", "Dec (cały numer)"},
    {"dec-bytes", "Dec (każdy bajt)"},
}};
// The number's size, by SizeGrp item index (the size index of the record).
inline constexpr std::array<Choice, SIZE_ITEM_COUNT> SIZE_CHOICES = {{
    {"card", "Według karty"},
    {"4", "4 bajty"},
    {"5", "5 bajtów"},
    {"6", "6 bajtów"},
    {"7", "7 bajtów"},
    {"8", "8 bajtów"},
}};
// The modifiers, in the order of MODIFIER_BITS (a row's boxes _01, _02, _04, _10, _20, _40).
inline constexpr std::array<std::string_view, MODIFIER_COUNT> MODIFIER_NAMES = {
    "LCtrl", "LShift", "LAlt", "RCtrl", "RShift", "RAlt"};

// The window's captions of the on/off settings.
inline constexpr std::string_view REVERSED_CAPTION = "Odwrócony numer";
inline constexpr std::string_view ENTER_CAPTION = "Enter na końcu";
inline constexpr std::string_view MIFARE_CAPTION = "Mifare";
inline constexpr std::string_view ICODE_CAPTION = "iCode";

// Every setting by its dotted name, in the order a record is described: "number.format",
// "number.size", "number.reversed", "enter", "cards.mifare", "cards.icode", "before.1" to
// "before.3" (rows S0 to S2) and "after.1", "after.2" (rows S3, S4).
inline constexpr int SETTING_COUNT = 11;
const std::array<std::string_view, SETTING_COUNT>& SettingNames();

// A key entry in words: "null" when the row is not sent, else its modifiers in the order above
// and its key item joined by "+" ("LShift+A", "TAB", "LCtrl+RAlt+F12").
std::string KeyText(const KeyRowState& row);
// The row a key text stands for; none, with `error` saying why, for an unknown or repeated
// modifier, an unknown key or an empty part. "null" is a row that is not sent.
std::optional<KeyRowState> ParseKeyText(std::string_view text, std::string& error);

// A setting's value in words, as `set` takes it: "dec", "card", "4", "true", "LShift+A", "null".
std::string SettingText(const ConfigState& state, std::string_view name);
// Sets one setting from its value in words. False, with `error` naming what is wrong, for an
// unknown name or a value the setting cannot take; `state` is then as it was.
bool SetSetting(ConfigState& state, std::string_view name, std::string_view value,
                std::string& error);

}  // namespace zrt::config
