// The model's name and the status line of a connected reader.
#include "core/reader_status.hpp"

#include <cstdio>

#include "link/host_system.hpp"
#include "link/link_error.hpp"

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

std::string LinkErrorWords(std::int32_t code) {
    switch (code) {
        case link::ERR_PROGRAM:
            return "program error";
        case link::ERR_HID_DRIVER:
            return "the reader does not answer (HID driver error)";
        case link::ERR_NOT_FOUND:
            return "no reader";
        case link::ERR_BAD_REPLY:
            return "the reader's reply is malformed";
        case link::ERR_UPGRADE:
            return "the reader refused an upgrade step";
        case link::ERR_IN_USE:
            return "the reader is in use by another program";
        default:
            return "reader link error " + std::to_string(code);
    }
}

}  // namespace zrt::core
