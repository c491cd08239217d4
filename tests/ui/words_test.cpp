// The window's language and its catalogue: the choice of the language from the environment and
// Windows' interface language, as one table, and the English of every text the layouts show.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "ui/layout.hpp"
#include "ui/words.hpp"

namespace zrt::ui {
namespace {

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

// Every text the windows and the menus show, in Polish.
std::vector<std::string> LayoutTexts(const WindowLayout& w) {
    std::vector<std::string> texts = {w.caption};
    for (const ControlLayout& c : w.controls) {
        if (!c.caption.empty()) {
            texts.push_back(c.caption);
        }
        if (c.kind == ControlKind::RadioGroup) {
            texts.insert(texts.end(), c.items.begin(), c.items.end());
        }
    }
    for (const MenuLayout& menu : w.menus) {
        texts.push_back(menu.caption);
        for (const MenuItemLayout& item : menu.items) {
            if (!item.name.empty()) {
                texts.push_back(item.caption);
            }
        }
    }
    return texts;
}

TEST(Catalogue, HasTheEnglishOfEveryTextOfTheWindowsAndMenus) {
    for (const WindowLayout* w : {&MainWinLayout(), &WorkWinLayout(), &ProvWinLayout()}) {
        for (const std::string& text : LayoutTexts(*w)) {
            EXPECT_TRUE(EnglishOf(text).has_value()) << "no English for \"" << text << "\"";
        }
    }
}

// The English window is the Polish one with other texts: the same controls in the same places,
// and the key lists' items, key names, as they are.
TEST(Catalogue, TheEnglishLayoutKeepsEveryControlInItsPlace) {
    const WindowLayout& polish = MainWinLayout(Language::Polish);
    const WindowLayout& english = MainWinLayout(Language::English);
    ASSERT_EQ(english.controls.size(), polish.controls.size());
    for (std::size_t i = 0; i < polish.controls.size(); ++i) {
        const ControlLayout& p = polish.controls[i];
        const ControlLayout& e = english.controls[i];
        EXPECT_EQ(std::tie(e.name, e.parent, e.bounds.left, e.bounds.width),
                  std::tie(p.name, p.parent, p.bounds.left, p.bounds.width));
        EXPECT_EQ(e.items.size(), p.items.size()) << p.name;
        if (p.kind == ControlKind::ComboBox) {
            EXPECT_EQ(e.items, p.items) << p.name;
        }
    }
    EXPECT_EQ(english.caption, polish.caption);
    EXPECT_EQ(english.menus[0].caption, "File");
}

TEST(Catalogue, EachPolishTextHasOneRowAndAnEnglishText) {
    std::set<std::string> polish;
    for (const Words& words : Catalogue()) {
        EXPECT_TRUE(polish.insert(words.polish).second) << "twice: " << words.polish;
        EXPECT_FALSE(words.english.empty()) << words.polish;
    }
}

}  // namespace
}  // namespace zrt::ui
