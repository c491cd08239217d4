// Key-entry rows: binding to the window's controls and the row operations. The coding between a
// word and the row's state is config/'s; here it only meets the controls.
#include "ui/key_entry_row.hpp"

namespace zrt::ui {

KeyEntryRow::KeyEntryRow(CheckBox& sendBox, ItemList& keyList,
                         const std::array<Control*, LABEL_COUNT>& labels,
                         const std::array<CheckBox*, config::MODIFIER_COUNT>& modifiers)
    : sendBox_(&sendBox), keyList_(&keyList), labels_(labels), modifiers_(modifiers) {
    keyList_->SetItemIndex(0);
}

KeyEntryRow KeyEntryRow::Bind(ControlSet& controls, int row) {
    const auto names = KeyRowControlNames(row);
    std::array<Control*, LABEL_COUNT> labels{};
    for (int i = 0; i < LABEL_COUNT; ++i) {
        labels[static_cast<std::size_t>(i)] = &controls.Get<Control>(names[2 + i]);
    }
    std::array<CheckBox*, config::MODIFIER_COUNT> modifiers{};
    for (int i = 0; i < config::MODIFIER_COUNT; ++i) {
        modifiers[static_cast<std::size_t>(i)] =
            &controls.Get<CheckBox>(names[2 + LABEL_COUNT + i]);
    }
    return KeyEntryRow(controls.Get<CheckBox>(names[0]), controls.Get<ItemList>(names[1]), labels,
                       modifiers);
}

void EnableKeyControls(const KeyEntryRow& row, bool enabled) {
    for (int i = 0; i < KeyEntryRow::LABEL_COUNT; ++i) {
        row.Label(i)->SetEnabled(enabled);
        row.Modifier(i)->SetEnabled(enabled);
    }
    row.KeyList()->SetEnabled(enabled);
}

void ShowKeyRow(const KeyEntryRow& row, const config::KeyRowState& state) {
    for (int i = 0; i < config::MODIFIER_COUNT; ++i) {
        row.Modifier(i)->SetChecked(state.modifiers[static_cast<std::size_t>(i)]);
    }
    row.SendBox()->SetChecked(state.send);
    row.KeyList()->SetItemIndex(state.keyIndex);
}

config::KeyRowState ReadKeyRow(const KeyEntryRow& row) {
    config::KeyRowState state;
    state.send = row.SendBox()->Checked();
    if (!state.send) {
        return state;  // an entry not sent: the key and the modifiers do not count
    }
    state.keyIndex = row.KeyList()->ItemIndex();
    for (int i = 0; i < config::MODIFIER_COUNT; ++i) {
        state.modifiers[static_cast<std::size_t>(i)] = row.Modifier(i)->Checked();
    }
    return state;
}

void ShowKeyEntry(const KeyEntryRow& row, config::KeyEntry word) {
    ShowKeyRow(row, config::KeyRowFromWord(word));
}

config::KeyEntry GetKeyEntry(const KeyEntryRow& row) {
    return config::WordFromKeyRow(ReadKeyRow(row));
}

}  // namespace zrt::ui
