// The Win32 control adapters and their builders: a builder a kind of control, found in one table
// by the control's kind, creates the child window with its class and styles, fills it from the
// layout and makes its adapter. Group boxes pass their children's notifications on to the window.
#include "ui/win32/win_controls.hpp"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

#include "ui/form_rules.hpp"

namespace zrt::ui::win32 {

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::wstring TextOf(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void ApplyEnabled(ControlEntry& entry) {
    bool parentOn = true;
    for (const ControlEntry* p = entry.parent; p != nullptr; p = p->parent) {
        parentOn = parentOn && p->enabled;
    }
    std::function<void(ControlEntry&, bool)> apply = [&](ControlEntry& e, bool on) {
        on = on && e.enabled;
        if (e.parent != nullptr) {  // the window itself stays enabled: it is no control
            EnableWindow(e.hwnd, on ? TRUE : FALSE);
        }
        for (HWND item : e.items) {
            EnableWindow(item, on ? TRUE : FALSE);
        }
        for (ControlEntry* child : e.children) {
            apply(*child, on);
        }
    };
    apply(entry, parentOn);
}

int RadioGroupControl::ItemIndex() const {
    for (std::size_t i = 0; i < e_.items.size(); ++i) {
        if (SendMessageW(e_.items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void RadioGroupControl::SetItemIndex(int index) {
    for (std::size_t i = 0; i < e_.items.size(); ++i) {
        SendMessageW(e_.items[i], BM_SETCHECK,
                     static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    UpdateTabStops();
}

void RadioGroupControl::SetFocus() {
    if (e_.items.empty()) {
        return;
    }
    const int index = ItemIndex();
    if (HWND item = e_.items[index < 0 ? 0 : static_cast<std::size_t>(index)]) {
        ::SetFocus(item);
    }
}

void RadioGroupControl::UpdateTabStops() {
    const int checked = ItemIndex();
    for (std::size_t i = 0; i < e_.items.size(); ++i) {
        const LONG style = GetWindowLongW(e_.items[i], GWL_STYLE);
        const bool stop = checked < 0 || static_cast<int>(i) == checked;
        SetWindowLongW(e_.items[i], GWL_STYLE, stop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

void TimerControl::SetEnabled(bool enabled) {
    if (enabled) {
        SetTimer(window_, id_, interval_, nullptr);
    } else {
        KillTimer(window_, id_);
    }
    enabled_ = enabled;
}

void TimerControl::BringForward() {
    if (enabled_) {
        PostMessageW(window_, WM_TIMER, id_, 0);
    }
}

void WindowControl::SetFocus() {
    SetForegroundWindow(Hwnd());
    SetActiveWindow(Hwnd());
}

void WindowControl::Repaint() {
    holdActivation_(true);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        DispatchMessageW(&message);
    }
    holdActivation_(false);
    WinControl::Repaint();
}

void MenuCommandControl::SetEnabled(bool enabled) {
    EnableMenuItem(bar_, id_, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(window_);
}

bool MenuCommandControl::Enabled() const {
    return (GetMenuState(bar_, id_, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

namespace {

using PlainControl = WinControl<Control>;

class LabelControl : public PlainControl {
  public:
    LabelControl(const std::string& name, ControlEntry& entry, bool autoSize)
        : PlainControl(name, entry), autoSize_(autoSize) {}
    // The label takes the new text's size before the text, so that it never draws the new text
    // wrapped into its old extent; then its old and its new extent are painted whole (the parent's
    // background where it shrank), none of the old pixels kept.
    void SetCaption(const std::string& caption) override {
        if (!autoSize_) {
            PlainControl::SetCaption(caption);
            return;
        }
        const RECT before = Extent();
        const std::wstring text = Wide(caption);
        if (!text.empty()) {
            Resize(text, SWP_NOREDRAW | SWP_NOCOPYBITS);
        }
        SetWindowTextW(Hwnd(), text.c_str());
        const RECT after = Extent();
        RECT both{};
        UnionRect(&both, &before, &after);
        RedrawWindow(GetParent(Hwnd()), &both, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    void FitToText() { Resize(TextOf(Hwnd()), 0); }

  private:
    void Resize(const std::wstring& text, UINT flags) {
        HDC dc = GetDC(Hwnd());
        const auto font = reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
        const HGDIOBJ old = SelectObject(dc, font);
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | DT_SINGLELINE);
        SelectObject(dc, old);
        ReleaseDC(Hwnd(), dc);
        SetWindowPos(Hwnd(), nullptr, 0, 0, r.right, r.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    }
    // The label's rectangle in its parent's client area.
    RECT Extent() const {
        RECT r{};
        GetWindowRect(Hwnd(), &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(Hwnd()), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    bool autoSize_;
};

// The text box: the logic's line feeds are the control's CR LF.
class MemoControl : public PlainControl {
  public:
    using PlainControl::PlainControl;
    void SetCaption(const std::string& caption) override {
        std::wstring text;
        for (wchar_t c : Wide(caption)) {
            if (c == L'\n' && (text.empty() || text.back() != L'\r')) {
                text += L'\r';
            }
            text += c;
        }
        SetWindowTextW(Hwnd(), text.c_str());
    }
};

// The property that marks a banner's window.
constexpr const wchar_t* MARKED = L"ZrtVivoRaz.Marked";

class BannerControl : public WinControl<Banner> {
  public:
    using WinControl::WinControl;
    void SetMarked(bool marked) override {
        if (marked) {
            SetPropW(Hwnd(), MARKED, reinterpret_cast<HANDLE>(1));
        } else {
            RemovePropW(Hwnd(), MARKED);
        }
        InvalidateRect(Hwnd(), nullptr, TRUE);
    }
    bool Marked() const override { return win32::Marked(Hwnd()); }
};

// The lines as an owner-drawn list box's items, each line's mark its item data.
class LineListControl : public WinControl<LineList> {
  public:
    using WinControl::WinControl;
    void SetCaption(const std::string& /*caption*/) override {}
    void SetLines(const std::vector<ListLine>& lines) override {
        SendMessageW(Hwnd(), WM_SETREDRAW, FALSE, 0);
        SendMessageW(Hwnd(), LB_RESETCONTENT, 0, 0);
        for (const ListLine& line : lines) {
            const LRESULT index = SendMessageW(Hwnd(), LB_ADDSTRING, 0,
                                               reinterpret_cast<LPARAM>(Wide(line.text).c_str()));
            SendMessageW(Hwnd(), LB_SETITEMDATA, static_cast<WPARAM>(index), line.marked ? 1 : 0);
        }
        SendMessageW(Hwnd(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(Hwnd(), nullptr, TRUE);
    }
};

class CheckBoxControl : public WinControl<CheckBox> {
  public:
    using WinControl::WinControl;
    bool Checked() const override { return SendMessageW(Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetChecked(bool checked) override {
        SendMessageW(Hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
};

class ComboControl : public WinControl<ItemList> {
  public:
    using WinControl::WinControl;
    void SetCaption(const std::string& /*caption*/) override {}
    int ItemIndex() const override {
        return static_cast<int>(SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0));
    }
    void SetItemIndex(int index) override {
        const auto count = static_cast<int>(SendMessageW(Hwnd(), CB_GETCOUNT, 0, 0));
        SendMessageW(Hwnd(), CB_SETCURSEL, index >= 0 && index < count ? index : -1, 0);
    }
};

// Changes of the maximum or the position are painted at once, outside the message loop too.
class ProgressControl : public WinControl<ProgressBar> {
  public:
    using WinControl::WinControl;
    void SetCaption(const std::string& /*caption*/) override {}
    void SetMax(int maximum) override {
        SendMessageW(Hwnd(), PBM_SETRANGE32, 0, maximum);
        PaintNow();
    }
    int Max() const override {
        return static_cast<int>(SendMessageW(Hwnd(), PBM_GETRANGE, FALSE, 0));
    }
    void SetPosition(int position) override {
        SendMessageW(Hwnd(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
        PaintNow();
    }
    int Position() const override {
        return static_cast<int>(SendMessageW(Hwnd(), PBM_GETPOS, 0, 0));
    }

  private:
    void PaintNow() {
        if (IsWindowVisible(Hwnd())) {
            InvalidateRect(Hwnd(), nullptr, TRUE);
            UpdateWindow(Hwnd());
        }
    }
};

// Group boxes hold child controls: their notifications and colour requests go on to the window,
// and their inside, which a group box leaves unpainted, gets the button-face background.
LRESULT CALLBACK GroupProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR) {
    switch (message) {
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(hwnd, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        default:
            return DefSubclassProc(hwnd, message, wParam, lParam);
    }
}

constexpr DWORD GROUP_STYLE = BS_GROUPBOX | WS_CLIPCHILDREN;
constexpr DWORD GROUP_EX_STYLE = WS_EX_CONTROLPARENT;

int IdOf(const BuildPlace& where) {
    return CONTROL_ID_BASE + where.place;
}

DWORD TabStop(const BuildPlace& where) {
    return where.layout.tabOrder >= 0 ? WS_TABSTOP : 0;
}

// The control's window of `windowClass` under its parent, with `style` besides a child's own and
// the layout's visibility, and its entry in the tree. Its event is a click (BN_CLICKED) when it
// has a handler; builders of other events replace it.
BuiltControl Child(const BuildPlace& where, const wchar_t* windowClass, DWORD style, DWORD exStyle,
                   const std::wstring& caption) {
    const ControlLayout& c = where.layout;
    style |= WS_CHILD | (c.visible ? WS_VISIBLE : 0);
    HWND hwnd =
        CreateWindowExW(exStyle, windowClass, caption.c_str(), style, 0, 0, 0, 0, where.parent.hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(where))),
                        GetModuleHandleW(nullptr), nullptr);
    if (hwnd == nullptr) {
        throw std::runtime_error("cannot create the control " + c.name);
    }
    if (where.parent.kind == ControlKind::GroupBox ||
        where.parent.kind == ControlKind::RadioGroup) {
        SetWindowSubclass(where.parent.hwnd, GroupProc, 1, 0);
    }
    BuiltControl built;
    built.entry = std::make_unique<ControlEntry>();
    built.entry->hwnd = hwnd;
    built.entry->kind = c.kind;
    built.entry->parent = &where.parent;
    built.entry->enabled = c.enabled;
    where.parent.children.push_back(built.entry.get());
    if (!c.handler.empty()) {
        built.events.push_back({IdOf(where), BN_CLICKED});
    }
    return built;
}

// The builders of the kinds of control, one a kind, found by BuilderOf (ui/form_rules.hpp).
struct Builders {
    static BuiltControl Label(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        BuiltControl built = Child(
            where, WC_STATICW, SS_NOPREFIX | (c.centred ? SS_CENTER : SS_LEFT), 0, Wide(c.caption));
        built.component = std::make_unique<LabelControl>(c.name, *built.entry, c.autoSize);
        return built;
    }

    static BuiltControl Button(const BuildPlace& where) {
        BuiltControl built =
            Child(where, WC_BUTTONW, BS_PUSHBUTTON | TabStop(where), 0, Wide(where.layout.caption));
        built.component = std::make_unique<PlainControl>(where.layout.name, *built.entry);
        return built;
    }

    static BuiltControl GroupBox(const BuildPlace& where) {
        BuiltControl built =
            Child(where, WC_BUTTONW, GROUP_STYLE, GROUP_EX_STYLE, Wide(where.layout.caption));
        built.component = std::make_unique<PlainControl>(where.layout.name, *built.entry);
        return built;
    }

    // A group box with a radio button an item; a click on any item is the group's event.
    static BuiltControl RadioGroup(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        BuiltControl built = Child(where, WC_BUTTONW, GROUP_STYLE, GROUP_EX_STYLE, Wide(c.caption));
        built.events.clear();
        for (std::size_t i = 0; i < c.items.size(); ++i) {
            const int itemId = RADIO_ID_BASE + where.place * RADIO_ID_STRIDE + static_cast<int>(i);
            HWND item = CreateWindowExW(
                0, WC_BUTTONW, Wide(c.items[i]).c_str(),
                WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0), 0, 0, 0, 0,
                built.entry->hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(itemId)),
                GetModuleHandleW(nullptr), nullptr);
            built.entry->items.push_back(item);
            built.events.push_back({itemId, BN_CLICKED});
        }
        SetWindowSubclass(built.entry->hwnd, GroupProc, 1, 0);
        auto group = std::make_unique<RadioGroupControl>(c.name, *built.entry);
        group->SetItemIndex(c.itemIndex);
        built.component = std::move(group);
        return built;
    }

    static BuiltControl CheckBox(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        BuiltControl built =
            Child(where, WC_BUTTONW, BS_AUTOCHECKBOX | TabStop(where), 0, Wide(c.caption));
        auto box = std::make_unique<CheckBoxControl>(c.name, *built.entry);
        box->SetChecked(c.checked);
        built.component = std::move(box);
        return built;
    }

    // A drop-down list; its event is a change of the selection.
    static BuiltControl ComboBox(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        BuiltControl built =
            Child(where, WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | TabStop(where), 0,
                  Wide(c.caption));
        for (EventRoute& event : built.events) {
            event.code = CBN_SELCHANGE;
        }
        for (const std::string& item : c.items) {
            SendMessageW(built.entry->hwnd, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(Wide(item).c_str()));
        }
        auto combo = std::make_unique<ComboControl>(c.name, *built.entry);
        combo->SetItemIndex(c.itemIndex);
        built.component = std::move(combo);
        return built;
    }

    // The text box, empty until the logic gives it a text; its caret rests after a while.
    static BuiltControl Memo(const BuildPlace& where) {
        BuiltControl built =
            Child(where, WC_EDITW, ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | TabStop(where),
                  WS_EX_CLIENTEDGE, std::wstring());
        built.component = std::make_unique<MemoControl>(where.layout.name, *built.entry);
        built.caretRest = std::make_unique<CaretRest>(built.entry->hwnd);
        return built;
    }

    // A static control, its text centred and wrapped; the window paints it red while marked.
    static BuiltControl Banner(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        BuiltControl built =
            Child(where, WC_STATICW, SS_NOPREFIX | SS_CENTER | SS_SUNKEN, 0, Wide(c.caption));
        built.component = std::make_unique<BannerControl>(c.name, *built.entry);
        return built;
    }

    // An owner-drawn list box without a selection: typing into it changes nothing.
    static BuiltControl List(const BuildPlace& where) {
        BuiltControl built = Child(where, WC_LISTBOXW,
                                   LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT |
                                       LBS_NOSEL | WS_VSCROLL | TabStop(where),
                                   WS_EX_CLIENTEDGE, std::wstring());
        built.component = std::make_unique<LineListControl>(where.layout.name, *built.entry);
        return built;
    }

    static BuiltControl ProgressBar(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        BuiltControl built = Child(where, PROGRESS_CLASSW, PBS_SMOOTH, 0, Wide(c.caption));
        SendMessageW(built.entry->hwnd, PBM_SETRANGE32, 0, c.maximum);
        SendMessageW(built.entry->hwnd, PBM_SETPOS, 0, 0);
        built.component = std::make_unique<ProgressControl>(c.name, *built.entry);
        return built;
    }

    // A timer has no window: it ticks to the form's, under its own identifier.
    static BuiltControl Timer(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto timer =
            std::make_unique<TimerControl>(c.name, where.window, static_cast<UINT_PTR>(IdOf(where)),
                                           static_cast<UINT>(c.interval));
        if (c.enabled) {
            timer->SetEnabled(true);
        }
        BuiltControl built;
        built.component = std::move(timer);
        if (!c.handler.empty()) {
            built.events.push_back({IdOf(where), 0});
        }
        return built;
    }
};

}  // namespace

BuiltControl BuildControl(const BuildPlace& where) {
    return BuilderOf<Builders>(where.layout.kind)(where);
}

void PlaceControl(const ControlLayout& c, const ControlEntry& entry, Component& component,
                  const Scale& scale, HFONT font) {
    const HWND hwnd = entry.hwnd;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const Bounds b = scale.Of(c.bounds);
    int height = b.height;
    if (c.kind == ControlKind::ComboBox) {
        // The window's height includes the dropped-down list.
        height += scale.Of(std::max(c.itemHeight, 16)) *
                      static_cast<int>(std::min<std::size_t>(c.items.size(), 12)) +
                  2;
        if (c.itemHeight > 0) {
            SendMessageW(hwnd, CB_SETITEMHEIGHT, 0, scale.Of(c.itemHeight));
        }
    }
    SetWindowPos(hwnd, nullptr, b.left, b.top, b.width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (c.kind == ControlKind::List) {
        // A line the font's height and a little more.
        TEXTMETRICW metrics{};
        HDC dc = GetDC(hwnd);
        const HGDIOBJ previous = SelectObject(dc, font);
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, previous);
        ReleaseDC(hwnd, dc);
        SendMessageW(hwnd, LB_SETITEMHEIGHT, 0, metrics.tmHeight + scale.Of(4));
    }
    if (c.kind == ControlKind::RadioGroup) {
        HDC dc = GetDC(hwnd);
        const HGDIOBJ previous = SelectObject(dc, font);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, previous);
        ReleaseDC(hwnd, dc);
        RECT client{};
        GetClientRect(hwnd, &client);
        const auto& items = entry.items;
        const std::vector<Bounds> places = RadioItemBounds(
            client.right, client.bottom, metrics.tmHeight, static_cast<int>(items.size()));
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Bounds& p = places[i];
            SendMessageW(items[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            SetWindowPos(items[i], nullptr, p.left, p.top, p.width, p.height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (c.kind == ControlKind::Label && c.autoSize && GetWindowTextLengthW(hwnd) > 0) {
        if (auto* label = dynamic_cast<LabelControl*>(&component)) {
            label->FitToText();
        }
    }
}

bool Marked(HWND hwnd) {
    return GetPropW(hwnd, MARKED) != nullptr;
}

HBRUSH MarkedBrush() {
    static const HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    return brush;
}

bool DrawListLine(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_LISTBOX) {
        return false;
    }
    const bool marked = item.itemData != 0;
    FillRect(item.hDC, &item.rcItem,
             marked ? MarkedBrush() : GetSysColorBrush(COLOR_WINDOW));
    if (item.itemID != static_cast<UINT>(-1)) {
        const auto length = static_cast<int>(
            SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0));
        std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, marked ? RGB(255, 255, 255) : GetSysColor(COLOR_WINDOWTEXT));
        RECT area = item.rcItem;
        area.left += 4;
        DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if ((item.itemState & ODS_FOCUS) != 0) {
        DrawFocusRect(item.hDC, &item.rcItem);
    }
    return true;
}

namespace {
// A caption as a menu shows it: an "&" would make a mnemonic, so it is doubled to stand for itself.
std::wstring MenuText(const std::string& caption) {
    std::wstring text;
    for (wchar_t c : Wide(caption)) {
        text += c;
        if (c == L'&') {
            text += L'&';
        }
    }
    return text;
}
}  // namespace

HMENU BuildMenuBar(const std::vector<MenuLayout>& menus, std::vector<MenuEntry>& commands) {
    if (menus.empty()) {
        return nullptr;
    }
    HMENU bar = CreateMenu();
    UINT id = MENU_ID_BASE;
    for (const MenuLayout& menu : menus) {
        HMENU popup = CreatePopupMenu();
        for (const MenuItemLayout& item : menu.items) {
            if (item.name.empty()) {
                AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            AppendMenuW(popup, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), id,
                        MenuText(item.caption).c_str());
            commands.push_back({id, &item});
            ++id;
        }
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                    MenuText(menu.caption).c_str());
    }
    return bar;
}

}  // namespace zrt::ui::win32
