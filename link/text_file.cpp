// Whole files: the limit, the reading and the writing; the system's part of opening a file by its
// UTF-8 name is in host_system.hpp.
#include "link/text_file.hpp"

#include "link/host_system.hpp"

namespace zrt::link {

std::optional<std::string> ReadLimited(const ReadCall& read, FileError& error) {
    // One byte past the limit tells a text that is too large; nothing beyond it is read.
    std::string text(MAX_TEXT_FILE_SIZE + 1, '\0');
    const std::optional<std::size_t> size = read(text.data(), text.size());
    if (!size) {
        error = FileError::CannotRead;
        return std::nullopt;
    }
    if (*size > MAX_TEXT_FILE_SIZE) {
        error = FileError::TooLarge;
        return std::nullopt;
    }
    text.resize(*size);
    return text;
}

std::optional<std::string> ReadTextFile(const std::string& name, FileError& error) {
    const File file(OpenRegularFile(name, error));
    if (!file) {
        return std::nullopt;
    }
    return ReadLimited(
        [&file](char* buffer, std::size_t size) -> std::optional<std::size_t> {
            const std::size_t got = std::fread(buffer, 1, size, file.get());
            return std::ferror(file.get()) != 0 ? std::nullopt : std::optional(got);
        },
        error);
}

bool WriteTextFile(const std::string& name, const std::string& text, int& systemError) {
    File file(OpenNamedFile(name, "wb"));
    if (!file) {
        systemError = LastSystemError();
        return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() &&
                   std::fflush(file.get()) == 0;
    if (!written) {
        systemError = LastSystemError();
    }
    if (std::fclose(file.release()) != 0 && written) {
        systemError = LastSystemError();
        written = false;
    }
    return written;
}

File OpenForAppending(const std::string& name) {
    return File(OpenNamedFile(name, "ab"));
}

}  // namespace zrt::link
