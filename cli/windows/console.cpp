// The command-line program's console on Windows.
#include <io.h>

#include "cli/terminal.hpp"

namespace zrt::cli {

bool StandardStreamsAreTerminals() {
    return _isatty(0) != 0 && _isatty(2) != 0;
}

}  // namespace zrt::cli
