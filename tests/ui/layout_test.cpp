// The layout data on its own: names, parents, tab orders, handlers, containment, and the five
// key-entry groups generated alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "config/key_entry.hpp"
#include "config/reader_config.hpp"
#include "ui/layout.hpp"
#include "ui/main_win.hpp"
#include "ui/provision_win.hpp"

namespace zrt::ui {
namespace {

class LayoutTest : public ::testing::TestWithParam<const WindowLayout*> {};

TEST_P(LayoutTest, NamesAreUniqueAndParentsComeFirst) {
    const WindowLayout& w = *GetParam();
    std::set<std::string> seen = {w.name};
    for (const ControlLayout& c : w.controls) {
        EXPECT_TRUE(seen.contains(c.parent)) << c.name << " before its parent " << c.parent;
        EXPECT_TRUE(seen.insert(c.name).second) << "duplicate name " << c.name;
    }
}

TEST_P(LayoutTest, TabOrdersOfEachParentRunFromZeroWithoutGaps) {
    std::map<std::string, std::set<int>> orders;
    std::map<std::string, int> counts;
    for (const ControlLayout& c : GetParam()->controls) {
        if (c.tabOrder >= 0) {
            orders[c.parent].insert(c.tabOrder);
            ++counts[c.parent];
        }
    }
    for (const auto& [parent, set] : orders) {
        EXPECT_EQ(static_cast<int>(set.size()), counts[parent])
            << "tab order repeated in " << parent;
        EXPECT_EQ(*set.rbegin(), counts[parent] - 1) << "gap in the tab order of " << parent;
    }
}

TEST_P(LayoutTest, EveryControlLiesInsideItsParent) {
    const WindowLayout& w = *GetParam();
    for (const ControlLayout& c : w.controls) {
        if (c.kind == ControlKind::Timer) {
            continue;
        }
        int width = w.outerWidth;
        int height = w.outerHeight;
        if (const ControlLayout* parent = w.Find(c.parent)) {
            width = parent->bounds.width;
            height = parent->bounds.height;
        }
        EXPECT_GE(c.bounds.left, 0) << c.name;
        EXPECT_GE(c.bounds.top, 0) << c.name;
        EXPECT_LE(c.bounds.left + c.bounds.width, width) << c.name;
        EXPECT_LE(c.bounds.top + c.bounds.height, height) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, LayoutTest,
                         ::testing::Values(&MainWinLayout(), &WorkWinLayout(), &ProvWinLayout()),
                         [](const auto& info) { return info.param->name; });

TEST(LayoutHandlers, EveryHandlerNameIsOneOfItsWindowsHandlers) {
    EXPECT_TRUE(TMainWin::HasHandler(MainWinLayout().activateHandler));
    for (const ControlLayout& c : MainWinLayout().controls) {
        if (!c.handler.empty()) {
            EXPECT_TRUE(TMainWin::HasHandler(c.handler)) << c.name << ": " << c.handler;
        }
    }
    for (const MenuLayout& menu : MainWinLayout().menus) {
        for (const MenuItemLayout& item : menu.items) {
            EXPECT_TRUE(item.name.empty() || TMainWin::HasHandler(item.handler)) << item.name;
        }
    }
    EXPECT_FALSE(TMainWin::HasHandler("MifareChkBxClick"));
    EXPECT_TRUE(TProvWin::HasHandler(ProvWinLayout().closeHandler));
    for (const ControlLayout& c : ProvWinLayout().controls) {
        EXPECT_TRUE(c.handler.empty() || TProvWin::HasHandler(c.handler)) << c.name;
    }
}

TEST(WorkWinLayoutTest, HasItsBarAndLabelAndNoHandlers) {
    const WindowLayout& w = WorkWinLayout();
    ASSERT_NE(w.Find("ProgrBar"), nullptr);
    ASSERT_NE(w.Find("WorkLbl"), nullptr);
    EXPECT_EQ(w.Find("ProgrBar")->kind, ControlKind::ProgressBar);
    EXPECT_EQ(w.Find("WorkLbl")->kind, ControlKind::Label);
    EXPECT_TRUE(w.activateHandler.empty());
    for (const ControlLayout& c : w.controls) {
        EXPECT_TRUE(c.handler.empty()) << c.name;
    }
}

// Each row's fourteen controls sit in the row's group, in the fixed order of kinds, and match
// row S0's controls in everything but the row digit of their names.
TEST(KeyRowLayoutTest, FiveRowsAreGeneratedAlike) {
    const WindowLayout& w = MainWinLayout();
    const auto row0 = KeyRowControlNames(0);
    for (int row = 0; row < config::ROW_COUNT; ++row) {
        const auto names = KeyRowControlNames(row);
        for (int p = 0; p < KEY_ROW_CONTROLS; ++p) {
            const ControlLayout* c = w.Find(names[static_cast<std::size_t>(p)]);
            const ControlLayout* first = w.Find(row0[static_cast<std::size_t>(p)]);
            ASSERT_NE(c, nullptr) << names[static_cast<std::size_t>(p)];
            ASSERT_NE(first, nullptr);
            EXPECT_EQ(c->parent, KeyRowGroupName(row)) << c->name;
            const ControlKind expected = p == 0   ? ControlKind::CheckBox
                                         : p == 1 ? ControlKind::ComboBox
                                         : p < 8  ? ControlKind::Label
                                                  : ControlKind::CheckBox;
            EXPECT_EQ(c->kind, expected) << c->name;
            EXPECT_EQ(c->bounds.left, first->bounds.left) << c->name;
            EXPECT_EQ(c->bounds.top, first->bounds.top) << c->name;
            EXPECT_EQ(c->caption, first->caption) << c->name;
            EXPECT_EQ(c->items, first->items) << c->name;
            EXPECT_EQ(c->tabOrder, first->tabOrder) << c->name;
            EXPECT_EQ(c->handler, first->handler) << c->name;
            EXPECT_EQ(c->checked, first->checked) << c->name;
        }
    }
}

// A modifier box's name ends in the hexadecimal value of its bit within the word's high byte.
TEST(KeyRowLayoutTest, ModifierNamesCarryTheirBits) {
    for (int row = 0; row < config::ROW_COUNT; ++row) {
        const auto names = KeyRowControlNames(row);
        for (int i = 0; i < config::MODIFIER_COUNT; ++i) {
            char suffix[8];
            std::snprintf(suffix, sizeof suffix, "_%02X",
                          config::MODIFIER_BITS[static_cast<std::size_t>(i)] >> 8);
            const std::string& name = names[static_cast<std::size_t>(8 + i)];
            EXPECT_TRUE(name.ends_with(suffix)) << name;
            EXPECT_EQ(name.substr(0, 2), "S" + std::to_string(row));
        }
    }
}

}  // namespace
}  // namespace zrt::ui
