// When a window's activation event (FormActivate) runs, as state that any toolkit backend feeds
// with the focus changes it sees: when the keyboard focus enters a window from no window of the
// program or from another non-modal window of the program. Coming back from another application
// (the program's last focus window is the same) or from a modal box to the window that owns it
// does not count, nor does any focus change while the rule is held (a window being painted at
// once while a handler runs).
#pragma once

namespace zrt::ui {

class ActivationRule {
  public:
    // A window of the program as the backend knows it; none is nullptr.
    using WindowId = const void*;

    // The focus went to `window`, a window of the program; `modalOwner` is the window that owns
    // it when it is a modal box, else none. True when the window's activation event runs now. A
    // backend reports no pop-ups or tool tips, and nothing when the program loses the focus to
    // another application: what had it last stays recorded.
    bool FocusEntered(WindowId window, WindowId modalOwner);
    // The window is gone; its identity may be reused by another window.
    void WindowGone(WindowId window);
    // While held, focus changes are noted but no activation event runs.
    void Hold(bool held) { held_ = held; }
    bool Held() const { return held_; }

  private:
    WindowId last_ = nullptr;            // the window of the program that had the focus last
    WindowId lastModalOwner_ = nullptr;  // its owner when it was a modal box
    bool held_ = false;
};

}  // namespace zrt::ui
