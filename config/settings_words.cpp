// The record's settings in words: key entries to and from text, and every setting read and set by
// its dotted name.
#include "config/settings_words.hpp"

#include <algorithm>

namespace zrt::config {

namespace {

constexpr std::array<std::string_view, SETTING_COUNT> NAMES = {
    "number.format", "number.size", "number.reversed", "enter",   "cards.mifare", "cards.icode",
    "before.1",      "before.2",    "before.3",        "after.1", "after.2"};
constexpr int FIRST_ROW_SETTING = 6;  // before.1 is row S0; the rows follow in order

template <std::size_t N>
std::string NameList(const std::array<Choice, N>& choices) {
    std::string list;
    for (const Choice& choice : choices) {
        list += (list.empty() ? "" : ", ") + std::string(choice.name);
    }
    return list;
}

template <std::size_t N>
int IndexOfName(const std::array<Choice, N>& choices, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (choices[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The on/off setting of that index in `state` (const or not), or nullptr.
template <class State>
auto* FlagOf(State& state, int setting) {
    using Flag = decltype(&state.reversed);
    switch (setting) {
        case 2:
            return &state.reversed;
        case 3:
            return &state.enterAtEnd;
        case 4:
            return &state.mifare;
        case 5:
            return &state.icode;
        default:
            return Flag{nullptr};
    }
}

int SettingIndex(std::string_view name) {
    const auto found = std::find(NAMES.begin(), NAMES.end(), name);
    return found == NAMES.end() ? -1 : static_cast<int>(found - NAMES.begin());
}

}  // namespace

const std::array<std::string_view, SETTING_COUNT>& SettingNames() {
    return NAMES;
}

std::string KeyText(const KeyRowState& row) {
    if (!row.send) {
        return "null";
    }
    std::string text;
    for (int m = 0; m < MODIFIER_COUNT; ++m) {
        if (row.modifiers[static_cast<std::size_t>(m)]) {
            text += std::string(MODIFIER_NAMES[static_cast<std::size_t>(m)]) + "+";
        }
    }
    const int key = std::clamp(row.keyIndex, 0, KEY_COUNT - 1);
    return text + std::string(KeyNames()[static_cast<std::size_t>(key)]);
}

std::optional<KeyRowState> ParseKeyText(std::string_view text, SettingsError& error) {
    KeyRowState row;
    if (text == "null") {
        row.send = false;
        return row;
    }
    for (;;) {
        const std::size_t plus = text.find('+');
        const std::string_view part = text.substr(0, plus);
        if (part.empty()) {
            error.problem = SettingsProblem::EmptyKeyPart;
            error.value = std::string(text);
            return std::nullopt;
        }
        if (plus == std::string_view::npos) {
            const auto& keys = KeyNames();
            const auto key = std::find(keys.begin(), keys.end(), part);
            if (key == keys.end()) {
                error.problem = SettingsProblem::UnknownKey;
                error.value = std::string(part);
                return std::nullopt;
            }
            row.keyIndex = static_cast<int>(key - keys.begin());
            return row;
        }
        const auto modifier = std::find(MODIFIER_NAMES.begin(), MODIFIER_NAMES.end(), part);
        if (modifier == MODIFIER_NAMES.end()) {
            error.problem = SettingsProblem::UnknownModifier;
            error.value = std::string(part);
            return std::nullopt;
        }
        bool& on = row.modifiers[static_cast<std::size_t>(modifier - MODIFIER_NAMES.begin())];
        if (on) {
            error.problem = SettingsProblem::ModifierTwice;
            error.value = std::string(part);
            return std::nullopt;
        }
        on = true;
        text.remove_prefix(plus + 1);
    }
}

std::string SettingText(const ConfigState& state, std::string_view name) {
    const int setting = SettingIndex(name);
    if (setting == 0) {
        return std::string(
            FORMAT_CHOICES[static_cast<std::size_t>(std::clamp(state.formatIndex, 0, 2))].name);
    }
    if (setting == 1) {
        return std::string(SIZE_CHOICES[static_cast<std::size_t>(
                                            std::clamp(state.sizeIndex, 0, SIZE_ITEM_COUNT - 1))]
                               .name);
    }
    if (const bool* flag = FlagOf(state, setting)) {
        return *flag ? "true" : "false";
    }
    if (setting >= FIRST_ROW_SETTING) {
        return KeyText(state.rows[static_cast<std::size_t>(setting - FIRST_ROW_SETTING)]);
    }
    return {};
}

bool SetSetting(ConfigState& state, std::string_view name, std::string_view value,
                SettingsError& error) {
    const int setting = SettingIndex(name);
    error.field = std::string(name);
    const auto invalid = [&](const std::string& allowed) {
        error.problem = SettingsProblem::NotOneOf;
        error.value = std::string(value);
        error.limit = allowed;
        return false;
    };
    if (setting < 0) {
        error.problem = SettingsProblem::UnknownSetting;
        return false;
    }
    if (setting == 0) {
        const int index = IndexOfName(FORMAT_CHOICES, value);
        if (index < 0) {
            return invalid(NameList(FORMAT_CHOICES));
        }
        state.formatIndex = index;
        return true;
    }
    if (setting == 1) {
        const int index = IndexOfName(SIZE_CHOICES, value);
        if (index < 0) {
            return invalid(NameList(SIZE_CHOICES));
        }
        state.sizeIndex = index;
        return true;
    }
    if (bool* flag = FlagOf(state, setting)) {
        if (value != "true" && value != "false") {
            return invalid("true, false");
        }
        *flag = value == "true";
        return true;
    }
    const std::optional<KeyRowState> row = ParseKeyText(value, error);
    if (!row) {
        return false;
    }
    state.rows[static_cast<std::size_t>(setting - FIRST_ROW_SETTING)] = *row;
    return true;
}

}  // namespace zrt::config
