// What every backend does alike: the tab chain of the main window, the places of a radio group's
// items, and the delivery of an event whose handler lets an error through.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fakes.hpp"
#include "ui/form_rules.hpp"
#include "ui/layout.hpp"

namespace zrt::ui {
namespace {

// Tab from RapWin around the whole window: the key-entry groups of BegGrp come in the order S1, S2,
// S0, GroupBox2 gives S4, EnterChkBx, S3; inside a group the modifier boxes, the key list, then
// the send box.
TEST(TabChainTest, WalksEachParentsChildrenByTabOrderDepthFirst) {
    std::vector<std::string> stops;
    for (const ControlLayout* c : TabChain(MainWinLayout())) {
        std::string where = c->name;
        if (c->parent.ends_with("Grp") && c->parent.size() == 5 && c->parent[0] == 'S') {
            where = c->parent;  // S1Grp .. S4Grp
        } else if (c->parent == "GroupBox1") {
            where = "GroupBox1";
        }
        if (stops.empty() || stops.back() != where) {
            stops.push_back(where);
        }
    }
    const std::vector<std::string> expected = {
        "RapWin",    "WrBtn",       "SizeGrp",    "DecGrp", "InvChkBx",   "S1Grp", "S2Grp",
        "GroupBox1", "MifareChkBx", "IcodeChkBx", "S4Grp",  "EnterChkBx", "S3Grp"};
    EXPECT_EQ(stops, expected);

    std::vector<std::string> row1;
    for (const ControlLayout* c : TabChain(MainWinLayout())) {
        if (c->parent == "S1Grp") {
            row1.push_back(c->name);
        }
    }
    EXPECT_EQ(row1,
              (std::vector<std::string>{"S1ChkBx_01", "S1ChkBx_02", "S1ChkBx_04", "S1ChkBx_10",
                                        "S1ChkBx_20", "S1ChkBx_40", "S1Cb", "S1ChkBx"}));
    ASSERT_EQ(TabChain(WorkWinLayout()).size(), 0u) << "a progress bar takes no focus";
}

TEST(RadioItemsTest, OneColumnBelowTheCaptionWithTheRoundingSplit) {
    const std::vector<Bounds> items = RadioItemBounds(145, 97, 15, 3);
    ASSERT_EQ(items.size(), 3u);
    // 97 - 15 - 5 = 77 pixels: 25 for each item, 2 left over, 1 of them above.
    for (int i = 0; i < 3; ++i) {
        const Bounds& b = items[static_cast<std::size_t>(i)];
        EXPECT_EQ(b.left, 8);
        EXPECT_EQ(b.top, 17 + 25 * i);
        EXPECT_EQ(b.width, 135);
        EXPECT_EQ(b.height, 25);
    }
    EXPECT_TRUE(RadioItemBounds(145, 97, 15, 0).empty());
}

class Throwing : public EventSink {
  public:
    explicit Throwing(int kind) : kind_(kind) {}
    void OnEvent(std::string_view, Component&) override {
        if (kind_ == 1) {
            throw std::runtime_error("broken");
        }
        if (kind_ == 2) {
            throw 42;
        }
    }

  private:
    int kind_;
};

TEST(DeliverEventTest, ShowsWhatTheHandlerLetThroughAndNothingElse) {
    Component sender("WrBtn");
    for (const auto& [kind, expected] : {std::pair<int, std::vector<std::string>>{0, {}},
                                         {1, {"broken"}},
                                         {2, {"Unknown error in WrBtnClick"}}}) {
        Throwing sink(kind);
        std::vector<std::string> shown;
        DeliverEvent(sink, "WrBtnClick", sender,
                     [&](const std::string& message) { shown.push_back(message); });
        EXPECT_EQ(shown, expected) << kind;
    }
}

}  // namespace
}  // namespace zrt::ui
