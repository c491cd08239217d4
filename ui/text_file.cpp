// Whole text files through the C library's FILE.
#include "ui/text_file.hpp"

#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zrt::ui {

namespace {

struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, Closer>;

File OpenFile(const std::string& name, const char* mode) {
#ifdef _WIN32
    auto wide = [](const std::string& text) {
        const int length =
            MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring result(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                            length);
        return result;
    };
    return File(_wfopen(wide(name).c_str(), wide(mode).c_str()));
#else
    return File(std::fopen(name.c_str(), mode));
#endif
}

}  // namespace

std::optional<std::string> ReadTextFile(const std::string& name) {
    const File file = OpenFile(name, "rb");
    if (!file) {
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        text.append(buffer, got);
    }
    if (std::ferror(file.get()) != 0) {
        return std::nullopt;
    }
    return text;
}

bool WriteTextFile(const std::string& name, const std::string& text) {
    File file = OpenFile(name, "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace zrt::ui
