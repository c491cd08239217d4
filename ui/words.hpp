// The window's words in Polish and English: one catalogue of every text the two windows, their
// menus and their boxes show, each with its Polish text (the window's own, as the rest of the
// program writes it) and its English one, and the choice of the language from the user's
// interface language. The command-line program speaks English and does not use this.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrt::ui {

enum class Language { Polish, English };

// One row of the catalogue.
struct Words {
    std::string polish;
    std::string english;
};

// Every row, Polish texts unique.
const std::vector<Words>& Catalogue();

// The English text of a Polish one, or none when the catalogue has no row for it.
std::optional<std::string_view> EnglishOf(std::string_view polish);
// A Polish text in `language`; a text the catalogue lacks (a key name, a device path) unchanged.
std::string Say(Language language, std::string_view polish);

// The language of the window. `variable` reads an environment variable (nullptr or empty: not
// set). ZRT_LANG=pl or en decides first. Then, when `windowsUiLanguage` is given (the primary
// language of Windows' user interface language), Polish for Polish or a neutral one and English
// for any other. Else the first of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG that
// is set decides: Polish for a Polish locale ("pl", "pl_PL.UTF-8") and for one that says no
// language ("C", "POSIX", "C.UTF-8"), English for every other; nothing set gives Polish.
Language ChooseLanguage(const std::function<const char*(const char*)>& variable,
                        std::optional<std::uint16_t> windowsUiLanguage);

// The language's code, as the trace's header gives it: "pl", "en".
inline const char* LanguageCode(Language language) {
    return language == Language::Polish ? "pl" : "en";
}

// ChooseLanguage over this process's environment and the user interface language of Windows, which
// the Windows start-up reads (app/windows/); the Linux start-up has none to give.
Language SystemLanguage(std::optional<std::uint16_t> windowsUiLanguage);

}  // namespace zrt::ui
