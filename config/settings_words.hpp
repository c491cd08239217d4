// The record's settings in words: every setting's name and every value it can take, by the English
// name that settings files and the command line use, and what is wrong with a value or a settings
// file as data (SettingsError) for the front ends to word in their language (texts/).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "config/reader_config.hpp"

namespace zrt::config {

// One value of a choice: its English name.
struct Choice {
    std::string_view name;
};

// The number's format, by DecGrp item index.
inline constexpr std::array<Choice, 3> FORMAT_CHOICES = {{{"hex"}, {"dec"}, {"dec-bytes"}}};
// The number's size, by SizeGrp item index (the size index of the record).
inline constexpr std::array<Choice, SIZE_ITEM_COUNT> SIZE_CHOICES = {
    {{"card"}, {"4"}, {"5"}, {"6"}, {"7"}, {"8"}}};
// The modifiers, in the order of MODIFIER_BITS (a row's boxes _01, _02, _04, _10, _20, _40).
inline constexpr std::array<std::string_view, MODIFIER_COUNT> MODIFIER_NAMES = {
    "LCtrl", "LShift", "LAlt", "RCtrl", "RShift", "RAlt"};

// What is wrong with a setting's value or a settings file.
enum class SettingsProblem {
    NotJson,             // at byte `offset`
    NumberOutOfRange,    // `field` holds the number `value`, too large for a double
    NumberOutOfRangeAt,  // the same outside any field, at byte `offset`
    NotASettingsFile,    // JSON, but no object with "format": SETTINGS_FILE_FORMAT
    OtherVersion,        // `limit` is the one version read
    NotAnObject,         // `field` holds a `type`
    UnknownField,
    MissingField,
    NotBoolean,       // `field` holds a `type`
    NotAKey,          // `field` holds a `type`
    KeyAsNullText,    // the text "null" where a key or null belongs
    NotAKeyList,      // `limit` keys expected
    NotAFormat,       // not one of FORMAT_CHOICES
    NotASize,         // not "card" nor 4 to 8
    UnknownKey,       // `value` names no key
    UnknownModifier,  // `value` names no modifier
    ModifierTwice,    // `value` given twice
    EmptyKeyPart,
    UnknownSetting,  // `field` names no setting
    NotOneOf,        // `value` is none of `limit` (the names, comma-separated)
};

// The kinds of JSON value, to say what a field held.
enum class ValueType { Null, Boolean, Number, String, List, Object };

// What is wrong, where: the field in dotted form ("before.2"; "" for the whole document), the text
// taken from the input (as it stood: the front end shows it escaped, PrintableText), the limit the
// value broke, the kind of value found and the byte offset where no field can be named.
struct SettingsError {
    SettingsProblem problem = SettingsProblem::NotJson;
    std::string field;
    std::string value;
    std::string limit;
    ValueType type = ValueType::Null;
    std::size_t offset = 0;
};

// Every setting by its dotted name, in the order a record is described: "number.format",
// "number.size", "number.reversed", "enter", "cards.mifare", "cards.icode", "before.1" to
// "before.3" (rows S0 to S2) and "after.1", "after.2" (rows S3, S4).
inline constexpr int SETTING_COUNT = 11;
const std::array<std::string_view, SETTING_COUNT>& SettingNames();

// A key entry in words: "null" when the row is not sent, else its modifiers in the order above
// and its key item joined by "+" ("LShift+A", "TAB", "LCtrl+RAlt+F12").
std::string KeyText(const KeyRowState& row);
// The row a key text stands for; none, with `error` saying why (its field left for the caller),
// for an unknown or repeated modifier, an unknown key or an empty part. "null" is a row that is
// not sent.
std::optional<KeyRowState> ParseKeyText(std::string_view text, SettingsError& error);

// A setting's value in words, as `set` takes it: "dec", "card", "4", "true", "LShift+A", "null".
std::string SettingText(const ConfigState& state, std::string_view name);
// Sets one setting from its value in words. False, with `error` naming what is wrong, for an
// unknown name or a value the setting cannot take; `state` is then as it was.
bool SetSetting(ConfigState& state, std::string_view name, std::string_view value,
                SettingsError& error);

}  // namespace zrt::config
