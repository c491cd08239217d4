// Whole text files by UTF-8 name, for the window's settings files: the C library's files (the wide
// name on Windows, so that Polish names work there too), which keep the Windows program small.
#pragma once

#include <optional>
#include <string>

namespace zrt::ui {

// The whole file, or none when it cannot be opened or read.
std::optional<std::string> ReadTextFile(const std::string& name);
// Writes `text` as the whole file; false when it cannot be written.
bool WriteTextFile(const std::string& name, const std::string& text);

}  // namespace zrt::ui
