// What differs from one system to another besides the HID backend (hid_platform.hpp): opening a
// file by its UTF-8 name, and the advice for a reader this user may not open. One source a
// system (linux/host_system.cpp, windows/host_system.cpp), chosen by CMake.
#pragma once

#include <cstdio>
#include <string>

#include "link/text_file.hpp"

namespace zrt::link {

// The file of that UTF-8 name opened in the C library's `mode` ("wb", "ab"), or nullptr.
std::FILE* OpenNamedFile(const std::string& name, const char* mode);
// The file of that UTF-8 name opened for reading when it is a regular file; else nullptr with
// `error` CannotOpen, or NotRegular for anything else, refused without reading from it and
// without waiting for it (a pipe that nobody writes to).
std::FILE* OpenRegularFile(const std::string& name, FileError& error);

// What a user whom the system refuses a reader can do about it, in the command line's English,
// to follow "no access: this user may not open the reader" ("" when there is nothing to add).
const char* NoAccessAdvice();

}  // namespace zrt::link
