// How a reader's identity is shown: the model's name, the status line of a connected reader from
// the catalogue's format (texts/), and which readers read the card types.
#pragma once

#include <cstdint>
#include <string>

#include "config/reader_config.hpp"
#include "link/zrhid.hpp"

namespace zrt::core {

// The model word whose readers read the card types (Mifare, iCode).
inline constexpr std::uint16_t CARD_TYPE_MODEL = config::CARD_TYPE_MODEL;

// The number in a model's name, "Zr-T51" for the model word 1175: (word AND 0x3FF) modulo 100.
inline int ModelNumber(std::uint16_t modelWord) {
    return (modelWord & 0x3FF) % 100;
}
// The model's name: "Zr-T51" for the model word 1175.
std::string ModelName(std::uint16_t modelWord);

// The status line of a connected reader with that identity, e.g.
// "Czytnik Zr-T51, Nr: 00042 (soft: 07)": `format` is a printf format of three ints, (model word
// AND 0x3FF) modulo 100, the serial number, the firmware version.
std::string ConnectedText(const link::ReaderInfo& info, const char* format);
// Whether a reader with that identity reads the card types.
inline bool ReadsCardTypes(const link::ReaderInfo& info) {
    return config::ShowsCardTypes(info.model);
}

}  // namespace zrt::core
