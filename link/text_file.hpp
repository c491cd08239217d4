// Whole files by UTF-8 name, for the settings files and the trace, through the C library's FILE
// (which keeps the Windows program small): a file read is a regular file of at most 64 KiB, so
// that neither a huge file nor a pipe or a device such as /dev/zero can hold up or exhaust the
// program; a file written is written whole; the trace is appended to.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zrt::link {

// A settings file is under 1 KiB: anything larger than this is refused, and never read further.
inline constexpr std::size_t MAX_TEXT_FILE_SIZE = 64 * 1024;

// Why a file was not read.
enum class FileError {
    None,
    CannotOpen,  // missing, not allowed, or a name that is not UTF-8
    NotRegular,  // a pipe, a device, a folder: refused without reading from it or waiting for it
    TooLarge,    // more than MAX_TEXT_FILE_SIZE bytes
    CannotRead,
};

// The whole file, or none with `error` saying why.
std::optional<std::string> ReadTextFile(const std::string& name, FileError& error);
// The whole text of another source under the same limit: `read` is asked once to fill `size`
// bytes (one past the limit) of `buffer` and gives how many it filled, fewer only at the end, or
// none when it failed.
using ReadCall = std::function<std::optional<std::size_t>(char* buffer, std::size_t size)>;
std::optional<std::string> ReadLimited(const ReadCall& read, FileError& error);
// Writes `text` as the whole file; false when it cannot be written, with `systemError` the
// system's code of why (SystemErrorText, host_system.hpp).
bool WriteTextFile(const std::string& name, const std::string& text, int& systemError);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
// The file opened for appending (made when it is missing), or none.
File OpenForAppending(const std::string& name);

}  // namespace zrt::link
