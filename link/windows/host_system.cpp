// Windows: file names are UTF-16 (the wide calls take the UTF-8 name converted); a reader's
// access is the system's to give, with nothing for the user to install.
#include "link/host_system.hpp"

#include <io.h>
#include <windows.h>

#include <optional>

namespace zrt::link {

namespace {

// The UTF-16 text of a UTF-8 one; none when it is not UTF-8.
std::optional<std::wstring> Wide(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
    return wide;
}

}  // namespace

std::FILE* OpenNamedFile(const std::string& name, const char* mode) {
    const std::optional<std::wstring> wideName = Wide(name);
    return wideName ? _wfopen(wideName->c_str(), Wide(mode)->c_str()) : nullptr;
}

std::FILE* OpenRegularFile(const std::string& name, FileError& error) {
    // Opening a device ("NUL") or a pipe does not wait; what it gave is then refused unread.
    std::FILE* file = OpenNamedFile(name, "rb");
    if (file == nullptr) {
        error = FileError::CannotOpen;
        return nullptr;
    }
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        std::fclose(file);
        error = FileError::NotRegular;
        return nullptr;
    }
    return file;
}

const char* NoAccessAdvice() {
    return "";
}

}  // namespace zrt::link
