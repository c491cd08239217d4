// The configuration record's two mappings: what a record read from the reader loads into the
// settings controls, and the record that the controls build for a write; and the one verdict on
// two records' settings with the differences it finds.
#include "config/reader_config.hpp"

#include <algorithm>

#include "config/settings_words.hpp"
#include "link/le16.hpp"

namespace zrt::config {

namespace {

constexpr int CARD_TYPES_OFFSET = 6;
constexpr int LAST_SIZE_ITEM = SIZE_ITEM_COUNT - 1;

}  // namespace

ConfigState StateFromRecord(const ReaderConfig& record) {
    ConfigState state;
    const std::uint8_t f = record[0];
    const bool keysPresent = (f & CFG_EXTRA_KEYS) != 0;

    state.enterAtEnd = (f & CFG_ENTER_AT_END) != 0;
    if ((f & CFG_DECIMAL) == 0) {
        state.formatIndex = FORMAT_HEX;  // whatever bit 4 holds
    } else {
        state.formatIndex = (f & CFG_DEC_PER_BYTE) != 0 ? FORMAT_DEC_PER_BYTE : FORMAT_DEC_WHOLE;
    }
    state.sizeIndex = std::min(f & CFG_SIZE_MASK, LAST_SIZE_ITEM);  // 6 and 7 show "8 bajtów"
    state.reversed = (f & CFG_REVERSED) != 0;

    // Without bit 7 every row shows "not sent", whatever words the record holds. The card bits are
    // loaded either way.
    const std::uint8_t cards = record[CARD_TYPES_OFFSET];
    state.mifare = (cards & CARD_MIFARE) != 0;
    state.icode = (cards & CARD_ICODE) != 0;
    for (int row = 0; row < ROW_COUNT; ++row) {
        const KeyEntry word = keysPresent ? link::GetLe16(&record[KEY_WORD_OFFSETS[row]]) : 0;
        state.rows[row] = KeyRowFromWord(word);
    }
    return state;
}

ReaderConfig RecordFromState(const ConfigState& state) {
    ReaderConfig record = RECORD_TEMPLATE;

    KeyEntry anyWord = 0;
    for (int row = 0; row < ROW_COUNT; ++row) {
        const KeyEntry word = WordFromKeyRow(state.rows[row]);
        link::PutLe16(&record[KEY_WORD_OFFSETS[row]], word);
        anyWord |= word;
    }

    // An index the groups cannot hold is taken as the nearest item, so the record never carries a
    // format of bit 4 without bit 5, nor a size index of 6 or 7.
    const int format = std::clamp(state.formatIndex, FORMAT_HEX, FORMAT_DEC_PER_BYTE);
    const int size = std::clamp(state.sizeIndex, 0, LAST_SIZE_ITEM);

    std::uint8_t f = static_cast<std::uint8_t>(size);
    if (anyWord != 0) {
        f |= CFG_EXTRA_KEYS;
    }
    if (state.enterAtEnd) {
        f |= CFG_ENTER_AT_END;
    }
    if (format > FORMAT_HEX) {
        f |= CFG_DECIMAL;
    }
    if (format == FORMAT_DEC_PER_BYTE) {
        f |= CFG_DEC_PER_BYTE;
    }
    if (state.reversed) {
        f |= CFG_REVERSED;
    }
    record[0] = f;
    record[CARD_TYPES_OFFSET] = static_cast<std::uint8_t>((state.mifare ? CARD_MIFARE : 0) |
                                                          (state.icode ? CARD_ICODE : 0));
    return record;
}

namespace {

// The settings of a record as the window shows them for that model word, with what it does not
// show (or does not send) set to one value.
ConfigState ShownSettings(std::uint16_t modelWord, const ReaderConfig& record) {
    ConfigState state = StateFromRecord(record);
    if (!ShowsCardTypes(modelWord)) {
        state.mifare = state.icode = false;
    }
    for (KeyRowState& row : state.rows) {
        if (!row.send) {
            row = KeyRowState{false, 0, {}};
        }
    }
    return state;
}

}  // namespace

bool SameSettings(std::uint16_t modelWord, const ReaderConfig& a, const ReaderConfig& b) {
    return ShownSettings(modelWord, a) == ShownSettings(modelWord, b);
}

std::vector<SettingDifference> SettingDifferences(std::uint16_t modelWord,
                                                  const ReaderConfig& written,
                                                  const ReaderConfig& readBack) {
    const ConfigState wrote = ShownSettings(modelWord, written);
    const ConfigState has = ShownSettings(modelWord, readBack);
    std::vector<SettingDifference> found;
    if (wrote == has) {
        return found;
    }
    for (std::string_view name : SettingNames()) {
        std::string a = SettingText(wrote, name);
        std::string b = SettingText(has, name);
        if (a != b) {
            found.push_back({std::string(name), std::move(a), std::move(b)});
        }
    }
    if (found.empty()) {
        found.push_back({"record", HexBytes(written), HexBytes(readBack)});
    }
    return found;
}

std::string HexBytes(const ReaderConfig& record) {
    std::string text;
    for (const std::uint8_t byte : record) {
        static constexpr char HEX[] = "0123456789ABCDEF";
        text += text.empty() ? "" : " ";
        text += HEX[byte >> 4];
        text += HEX[byte & 0x0F];
    }
    return text;
}

}  // namespace zrt::config
