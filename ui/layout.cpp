// The layout data of the main window, the progress window and the provisioning dialog. The five
// key-entry groups are generated from one description of a group's contents, with the row digit
// put into the names.
#include "ui/layout.hpp"

#include <stdexcept>

#include "config/key_entry.hpp"
#include "config/reader_config.hpp"
#include "firmware/firmware_image.hpp"
#include "texts/texts.hpp"

namespace zrt::ui {

namespace {

using K = ControlKind;

const std::string MAIN = "MainWin";

using texts::Text;

// The layout is written in the program's first language, Polish; Translated() gives it in another.
std::string P(Text key) {
    return std::string(texts::Words(key, Language::Polish));
}
std::vector<std::string> P(std::initializer_list<Text> keys) {
    std::vector<std::string> captions;
    for (const Text key : keys) {
        captions.push_back(P(key));
    }
    return captions;
}

// Writes one control's entry: name, kind, parent and place, then what differs from the defaults.
class Ctl {
  public:
    Ctl(const std::string& name, ControlKind kind, const std::string& parent, Bounds bounds) {
        c_.name = name;
        c_.kind = kind;
        c_.parent = parent;
        c_.bounds = bounds;
        c_.autoSize = kind == K::Label;
    }
    Ctl& Caption(const std::string& caption) {
        c_.caption = caption;
        return *this;
    }
    Ctl& Items(std::vector<std::string> items, int selected) {
        c_.items = std::move(items);
        c_.itemIndex = selected;
        return *this;
    }
    Ctl& ItemHeight(int pixels) {
        c_.itemHeight = pixels;
        return *this;
    }
    Ctl& Disabled() {
        c_.enabled = false;
        return *this;
    }
    Ctl& Hidden() {
        c_.visible = false;
        return *this;
    }
    Ctl& Checked() {
        c_.checked = true;
        return *this;
    }
    Ctl& Tab(int order) {
        c_.tabOrder = order;
        return *this;
    }
    Ctl& On(const std::string& handler) {
        c_.handler = handler;
        return *this;
    }
    Ctl& Font(int pixels) {
        c_.fontPixels = pixels;
        return *this;
    }
    Ctl& FixedCentred() {
        c_.autoSize = false;
        c_.centred = true;
        return *this;
    }
    Ctl& Fixed() {
        c_.autoSize = false;
        return *this;
    }
    Ctl& Maximum(int maximum) {
        c_.maximum = maximum;
        return *this;
    }
    Ctl& Interval(int milliseconds) {
        c_.interval = milliseconds;
        return *this;
    }
    operator ControlLayout() const { return c_; }

