// The entry of zrt-vivoraz-cli on Windows, wmain: the command line taken as UTF-16 and turned into
// UTF-8, so that Polish file names survive; the console shows UTF-8.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "cli/program.hpp"

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    return zrt::cli::RunProgram([&] {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i) {
            const int size =
                WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
            std::string text(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, text.data(), size, nullptr, nullptr);
            text.resize(text.size() - 1);  // the terminating zero
            arguments.push_back(std::move(text));
        }
        return arguments;
    });
}
