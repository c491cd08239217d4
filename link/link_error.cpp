// The user-facing messages of the link error codes.
#include "link/link_error.hpp"

namespace zrt::link {

std::string ErrorText(std::int32_t code) {
    switch (code) {
        case ERR_PROGRAM:
            return "Błąd w kodzie programu.";
        case ERR_HID_DRIVER:
            return "Błąd z driwera HID.";
        case ERR_NOT_FOUND:
            return "Wysłanie rozkazu do nie wyszukanego ZrHID.";
        case ERR_BAD_REPLY:
            return "Błąd odebranych danych.";
        case ERR_UPGRADE:
            return "Błąd podczas upgrade.";
        case ERR_IN_USE:
            return "Czytnik jest używany przez inny program.";
        default:
            return "ZrHID - błąd bez stosownego opisu.";
    }
}

}  // namespace zrt::link
