// What differs from one system to another besides the HID backend (hid_platform.hpp): opening a
// file by its UTF-8 name, the system's own words for why a call failed, the advice for a reader
// this user may not open, and what the trace asks of the system (its name and version, the local
// time's offset, a file only its owner reads, a file moved over another). One source a system
// (linux/host_system.cpp, windows/host_system.cpp), chosen by CMake.
#pragma once

#include <cstdint>
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

// The operating system and its version, on one line ("Debian GNU/Linux 12 (bookworm); Linux
// 6.1.0-18-amd64 x86_64", "Windows 10.0.19045 x64").
std::string SystemDescription();
// The local time's offset from UTC, in minutes, at that moment (seconds since 1970, UTC).
int LocalOffsetMinutes(std::int64_t utcSeconds);
// The text of the error of the system call that failed last on this thread (errno, GetLastError),
// with its number: to be asked right after the failed call.
std::string LastErrorText();
// The file of that UTF-8 name opened for appending, made when missing; on Linux made readable
// and writable by its owner only (mode 0600), an existing one of this user's set so too.
std::FILE* OpenOwnFileForAppending(const std::string& name);
// Moves the file `from` to `to`, replacing a file there. False when it cannot be done.
bool MoveFileOver(const std::string& from, const std::string& to);

}  // namespace zrt::link
