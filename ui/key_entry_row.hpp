// One key-entry row of the main window: the fourteen controls that edit one extra keystroke, and
// the three row operations: show a key-entry word, yield the word, grey the row.
#pragma once

#include <array>

#include "config/key_entry.hpp"
#include "ui/controls.hpp"
#include "ui/layout.hpp"

namespace zrt::ui {

// Refers to controls that the window owns; owns nothing and is copied by value. Positions, in
// the fixed order: 0 send box, 1 key list, 2..7 the labels Lewy, Prawy, Ctrl, Shift, Alt, Klawisz,
// 8..13 the modifier boxes _01, _02, _04, _10, _20, _40.
class KeyEntryRow {
  public:
    static constexpr int LABEL_COUNT = 6;

    // A row that refers to no control: exists only inside the window's construction.
    KeyEntryRow() = default;
    // Refers to the fourteen controls, then selects item 0 ("*") in the key list.
    KeyEntryRow(CheckBox& sendBox, ItemList& keyList,
                const std::array<Control*, LABEL_COUNT>& labels,
                const std::array<CheckBox*, config::MODIFIER_COUNT>& modifiers);
    // Binds to the controls of row `row` (0 for S0 .. 4 for S4) found by name.
    static KeyEntryRow Bind(ControlSet& controls, int row);

    CheckBox* SendBox() const { return sendBox_; }
    ItemList* KeyList() const { return keyList_; }
    Control* Label(int index) const { return labels_[static_cast<std::size_t>(index)]; }
    CheckBox* Modifier(int index) const { return modifiers_[static_cast<std::size_t>(index)]; }

  private:
    CheckBox* sendBox_ = nullptr;
    ItemList* keyList_ = nullptr;
    std::array<Control*, LABEL_COUNT> labels_{};
    std::array<CheckBox*, config::MODIFIER_COUNT> modifiers_{};
};

// Enables or greys the labels, modifier boxes and key list, in the order label/modifier box for
// positions 2 & 8 up to 7 & 13, then the key list. The send box is not touched.
void EnableKeyControls(const KeyEntryRow& row, bool enabled);
// Sets the modifier boxes, the send box and the key list from a key-entry word.
void ShowKeyEntry(const KeyEntryRow& row, config::KeyEntry word);
// The word the row's controls give: 0 when the send box is unchecked.
config::KeyEntry GetKeyEntry(const KeyEntryRow& row);

// The same two directions on the plain row state, for the configuration mappings.
void ShowKeyRow(const KeyEntryRow& row, const config::KeyRowState& state);
config::KeyRowState ReadKeyRow(const KeyEntryRow& row);

}  // namespace zrt::ui
