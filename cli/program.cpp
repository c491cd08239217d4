// The part of zrt-vivoraz-cli's entry that every platform shares: the platform's HID support, the
// run over the standard streams, and the last stop for whatever the run lets escape.
#include "cli/program.hpp"

#include <exception>
#include <iostream>

#include "cli/cli.hpp"
#include "link/platform_factory.hpp"
#include "link/trace.hpp"

namespace zrt::cli {

int RunProgram(const std::function<std::vector<std::string>()>& arguments) {
    try {
        const std::vector<std::string> commandLine = arguments();
        link::Trace::Program().Start(link::ThisProgram(
            "zrt-vivoraz-cli", "en", link::CommandLineText("zrt-vivoraz-cli", commandLine)));
        const auto platform = link::MakeSystemPlatform();
        return RunCommandLine(commandLine, *platform, std::cin, std::cout, std::cerr);
    } catch (const std::exception& failure) {
        std::cerr << "zrt-vivoraz-cli: unexpected failure: " << failure.what() << "\n";
    } catch (...) {
        std::cerr << "zrt-vivoraz-cli: unexpected failure\n";
    }
    return 1;
}

}  // namespace zrt::cli
