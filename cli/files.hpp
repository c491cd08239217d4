// Reading and writing the settings file by its name as the command line gave it (UTF-8, so that
// Polish file names work on Windows too); "-" is standard input or output.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>

namespace zrt::cli {

// A settings file is under 1 KiB: anything larger than this is refused, and never read further.
inline constexpr std::size_t MAX_INPUT_SIZE = 64 * 1024;

// The whole file, or none with `error` saying why (a file or standard input larger than
// MAX_INPUT_SIZE is "too large").
std::optional<std::string> ReadTextFile(const std::string& name, std::istream& standardInput,
                                        std::string& error);
// Writes `text` as the whole file; false with `error` saying why.
bool WriteTextFile(const std::string& name, const std::string& text, std::ostream& standardOutput,
                   std::string& error);

}  // namespace zrt::cli
