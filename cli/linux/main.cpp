// The entry of zrt-vivoraz-cli on Linux: the command line as the system gives it (UTF-8).
#include <string>
#include <vector>

#include "cli/program.hpp"

int main(int argc, char** argv) {
    return zrt::cli::RunProgram(
        [&] { return std::vector<std::string>(argv + 1, argv + argc); });
}
