// The entry of zrt-vivoraz-cli: the command line as UTF-8 (on Windows taken from the wide command
// line, so that Polish file names survive), the platform's HID support, and the run. Whatever the
// run lets escape ends here: one line, exit status 1, never an abort.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.hpp"
#include "link/platform_factory.hpp"

namespace {

template <typename Body>
int Guarded(Body body) {
    try {
        return body();
    } catch (const std::exception& failure) {
        std::cerr << "zrt-vivoraz-cli: unexpected failure: " << failure.what() << "\n";
    } catch (...) {
        std::cerr << "zrt-vivoraz-cli: unexpected failure\n";
    }
    return 1;
}

}  // namespace

#ifdef _WIN32
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    return Guarded([&] {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i) {
            const int size =
                WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
            std::string text(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, text.data(), size, nullptr, nullptr);
            text.resize(text.size() - 1);  // the terminating zero
            arguments.push_back(std::move(text));
        }
        SetConsoleOutputCP(CP_UTF8);
        auto platform = zrt::link::MakeSystemPlatform();
        return zrt::cli::RunCommandLine(arguments, *platform, std::cin, std::cout, std::cerr);
    });
}
#else
int main(int argc, char** argv) {
    return Guarded([&] {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        const auto platform = zrt::link::MakeSystemPlatform();
        return zrt::cli::RunCommandLine(arguments, *platform, std::cin, std::cout, std::cerr);
    });
}
#endif
