// The model's name and the status line of a connected reader.
#include "core/reader_status.hpp"

#include <cstdio>

namespace zrt::core {

std::string ModelName(std::uint16_t modelWord) {
    return "Zr-T" + std::to_string(ModelNumber(modelWord));
}

std::string ConnectedText(const link::ReaderInfo& info, const char* format) {
    char text[128];
    std::snprintf(text, sizeof text, format, ModelNumber(info.model), static_cast<int>(info.serial),
                  static_cast<int>(info.firmware));
    return text;
}

}  // namespace zrt::core
