// The command-line program's console on Linux.
#include <unistd.h>

#include "cli/terminal.hpp"

namespace zrt::cli {

bool StandardStreamsAreTerminals() {
    return ::isatty(0) != 0 && ::isatty(2) != 0;
}

}  // namespace zrt::cli
