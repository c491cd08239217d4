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

int LastSystemError() {
    return static_cast<int>(GetLastError());
}

// FormatMessage's text in the language asked for when Windows has it, else in Windows' own.
std::string SystemErrorText(int code, std::string_view language) {
    const DWORD polish = MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT);
    const DWORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    wchar_t* buffer = nullptr;
    DWORD length = 0;
    for (const DWORD languageId : {language == "pl" ? polish : english, DWORD{0}}) {
        length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, static_cast<DWORD>(code), languageId,
                                reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
        if (length != 0) {
            break;
        }
    }
    if (length == 0 || buffer == nullptr) {
        return "error " + std::to_string(code);
    }
    std::wstring wide(buffer, length);
    LocalFree(buffer);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                             wide.back() == L'.')) {
        wide.pop_back();
    }
    const int size = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), bytes, nullptr, nullptr);
    return text;
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
    return SystemErrorText(static_cast<int>(number), "en") + " (error " + std::to_string(number) +
           ")";
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
