// Reading and writing the settings file by its name as the command line gave it (UTF-8, so that
// Polish file names work on Windows too); "-" is standard input or output.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace zrt::cli {

// The whole file, or none with `error` saying why.
std::optional<std::string> ReadTextFile(const std::string& name, std::istream& standardInput,
                                        std::string& error);
// Writes `text` as the whole file; false with `error` saying why.
bool WriteTextFile(const std::string& name, const std::string& text, std::ostream& standardOutput,
                   std::string& error);

}  // namespace zrt::cli
