// CaretRest: the caret of a text box rests after CARET_REST_AFTER without input to its window
// (ui/form_rules.hpp); the next input, or the focus coming back to the box, makes it blink again.
// Windows keeps one blink time for the whole desktop, so the rest does not touch it: it hides the
// box's system caret and draws the caret in its place, inverted as the system draws it.
#pragma once

#include <windows.h>

#include "ui/form_rules.hpp"

namespace zrt::ui::win32 {

class CaretRest {
  public:
    // Watches `box`, an edit control (subclassing it), for as long as this lives.
    explicit CaretRest(HWND box);
    ~CaretRest();
    CaretRest(const CaretRest&) = delete;
    CaretRest& operator=(const CaretRest&) = delete;

    void SetRestAfter(UINT milliseconds) { restAfter_ = milliseconds; }
    UINT RestAfter() const { return restAfter_; }
    // Input to the box's window: a resting caret blinks again, the countdown starts anew.
    void Input();
    bool Resting() const { return resting_; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR id, DWORD_PTR self);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Countdown();
    void Rest();
    // Back to the system's caret; `show`: shown again (not when the box loses the focus, which
    // takes its caret away).
    void Wake(bool show);
    void DrawStill();

    HWND box_;
    UINT restAfter_ = static_cast<UINT>(CARET_REST_AFTER.count());
    bool resting_ = false;
    RECT caret_{};  // where the still caret is drawn, in the box's client area
};

}  // namespace zrt::ui::win32
