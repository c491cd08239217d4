// WinForm: builds a window's child controls from its layout by the builders of their kinds
// (ui/win32/win_controls.hpp), walks the tab chain of ui/form_rules.hpp and delivers commands,
// timer ticks and the window's activation to named handlers. WM_ACTIVATE feeds the
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

WinForm::WinForm(const WindowLayout& layout, bool main, HWND owner)
    : layout_(layout), main_(main), owner_(owner) {
    RegisterFormClass();
    // The menu bar, counted in the outer size by Fit() once the window has it: the controls keep
    // their places in the client area.
    std::vector<MenuEntry> menuCommands;
    HMENU bar = BuildMenuBar(layout_.menus, menuCommands);
    // Made on the primary monitor at its resolution; FitToScreen() below lays it out for the
    // monitor and resolution the system then gives the window.
    const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    dpi_ = MonitorDpi(primary);
    const WindowFit fit = Fit(dpi_, primary);
    scale_ = fit.scale;
    hwnd_ = CreateWindowExW(FORM_EX_STYLE, FORM_CLASS, Wide(layout_.caption).c_str(), FORM_STYLE,
                            fit.outer.left, fit.outer.top, fit.outer.width, fit.outer.height,
                            owner_, bar, GetModuleHandleW(nullptr), this);
    if (hwnd_ == nullptr) {
        if (bar != nullptr) {
            DestroyMenu(bar);
        }
        throw std::runtime_error("cannot create the window " + layout_.name);
    }
    for (const auto& [id, item] : menuCommands) {
        auto command = std::make_unique<MenuCommandControl>(item->name, hwnd_, bar, id);
        commands_[static_cast<int>(id)] = {item->handler, command.get(), 0};
        components_.emplace(item->name, std::move(command));
    }
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));

    auto root = std::make_unique<ControlEntry>();
    root->hwnd = hwnd_;
    components_.emplace(layout_.name, std::make_unique<WindowControl>(layout_.name, *root,
                                                                      &WinForm::HoldActivation));
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
        PlaceControl(c, *found->second, *Find(c.name), scale_,
                     FontOf(c.fontPixels != 0 ? c.fontPixels : layout_.fontPixels));
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
    for (std::size_t index = 0; index < layout_.controls.size(); ++index) {
        const ControlLayout& c = layout_.controls[index];
        auto parent = entries_.find(c.parent);
        if (parent == entries_.end()) {
            throw std::logic_error("control " + c.name + " comes before its parent " + c.parent);
        }
        BuiltControl built = BuildControl({c, static_cast<int>(index), *parent->second, hwnd_});
        for (const EventRoute& event : built.events) {
            commands_[event.id] = {c.handler, built.component.get(), event.code};
        }
        if (built.caretRest != nullptr) {
            caretRests_.push_back(std::move(built.caretRest));
        }
        components_.emplace(c.name, std::move(built.component));
        if (built.entry == nullptr) {
            continue;  // a timer: no window
        }
        windows_.emplace(c.name, built.entry->hwnd);
        ControlEntry& added = *built.entry;
        entries_.emplace(c.name, std::move(built.entry));
        if (!c.enabled) {
            ApplyEnabled(added);
        }
    }
    Place();
}

void WinForm::BuildTabChain() {
    for (const ControlLayout* c : ui::TabChain(layout_)) {
        tabChain_.push_back(entries_.find(c->name)->second.get());
    }
    // The window's own z-order follows the chain too, so that the system's dialog keys agree.
    HWND previous = HWND_TOP;
    for (ControlEntry* e : tabChain_) {
        SetWindowPos(e->hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = e->hwnd;
    }
}

std::vector<std::string> WinForm::TabChain() const {
    std::vector<std::string> names;
    for (const ControlEntry* e : tabChain_) {
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
        const ControlEntry* e = tabChain_[static_cast<std::size_t>(i)];
        if (e->hwnd == from || IsChild(e->hwnd, from)) {
            at = i;
        }
    }
    for (int step = 1; step <= count; ++step) {
        int next = backwards ? at - step : at + step;
        next = ((next % count) + count) % count;
        ControlEntry* e = tabChain_[static_cast<std::size_t>(next)];
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
            // Stopping a timer leaves a tick already posted (by a device arrival) in the queue:
            // no tick runs while its timer is off.
            if (const auto found = commands_.find(static_cast<int>(wParam));
                found != commands_.end()) {
                if (const auto* timer = dynamic_cast<const TimerControl*>(found->second.sender);
                    timer != nullptr && !timer->Enabled()) {
                    return 0;
                }
            }
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
        case WM_SHOWWINDOW:
            // A dialog over its owner: the owner takes no input while the dialog is shown, and
            // is enabled again before the dialog hides, so that it becomes the active window.
            if (owner_ != nullptr && lParam == 0) {
                EnableWindow(owner_, wParam == FALSE);
            }
            break;
        case WM_DRAWITEM:
            if (DrawListLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            if (Marked(reinterpret_cast<HWND>(lParam))) {
                SetBkColor(dc, RGB(255, 0, 0));
                SetTextColor(dc, RGB(255, 255, 255));
                return reinterpret_cast<LRESULT>(MarkedBrush());
            }
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
            if (!layout_.closeHandler.empty()) {
                Fire(layout_.closeHandler, *Find(layout_.name));
                return 0;
            }
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

bool WinForm::WatchDeviceInterfaces(const GUID& interfaceClass, std::function<void()> changed,
                                    DeviceRegistration registration) {
    devicesChanged_ = std::move(changed);
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = interfaceClass;
    deviceNotify_ = registration(hwnd_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
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