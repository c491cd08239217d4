// The layout data of the main window and of the progress window. The five key-entry groups are
// generated from one description of a group's contents, with the row digit put into the names.
#include "ui/layout.hpp"

#include <stdexcept>

#include "config/key_entry.hpp"
#include "config/reader_config.hpp"

namespace zrt::ui {

namespace {

using K = ControlKind;

const std::string MAIN = "MainWin";

// One key-entry group's contents, written with '#' where the row digit goes. Handlers are shared by
// the five rows and keep their names in every row.
std::vector<ControlLayout> KeyGroupTemplate() {
    std::vector<std::string> keys;
    for (auto name : config::KeyNames()) {
        keys.emplace_back(name);
    }
    auto label = [](const char* name, Bounds b, const char* caption) {
        return ControlLayout{.name = name, .kind = K::Label, .bounds = b, .caption = caption,
                             .autoSize = true};
    };
    auto modifier = [](const char* name, Bounds b, int tab, const char* handler) {
        return ControlLayout{.name = name, .kind = K::CheckBox, .bounds = b, .tabOrder = tab,
                             .handler = handler};
    };
    return {
        {.name = "S#ChkBx", .kind = K::CheckBox, .bounds = {16, 24, 81, 17}, .caption = "Wysłać",
         .checked = true, .tabOrder = 7, .handler = "S0ChkBxClick"},
        label("Left#Lbl", {48, 48, 31, 16}, "Lewy"),
        label("Right#Lbl", {88, 48, 37, 16}, "Prawy"),
        label("Ctrl#Lbl", {24, 72, 19, 16}, "Ctrl"),
        label("Shift#Lbl", {18, 96, 25, 16}, "Shift"),
        label("Alt#Lbl", {28, 120, 15, 16}, "Alt"),
        modifier("S#ChkBx_01", {56, 72, 17, 17}, 0, "S1ChkBx_01Click"),
        modifier("S#ChkBx_02", {56, 96, 17, 17}, 1, "S1ChkBx_02Click"),
        modifier("S#ChkBx_04", {56, 120, 17, 17}, 2, "S1ChkBx_04Click"),
        modifier("S#ChkBx_10", {96, 72, 17, 17}, 3, "S1ChkBx_10Click"),
        modifier("S#ChkBx_20", {96, 96, 17, 17}, 4, "S1ChkBx_20Click"),
        modifier("S#ChkBx_40", {96, 120, 17, 17}, 5, "S1ChkBx_40Click"),
        label("Key#Lbl", {12, 156, 44, 16}, "Klawisz"),
        // The row binding selects item 0 ("*"); the form itself leaves the list unselected.
        {.name = "S#Cb", .kind = K::ComboBox, .bounds = {64, 152, 65, 24}, .items = keys,
         .tabOrder = 6, .handler = "S1CbChange"},
    };
}

// The row's fixed order, as template names.
constexpr std::array<const char*, KEY_ROW_CONTROLS> KEY_ROW_ORDER = {
    "S#ChkBx",  "S#Cb",       "Left#Lbl",   "Right#Lbl",  "Ctrl#Lbl",   "Shift#Lbl",  "Alt#Lbl",
    "Key#Lbl",  "S#ChkBx_01", "S#ChkBx_02", "S#ChkBx_04", "S#ChkBx_10", "S#ChkBx_20", "S#ChkBx_40"};

struct KeyGroup {
    std::string name;
    std::string parent;
    int left;
    int top;
    std::string caption;
    int tabOrder;
};

// Rows S0..S4. In GroupBox2 the check box EnterChkBx stands where a third group would.
const std::array<KeyGroup, config::ROW_COUNT>& KeyGroups() {
    static const std::array<KeyGroup, config::ROW_COUNT> groups = {{
        {"GroupBox1", "BegGrp", 16, 24, " Znak 1 ", 2},
        {"S1Grp", "BegGrp", 176, 24, " Znak 2 ", 0},
        {"S2Grp", "BegGrp", 336, 24, " Znak 3 ", 1},
        {"S3Grp", "GroupBox2", 16, 24, " Znak 1 ", 2},
        {"S4Grp", "GroupBox2", 176, 24, " Znak 2", 0},
    }};
    return groups;
}
constexpr int KEY_GROUP_WIDTH = 145;
constexpr int KEY_GROUP_HEIGHT = 193;

std::string WithRow(std::string name, int row) {
    for (auto& c : name) {
        if (c == '#') {
            c = static_cast<char>('0' + row);
        }
    }
    return name;
}

WindowLayout BuildMainWin() {
    WindowLayout w{.name = MAIN,
                   .caption = "ZrT_VivoRaz 1.9",
                   .outerWidth = 1178,
                   .outerHeight = 622,
                   .fontPixels = 13,
                   .activateHandler = "FormActivate"};
    auto& c = w.controls;
    c = {
        {.name = "RdLbl", .kind = K::Label, .parent = MAIN, .bounds = {40, 36, 5, 24},
         .fontPixels = 19, .autoSize = true},
        {.name = "RapWin", .kind = K::Memo, .parent = MAIN, .bounds = {720, 24, 425, 481},
         .tabOrder = 0},
        {.name = "WrBtn", .kind = K::Button, .parent = MAIN, .bounds = {728, 520, 145, 25},
         .caption = "Zapis konfiguracji", .enabled = false, .tabOrder = 1,
         .handler = "WrBtnClick"},
        {.name = "NrGroup", .kind = K::GroupBox, .parent = MAIN, .bounds = {16, 184, 177, 385},
         .caption = " Numer karty ", .tabOrder = 2},
        {.name = "BegGrp", .kind = K::GroupBox, .parent = MAIN, .bounds = {208, 88, 497, 233},
         .caption = " Znaki przed numerem karty ", .tabOrder = 3},
        {.name = "WrProgressBar", .kind = K::ProgressBar, .parent = MAIN,
         .bounds = {728, 552, 145, 17}, .visible = false, .tabOrder = 4, .maximum = 100},
        {.name = "KartTypeGrp", .kind = K::GroupBox, .parent = MAIN, .bounds = {16, 88, 177, 81},
         .caption = " Czytane karty ", .tabOrder = 5},
        {.name = "GroupBox2", .kind = K::GroupBox, .parent = MAIN, .bounds = {208, 336, 497, 233},
         .caption = " Znaki po numerze karty ", .tabOrder = 6},
        {.name = "Timer", .kind = K::Timer, .parent = MAIN, .handler = "TimerTimer",
         .interval = 100},

        {.name = "DecGrp", .kind = K::RadioGroup, .parent = "NrGroup",
         .bounds = {16, 24, 145, 97}, .caption = " Format  ",
         .items = {"Hex", "Dec (cały numer)", "Dec (każdy bajt)"}, .enabled = false,
         .itemIndex = 0, .tabOrder = 1, .handler = "DecGrpClick"},
        {.name = "SizeGrp", .kind = K::RadioGroup, .parent = "NrGroup",
         .bounds = {16, 136, 145, 201}, .caption = " Rozmiar ",
         .items = {"Według karty", "4 bajty", "5 bajtów", "6 bajtów", "7 bajtów", "8 bajtów"},
         .enabled = false, .itemIndex = 0, .tabOrder = 0, .handler = "SizeGrpClick"},
        {.name = "InvChkBx", .kind = K::CheckBox, .parent = "NrGroup",
         .bounds = {16, 352, 145, 17}, .caption = "Odwrócony numer", .tabOrder = 2,
         .handler = "InvChkBxClick"},

        {.name = "MifareChkBx", .kind = K::CheckBox, .parent = "KartTypeGrp",
         .bounds = {32, 24, 97, 17}, .caption = "Mifare", .tabOrder = 0},
        {.name = "IcodeChkBx", .kind = K::CheckBox, .parent = "KartTypeGrp",
         .bounds = {32, 48, 97, 17}, .caption = "iCode", .tabOrder = 1},

        {.name = "EnterChkBx", .kind = K::CheckBox, .parent = "GroupBox2",
         .bounds = {336, 48, 129, 17}, .caption = "Enter na końcu", .checked = true,
         .tabOrder = 1, .handler = "EnterChkBxClick"},
    };
    const auto contents = KeyGroupTemplate();
    for (int row = 0; row < config::ROW_COUNT; ++row) {
        const KeyGroup& g = KeyGroups()[static_cast<std::size_t>(row)];
        c.push_back({.name = g.name, .kind = K::GroupBox, .parent = g.parent,
                     .bounds = {g.left, g.top, KEY_GROUP_WIDTH, KEY_GROUP_HEIGHT},
                     .caption = g.caption, .tabOrder = g.tabOrder});
        for (ControlLayout control : contents) {
            control.name = WithRow(control.name, row);
            control.parent = g.name;
            c.push_back(std::move(control));
        }
    }
    return w;
}

WindowLayout BuildWorkWin() {
    const std::string work = "WorkWin";
    return {.name = work,
            .caption = "ZrT_VivoRaz",
            .outerWidth = 354,
            .outerHeight = 124,
            .fontPixels = 11,
            .controls = {
                {.name = "ProgrBar", .kind = K::ProgressBar, .parent = work,
                 .bounds = {32, 48, 273, 25}, .tabOrder = 0, .maximum = 100},
                {.name = "WorkLbl", .kind = K::Label, .parent = work, .bounds = {24, 16, 265, 16},
                 .fontPixels = 13, .centred = true},
            }};
}

}  // namespace

const ControlLayout* WindowLayout::Find(const std::string& controlName) const {
    for (const auto& control : controls) {
        if (control.name == controlName) {
            return &control;
        }
    }
    return nullptr;
}

const WindowLayout& MainWinLayout() {
    static const WindowLayout layout = BuildMainWin();
    return layout;
}

const WindowLayout& WorkWinLayout() {
    static const WindowLayout layout = BuildWorkWin();
    return layout;
}

std::array<std::string, KEY_ROW_CONTROLS> KeyRowControlNames(int row) {
    if (row < 0 || row >= config::ROW_COUNT) {
        throw std::out_of_range("key-entry row out of range");
    }
    std::array<std::string, KEY_ROW_CONTROLS> names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = WithRow(KEY_ROW_ORDER[i], row);
    }
    return names;
}

const std::string& KeyRowGroupName(int row) {
    if (row < 0 || row >= config::ROW_COUNT) {
        throw std::out_of_range("key-entry row out of range");
    }
    return KeyGroups()[static_cast<std::size_t>(row)].name;
}

}  // namespace zrt::ui
