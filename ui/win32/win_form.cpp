// WinForm: builds a window's child controls from its layout with CreateWindowExW, adapts them to
// the toolkit-free control interfaces, walks the tab chain of ui/form_rules.hpp and delivers
// commands, timer ticks and the window's activation to named handlers. WM_ACTIVATE feeds the
// activation rule of ui/activation.hpp; the activation event itself is posted, so it runs from the
// message loop. The controls are created once and placed (again) by Place() at the scale the fit
// to the monitor gives; WM_DPICHANGED and WM_GETDPISCALEDSIZE lay the window out anew.
#include "ui/win32/win_form.hpp"

#include <commctrl.h>
#include <shellapi.h>
#include <dbt.h>

#include <algorithm>
#include <exception>
#include <functional>
#include <stdexcept>
#include <utility>

#include "ui/activation.hpp"
#include "ui/form_rules.hpp"
#include "ui/win32/win_dpi.hpp"

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

struct WinForm::Entry {
    HWND hwnd = nullptr;
    ControlKind kind = ControlKind::Label;
    Entry* parent = nullptr;
    std::vector<Entry*> children;
    std::vector<HWND> items;  // a radio group's buttons
    bool enabled = true;      // the control's own flag
};

namespace {

constexpr UINT WM_APP_ACTIVATE = WM_APP + 1;
// Messages of Windows 8.1 and 10 that older headers may lack.
constexpr UINT DPI_CHANGED = 0x02E0;         // WM_DPICHANGED
constexpr UINT GET_DPI_SCALED_SIZE = 0x02E4;  // WM_GETDPISCALEDSIZE
constexpr DWORD FORM_STYLE = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD FORM_EX_STYLE = WS_EX_CONTROLPARENT;

ActivationRule& Rule() {
    static ActivationRule rule;
    return rule;
}
HWND lastBox = nullptr;  // the program's last non-form window that took the focus (a box)

std::wstring TextOf(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool IsForm(HWND hwnd) {
    wchar_t name[64] = {};
    return hwnd != nullptr && GetClassNameW(hwnd, name, 64) > 0 &&
           std::wstring_view(name) == FORM_CLASS;
}

WinForm* FormOf(HWND hwnd) {
    const HWND root = hwnd != nullptr ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    return IsForm(root) ? reinterpret_cast<WinForm*>(GetWindowLongPtrW(root, GWLP_USERDATA))
                        : nullptr;
}

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

// Control operations common to every child window. Enabled() and Visible() report the control's
// own flags, as the logic set them, whatever its parents show.
template <class Base>
class WinControl : public Base {
  public:
    WinControl(const std::string& name, WinForm& form, WinForm::Entry& entry)
        : Base(name), form_(form), e_(entry) {}

    void SetEnabled(bool enabled) override;
    bool Enabled() const override;
    void SetVisible(bool visible) override { ShowWindow(Hwnd(), visible ? SW_SHOW : SW_HIDE); }
    bool Visible() const override { return (GetWindowLongW(Hwnd(), GWL_STYLE) & WS_VISIBLE) != 0; }
    void SetFocus() override { ::SetFocus(Hwnd()); }
    void SetCaption(const std::string& caption) override {
        SetWindowTextW(Hwnd(), Wide(caption).c_str());
    }
    void Repaint() override {
        RedrawWindow(Hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

  protected:
    HWND Hwnd() const;
    WinForm& form_;
    WinForm::Entry& e_;
};

}  // namespace

// The adapters reach the entry's fields; defined here where Entry is complete.
namespace {
template <class Base>
void WinControl<Base>::SetEnabled(bool enabled) {
    e_.enabled = enabled;
    form_.ApplyEnabled(e_);
}
template <class Base>
bool WinControl<Base>::Enabled() const {
    return e_.enabled;
}
template <class Base>
HWND WinControl<Base>::Hwnd() const {
    return e_.hwnd;
}

using PlainControl = WinControl<Control>;

class LabelControl : public PlainControl {
  public:
    LabelControl(const std::string& name, WinForm& form, WinForm::Entry& entry, bool autoSize)
        : PlainControl(name, form, entry), autoSize_(autoSize) {}
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

// A radio group: a group box holding one radio button per item. As in a dialog, only the checked
// button is a tab stop (any one while none is checked).
class RadioGroupControl : public WinControl<ItemList> {
  public:
    using WinControl::WinControl;
    int ItemIndex() const override {
        for (std::size_t i = 0; i < e_.items.size(); ++i) {
            if (SendMessageW(e_.items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    void SetItemIndex(int index) override {
        for (std::size_t i = 0; i < e_.items.size(); ++i) {
            SendMessageW(e_.items[i], BM_SETCHECK,
                         static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        UpdateTabStops();
    }
    void SetFocus() override {
        if (HWND item = FocusItem()) {
            ::SetFocus(item);
        }
    }
    HWND FocusItem() const {
        const int index = ItemIndex();
        if (e_.items.empty()) {
            return nullptr;
        }
        return e_.items[index < 0 ? 0 : static_cast<std::size_t>(index)];
    }
    void UpdateTabStops() {
        const int checked = ItemIndex();
        for (std::size_t i = 0; i < e_.items.size(); ++i) {
            const LONG style = GetWindowLongW(e_.items[i], GWL_STYLE);
            const bool stop = checked < 0 || static_cast<int>(i) == checked;
            SetWindowLongW(e_.items[i], GWL_STYLE, stop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
        }
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

class TimerControl : public Timer {
  public:
    TimerControl(const std::string& name, HWND window, UINT_PTR id, UINT interval)
        : Timer(name), window_(window), id_(id), interval_(interval) {}
    void SetEnabled(bool enabled) override {
        if (enabled) {
            SetTimer(window_, id_, interval_, nullptr);
        } else {
            KillTimer(window_, id_);
        }
        enabled_ = enabled;
    }
    bool Enabled() const override { return enabled_; }
    // The next tick now (posted), when the timer runs.
    void BringForward() {
        if (enabled_) {
            PostMessageW(window_, WM_TIMER, id_, 0);
        }
    }

  private:
    HWND window_;
    UINT_PTR id_;
    UINT interval_;
    bool enabled_ = false;
};

// The window itself. Painting it at once first takes in what the window system has reported
// (paint and sent messages, never input, which waits for the loop), with no activation event
// meanwhile. Moving the focus to it makes it the active window, its own focus control keeping it.
// Closing it is the user's close (the main window's ends the message loop).
class WindowControl : public WinControl<TopWindow> {
  public:
    using WinControl::WinControl;
    void Close() override { PostMessageW(Hwnd(), WM_CLOSE, 0, 0); }
    void SetVisible(bool visible) override {
        ShowWindow(Hwnd(), visible ? SW_SHOWNORMAL : SW_HIDE);
    }
    void SetFocus() override {
        SetForegroundWindow(Hwnd());
        SetActiveWindow(Hwnd());
    }
    void Repaint() override {
        WinForm::HoldActivation(true);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                break;
            }
            DispatchMessageW(&message);
        }
        WinForm::HoldActivation(false);
        WinControl::Repaint();
    }
};

// A command of the window's menu bar, by its identifier.
class MenuCommandControl : public MenuCommand {
  public:
    MenuCommandControl(const std::string& name, HWND window, HMENU bar, UINT id)
        : MenuCommand(name), window_(window), bar_(bar), id_(id) {}
    void SetEnabled(bool enabled) override {
        EnableMenuItem(bar_, id_, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        DrawMenuBar(window_);
    }
    bool Enabled() const override {
        return (GetMenuState(bar_, id_, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
    }

  private:
    HWND window_;
    HMENU bar_;
    UINT id_;
};

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

ATOM RegisterFormClass() {
    static const ATOM atom = [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;  // replaced per window at WM_NCCREATE
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = FORM_CLASS;
        return RegisterClassExW(&wc);
    }();
    return atom;
}

}  // namespace

WinForm::WinForm(const WindowLayout& layout, bool main) : layout_(layout), main_(main) {
    RegisterFormClass();
    // The menu bar, counted in the outer size by Fit() once the window has it: the controls keep
    // their places in the client area.
    HMENU bar = BuildMenuBar();
    // Made on the primary monitor at its resolution; FitToScreen() below lays it out for the
    // monitor and resolution the system then gives the window.
    const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    dpi_ = MonitorDpi(primary);
    const WindowFit fit = Fit(dpi_, primary);
    scale_ = fit.scale;
    hwnd_ = CreateWindowExW(FORM_EX_STYLE, FORM_CLASS, Wide(layout_.caption).c_str(), FORM_STYLE,
                            fit.outer.left, fit.outer.top, fit.outer.width, fit.outer.height,
                            nullptr, bar, GetModuleHandleW(nullptr), this);
    if (hwnd_ == nullptr) {
        if (bar != nullptr) {
            DestroyMenu(bar);
        }
        throw std::runtime_error("cannot create the window " + layout_.name);
    }
    for (auto& [name, command] : menuCommands_) {
        components_.emplace(name,
                            std::make_unique<MenuCommandControl>(name, hwnd_, bar, command.first));
        commands_[static_cast<int>(command.first)].sender = components_[name].get();
    }
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));

    auto root = std::make_unique<Entry>();
    root->hwnd = hwnd_;
    components_.emplace(layout_.name, std::make_unique<WindowControl>(layout_.name, *this, *root));
    windows_.emplace(layout_.name, hwnd_);
    entries_.emplace(layout_.name, std::move(root));
    Build();
    BuildTabChain();
    FitToScreen();
}

WinForm::~WinForm() {
    if (deviceNotify_ != nullptr) {
        UnregisterDeviceNotification(deviceNotify_);
    }
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    Rule().WindowGone(hwnd_);
    for (auto& [pixels, font] : fonts_) {
        DeleteObject(font);
    }
}

HMENU WinForm::BuildMenuBar() {
    if (layout_.menus.empty()) {
        return nullptr;
    }
    HMENU bar = CreateMenu();
    UINT id = MENU_ID_BASE;
    for (const MenuLayout& menu : layout_.menus) {
        HMENU popup = CreatePopupMenu();
        for (const MenuItemLayout& item : menu.items) {
            if (item.name.empty()) {
                AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            AppendMenuW(popup, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), id,
                        MenuText(item.caption).c_str());
            commands_[static_cast<int>(id)] = {item.handler, nullptr, 0};
            menuCommands_.emplace(item.name, std::make_pair(id, item.enabled));
            ++id;
        }
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                    MenuText(menu.caption).c_str());
    }
    return bar;
}

void WinForm::SetFileDropHandler(std::function<void(const std::string&)> handler) {
    dropHandler_ = std::move(handler);
    DragAcceptFiles(hwnd_, dropHandler_ ? TRUE : FALSE);
}

// One file dropped goes to the handler; several are not taken.
void WinForm::OnDropFiles(HDROP drop) {
    std::wstring path;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        path.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
        path.resize(DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())));
    }
    DragFinish(drop);
    if (!path.empty() && dropHandler_) {
        dropHandler_(Utf8(path));
    }
}

int WinForm::Scale(int pixels) const {
    return scale_.Of(pixels);
}

WindowFit WinForm::Fit(int dpi, HMONITOR monitor) const {
    const bool menu = hwnd_ != nullptr && GetMenu(hwnd_) != nullptr;
    return FitWindow(layout_, FrameSize(FORM_STYLE, FORM_EX_STYLE, false, 96),
                     FrameSize(FORM_STYLE, FORM_EX_STYLE, menu, dpi), dpi, WorkArea(monitor));
}

void WinForm::FitToScreen() {
    ApplyFit(WindowDpi(hwnd_), MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), nullptr);
}

void WinForm::ApplyFit(int dpi, HMONITOR monitor, const RECT* suggested) {
    const WindowFit fit = Fit(dpi, monitor);
    dpi_ = dpi;
    if (!(fit.scale == scale_) || fonts_.empty()) {
        scale_ = fit.scale;
        Place();
    }
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (suggested != nullptr) {
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top, flags);
    } else {
        SetWindowPos(hwnd_, nullptr, fit.outer.left, fit.outer.top, fit.outer.width,
                     fit.outer.height, flags);
    }
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void WinForm::Place() {
    std::map<int, HFONT> old;
    old.swap(fonts_);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(layout_.fontPixels)), FALSE);
    for (const ControlLayout& c : layout_.controls) {
        auto found = entries_.find(c.name);
        if (c.kind == ControlKind::Timer || found == entries_.end()) {
            continue;
        }
        const HWND hwnd = found->second->hwnd;
        const HFONT font = FontOf(c.fontPixels != 0 ? c.fontPixels : layout_.fontPixels);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        const Bounds b = scale_.Of(c.bounds);
        int height = b.height;
        if (c.kind == ControlKind::ComboBox) {
            // The window's height includes the dropped-down list.
            height += Scale(std::max(c.itemHeight, 16)) *
                          static_cast<int>(std::min<std::size_t>(c.items.size(), 12)) +
                      2;
            if (c.itemHeight > 0) {
                SendMessageW(hwnd, CB_SETITEMHEIGHT, 0, Scale(c.itemHeight));
            }
        }
        SetWindowPos(hwnd, nullptr, b.left, b.top, b.width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (c.kind == ControlKind::RadioGroup) {
            HDC dc = GetDC(hwnd);
            const HGDIOBJ previous = SelectObject(dc, font);
            TEXTMETRICW metrics{};
            GetTextMetricsW(dc, &metrics);
            SelectObject(dc, previous);
            ReleaseDC(hwnd, dc);
            RECT client{};
            GetClientRect(hwnd, &client);
            const auto& items = found->second->items;
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
            if (auto* label = dynamic_cast<LabelControl*>(Find(c.name))) {
                label->FitToText();
            }
        }
    }
    for (auto& [pixels, font] : old) {
        DeleteObject(font);
    }
}

void WinForm::Raise() {
    if (IsIconic(hwnd_)) {
        ShowWindow(hwnd_, SW_RESTORE);
    }
    SetForegroundWindow(hwnd_);
    BringWindowToTop(hwnd_);
}

UINT WinForm::RaiseMessage() {
    static const UINT message = RegisterWindowMessageW(L"ZrtVivoRaz.Raise");
    return message;
}

HFONT WinForm::FontOf(int pixels) {
    auto found = fonts_.find(pixels);
    if (found != fonts_.end()) {
        return found->second;
    }
    // The window speaks Polish: the Central European character set of the face, whatever the
    // system's own code page.
    HFONT font = CreateFontW(-Scale(pixels), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             EASTEUROPE_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
    fonts_.emplace(pixels, font);
    return font;
}

void WinForm::Build() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (std::size_t index = 0; index < layout_.controls.size(); ++index) {
        const ControlLayout& c = layout_.controls[index];
        const int id = CONTROL_ID_BASE + static_cast<int>(index);
        auto parentFound = entries_.find(c.parent);
        if (parentFound == entries_.end()) {
            throw std::logic_error("control " + c.name + " comes before its parent " + c.parent);
        }
        Entry& parent = *parentFound->second;
        if (c.kind == ControlKind::Timer) {
            auto timer = std::make_unique<TimerControl>(c.name, hwnd_, static_cast<UINT_PTR>(id),
                                                        static_cast<UINT>(c.interval));
            if (!c.handler.empty()) {
                commands_[id] = {c.handler, timer.get(), 0};
            }
            if (c.enabled) {
                timer->SetEnabled(true);
            }
            components_.emplace(c.name, std::move(timer));
            continue;
        }

        const wchar_t* windowClass = WC_BUTTONW;
        DWORD style = WS_CHILD | (c.visible ? WS_VISIBLE : 0);
        DWORD exStyle = 0;
        const bool tab = c.tabOrder >= 0;
        switch (c.kind) {
            case ControlKind::Label:
                windowClass = WC_STATICW;
                style |= SS_NOPREFIX | (c.centred ? SS_CENTER : SS_LEFT);
                break;
            case ControlKind::Button:
                style |= BS_PUSHBUTTON | (tab ? WS_TABSTOP : 0);
                break;
            case ControlKind::GroupBox:
            case ControlKind::RadioGroup:
                style |= BS_GROUPBOX | WS_CLIPCHILDREN;
                exStyle |= WS_EX_CONTROLPARENT;
                break;
            case ControlKind::CheckBox:
                style |= BS_AUTOCHECKBOX | (tab ? WS_TABSTOP : 0);
                break;
            case ControlKind::ComboBox:
                windowClass = WC_COMBOBOXW;
                style |= CBS_DROPDOWNLIST | WS_VSCROLL | (tab ? WS_TABSTOP : 0);
                break;
            case ControlKind::Memo:
                windowClass = WC_EDITW;
                style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | (tab ? WS_TABSTOP : 0);
                exStyle |= WS_EX_CLIENTEDGE;
                break;
            case ControlKind::ProgressBar:
                windowClass = PROGRESS_CLASSW;
                style |= PBS_SMOOTH;
                break;
            case ControlKind::Timer:
                break;
        }
        // Place() gives the control its place, size and font.
        const std::wstring caption = c.kind == ControlKind::Memo ? std::wstring() : Wide(c.caption);
        HWND hwnd =
            CreateWindowExW(exStyle, windowClass, caption.c_str(), style, 0, 0, 0, 0, parent.hwnd,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (hwnd == nullptr) {
            throw std::runtime_error("cannot create the control " + c.name);
        }
        if (parent.kind == ControlKind::GroupBox || parent.kind == ControlKind::RadioGroup) {
            SetWindowSubclass(parent.hwnd, GroupProc, 1, 0);
        }

        auto entry = std::make_unique<Entry>();
        entry->hwnd = hwnd;
        entry->kind = c.kind;
        entry->parent = &parent;
        entry->enabled = c.enabled;
        parent.children.push_back(entry.get());
        std::unique_ptr<Component> component;
        Component* sender = nullptr;
        switch (c.kind) {
            case ControlKind::Label: {
                component = std::make_unique<LabelControl>(c.name, *this, *entry, c.autoSize);
                break;
            }
            case ControlKind::Memo:
                component = std::make_unique<MemoControl>(c.name, *this, *entry);
                caretRests_.push_back(std::make_unique<CaretRest>(hwnd));
                break;
            case ControlKind::Button:
            case ControlKind::GroupBox:
                component = std::make_unique<PlainControl>(c.name, *this, *entry);
                break;
            case ControlKind::CheckBox: {
                auto box = std::make_unique<CheckBoxControl>(c.name, *this, *entry);
                box->SetChecked(c.checked);
                component = std::move(box);
                break;
            }
            case ControlKind::ComboBox: {
                for (const std::string& item : c.items) {
                    SendMessageW(hwnd, CB_ADDSTRING, 0,
                                 reinterpret_cast<LPARAM>(Wide(item).c_str()));
                }
                auto combo = std::make_unique<ComboControl>(c.name, *this, *entry);
                combo->SetItemIndex(c.itemIndex);
                component = std::move(combo);
                break;
            }
            case ControlKind::RadioGroup: {
                for (std::size_t i = 0; i < c.items.size(); ++i) {
                    const int itemId = RADIO_ID_BASE + static_cast<int>(index) * RADIO_ID_STRIDE +
                                       static_cast<int>(i);
                    HWND item = CreateWindowExW(
                        0, WC_BUTTONW, Wide(c.items[i]).c_str(),
                        WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0),
                        0, 0, 0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(itemId)),
                        instance, nullptr);
                    entry->items.push_back(item);
                    commands_[itemId] = {c.handler, nullptr, BN_CLICKED};
                }
                SetWindowSubclass(hwnd, GroupProc, 1, 0);
                auto group = std::make_unique<RadioGroupControl>(c.name, *this, *entry);
                group->SetItemIndex(c.itemIndex);
                for (std::size_t i = 0; i < c.items.size(); ++i) {
                    commands_[RADIO_ID_BASE + static_cast<int>(index) * RADIO_ID_STRIDE +
                              static_cast<int>(i)]
                        .sender = group.get();
                }
                component = std::move(group);
                break;
            }
            case ControlKind::ProgressBar:
                SendMessageW(hwnd, PBM_SETRANGE32, 0, c.maximum);
                SendMessageW(hwnd, PBM_SETPOS, 0, 0);
                component = std::make_unique<ProgressControl>(c.name, *this, *entry);
                break;
            case ControlKind::Timer:
                break;
        }
        sender = component.get();
        if (!c.handler.empty() && c.kind != ControlKind::RadioGroup) {
            commands_[id] = {c.handler, sender,
                             c.kind == ControlKind::ComboBox ? CBN_SELCHANGE : BN_CLICKED};
        }
        windows_.emplace(c.name, hwnd);
        components_.emplace(c.name, std::move(component));
        Entry& added = *entry;
        entries_.emplace(c.name, std::move(entry));
        if (!c.enabled) {
            ApplyEnabled(added);
        }
    }
    Place();
}

void WinForm::ApplyEnabled(Entry& entry) {
    bool parentOn = true;
    for (const Entry* p = entry.parent; p != nullptr; p = p->parent) {
        parentOn = parentOn && p->enabled;
    }
    std::function<void(Entry&, bool)> apply = [&](Entry& e, bool on) {
        on = on && e.enabled;
        if (e.parent != nullptr) {  // the window itself stays enabled: it is no control
            EnableWindow(e.hwnd, on ? TRUE : FALSE);
        }
        for (HWND item : e.items) {
            EnableWindow(item, on ? TRUE : FALSE);
        }
        for (Entry* child : e.children) {
            apply(*child, on);
        }
    };
    apply(entry, parentOn);
}

void WinForm::BuildTabChain() {
    for (const ControlLayout* c : ui::TabChain(layout_)) {
        tabChain_.push_back(entries_.find(c->name)->second.get());
    }
    // The window's own z-order follows the chain too, so that the system's dialog keys agree.
    HWND previous = HWND_TOP;
    for (Entry* e : tabChain_) {
        SetWindowPos(e->hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = e->hwnd;
    }
}

std::vector<std::string> WinForm::TabChain() const {
    std::vector<std::string> names;
    for (const Entry* e : tabChain_) {
        for (const auto& [name, entry] : entries_) {
            if (entry.get() == e) {
                names.push_back(name);
            }
        }
    }
    return names;
}

Component* WinForm::Find(std::string_view name) {
    auto found = components_.find(name);
    return found == components_.end() ? nullptr : found->second.get();
}

HWND WinForm::Handle(std::string_view name) const {
    auto found = windows_.find(name);
    return found == windows_.end() ? nullptr : found->second;
}

void WinForm::SetErrorDisplay(std::function<void(const std::string&)> display) {
    errorDisplay_ = std::move(display);
}

void WinForm::ShowError(const std::string& message) {
    if (errorDisplay_) {
        errorDisplay_(message);
    } else {
        MessageBoxW(hwnd_, Wide(message).c_str(), TextOf(hwnd_).c_str(), MB_OK | MB_ICONERROR);
    }
}

void WinForm::Show() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    SetForegroundWindow(hwnd_);
    if (!tabChain_.empty()) {
        dynamic_cast<Control&>(*Find(TabChain().front())).SetFocus();
    }
}

void WinForm::HoldActivation(bool held) {
    Rule().Hold(held);
}

bool WinForm::MoveFocus(HWND from, bool backwards) {
    if (tabChain_.empty()) {
        return false;
    }
    const auto count = static_cast<int>(tabChain_.size());
    int at = -1;
    for (int i = 0; i < count && at < 0; ++i) {
        const Entry* e = tabChain_[static_cast<std::size_t>(i)];
        if (e->hwnd == from || IsChild(e->hwnd, from)) {
            at = i;
        }
    }
    for (int step = 1; step <= count; ++step) {
        int next = backwards ? at - step : at + step;
        next = ((next % count) + count) % count;
        Entry* e = tabChain_[static_cast<std::size_t>(next)];
        if (IsWindowVisible(e->hwnd) && IsWindowEnabled(e->hwnd)) {
            for (const auto& [name, entry] : entries_) {
                if (entry.get() == e) {
                    dynamic_cast<Control&>(*Find(name)).SetFocus();
                    if (e->kind == ControlKind::Button || e->kind == ControlKind::CheckBox) {
                        SendMessageW(hwnd_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS),
                                     0);
                    }
                    if (e->kind == ControlKind::Memo) {
                        SendMessageW(e->hwnd, EM_SETSEL, 0, -1);
                    }
                    return true;
                }
            }
        }
    }
    return false;
}

void WinForm::NoteInput() {
    for (const auto& rest : caretRests_) {
        rest->Input();
    }
}

void WinForm::SetCaretRest(UINT milliseconds) {
    for (const auto& rest : caretRests_) {
        rest->SetRestAfter(milliseconds);
        rest->Input();
    }
}

bool WinForm::PreTranslate(MSG& message) {
    WinForm* form = FormOf(message.hwnd);
    if (form == nullptr) {
        return false;
    }
    switch (message.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
        case WM_NCLBUTTONDOWN:
        case WM_MOUSEWHEEL:
            form->NoteInput();
            break;
        default:
            break;
    }
    // Keys a reader may type (Alt+F4), or a user by mistake (Escape, which a multi-line text box
    // turns into a close of its window), never close the window: only the mouse does.
    if ((message.message == WM_SYSKEYDOWN && message.wParam == VK_F4) ||
        (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE)) {
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
        (GetKeyState(VK_CONTROL) & 0x8000) == 0) {
        form->MoveFocus(message.hwnd, (GetKeyState(VK_SHIFT) & 0x8000) != 0);
        return true;
    }
    return IsDialogMessageW(form->hwnd_, &message) != FALSE;
}

LRESULT CALLBACK WinForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = reinterpret_cast<WinForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return form->OnMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        form->ShowError(error.what());
    } catch (...) {
        form->ShowError("Unknown error");
    }
    return 0;
}

LRESULT WinForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_TIMER:
            OnCommand(static_cast<int>(wParam), 0);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                // As in a dialog: the control that had the focus gets it back when the window
                // is active again (restored, raised, or returned to from another program).
                const HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd_, focus)) {
                    lastFocus_ = focus;
                }
            }
            if (LOWORD(wParam) != WA_INACTIVE) {
                NoteInput();
            }
            OnActivate(wParam, lParam);
            break;
        case WM_SYSCOMMAND:
            // Alt, F10 and Alt with a key take the focus to the menu bar through SC_KEYMENU: a
            // reader types such keys, so the menu works with the mouse alone.
            if ((wParam & 0xFFF0) == SC_KEYMENU) {
                return 0;
            }
            break;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_SETFOCUS:
            // The window itself takes no keys: its last focused control, or else the first of
            // the tab chain, gets the focus.
            if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) &&
                IsWindowVisible(lastFocus_) && IsWindowEnabled(lastFocus_)) {
                ::SetFocus(lastFocus_);
                return 0;
            }
            if (MoveFocus(nullptr, false)) {
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_DEVICECHANGE:
            // Arrivals and removals of the interfaces registered for; the volumes that the system
            // announces to every window are none of them. The timers tick at once, so that a
            // reader plugged in is asked for at once rather than up to a tick later.
            if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam != 0 &&
                reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)->dbch_devicetype ==
                    DBT_DEVTYP_DEVICEINTERFACE &&
                devicesChanged_) {
                devicesChanged_();
                for (const auto& [name, component] : components_) {
                    if (auto* timer = dynamic_cast<TimerControl*>(component.get())) {
                        timer->BringForward();
                    }
                }
            }
            return TRUE;
        case DPI_CHANGED:
            // Laid out anew for the new resolution, in the rectangle the system suggests.
            ApplyFit(HIWORD(wParam), MonitorFromRect(reinterpret_cast<RECT*>(lParam),
                                                     MONITOR_DEFAULTTONEAREST),
                     reinterpret_cast<RECT*>(lParam));
            return 0;
        case GET_DPI_SCALED_SIZE: {
            // The size the window will have at the new resolution, for the system's suggestion.
            const WindowFit fit = Fit(static_cast<int>(wParam),
                                      MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST));
            auto* size = reinterpret_cast<SIZE*>(lParam);
            size->cx = fit.outer.width;
            size->cy = fit.outer.height;
            return TRUE;
        }
        case WM_APP_ACTIVATE:
            if (!layout_.activateHandler.empty()) {
                Fire(layout_.activateHandler, *Find(layout_.name));
            }
            return 0;
        case WM_CLOSE:
            if (!main_) {
                ShowWindow(hwnd_, SW_HIDE);
                return 0;
            }
            break;
        case WM_DESTROY:
            if (main_) {
                PostQuitMessage(0);
            }
            break;
        default:
            if (message == RaiseMessage() && message != 0) {
                Raise();
                return 1;
            }
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool WinForm::WatchDeviceInterfaces(const GUID& interfaceClass, std::function<void()> changed) {
    devicesChanged_ = std::move(changed);
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = interfaceClass;
    deviceNotify_ = RegisterDeviceNotificationW(hwnd_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    return deviceNotify_ != nullptr;
}

void WinForm::OnCommand(int id, int code) {
    auto found = commands_.find(id);
    if (found == commands_.end() || found->second.code != code || found->second.sender == nullptr) {
        return;
    }
    if (auto* group = dynamic_cast<RadioGroupControl*>(found->second.sender)) {
        group->UpdateTabStops();
    }
    if (!found->second.handler.empty()) {
        Fire(found->second.handler, *found->second.sender);
    }
}

// The focus entering this window, or leaving it for another window of this thread that is no
// form (a box), is what the activation rule decides on.
void WinForm::OnActivate(WPARAM wParam, LPARAM lParam) {
    const auto other = reinterpret_cast<HWND>(lParam);
    if (LOWORD(wParam) == WA_INACTIVE) {
        if (other != nullptr && !IsForm(other) &&
            GetWindowThreadProcessId(other, nullptr) == GetCurrentThreadId()) {
            if (lastBox != nullptr && lastBox != other && !IsWindow(lastBox)) {
                Rule().WindowGone(lastBox);
            }
            lastBox = other;
            Rule().FocusEntered(other, GetWindow(other, GW_OWNER));
        }
        return;
    }
    if (lastBox != nullptr && !IsWindow(lastBox)) {
        Rule().WindowGone(lastBox);
        lastBox = nullptr;
    }
    if (Rule().FocusEntered(hwnd_, nullptr) && !layout_.activateHandler.empty()) {
        PostMessageW(hwnd_, WM_APP_ACTIVATE, 0, 0);
    }
}

void WinForm::Fire(const std::string& handler, Component& sender) {
    if (sink_ == nullptr) {
        return;
    }
    DeliverEvent(*sink_, handler, sender, [this](const std::string& text) { ShowError(text); });
}

}  // namespace zrt::ui::win32
