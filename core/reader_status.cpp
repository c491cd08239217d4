// The status line of a connected reader.
#include "core/reader_status.hpp"

#include <cstdio>

namespace zrt::core {

std::string ConnectedText(const link::ReaderInfo& info) {
    char text[64];
    std::snprintf(text, sizeof text, CONNECTED_FORMAT, ModelNumber(info.model),
                  static_cast<int>(info.serial), static_cast<int>(info.firmware));
    return text;
}

}  // namespace zrt::core
