// For the checks that a window speaks one language: whether a text shown is a text of the
// catalogue in the window's language. Used on the layouts, and on the controls, boxes and dialogs
// that each toolkit backend shows.
#pragma once

#include <string>
#include <string_view>

#include "texts/texts.hpp"

namespace zrt::ui::test {

// "" when `shown` is a text of `language`, or a text no language of the catalogue has (a key name,
// a path, a number); else why it is foreign: a text that only another language has, whole or as
// the catalogue's text at the start of it (a message followed by a file name).
inline std::string Foreign(std::string_view shown, texts::Language language) {
    for (std::size_t k = 0; k < texts::TEXT_COUNT; ++k) {
        const auto key = static_cast<texts::Text>(k);
        const std::string_view own = texts::Words(key, language);
        for (const texts::Language other : {texts::Language::Polish, texts::Language::English}) {
            const std::string_view words = texts::Words(key, other);
            const bool placeholders = words.find('{') != std::string_view::npos ||
                                      words.find('%') != std::string_view::npos;
            if (other == language || words == own || placeholders || words.size() < 2) {
                continue;
            }
            if (shown == words || (shown.size() > words.size() && shown.starts_with(words) &&
                                   shown[words.size()] == '\n')) {
                return "\"" + std::string(shown) + "\" is not in the window's language";
            }
        }
    }
    return "";
}

// Whether `shown` is the text of some key in `language`.
inline bool Own(std::string_view shown, texts::Language language) {
    for (std::size_t k = 0; k < texts::TEXT_COUNT; ++k) {
        if (texts::Words(static_cast<texts::Text>(k), language) == shown) {
            return true;
        }
    }
    return false;
}

}  // namespace zrt::ui::test
