// The catalogue: every key in every language with the same placeholders, the wording of what the
// layers below report (link error codes, a settings file's problems, escaped), and the choice of
// the window's language from the environment and Windows' interface language.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/provision.hpp"
#include "link/host_system.hpp"
#include "link/link_error.hpp"
#include "texts/texts.hpp"

namespace zrt::texts {
namespace {

constexpr Language LANGUAGES[] = {Language::Polish, Language::English};
static_assert(std::size(LANGUAGES) == LANGUAGE_COUNT);

// A text's placeholders: its "{name}"s, sorted, and its printf conversions in order.
std::vector<std::string> Placeholders(std::string_view text) {
    const std::string s(text);
    std::vector<std::string> names;
    std::vector<std::string> conversions;
    const std::regex placeholder(R"(\{[a-z]+\}|%[-0-9]*[a-z])");
    for (auto it = std::sregex_iterator(s.begin(), s.end(), placeholder);
         it != std::sregex_iterator(); ++it) {
        (it->str()[0] == '{' ? names : conversions).push_back(it->str());
    }
    std::sort(names.begin(), names.end());
    names.insert(names.end(), conversions.begin(), conversions.end());
    return names;
}

class EveryText : public ::testing::TestWithParam<std::size_t> {};

// Every key has a text in every language, the same placeholders in each, and a Polish text of its
// own (the window's layout finds its key by it).
TEST_P(EveryText, HasEveryLanguageWithTheSamePlaceholders) {
    const auto key = static_cast<Text>(GetParam());
    const std::vector<std::string> polish = Placeholders(Words(key, Language::Polish));
    for (const Language language : LANGUAGES) {
        const std::string_view text = Words(key, language);
        EXPECT_FALSE(text.empty()) << "language " << static_cast<int>(language);
        EXPECT_EQ(Placeholders(text), polish) << text;
    }
    EXPECT_EQ(KeyOf(Words(key, Language::Polish)), key) << Words(key, Language::Polish);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryText, ::testing::Range<std::size_t>(0, TEXT_COUNT));

// The link's error codes and their original Polish messages; every other code the generic one.
TEST(LinkErrors, EachCodeHasItsMessage) {
    const std::map<std::int32_t, const char*> polish = {
        {0, "Błąd w kodzie programu."},
        {1, "Błąd z driwera HID."},
        {2, "Wysłanie rozkazu do nie wyszukanego ZrHID."},
        {3, "Błąd odebranych danych."},
        {4, "Błąd podczas upgrade."},
        {link::ERR_IN_USE, "Czytnik jest używany przez inny program."},
        {6, "ZrHID - błąd bez stosownego opisu."},
        {-1, "ZrHID - błąd bez stosownego opisu."}};
    for (const auto& [code, text] : polish) {
        EXPECT_EQ(Words(LinkErrorKey(code), Language::Polish), text) << code;
    }
    EXPECT_EQ(Words(LinkErrorKey(link::ERR_IN_USE), Language::English),
              "The reader is in use by another program.");
}

// The command line and the log give scripts a refused reader with the system's advice (the window
// has its own box for it), and every other reason as the window's English says it.
TEST(ScriptReasons, KeepTheSystemsAdviceForAReaderRefused) {
    core::Verdict verdict;
    verdict.reason = core::Reason::NotOpened;
    verdict.openError = link::OpenError::NoAccess;
    const std::string refused = ScriptReason(verdict);
    EXPECT_EQ(refused.rfind("no access: this user may not open the reader", 0), 0u) << refused;
    EXPECT_NE(refused.find(link::NoAccessAdvice()), std::string::npos) << refused;
    verdict.reason = core::Reason::UploadFailed;
    verdict.linkError = link::ERR_UPGRADE;
    EXPECT_EQ(ScriptReason(verdict), VerdictReason(Language::English, verdict));
}

struct Problem {
    config::SettingsError error;
    const char* polish;
    const char* english;
};

class SettingsProblems : public ::testing::TestWithParam<Problem> {};

// What config/ reports, worded in each language, with what came from the file escaped: control
// characters and DEL as \xNN.
TEST_P(SettingsProblems, AreWordedWithTheInputEscaped) {
    EXPECT_EQ(SettingsErrorText(Language::Polish, GetParam().error), GetParam().polish);
    EXPECT_EQ(SettingsErrorText(Language::English, GetParam().error), GetParam().english);
}

config::SettingsError Error(config::SettingsProblem problem, std::string field,
                            std::string value = {}, std::string limit = {},
                            config::ValueType type = config::ValueType::Null,
                            std::size_t offset = 0) {
    return {problem, std::move(field), std::move(value), std::move(limit), type, offset};
}

using P = config::SettingsProblem;
INSTANTIATE_TEST_SUITE_P(
    Table, SettingsProblems,
    ::testing::Values(
        Problem{Error(P::UnknownField, "na\x01me\x7F"), "na\\x01me\\x7F: nieznane pole",
                "na\\x01me\\x7F: unknown field"},
        Problem{Error(P::UnknownKey, "before.2", "F\x7F\x1B"),
                "before.2: nieznany klawisz 'F\\x7F\\x1B' (klawisze: *, TAB, A do Z, 0 do 9, F1 "
                "do F12)",
                "before.2: unknown key 'F\\x7F\\x1B' (keys: *, TAB, A to Z, 0 to 9, F1 to F12)"},
        Problem{Error(P::NotASettingsFile, "", "", "zrt-vivoraz-config"),
                "to nie jest plik ustawień ZrT_VivoRaz (brak \"format\": \"zrt-vivoraz-config\")",
                "not a ZrT_VivoRaz settings file (no \"format\": \"zrt-vivoraz-config\")"},
        Problem{Error(P::NotBoolean, "enter", "", "", config::ValueType::Number),
                "enter: ma być true lub false (jest: liczba)",
                "enter: must be true or false, not a number"},
        Problem{Error(P::NotJson, "", "", "", config::ValueType::Null, 11),
                "to nie jest dokument JSON (bajt 11)", "not a JSON document (at byte 11)"},
        Problem{Error(P::NotOneOf, "number.format", "Hex", "hex, dec, dec-bytes"),
                "number.format: 'Hex' nie jest żadną z wartości: hex, dec, dec-bytes",
                "number.format: 'Hex' is not one of hex, dec, dec-bytes"}));

struct Case {
    const char* environment;               // "NAME=value NAME=value"
    std::optional<std::uint16_t> windows;  // primary language of Windows' user interface
    Language expected;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.environment << " windows=" << c.windows.value_or(0);
}

class LanguageChoice : public ::testing::TestWithParam<Case> {};

TEST_P(LanguageChoice, FollowsTheUsersInterfaceLanguage) {
    std::map<std::string, std::string> environment;
    std::istringstream words(GetParam().environment);
    for (std::string word; words >> word;) {
        environment[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
    }
    const auto variable = [&](const char* name) -> const char* {
        const auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(ChooseLanguage(variable, GetParam().windows), GetParam().expected);
}

constexpr Language PL = Language::Polish;
constexpr Language EN = Language::English;
constexpr std::uint16_t WIN_POLISH = 0x15;
constexpr std::uint16_t WIN_ENGLISH = 0x09;
constexpr std::uint16_t WIN_GERMAN = 0x07;
constexpr std::nullopt_t NONE = std::nullopt;  // not Windows

INSTANTIATE_TEST_SUITE_P(
    Table, LanguageChoice,
    ::testing::Values(
        // Nothing says: Polish.
        Case{"", NONE, PL}, Case{"LANG=", NONE, PL}, Case{"LANG=C", NONE, PL},
        Case{"LC_ALL=POSIX", NONE, PL}, Case{"LANG=C.UTF-8", NONE, PL},
        // Polish for Polish, English for every other language.
        Case{"LANG=pl_PL.UTF-8", NONE, PL}, Case{"LANG=pl", NONE, PL},
        Case{"LANG=en_GB.UTF-8", NONE, EN}, Case{"LANG=de_DE.UTF-8", NONE, EN},
        Case{"LANG=pt_BR", NONE, EN},
        // LANGUAGE, LC_ALL, LC_MESSAGES, LANG: the first one set decides.
        Case{"LANGUAGE=en:pl LANG=pl_PL.UTF-8", NONE, EN},
        Case{"LANGUAGE=pl:en LC_ALL=en_US.UTF-8", NONE, PL},
        Case{"LC_ALL=pl_PL.UTF-8 LC_MESSAGES=en_US.UTF-8", NONE, PL},
        Case{"LC_MESSAGES=fr_FR.UTF-8 LANG=pl_PL.UTF-8", NONE, EN},
        Case{"LANGUAGE= LC_ALL= LANG=en_US.UTF-8", NONE, EN},
        Case{"LC_ALL=C LANG=en_US.UTF-8", NONE, PL},
        // ZRT_LANG overrides; other values of it do not count.
        Case{"ZRT_LANG=en LANG=pl_PL.UTF-8", NONE, EN},
        Case{"ZRT_LANG=pl LANG=en_US.UTF-8", NONE, PL},
        Case{"ZRT_LANG=de LANG=en_US.UTF-8", NONE, EN},
        // Windows: its user interface language, not the environment; ZRT_LANG still first.
        Case{"LANG=pl_PL.UTF-8", WIN_ENGLISH, EN}, Case{"", WIN_POLISH, PL},
        Case{"", WIN_GERMAN, EN}, Case{"ZRT_LANG=pl", WIN_GERMAN, PL},
        Case{"ZRT_LANG=en", WIN_POLISH, EN}));

}  // namespace
}  // namespace zrt::texts
