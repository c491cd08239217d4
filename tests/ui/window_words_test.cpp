// The window's words in each language: every text the layouts give the windows and their menus
// is a text of the catalogue in that language, never one of another language only, and the English
// window keeps every control of the Polish one in its place.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/ui/window_words.hpp"
#include "ui/layout.hpp"

namespace zrt::ui {
namespace {

// Every text the windows and the menus show.
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

class WindowWords : public ::testing::TestWithParam<Language> {};

TEST_P(WindowWords, AreAllInTheWindowsLanguage) {
    for (const WindowLayout* w :
         {&MainWinLayout(GetParam()), &WorkWinLayout(GetParam()), &ProvWinLayout(GetParam())}) {
        for (const std::string& text : LayoutTexts(*w)) {
            EXPECT_EQ(test::Foreign(text, GetParam()), "") << w->name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowWords,
                         ::testing::Values(Language::Polish, Language::English));

// The English window is the Polish one with other texts: the same controls in the same places,
// and the key lists' items, key names, as they are.
TEST(WindowWords, TheEnglishLayoutKeepsEveryControlInItsPlace) {
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

}  // namespace
}  // namespace zrt::ui
