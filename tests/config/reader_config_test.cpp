// Tests of the configuration record's load and write mappings, with the worked records and a
// round trip over many random records and states.
#include "config/reader_config.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace zrt::config {
namespace {

constexpr KeyRowState NOT_SENT{false, 0, {}};

ConfigState AllRowsUnsent() {
    ConfigState s;
    s.rows.fill(NOT_SENT);
    return s;
}

ReaderConfig Record(std::initializer_list<std::uint8_t> bytes) {
    ReaderConfig r{};
    std::copy(bytes.begin(), bytes.end(), r.begin());
    return r;
}

// What a record read and written back unchanged becomes, written out from the documented losses.
ReaderConfig Normalised(const ReaderConfig& r) {
    ReaderConfig n = Record({0x00, 0x80, 0x04, 0x00});
    const bool keys = (r[0] & 0x80) != 0;
    bool anySent = false;
    for (int offset : {4, 8, 10, 12, 14}) {
        int w = keys ? r[offset] | (r[offset + 1] << 8) : 0;
        const int key = w & 0xFF;
        const bool listed =
            key == 85 || key == 43 || (key >= 4 && key <= 39) || (key >= 58 && key <= 69);
        w = key == 0 ? 0 : ((listed ? key : 85) | (w & 0x7700));
        n[offset] = static_cast<std::uint8_t>(w);
        n[offset + 1] = static_cast<std::uint8_t>(w >> 8);
        anySent = anySent || w != 0;
    }
    const std::uint8_t f = r[0];
    n[0] = static_cast<std::uint8_t>((anySent ? 0x80 : 0) | (f & 0x40) | (f & 0x08) |
                                     ((f & 0x20) ? (f & 0x30) : 0) | std::min(f & 7, 5));
    n[6] = r[6] & 0x03;
    return n;
}

TEST(BuildConfiguration, UnsentRowsAndDefaultsGiveTheBareTemplateWithEnter) {
    EXPECT_EQ(RecordFromState(AllRowsUnsent()),
              Record({0x40, 0x80, 0x04, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(BuildConfiguration, DecimalWholeWithMifareTabAndShiftF1) {
    ConfigState s = AllRowsUnsent();
    s.formatIndex = FORMAT_DEC_WHOLE;
    s.mifare = true;
    s.rows[0] = {true, 1, {}};                                          // "TAB"
    s.rows[3] = {true, 38, {false, true, false, false, false, false}};  // "F1", left Shift
    EXPECT_EQ(RecordFromState(s), Record({0xE0, 0x80, 0x04, 0x00, 0x2B, 0x00, 0x01, 0x00, 0x00,
                                          0x00, 0x00, 0x00, 0x3A, 0x02, 0x00, 0x00}));
}

TEST(BuildConfiguration, EveryFlagSetGivesF9) {
    ConfigState s = AllRowsUnsent();
    s.formatIndex = FORMAT_DEC_PER_BYTE;
    s.sizeIndex = 1;  // "4 bajty"
    s.reversed = true;
    s.enterAtEnd = true;
    s.rows[4] = {true, 0, {}};
    EXPECT_EQ(RecordFromState(s)[0], 0xF9);
}

TEST(BuildConfiguration, WordsAreLittleEndianInRowOrder) {
    ConfigState s = AllRowsUnsent();
    s.rows[0] = {true, 2, {true, false, false, false, false, false}};  // "A", left Ctrl: 0x0104
    s.rows[1] = {true, 3, {}};                                         // "B": 0x0005
    s.rows[2] = {true, 4, {false, false, false, false, false, true}};  // "C", right Alt: 0x4006
    s.rows[3] = {true, 5, {}};                                         // "D": 0x0007
    s.rows[4] = {true, 6, {false, false, false, true, false, false}};  // "E", right Ctrl: 0x1008
    s.icode = true;
    EXPECT_EQ(RecordFromState(s), Record({0xC0, 0x80, 0x04, 0x00, 0x04, 0x01, 0x02, 0x00, 0x05,
                                          0x00, 0x06, 0x40, 0x07, 0x00, 0x08, 0x10}));
}

TEST(BuildConfiguration, OutOfRangeIndexesBuildTheNearestItem) {
    const std::pair<int, std::uint8_t> formats[] = {{-1, 0x00}, {3, 0x30}, {1000, 0x30}};
    for (const auto& [index, bits] : formats) {
        ConfigState s = AllRowsUnsent();
        s.enterAtEnd = false;
        s.formatIndex = index;
        EXPECT_EQ(RecordFromState(s)[0], bits) << "format " << index;
    }
    const std::pair<int, std::uint8_t> sizes[] = {{-1, 0}, {6, 5}, {7, 5}, {8, 5}, {-8, 0}};
    for (const auto& [index, bits] : sizes) {
        ConfigState s = AllRowsUnsent();
        s.enterAtEnd = false;
        s.sizeIndex = index;
        EXPECT_EQ(RecordFromState(s)[0], bits) << "size " << index;
    }
    ConfigState s = AllRowsUnsent();
    s.rows[2] = {true, 77, {}};
    EXPECT_EQ(RecordFromState(s)[10], 0x55);
}

TEST(ShowConfiguration, WithoutBit7EveryRowIsUnsentButCardBitsLoad) {
    const ConfigState s = StateFromRecord(Record(
        {0x7F, 0x11, 0x22, 0x33, 0x04, 0x01, 0x03, 0x44, 0x05, 0, 0x2B, 0x02, 0x3A, 0, 0x27, 0}));
    for (const KeyRowState& row : s.rows) {
        EXPECT_EQ(row, NOT_SENT);
    }
    EXPECT_TRUE(s.mifare);
    EXPECT_TRUE(s.icode);
    EXPECT_TRUE(s.enterAtEnd);
    EXPECT_TRUE(s.reversed);
    EXPECT_EQ(s.formatIndex, FORMAT_DEC_PER_BYTE);
    EXPECT_EQ(s.sizeIndex, 5);
}

TEST(ShowConfiguration, WordsLoadIntoRowsS0ToS4) {
    const ConfigState s = StateFromRecord(Record(
        {0x80, 0, 0, 0, 0x04, 0x01, 0xFC, 0, 0x05, 0x00, 0x06, 0x40, 0x07, 0x00, 0x08, 0x10}));
    EXPECT_EQ(s.rows[0], (KeyRowState{true, 2, {true, false, false, false, false, false}}));
    EXPECT_EQ(s.rows[1], (KeyRowState{true, 3, {}}));
    EXPECT_EQ(s.rows[2], (KeyRowState{true, 4, {false, false, false, false, false, true}}));
    EXPECT_EQ(s.rows[3], (KeyRowState{true, 5, {}}));
    EXPECT_EQ(s.rows[4], (KeyRowState{true, 6, {false, false, false, true, false, false}}));
    EXPECT_FALSE(s.mifare);  // bits 2 to 7 of byte 6 are not looked at
    EXPECT_FALSE(s.icode);
    EXPECT_FALSE(s.enterAtEnd);
}

TEST(ShowConfiguration, FormatBits) {
    const std::pair<std::uint8_t, int> cases[] = {{0x00, FORMAT_HEX},
                                                  {0x10, FORMAT_HEX},
                                                  {0x20, FORMAT_DEC_WHOLE},
                                                  {0x30, FORMAT_DEC_PER_BYTE}};
    for (const auto& [f, format] : cases) {
        EXPECT_EQ(StateFromRecord(Record({f})).formatIndex, format) << "byte 0 = " << int(f);
    }
    // Bit 4 without bit 5 is written back without bit 4.
    EXPECT_EQ(RecordFromState(StateFromRecord(Record({0x10})))[0], 0x00);
}

TEST(ShowConfiguration, SizeIndexPastTheLastItemShowsAndWritesEightBytes) {
    for (std::uint8_t size = 0; size < 8; ++size) {
        const ConfigState s = StateFromRecord(Record({size}));
        const int expected = size < 6 ? size : 5;
        EXPECT_EQ(s.sizeIndex, expected);
        EXPECT_EQ(RecordFromState(s)[0] & 0x07, expected);
    }
}

TEST(ShowConfiguration, CardBitsWrittenBackWithoutTheOtherBits) {
    for (std::uint8_t cards : {0x00, 0x01, 0x02, 0x03, 0xFC, 0xFD, 0xFE, 0xFF}) {
        EXPECT_EQ(RecordFromState(StateFromRecord(Record({0, 0, 0, 0, 0, 0, cards})))[6],
                  cards & 0x03);
    }
}

TEST(ShowConfiguration, SentWordsWithoutKeysClearBit7OnTheWayBack) {
    // Bit 7 set, but every word's key byte is 0: the rows show modifiers, yet nothing is sent.
    const ReaderConfig r = Record({0x80, 0, 0, 0, 0x00, 0x01, 0, 0, 0x00, 0x20});
    const ConfigState s = StateFromRecord(r);
    EXPECT_EQ(s.rows[0], (KeyRowState{false, 0, {true, false, false, false, false, false}}));
    EXPECT_EQ(RecordFromState(s), Record({0x00, 0x80, 0x04, 0x00}));
}

TEST(RoundTrip, RandomRecordsComeBackNormalised) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> pick(0, 3);
    const std::uint8_t listedKeys[] = {0x00, 0x04, 0x27, 0x2B, 0x3A, 0x45, 0x55};
    for (int n = 0; n < 20000; ++n) {
        ReaderConfig r;
        for (auto& b : r) {
            b = static_cast<std::uint8_t>(byte(rng));
        }
        // Make listed keys and empty key bytes common, not only the rare random hit.
        for (int offset : KEY_WORD_OFFSETS) {
            if (pick(rng) == 0) {
                r[offset] = listedKeys[byte(rng) % std::size(listedKeys)];
            }
        }
        ASSERT_EQ(RecordFromState(StateFromRecord(r)), Normalised(r)) << "record " << n;
    }
}

TEST(RoundTrip, EveryControlStateSurvivesAWriteAndALoad) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> key(0, KEY_COUNT - 1);
    std::uniform_int_distribution<int> bit(0, 1);
    for (int flags = 0; flags < 8; ++flags) {
        for (int format = 0; format < 3; ++format) {
            for (int size = 0; size < SIZE_ITEM_COUNT; ++size) {
                for (int n = 0; n < 200; ++n) {
                    ConfigState s;
                    s.enterAtEnd = flags & 1;
                    s.reversed = flags & 2;
                    s.mifare = flags & 4;
                    s.icode = bit(rng);
                    s.formatIndex = format;
                    s.sizeIndex = size;
                    ConfigState expected = s;
                    for (int row = 0; row < ROW_COUNT; ++row) {
                        s.rows[row].send = bit(rng);
                        s.rows[row].keyIndex = key(rng);
                        for (bool& m : s.rows[row].modifiers) {
                            m = bit(rng);
                        }
                        // An unsent row's key and modifiers are not written.
                        expected.rows[row] = s.rows[row].send ? s.rows[row] : NOT_SENT;
                    }
                    ASSERT_EQ(StateFromRecord(RecordFromState(s)), expected);
                }
            }
        }
    }
}

// The one verdict after a write: the settings as the window shows them for the reader's model.
// Bytes never read may differ, any setting shown may not; the card types count only for the model
// that shows them, the modifiers of a row that is not sent never. What differs is said by the
// same rule, setting by setting.
struct VerdictCase {
    const char* name;
    std::uint16_t model;
    std::vector<std::pair<int, std::uint8_t>> changes;  // bytes of the second record
    std::string differences;  // joined by "; ", empty when the settings are the same
};

class Verdict : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(Verdict, ComparesTheSettingsTheWindowShows) {
    // Dec (whole), Enter, Mifare; S0 TAB, S3 F1 with left Shift.
    const ReaderConfig written = Record({0xE0, 0x80, 0x04, 0x00, 0x2B, 0x00, 0x01, 0x00, 0x00, 0x00,
                                         0x00, 0x00, 0x3A, 0x02, 0x00, 0x00});
    ReaderConfig other = written;
    for (const auto& [offset, value] : GetParam().changes) {
        other[offset] = value;
    }
    EXPECT_EQ(SameSettings(GetParam().model, written, other), GetParam().differences.empty());
    std::string differences;
    for (const SettingDifference& one : SettingDifferences(GetParam().model, written, other)) {
        differences += (differences.empty() ? "" : "; ") + one.name + ": wrote " + one.wrote +
                       ", reader has " + one.has;
    }
    EXPECT_EQ(differences, GetParam().differences);
}

INSTANTIATE_TEST_SUITE_P(
    RecordPairs, Verdict,
    ::testing::Values(
        VerdictCase{"Equal", 1175, {}, ""},
        VerdictCase{
            "UnreadBytes", 1175, {{1, 0x11}, {2, 0x22}, {3, 0x33}, {7, 0x44}, {6, 0xFD}}, ""},
        VerdictCase{"EnterCleared", 1175, {{0, 0xA0}}, "enter: wrote true, reader has false"},
        VerdictCase{"SizeChanged", 1175, {{0, 0xE1}}, "number.size: wrote card, reader has 4"},
        VerdictCase{"Reversed", 1175, {{0, 0xE8}}, "number.reversed: wrote false, reader has true"},
        VerdictCase{
            "DecPerByte", 1175, {{0, 0xF0}}, "number.format: wrote dec, reader has dec-bytes"},
        VerdictCase{"ICodeAdded", 1175, {{6, 0x03}}, "cards.icode: wrote false, reader has true"},
        VerdictCase{"MifareGone", 1175, {{6, 0x00}}, "cards.mifare: wrote true, reader has false"},
        VerdictCase{"CardTypesOfAModelWithoutThem", 151, {{6, 0x02}}, ""},
        VerdictCase{"OtherSettingOfAModelWithoutCards",
                    151,
                    {{0, 0xE1}, {6, 0x00}},
                    "number.size: wrote card, reader has 4"},
        VerdictCase{"KeyChanged", 1175, {{4, 0x2C}}, "before.1: wrote TAB, reader has *"},
        VerdictCase{
            "ModifierOfASentRow", 1175, {{13, 0x00}}, "after.1: wrote LShift+F1, reader has F1"},
        VerdictCase{"ModifiersOfAnUnsentRow", 1175, {{9, 0x02}, {15, 0x41}}, ""},
        VerdictCase{"UnsentRowNowSent", 151, {{8, 0x04}}, "before.2: wrote null, reader has A"},
        VerdictCase{"NoKeysFlagHidesEveryRow",
                    151,
                    {{0, 0x60}},
                    "before.1: wrote TAB, reader has null; after.1: wrote LShift+F1, reader has "
                    "null"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrt::config
