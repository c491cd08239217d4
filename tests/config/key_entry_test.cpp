// Tests of the key-entry coding: the key list, its usages, and the word <-> row mappings.
#include "config/key_entry.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace zrt::config {
namespace {

// Modifier box positions: _01, _02, _04, _10, _20, _40.
enum Mod { L_CTRL, L_SHIFT, L_ALT, R_CTRL, R_SHIFT, R_ALT };

KeyRowState Row(bool send, int keyIndex, std::initializer_list<Mod> mods = {}) {
    KeyRowState row{send, keyIndex, {}};
    for (Mod m : mods) {
        row.modifiers[m] = true;
    }
    return row;
}

// The usages the key list holds, written out from the list: "*", TAB, A..Z, 1..9, 0, F1..F12.
bool InKeyList(int usage) {
    return usage == 85 || usage == 43 || (usage >= 4 && usage <= 39) ||
           (usage >= 58 && usage <= 69);
}

TEST(KeyList, NamesInOrder) {
    const auto& names = KeyNames();
    ASSERT_EQ(names.size(), 50u);
    const std::pair<int, std::string_view> expected[] = {
        {0, "*"},  {1, "TAB"}, {2, "A"},   {27, "Z"},   {28, "1"},
        {36, "9"}, {37, "0"},  {38, "F1"}, {47, "F10"}, {49, "F12"}};
    for (const auto& [index, name] : expected) {
        EXPECT_EQ(names[index], name) << "item " << index;
    }
}

TEST(KeyList, ItemUsagesAtEachRangeEdge) {
    const std::pair<int, int> itemToUsage[] = {{0, 85},  {1, 43},  {2, 4},   {27, 29}, {28, 30},
                                               {36, 38}, {37, 39}, {38, 58}, {49, 69}};
    for (const auto& [item, usage] : itemToUsage) {
        EXPECT_EQ(KeyUsageOfItem(item), usage) << "item " << item;
    }
}

TEST(KeyList, EveryItemRoundTripsThroughItsUsage) {
    std::set<int> usages;
    for (int item = 0; item < KEY_COUNT; ++item) {
        const std::uint8_t usage = KeyUsageOfItem(item);
        EXPECT_TRUE(InKeyList(usage)) << "item " << item;
        EXPECT_EQ(ItemOfKeyUsage(usage), item) << "item " << item;
        usages.insert(usage);
    }
    EXPECT_EQ(usages.size(), 50u);
}

TEST(KeyList, ItemOutsideTheListGivesStarUsage) {
    for (int item : {-1, 50, 255, INT_MIN, INT_MAX}) {
        EXPECT_EQ(KeyUsageOfItem(item), 85) << "item " << item;
    }
}

struct WordCase {
    KeyEntry word;
    KeyRowState row;
};

class KeyWordBothWays : public testing::TestWithParam<WordCase> {};

TEST_P(KeyWordBothWays, RowShowsWordAndYieldsItBack) {
    EXPECT_EQ(KeyRowFromWord(GetParam().word), GetParam().row);
    EXPECT_EQ(WordFromKeyRow(GetParam().row), GetParam().word);
}

INSTANTIATE_TEST_SUITE_P(
    Words, KeyWordBothWays,
    testing::Values(WordCase{0x0104, Row(true, 2, {L_CTRL})},   // "A", left Ctrl
                    WordCase{0x022B, Row(true, 1, {L_SHIFT})},  // "TAB", left Shift
                    WordCase{0x4045, Row(true, 49, {R_ALT})},   // "F12", right Alt
                    WordCase{0x001E, Row(true, 28)},            // "1"
                    WordCase{0x0027, Row(true, 37)},            // "0"
                    WordCase{0x0055, Row(true, 0)},             // "*"
                    WordCase{0x0000, Row(false, 0)},            // not sent
                    WordCase{0x7755,
                             Row(true, 0, {L_CTRL, L_SHIFT, L_ALT, R_CTRL, R_SHIFT, R_ALT})},
                    WordCase{0x1400 | 58, Row(true, 38, {L_ALT, R_CTRL})}));  // "F1"

struct LossyCase {
    KeyEntry word;
    KeyRowState shown;
    KeyEntry yielded;
};

class KeyWordLoaded : public testing::TestWithParam<LossyCase> {};

TEST_P(KeyWordLoaded, ShowsAndYieldsTheNormalisedWord) {
    const KeyRowState shown = KeyRowFromWord(GetParam().word);
    EXPECT_EQ(shown, GetParam().shown);
    EXPECT_EQ(WordFromKeyRow(shown), GetParam().yielded);
}

INSTANTIATE_TEST_SUITE_P(
    Words, KeyWordLoaded,
    testing::Values(
        // No key: not sent, but the modifier boxes still show their bits.
        LossyCase{0x0100, Row(false, 0, {L_CTRL}), 0x0000},
        LossyCase{0x7700, Row(false, 0, {L_CTRL, L_SHIFT, L_ALT, R_CTRL, R_SHIFT, R_ALT}), 0},
        // Keys outside the list become "*" and keep their modifiers.
        LossyCase{0x0028, Row(true, 0), 0x0055}, LossyCase{0x002C, Row(true, 0), 0x0055},
        LossyCase{0x2128, Row(true, 0, {L_CTRL, R_SHIFT}), 0x2155},
        LossyCase{0x00FF, Row(true, 0), 0x0055}, LossyCase{0x0003, Row(true, 0), 0x0055},
        LossyCase{0x0046, Row(true, 0), 0x0055},  // one past "F12"
        // Bits 11 and 15 have no box and leave no trace.
        LossyCase{0x8804, Row(true, 2), 0x0004},
        LossyCase{0xFF04, Row(true, 2, {L_CTRL, L_SHIFT, L_ALT, R_CTRL, R_SHIFT, R_ALT}), 0x7704},
        LossyCase{0x8800, Row(false, 0), 0x0000}));

TEST(KeyWord, EveryWordLoadsToItsDocumentedNormalForm) {
    for (int w = 0; w <= 0xFFFF; ++w) {
        const int key = w & 0xFF;
        const int expected = key == 0 ? 0 : ((InKeyList(key) ? key : 85) | (w & 0x7700));
        ASSERT_EQ(WordFromKeyRow(KeyRowFromWord(static_cast<KeyEntry>(w))), expected)
            << std::hex << "word 0x" << w;
    }
}

TEST(KeyWord, UnsentRowYieldsZeroWhateverItShows) {
    EXPECT_EQ(WordFromKeyRow(Row(false, 49, {L_CTRL, R_ALT})), 0);
    EXPECT_EQ(WordFromKeyRow(Row(false, 1)), 0);
    EXPECT_EQ(WordFromKeyRow(Row(false, 999, {R_SHIFT})), 0);
}

TEST(KeyWord, SentRowWithOutOfRangeItemSendsStar) {
    EXPECT_EQ(WordFromKeyRow(Row(true, 50)), 0x0055);
    EXPECT_EQ(WordFromKeyRow(Row(true, -1, {L_SHIFT})), 0x0255);
}

}  // namespace
}  // namespace zrt::config
