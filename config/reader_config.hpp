// The reader's 16-byte configuration record and the two mappings between it and the settings
// controls: what a record loads into the controls, and the record the controls build.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "config/key_entry.hpp"

namespace zrt::config {

using ReaderConfig = std::array<std::uint8_t, 16>;

// Every record written starts as this template; bytes 1 to 3 go out as it has them.
inline constexpr ReaderConfig RECORD_TEMPLATE = {0x00, 0x80, 0x04, 0x00};

inline constexpr std::uint8_t CFG_EXTRA_KEYS = 0x80;
inline constexpr std::uint8_t CFG_ENTER_AT_END = 0x40;
inline constexpr std::uint8_t CFG_DECIMAL = 0x20;
inline constexpr std::uint8_t CFG_DEC_PER_BYTE = 0x10;
inline constexpr std::uint8_t CFG_REVERSED = 0x08;
inline constexpr std::uint8_t CFG_SIZE_MASK = 0x07;
inline constexpr std::uint8_t CARD_MIFARE = 0x01;
inline constexpr std::uint8_t CARD_ICODE = 0x02;

inline constexpr int ROW_COUNT = 5;  // S0..S2 before the number, S3 and S4 after it
// Offset of each row's key-entry word in the record, rows S0..S4.
inline constexpr std::array<int, ROW_COUNT> KEY_WORD_OFFSETS = {4, 8, 10, 12, 14};

inline constexpr int FORMAT_HEX = 0, FORMAT_DEC_WHOLE = 1, FORMAT_DEC_PER_BYTE = 2;
inline constexpr int SIZE_ITEM_COUNT = 6;

// What the settings controls can hold.
struct ConfigState {
    bool enterAtEnd = true;  // EnterChkBx
    int formatIndex = 0;     // DecGrp item
    int sizeIndex = 0;       // SizeGrp item
    bool reversed = false;   // InvChkBx
    bool mifare = false;     // MifareChkBx
    bool icode = false;      // IcodeChkBx
    std::array<KeyRowState, ROW_COUNT> rows{};
    friend bool operator==(const ConfigState&, const ConfigState&) = default;
};

// Record to controls (load) and controls to record (write). Every record loads and every state
// builds. A state holding an index its group does not have (formatIndex outside 0..2, sizeIndex
// outside 0..5) is built as the nearest item; a key index outside the key list is built as "*".
ConfigState StateFromRecord(const ReaderConfig& record);
ReaderConfig RecordFromState(const ConfigState& state);

// The model word of the readers that read the card types (Mifare, iCode): only for them does the
// window show the card-type group.
inline constexpr std::uint16_t CARD_TYPE_MODEL = 1175;
inline bool ShowsCardTypes(std::uint16_t modelWord) {
    return modelWord == CARD_TYPE_MODEL;
}

// The one verdict on whether two records hold the same settings, for a reader of that model word:
// the settings as the window shows them for it (format, size, reversed, Enter, the five key
// entries, and the card types only where the model shows their group). Bytes that are never read
// (1 to 3, 7, the upper bits of 6), words that show alike and the modifier boxes of a row that is
// not sent may differ. Used by the window's write and by the command-line program alike.
bool SameSettings(std::uint16_t modelWord, const ReaderConfig& a, const ReaderConfig& b);
// A setting that differs: its name and both values in the words of the settings files
// ("number.size", "4", "card"); the name "record" with both records' bytes when no setting's words
// differ. The front ends word it (texts::DifferenceText).
struct SettingDifference {
    std::string name;
    std::string wrote;
    std::string has;  // what the reader holds
    bool operator==(const SettingDifference&) const = default;
};
// What that verdict finds different between the record written and the one read back, a setting
// at a time, or, should no setting's words differ, both records' bytes. Empty exactly when
// SameSettings holds.
std::vector<SettingDifference> SettingDifferences(std::uint16_t modelWord,
                                                  const ReaderConfig& written,
                                                  const ReaderConfig& readBack);

// A record's bytes as two-digit hexadecimal numbers joined by blanks: "E0 80 04 00 2B ...".
std::string HexBytes(const ReaderConfig& record);

}  // namespace zrt::config
