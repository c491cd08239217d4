// The Win32 control adapters: each control of a WindowLayout as a child window of the system's own
// classes (static, button, combo box, edit, progress bar, list box), read and set through the
// toolkit-free interfaces of ui/controls.hpp; one small builder a kind of control that creates its
// window and its adapter (BuildControl), the placing of each kind at a scale (PlaceControl) and the
// menu bar. WinForm routes their events and paints the marked banners and the lines of lists.
// Texts are UTF-8 in the logic and UTF-16 towards the system.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls.hpp"
#include "ui/layout.hpp"
#include "ui/screen_fit.hpp"
#include "ui/win32/win_caret_rest.hpp"

namespace zrt::ui::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// The text of a window.
std::wstring TextOf(HWND hwnd);

// Control identifiers: the control at place i of the layout has CONTROL_ID_BASE + i; item j of a
// radio group at place i has RADIO_ID_BASE + i * RADIO_ID_STRIDE + j.
inline constexpr int CONTROL_ID_BASE = 1000;
inline constexpr int RADIO_ID_BASE = 10000;
inline constexpr int RADIO_ID_STRIDE = 16;
// The menu bar's commands: MENU_ID_BASE and up, in the layout's order.
inline constexpr UINT MENU_ID_BASE = 30000;

// A built control as the adapters keep it: its window, its radio items, its own enabled flag
// and its place in the tree of parents (the window itself at the root).
struct ControlEntry {
    HWND hwnd = nullptr;
    ControlKind kind = ControlKind::Label;
    ControlEntry* parent = nullptr;
    std::vector<ControlEntry*> children;
    std::vector<HWND> items;  // a radio group's buttons
    bool enabled = true;      // the control's own flag
};

// Enables the windows of `entry` and of everything under it as far as their own flags and those
// of all their parents allow.
void ApplyEnabled(ControlEntry& entry);

// Control operations common to every child window. Enabled() and Visible() report the control's
// own flags, as the logic set them, whatever its parents show.
template <class Base>
class WinControl : public Base {
  public:
    WinControl(const std::string& name, ControlEntry& entry) : Base(name), e_(entry) {}

    void SetEnabled(bool enabled) override {
        e_.enabled = enabled;
        ApplyEnabled(e_);
    }
    bool Enabled() const override { return e_.enabled; }
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
    HWND Hwnd() const { return e_.hwnd; }
    ControlEntry& e_;
};

// A radio group: a group box holding one radio button per item. As in a dialog, only the checked
// button is a tab stop (any one while none is checked).
class RadioGroupControl : public WinControl<ItemList> {
  public:
    using WinControl::WinControl;
    int ItemIndex() const override;
    void SetItemIndex(int index) override;
    void SetFocus() override;
    // Makes the checked item (or every item, when none is) the group's tab stop.
    void UpdateTabStops();
};

// A timer of the window: its ticks are the window's WM_TIMER of the timer's identifier.
class TimerControl : public Timer {
  public:
    TimerControl(const std::string& name, HWND window, UINT_PTR id, UINT interval)
        : Timer(name), window_(window), id_(id), interval_(interval) {}
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return enabled_; }
    // The next tick now (posted), when the timer runs.
    void BringForward();

  private:
    HWND window_;
    UINT_PTR id_;
    UINT interval_;
    bool enabled_ = false;
};

// The window itself. Painting it at once first takes in what the window system has reported
// (paint and sent messages, never input, which waits for the loop), with no activation event
// meanwhile (`holdActivation` holds them). Moving the focus to it makes it the active window, its
// own focus control keeping it. Closing it is the user's close (the main window's ends the
// message loop).
class WindowControl : public WinControl<TopWindow> {
  public:
    WindowControl(const std::string& name, ControlEntry& entry, void (*holdActivation)(bool))
        : WinControl(name, entry), holdActivation_(holdActivation) {}
    void Close() override { PostMessageW(Hwnd(), WM_CLOSE, 0, 0); }
    void SetVisible(bool visible) override {
        ShowWindow(Hwnd(), visible ? SW_SHOWNORMAL : SW_HIDE);
    }
    void SetFocus() override;
    void Repaint() override;

  private:
    void (*holdActivation_)(bool);
};

// A command of the window's menu bar, by its identifier.
class MenuCommandControl : public MenuCommand {
  public:
    MenuCommandControl(const std::string& name, HWND window, HMENU bar, UINT id)
        : MenuCommand(name), window_(window), bar_(bar), id_(id) {}
    void SetEnabled(bool enabled) override;
    bool Enabled() const override;

  private:
    HWND window_;
    HMENU bar_;
    UINT id_;
};

// Where a control is built: its layout, its place in the layout (which gives its identifier),
// the entry of its parent (built before it) and the window, to which its timer ticks.
struct BuildPlace {
    const ControlLayout& layout;
    int place;
    ControlEntry& parent;
    HWND window;
};

// A notification (its control identifier and code) that is a control's event; a timer's tick is
// WM_TIMER with the timer's identifier, code 0.
struct EventRoute {
    int id = 0;
    int code = 0;
};

// What a builder made: the adapter, the control's window in its entry (none for a timer), the
// notifications that are its event (none without a handler, except a radio group's items: their
// clicks move its tab stop) and, for a text box, the rest of its caret.
struct BuiltControl {
    std::unique_ptr<Component> component;
    std::unique_ptr<ControlEntry> entry;
    std::vector<EventRoute> events;
    std::unique_ptr<CaretRest> caretRest;
};

// Builds the control at `where` by the builder of its kind: its window hung under its parent,
// shown or hidden and holding the layout's caption, items and state, at no place and in no font
// yet (the form places it), its own enabled flag noted but not yet applied.
BuiltControl BuildControl(const BuildPlace& where);

// Gives a built control (no timer) its font, its place and size at `scale`, and what its kind
// places within: a drop-down list's items, a radio group's buttons, a sizing label's text extent.
void PlaceControl(const ControlLayout& layout, const ControlEntry& entry, Component& component,
                  const Scale& scale, HFONT font);

// Whether the control's window is a banner that is marked now (white on red).
bool Marked(HWND hwnd);
// The brush of a marked banner's or line's background.
HBRUSH MarkedBrush();
// Draws a line of a list of lines (an owner-drawn list box) as WM_DRAWITEM asks; false for any
// other control.
bool DrawListLine(const DRAWITEMSTRUCT& item);

// A command of the menu bar as built: its identifier and its layout.
struct MenuEntry {
    UINT id = 0;
    const MenuItemLayout* item = nullptr;
};

// The menu bar of `menus` (none without menus), its commands listed in `commands`.
HMENU BuildMenuBar(const std::vector<MenuLayout>& menus, std::vector<MenuEntry>& commands);

}  // namespace zrt::ui::win32
