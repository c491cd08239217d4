// Windows: file names are UTF-16 (the wide calls take the UTF-8 name converted); a reader's
// access is the system's to give, with nothing for the user to install.
#include "link/host_system.hpp"

#include <io.h>
#include <windows.h>

#include <cstdio>
#include <ctime>
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

std::string SystemDescription() {
    // The version the system itself reports (GetVersionEx is capped at 6.2 for a program without
    // a manifest that names later systems), and wine's where the program runs under it.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
    using WineVersionCall = const char*(CDECL*)();
    const auto getVersion = reinterpret_cast<RtlGetVersionCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    char text[128] = "Windows";
    if (getVersion != nullptr && getVersion(&version) == 0) {
        std::snprintf(text, sizeof text, "Windows %lu.%lu.%lu",
                      static_cast<unsigned long>(version.dwMajorVersion),
                      static_cast<unsigned long>(version.dwMinorVersion),
                      static_cast<unsigned long>(version.dwBuildNumber));
    }
    std::string description = text;
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    description += system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64   ? " x64"
                   : system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64 ? " arm64"
                                                                                   : " x86";
    const auto wineVersion = reinterpret_cast<WineVersionCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
    if (wineVersion != nullptr) {
        description += std::string(" (wine ") + wineVersion() + ")";
    }
    return description;
}

int LocalOffsetMinutes(std::int64_t utcSeconds) {
    const __time64_t moment = utcSeconds;
    std::tm local{};
    if (_localtime64_s(&local, &moment) != 0) {
        return 0;
    }
    return static_cast<int>((_mkgmtime64(&local) - moment) / 60);
}

std::string LastErrorText() {
    const DWORD number = GetLastError();
    char text[256] = "";
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, number,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return (message.empty() ? "error" : message) + " (error " + std::to_string(number) + ")";
}

// The user's files are the user's own on Windows: the mode of the C library is kept.
std::FILE* OpenOwnFileForAppending(const std::string& name) {
    return OpenNamedFile(name, "ab");
}

bool MoveFileOver(const std::string& from, const std::string& to) {
    const std::optional<std::wstring> wideFrom = Wide(from);
    const std::optional<std::wstring> wideTo = Wide(to);
    return wideFrom && wideTo &&
           MoveFileExW(wideFrom->c_str(), wideTo->c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace zrt::link
