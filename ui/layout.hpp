// The layout of the two windows as data, written down once: every control's name, kind, parent,
// position and size (pixels at 96 dpi, relative to the parent's client area), caption or items,
// initial state, place in its parent's tab order and event handler. A toolkit backend builds the
// windows from it; the window logic finds its controls by these names.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "firmware/firmware_image.hpp"
#include "texts/texts.hpp"

namespace zrt::ui {

// The window speaks the catalogue's languages (texts/texts.hpp).
using texts::Language;

enum class ControlKind {
    Label,
    Button,
    GroupBox,
    RadioGroup,  // a group box whose items are radio buttons in one column
    CheckBox,
    ComboBox,  // drop-down list, selection only
    Memo,      // multi-line text box
    ProgressBar,
    Banner,  // a label in a large font that can be marked (ui/controls.hpp)
    List,    // a read-only list of lines, some marked
    Timer,   // not drawn
};

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct ControlLayout {
    std::string name;
    ControlKind kind = ControlKind::Label;
    std::string parent;  // the window's name for its top-level controls
    Bounds bounds;
    std::string caption;             // shown text; empty: none
    std::vector<std::string> items;  // radio group and drop-down list items
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    int itemIndex = -1;     // selected item; -1: none
    int itemHeight = 0;     // drop-down list: height of each item in its list; 0: the toolkit's
    int tabOrder = -1;      // place among the parent's children; -1: not in the tab order
    std::string handler;    // handler of the control's event (click, change, tick); empty: none
    int fontPixels = 0;     // character height of the control's own font; 0: the window's font
    bool autoSize = false;  // a label that sizes itself to its text
    bool centred = false;   // text centred
    int maximum = 0;        // progress bar: range 0..maximum
    int interval = 0;       // timer: milliseconds between ticks
};

// One command of a menu: its name (empty: a separator line), caption and the handler of its click.
struct MenuItemLayout {
    std::string name;
    std::string caption;
    std::string handler;
    bool enabled = true;
};

// A menu of the window's menu bar. No menu, item or caption has a keyboard shortcut or mnemonic:
// a reader types any key combination into the window, and none may open a menu or a dialog.
struct MenuLayout {
    std::string name;
    std::string caption;
    std::vector<MenuItemLayout> items;
};

struct WindowLayout {
    std::string name;  // "MainWin"
    std::string caption;
    int outerWidth = 0;  // including the window frame
    int outerHeight = 0;
    int fontPixels = 0;                   // character height of the window's font
    std::string activateHandler;          // handler of the window's activation; empty: none
    // Handler of the user's closing of the window (its close button), which then stays open
    // until the handler closes it; empty: none (the main window's close ends the program, any
    // other window's hides it).
    std::string closeHandler;
    std::vector<ControlLayout> controls;  // every parent before its children
    // The menu bar above the client area, left to right; none without menus. The controls keep
    // their places in the client area and the bar adds its height to the outer size.
    std::vector<MenuLayout> menus;

    const ControlLayout* Find(const std::string& controlName) const;
};

// Number of controls of one key-entry row, in the row's fixed order: the send box, the key list,
// the labels Lewy, Prawy, Ctrl, Shift, Alt, Klawisz, the modifier boxes _01, _02, _04, _10, _20,
// _40.
inline constexpr int KEY_ROW_CONTROLS = 14;

// The program's name and version, the main window's title; a build that uploads test images adds
// its note (firmware::TestImagesNote).
inline std::string MainCaption() {
    return std::string(texts::Words(texts::Text::MainTitle, Language::Polish)) +
           std::string(firmware::TestImagesNote());
}

// The windows with their texts in `language`.
const WindowLayout& MainWinLayout(Language language = Language::Polish);
const WindowLayout& WorkWinLayout(Language language = Language::Polish);
// The provisioning dialog (ui/provision_win.hpp), modal over the main window.
const WindowLayout& ProvWinLayout(Language language = Language::Polish);

// Names of row n's controls (n = 0 for S0 .. 4 for S4) in the row's fixed order.
std::array<std::string, KEY_ROW_CONTROLS> KeyRowControlNames(int row);
// Name of the group box that holds row n.
const std::string& KeyRowGroupName(int row);

}  // namespace zrt::ui
