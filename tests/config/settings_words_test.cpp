// Tests of the settings in words: key texts both ways, and setting every setting by name.
#include "config/settings_words.hpp"

#include <gtest/gtest.h>

#include <string>

namespace zrt::config {
namespace {

// Every sent row (50 keys, all 64 modifier sets) survives text and back, and the text spells the
// modifiers in their fixed order before the key.
TEST(KeyText, EverySentRowRoundTrips) {
    for (int key = 0; key < KEY_COUNT; ++key) {
        for (int mask = 0; mask < 64; ++mask) {
            KeyRowState row;
            row.keyIndex = key;
            for (int m = 0; m < MODIFIER_COUNT; ++m) {
                row.modifiers[static_cast<std::size_t>(m)] = (mask >> m) & 1;
            }
            SettingsError error;
            const auto parsed = ParseKeyText(KeyText(row), error);
            ASSERT_TRUE(parsed) << KeyText(row);
            ASSERT_EQ(*parsed, row) << KeyText(row);
        }
    }
    KeyRowState row;
    row.keyIndex = 49;
    row.modifiers = {true, false, false, false, false, true};
    EXPECT_EQ(KeyText(row), "LCtrl+RAlt+F12");
    row.send = false;
    EXPECT_EQ(KeyText(row), "null");
}

// Each refusal says what is wrong and with which part.
TEST(KeyText, RefusesWhatNoRowCanHold) {
    using P = SettingsProblem;
    const struct {
        const char* text;
        SettingsProblem problem;
        const char* value;
    } cases[] = {{"", P::EmptyKeyPart, ""},
                 {"+", P::EmptyKeyPart, "+"},
                 {"A+", P::UnknownModifier, "A"},
                 {"+A", P::EmptyKeyPart, "+A"},
                 {"LShift+", P::EmptyKeyPart, ""},
                 {"Shift+A", P::UnknownModifier, "Shift"},
                 {"lshift+A", P::UnknownModifier, "lshift"},
                 {"a", P::UnknownKey, "a"},
                 {"F13", P::UnknownKey, "F13"},
                 {"LShift+LShift+A", P::ModifierTwice, "LShift"},
                 {"A+LShift", P::UnknownModifier, "A"},
                 {"LShift+null", P::UnknownKey, "null"},
                 {"Null", P::UnknownKey, "Null"},
                 {"ENTER", P::UnknownKey, "ENTER"},
                 {"TAB+A", P::UnknownModifier, "TAB"}};
    for (const auto& c : cases) {
        SettingsError error;
        EXPECT_FALSE(ParseKeyText(c.text, error)) << c.text;
        EXPECT_EQ(error.problem, c.problem) << c.text;
        EXPECT_EQ(error.value, c.value) << c.text;
    }
}

struct SetCase {
    const char* name;
    const char* value;
    bool ok;
};

class SetByName : public ::testing::TestWithParam<SetCase> {};

// A good value is taken and reads back the same; a bad one changes nothing and names the setting.
TEST_P(SetByName, TakesGoodValuesAndRefusesOthers) {
    const SetCase& c = GetParam();
    ConfigState state;
    const ConfigState before = state;
    SettingsError error;
    ASSERT_EQ(SetSetting(state, c.name, c.value, error), c.ok);
    if (c.ok) {
        EXPECT_EQ(SettingText(state, c.name), c.value);
    } else {
        EXPECT_EQ(state, before);
        EXPECT_EQ(error.field, c.name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SetByName,
    ::testing::Values(SetCase{"number.format", "dec-bytes", true},
                      SetCase{"number.format", "dec", true}, SetCase{"number.format", "Hex", false},
                      SetCase{"number.size", "card", true}, SetCase{"number.size", "8", true},
                      SetCase{"number.size", "3", false}, SetCase{"number.size", "9", false},
                      SetCase{"number.reversed", "true", true}, SetCase{"enter", "false", true},
                      SetCase{"enter", "1", false}, SetCase{"cards.mifare", "true", true},
                      SetCase{"cards.icode", "yes", false}, SetCase{"before.1", "LShift+A", true},
                      SetCase{"before.3", "null", true}, SetCase{"after.2", "RAlt+TAB", true},
                      SetCase{"after.1", "Ctrl+A", false}, SetCase{"after.3", "A", false},
                      SetCase{"number", "hex", false}));

// Each name reaches its own field: before.1..3 are rows S0..S2, after.1 and .2 rows S3 and S4.
TEST(SetByName, RowsAndFlagsLandWhereTheRecordHasThem) {
    ConfigState state;
    SettingsError error;
    ASSERT_TRUE(SetSetting(state, "before.2", "B", error));
    ASSERT_TRUE(SetSetting(state, "after.1", "C", error));
    ASSERT_TRUE(SetSetting(state, "enter", "false", error));
    ASSERT_TRUE(SetSetting(state, "cards.icode", "true", error));
    ASSERT_TRUE(SetSetting(state, "number.size", "5", error));
    const ReaderConfig record = RecordFromState(state);
    EXPECT_EQ(record[0], 0x80 | 2);
    EXPECT_EQ(record[6], CARD_ICODE);
    EXPECT_EQ(record[8], 5);   // S1: usage of "B"
    EXPECT_EQ(record[12], 6);  // S3: usage of "C"
}

}  // namespace
}  // namespace zrt::config
