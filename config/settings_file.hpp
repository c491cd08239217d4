// The settings file: a reader's settings as a JSON document (format "zrt-vivoraz-config", version
// 1) that the command-line program exports from one reader and imports into others.
//
//   {
//     "format": "zrt-vivoraz-config",
//     "version": 1,
//     "number": { "format": "hex" | "dec" | "dec-bytes", "size": "card" | 4..8, "reversed": bool },
//     "enter": bool,
//     "cards": { "mifare": bool, "icode": bool },
//     "before": [ KEY, KEY, KEY ],     rows S0 to S2
//     "after": [ KEY, KEY ]            rows S3 and S4
//   }
//
// KEY is null (not sent) or a key entry in words ("LShift+A", "TAB"). Every field is required and
// no other field is allowed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/reader_config.hpp"
#include "config/settings_words.hpp"

namespace zrt::config {

inline constexpr std::string_view SETTINGS_FILE_FORMAT = "zrt-vivoraz-config";
inline constexpr int SETTINGS_FILE_VERSION = 1;

// The document for these settings, ending with a new line.
std::string SettingsToJson(const ConfigState& state);

// The settings a document holds, checked whole. None when anything is wrong, with `error` naming
// the field ("number.size", "before.2", ...) and what is wrong with it, or the byte offset where
// no field can be named (text that is no JSON, a number out of range outside any field). A JSON
// document without "format": "zrt-vivoraz-config" is no settings file, whatever else it holds.
std::optional<ConfigState> SettingsFromJson(std::string_view text, SettingsError& error);

// `text` as it can be shown in a box, on a terminal or in a JSON string: control characters (DEL
// and C1 included) and bytes that are not part of valid UTF-8 as \xNN, everything else (Polish
// letters included) as it is. Every text taken from a file or a command line is shown through it.
std::string PrintableText(std::string_view text);

}  // namespace zrt::config
