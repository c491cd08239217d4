// How a reader's identity is shown: the status line of a connected reader, the text shown while
// none is connected, and which readers read the card types. The window's status label and the
// command-line program show the same texts. And the words of the command line and of the
// provisioning log for a link error and for a reader that cannot be opened (English).
#pragma once

#include <cstdint>
#include <string>

#include "config/reader_config.hpp"
#include "link/zrhid.hpp"

namespace zrt::core {

// The connected text is a printf format of three unsigned numbers: (model word AND 0x3FF) modulo
// 100, the serial number, the firmware version.
inline constexpr const char* CONNECTED_FORMAT = "Czytnik Zr-T%d, Nr: %05d (soft: %02d)";
inline constexpr const char* NOT_CONNECTED_TEXT = "       Czytnik nie podłączony";
// Shown once per plug-in when a reader is there but this user may not open it.
inline constexpr const char* NO_ACCESS_TEXT =
    "Brak dostępu do czytnika. Zainstaluj pakiet zrt-vivoraz lub regułę udev (README), a następnie "
    "podłącz czytnik ponownie.";
// The status line while the only readers present are refused for lack of permission.
inline constexpr const char* NO_ACCESS_STATUS_TEXT = "Brak dostępu do czytnika";
// The model word whose readers read the card types (Mifare, iCode).
inline constexpr std::uint16_t CARD_TYPE_MODEL = config::CARD_TYPE_MODEL;

// The number in a model's name, "Zr-T51" for the model word 1175: (word AND 0x3FF) modulo 100.
inline int ModelNumber(std::uint16_t modelWord) {
    return (modelWord & 0x3FF) % 100;
}
// The model's name: "Zr-T51" for the model word 1175.
std::string ModelName(std::uint16_t modelWord);

// The status line of a connected reader with that identity, e.g.
// "Czytnik Zr-T51, Nr: 00042 (soft: 07)"; `format` a translation of CONNECTED_FORMAT with the
// same three conversions.
std::string ConnectedText(const link::ReaderInfo& info, const char* format = CONNECTED_FORMAT);
// A link error's code in words: "the reader does not answer (HID driver error)".
std::string LinkErrorWords(std::int32_t code);

// Whether a reader with that identity reads the card types.
inline bool ReadsCardTypes(const link::ReaderInfo& info) {
    return config::ShowsCardTypes(info.model);
}

}  // namespace zrt::core
