// The entry of zrt-vivoraz-cli, as the entry of each platform (linux/main.cpp, windows/main.cpp)
// makes it once it can read the command line.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zrt::cli {

// Runs the command line that `arguments` reads (UTF-8, without the program's name) against the
// system's HID support, over the standard streams, and returns the exit status. Whatever escapes,
// reading the command line included, ends here: one line on standard error, status 1, never an
// abort.
int RunProgram(const std::function<std::vector<std::string>()>& arguments);

}  // namespace zrt::cli