  private:
    ControlLayout c_;
};

// One key-entry group's contents (group-relative), written with '#' where the row digit goes.
// Handlers are shared by the five rows and keep their names in every row.
std::vector<ControlLayout> KeyGroupTemplate() {
    std::vector<std::string> keys;
    for (auto name : config::KeyNames()) {
        keys.emplace_back(name);
    }
    auto label = [](const char* name, Bounds b, Text caption) {
        return Ctl(name, K::Label, "", b).Caption(P(caption));
    };
    auto modifier = [](const char* name, Bounds b, int tab, const char* handler) {
        return Ctl(name, K::CheckBox, "", b).Tab(tab).On(handler);
    };
    return {
        Ctl("S#ChkBx", K::CheckBox, "", {16, 24, 81, 17})
            .Caption(P(Text::SendBox))
            .Checked()
            .Tab(7)
            .On("S0ChkBxClick"),
        label("Left#Lbl", {48, 48, 31, 16}, Text::LeftLabel),
        label("Right#Lbl", {88, 48, 37, 16}, Text::RightLabel),
        label("Ctrl#Lbl", {24, 72, 19, 16}, Text::CtrlLabel),
        label("Shift#Lbl", {18, 96, 25, 16}, Text::ShiftLabel),
        label("Alt#Lbl", {28, 120, 15, 16}, Text::AltLabel),
        modifier("S#ChkBx_01", {56, 72, 17, 17}, 0, "S1ChkBx_01Click"),
        modifier("S#ChkBx_02", {56, 96, 17, 17}, 1, "S1ChkBx_02Click"),
        modifier("S#ChkBx_04", {56, 120, 17, 17}, 2, "S1ChkBx_04Click"),
        modifier("S#ChkBx_10", {96, 72, 17, 17}, 3, "S1ChkBx_10Click"),
        modifier("S#ChkBx_20", {96, 96, 17, 17}, 4, "S1ChkBx_20Click"),
        modifier("S#ChkBx_40", {96, 120, 17, 17}, 5, "S1ChkBx_40Click"),
        label("Key#Lbl", {12, 156, 44, 16}, Text::KeyLabel),
        // The form leaves the list unselected; the row binding selects item 0 ("*").
        Ctl("S#Cb", K::ComboBox, "", {64, 152, 65, 24})
            .Items(keys, -1)
            .ItemHeight(16)
            .Tab(6)
            .On("S1CbChange"),
    };
}

// The row's fixed order, as template names.
constexpr std::array<const char*, KEY_ROW_CONTROLS> KEY_ROW_ORDER = {
    "S#ChkBx", "S#Cb",       "Left#Lbl",   "Right#Lbl",  "Ctrl#Lbl",   "Shift#Lbl",  "Alt#Lbl",
    "Key#Lbl", "S#ChkBx_01", "S#ChkBx_02", "S#ChkBx_04", "S#ChkBx_10", "S#ChkBx_20", "S#ChkBx_40"};

struct KeyGroup {
    std::string name;
    std::string parent;
    int left;
    int top;
    Text caption;
    int tabOrder;
};

// Rows S0..S4. In GroupBox2 the check box EnterChkBx stands where a third group would.
const std::array<KeyGroup, config::ROW_COUNT>& KeyGroups() {
    static const std::array<KeyGroup, config::ROW_COUNT> groups = {{
        {"GroupBox1", "BegGrp", 16, 24, Text::Key1Group, 2},
        {"S1Grp", "BegGrp", 176, 24, Text::Key2Group, 0},
        {"S2Grp", "BegGrp", 336, 24, Text::Key3Group, 1},
        {"S3Grp", "GroupBox2", 16, 24, Text::Key1Group, 2},
        {"S4Grp", "GroupBox2", 176, 24, Text::Key2GroupAfter, 0},
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
    WindowLayout w;
    w.name = MAIN;
    w.caption = MainCaption();
    w.outerWidth = 1178;
    w.outerHeight = 622;
    w.fontPixels = 13;
    w.activateHandler = "FormActivate";
    w.controls = {
        Ctl("RdLbl", K::Label, MAIN, {40, 36, 5, 24}).Font(19),
        Ctl("RapWin", K::Memo, MAIN, {720, 24, 425, 481}).Tab(0),
        Ctl("WrBtn", K::Button, MAIN, {728, 520, 145, 25})
            .Caption(P(Text::WriteButton))
            .Disabled()
            .Tab(1)
            .On("WrBtnClick"),
        Ctl("NrGroup", K::GroupBox, MAIN, {16, 184, 177, 385}).Caption(P(Text::NumberGroup)).Tab(2),
        Ctl("BegGrp", K::GroupBox, MAIN, {208, 88, 497, 233}).Caption(P(Text::BeforeGroup)).Tab(3),
        Ctl("WrProgressBar", K::ProgressBar, MAIN, {728, 552, 145, 17})
            .Hidden()
            .Tab(4)
            .Maximum(100),
        Ctl("KartTypeGrp", K::GroupBox, MAIN, {16, 88, 177, 81})
            .Caption(P(Text::CardsGroup))
            .Tab(5),
        Ctl("GroupBox2", K::GroupBox, MAIN, {208, 336, 497, 233})
            .Caption(P(Text::AfterGroup))
            .Tab(6),
        Ctl("Timer", K::Timer, MAIN, {}).Interval(100).On("TimerTimer"),

        Ctl("DecGrp", K::RadioGroup, "NrGroup", {16, 24, 145, 97})
            .Caption(P(Text::FormatGroup))
            .Items(P({Text::FormatHex, Text::FormatDec, Text::FormatDecBytes}), 0)
            .Disabled()
            .Tab(1)
            .On("DecGrpClick"),
        Ctl("SizeGrp", K::RadioGroup, "NrGroup", {16, 136, 145, 201})
            .Caption(P(Text::SizeGroup))
            .Items(P({Text::SizeCard, Text::Size4, Text::Size5, Text::Size6, Text::Size7,
                      Text::Size8}),
                   0)
            .Disabled()
            .Tab(0)
            .On("SizeGrpClick"),
        Ctl("InvChkBx", K::CheckBox, "NrGroup", {16, 352, 145, 17})
            .Caption(P(Text::Reversed))
            .Tab(2)
            .On("InvChkBxClick"),

        // No handlers: a click leaves the focus on the box.
        Ctl("MifareChkBx", K::CheckBox, "KartTypeGrp", {32, 24, 97, 17})
            .Caption(P(Text::Mifare))
            .Tab(0),
        Ctl("IcodeChkBx", K::CheckBox, "KartTypeGrp", {32, 48, 97, 17})
            .Caption(P(Text::Icode))
            .Tab(1),

        Ctl("EnterChkBx", K::CheckBox, "GroupBox2", {336, 48, 129, 17})
            .Caption(P(Text::EnterAtEnd))
            .Checked()
            .Tab(1)
            .On("EnterChkBxClick"),
    };
    // Loading and saving work only while a reader is connected.
    w.menus = {
        {"FileMnu",
         P(Text::FileMenu),
         {{"LoadMnu", P(Text::LoadItem), "LoadMnuClick", false},
          {"SaveMnu", P(Text::SaveItem), "SaveMnuClick", false},
          {"ProvMnu", P(Text::ProvItem), "ProvMnuClick", true},
          {"", "", "", true},
          {"ExitMnu", P(Text::ExitItem), "ExitMnuClick", true}}},
        {"HelpMnu",
         P(Text::HelpMenu),
         {{"ReportMnu", P(Text::ReportItem), "ReportMnuClick", true},
          {"AboutMnu", P(Text::AboutItem), "AboutMnuClick", true}}},
    };
    const auto contents = KeyGroupTemplate();
    for (int row = 0; row < config::ROW_COUNT; ++row) {
        const KeyGroup& g = KeyGroups()[static_cast<std::size_t>(row)];
        w.controls.push_back(
            Ctl(g.name, K::GroupBox, g.parent, {g.left, g.top, KEY_GROUP_WIDTH, KEY_GROUP_HEIGHT})
                .Caption(P(g.caption))
                .Tab(g.tabOrder));
        for (ControlLayout control : contents) {
            control.name = WithRow(control.name, row);
            control.parent = g.name;
            w.controls.push_back(std::move(control));
        }
    }
    return w;
}

WindowLayout BuildWorkWin() {
    WindowLayout w;
    w.name = "WorkWin";
    w.caption = P(Text::WorkTitle);
    w.outerWidth = 354;
    w.outerHeight = 124;
    w.fontPixels = 11;
    w.controls = {
        Ctl("ProgrBar", K::ProgressBar, w.name, {32, 48, 273, 25}).Tab(0).Maximum(100),
        Ctl("WorkLbl", K::Label, w.name, {24, 16, 265, 16}).Font(13).FixedCentred(),
    };
    return w;
}

// The focus rests in the list of results, where a reader's keystrokes change nothing; the option
// and the button take the focus only when clicked. The file labels keep their width: a long path
// is cut off, not the window widened.
WindowLayout BuildProvWin() {
    WindowLayout w;
    w.name = "ProvWin";
    w.caption = P(Text::ProvCaption);
    w.outerWidth = 576;
    w.outerHeight = 480;
    w.fontPixels = 13;
    w.closeHandler = "FormClose";
    w.controls = {
        Ctl("ResultLst", K::List, w.name, {16, 188, 528, 200}).Tab(0),
        Ctl("FileLbl", K::Label, w.name, {16, 12, 528, 16}).Fixed(),
        Ctl("LogLbl", K::Label, w.name, {16, 34, 528, 16}).Fixed(),
        Ctl("UpgChkBx", K::CheckBox, w.name, {16, 58, 400, 17})
            .Caption(P(Text::ProvUpgrade))
            .Tab(1)
            .On("UpgChkBxClick"),
        Ctl("StateBnr", K::Banner, w.name, {16, 86, 528, 64})
            .Caption(P(Text::ProvWaiting))
            .Font(27)
            .FixedCentred(),
        Ctl("CountLbl", K::Label, w.name, {16, 160, 528, 20}).Font(16).Fixed(),
        Ctl("StopBtn", K::Button, w.name, {424, 400, 120, 25})
            .Caption(P(Text::ProvStop))
            .Tab(2)
            .On("StopBtnClick"),
        Ctl("ProvTimer", K::Timer, w.name, {}).Interval(50).Disabled().On("ProvTimerTimer"),
    };
    return w;
}

// The window's texts in `language`: captions, radio items and menus. The items of the key lists
// are key names, the same in every language.
WindowLayout Translated(WindowLayout w, Language language) {
    w.caption = texts::Say(language, w.caption);
    for (ControlLayout& c : w.controls) {
        c.caption = texts::Say(language, c.caption);
        if (c.kind == ControlKind::RadioGroup) {
            for (std::string& item : c.items) {
                item = texts::Say(language, item);
            }
        }
    }
    for (MenuLayout& menu : w.menus) {
        menu.caption = texts::Say(language, menu.caption);
        for (MenuItemLayout& item : menu.items) {
            item.caption = texts::Say(language, item.caption);
        }
    }
    return w;
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

const WindowLayout& MainWinLayout(Language language) {
    static const WindowLayout polish = BuildMainWin();
    static const WindowLayout english = Translated(polish, Language::English);
    return language == Language::English ? english : polish;
}

const WindowLayout& WorkWinLayout(Language language) {
    static const WindowLayout polish = BuildWorkWin();
    static const WindowLayout english = Translated(polish, Language::English);
    return language == Language::English ? english : polish;
}

const WindowLayout& ProvWinLayout(Language language) {
    static const WindowLayout polish = BuildProvWin();
    static const WindowLayout english = Translated(polish, Language::English);
    return language == Language::English ? english : polish;
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
