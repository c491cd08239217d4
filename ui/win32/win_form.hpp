// A window of the native Win32 user interface built from a WindowLayout: one child window per
// control (its control identifier derived from the control's place in the layout; the controls and
// their adapters in ui/win32/win_controls.hpp), "MS Sans Serif" at the layout's character heights,
// everything scaled from 96 dpi to the resolution of the window's monitor as far as its work area
// holds the window (ui/screen_fit.hpp), laid out anew when the resolution changes
// (WM_DPICHANGED), the tab chain of ui/form_rules.hpp, and the delivery of clicks, changes, ticks
// and the window's activation to named handlers.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls.hpp"
#include "ui/layout.hpp"
#include "ui/screen_fit.hpp"
#include "ui/win32/win_caret_rest.hpp"
#include "ui/win32/win_controls.hpp"

namespace zrt::ui::win32 {

// The class name of every window built from a layout.
inline constexpr const wchar_t* FORM_CLASS = L"ZrtVivoRazForm";

// How a window is registered for the system's device notifications: RegisterDeviceNotificationW,
// unless a bench plays a system that refuses them.
using DeviceRegistration = decltype(&::RegisterDeviceNotificationW);

class WinForm : public ControlSet {
  public:
    // Creates the window hidden, centred on the work area of the primary monitor and fitted to it.
    // `main`: closing it ends the message loop; any other window is only hidden by a close, or
    // left to the layout's close handler. `owner`: the window this one is a modal dialog over
    // (disabled while this one is shown); none: a window of its own.
    WinForm(const WindowLayout& layout, bool main, HWND owner = nullptr);
    ~WinForm() override;
    WinForm(const WinForm&) = delete;
    WinForm& operator=(const WinForm&) = delete;

    Component* Find(std::string_view name) override;
    // The window of a control (the window itself under its own name; a radio group's box), or null.
    HWND Handle(std::string_view name) const;
    HWND Window() const { return hwnd_; }
    const WindowLayout& Layout() const { return layout_; }
    // The controls that take the focus by Tab, by name, in the order Tab walks them.
    std::vector<std::string> TabChain() const;
    // Pixels per inch of the window's monitor, and a 96-dpi length at the scale the layout is drawn
    // at (that of the resolution, or less where the work area is smaller).
    int Dpi() const { return dpi_; }
    int Scale(int pixels) const;
    // Fits the window to the monitor it is on again: scale, fonts, controls and outer size (the
    // menu bar counted). Needed after a menu bar is added or removed.
    void FitToScreen();

    // Brings the window to the front, restored when minimised. Other programs ask for it with the
    // registered message RaiseMessage().
    void Raise();
    static UINT RaiseMessage();

    void SetEventSink(EventSink* sink) { sink_ = sink; }
    // Takes files dropped on the window: one file's name (UTF-8) goes to `handler`; none (the
    // default) takes no drops.
    void SetFileDropHandler(std::function<void(const std::string&)> handler);
    // Shows the message of an error that a handler (or anything else the window procedure ran) let
    // through; the loop goes on. By default a message box with the error's text.
    void SetErrorDisplay(std::function<void(const std::string&)> display);
    void ShowError(const std::string& message);

    // Shows and activates the window, the focus on the first control of the tab chain.
    void Show();

    // Registers the window for the system's notifications of device interfaces of `interfaceClass`
    // arriving and being removed (`registration`, DEVICE_NOTIFY_WINDOW_HANDLE); `changed` runs on
    // each such WM_DEVICECHANGE. False when the system refuses the registration.
    bool WatchDeviceInterfaces(const GUID& interfaceClass, std::function<void()> changed,
                               DeviceRegistration registration = &::RegisterDeviceNotificationW);

    // The text boxes' carets rest, shown and still, after `milliseconds` without input to the
    // window (CARET_REST_AFTER unless set), counted from now.
    void SetCaretRest(UINT milliseconds);

    // Keyboard handling of the message loop for every window built from a layout: Tab and
    // Shift+Tab walk the tab chain (also out of the text box), then the dialog keys (Space on a
    // button, arrows in a radio group). Alt+F4 and Escape are taken and do nothing. True when the
    // message was handled. Keys, mouse buttons and the wheel also wake the window's resting carets.
    static bool PreTranslate(MSG& message);

    // While held, focus changes are noted but no activation event runs (see ui/activation.hpp).
    static void HoldActivation(bool held);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Build();
    // Places every control at the current scale with fonts made for it.
    void Place();
    // Lays the window out for `dpi` on `monitor` and moves it to `suggested` (the system's, on a
    // change of resolution) or else to the place the fit gives.
    void ApplyFit(int dpi, HMONITOR monitor, const RECT* suggested);
    WindowFit Fit(int dpi, HMONITOR monitor) const;
    void BuildTabChain();
    void OnDropFiles(HDROP drop);
    void OnCommand(int id, int code);
    void OnActivate(WPARAM wParam, LPARAM lParam);
    void Fire(const std::string& handler, Component& sender);
    HFONT FontOf(int pixels);
    bool MoveFocus(HWND from, bool backwards);
    // A key, a mouse button, the wheel or the window's activation: the carets blink again.
    void NoteInput();

    const WindowLayout& layout_;
    const bool main_;
    const HWND owner_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    ui::Scale scale_;
    std::map<int, HFONT> fonts_;  // by character height at 96 dpi, made at scale_
    std::map<std::string, std::unique_ptr<Component>, std::less<>> components_;
    std::map<std::string, HWND, std::less<>> windows_;
    struct Command {
        std::string handler;
        Component* sender = nullptr;
        int code = 0;  // the notification code that is the event
    };
    std::map<int, Command> commands_;  // by control identifier; timers by theirs
    std::map<std::string, std::unique_ptr<ControlEntry>, std::less<>> entries_;
    std::vector<ControlEntry*> tabChain_;
    HWND lastFocus_ = nullptr;  // the control that had the focus when the window was last left
    EventSink* sink_ = nullptr;
    std::function<void(const std::string&)> errorDisplay_;
    std::function<void(const std::string&)> dropHandler_;
    HDEVNOTIFY deviceNotify_ = nullptr;
    std::function<void()> devicesChanged_;
    std::vector<std::unique_ptr<CaretRest>> caretRests_;  // one a text box
};

}  // namespace zrt::ui::win32
