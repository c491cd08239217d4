// What differs from one system to another besides the HID backend (hid_platform.hpp): opening a
// file by its UTF-8 name, the system's own words for why a call failed, and the advice for a reader
// this user may not open. One source a system (linux/host_system.cpp, windows/host_system.cpp),
// chosen by CMake.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "link/text_file.hpp"

namespace zrt::link {

// The file of that UTF-8 name opened in the C library's `mode` ("wb", "ab"), or nullptr.
std::FILE* OpenNamedFile(const std::string& name, const char* mode);
// The file of that UTF-8 name opened for reading when it is a regular file; else nullptr with
// `error` CannotOpen, or NotRegular for anything else, refused without reading from it and
// without waiting for it (a pipe that nobody writes to).
std::FILE* OpenRegularFile(const std::string& name, FileError& error);

// The code of the system's last failure in this thread (errno on Linux, GetLastError on Windows).
int LastSystemError();
// The system's own text for that code, in `language` ("pl" or "en") when the system has it in that
// language, else in the one it has, without a final full stop or line end
// ("No such file or directory").
std::string SystemErrorText(int code, std::string_view language);

// What a user whom the system refuses a reader can do about it, in the command line's English,
// to follow "no access: this user may not open the reader" ("" when there is nothing to add).
const char* NoAccessAdvice();

}  // namespace zrt::link
