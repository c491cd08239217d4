// Reading and writing the settings file by its name as the command line gave it, through the
// program's one file reader (link/text_file.hpp); "-" is standard input or output.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "config/reader_config.hpp"

namespace zrt::cli {

// The whole file, or none with `error` saying why (a file or standard input larger than 64 KiB is
// "too large", a pipe or a device given by its name "not a regular file").
std::optional<std::string> ReadTextFile(const std::string& name, std::istream& standardInput,
                                        std::string& error);
// The settings of a settings file read by ReadTextFile and checked whole
// (config::SettingsFromJson), with the file's bytes in `text`; none with `error` saying why, the
// file named.
std::optional<config::ConfigState> ReadSettingsFile(const std::string& name,
                                                    std::istream& standardInput, std::string& text,
                                                    std::string& error);
// "NAME: cannot be written (the system's reason)", the system's code `why` (link::LastSystemError).
std::string CannotWriteText(const std::string& name, int why);
// Writes `text` as the whole file; false with `error` saying why.
bool WriteTextFile(const std::string& name, const std::string& text, std::ostream& standardOutput,
                   std::string& error);

}  // namespace zrt::cli
