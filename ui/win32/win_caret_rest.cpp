// CaretRest: a text box's caret hidden after a quiet spell and drawn still in its place, and the
// system's blinking caret back on input.
#include "ui/win32/win_caret_rest.hpp"

#include <commctrl.h>

namespace zrt::ui::win32 {
namespace {

constexpr UINT_PTR SUBCLASS_ID = 0x5A52;
constexpr UINT_PTR TIMER_ID = 0x5A52;  // the box's own timer, beside the edit control's

}  // namespace

CaretRest::CaretRest(HWND box) : box_(box) {
    SetWindowSubclass(box_, Proc, SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this));
    if (GetFocus() == box_) {
        Countdown();
    }
}

CaretRest::~CaretRest() {
    if (IsWindow(box_)) {
        KillTimer(box_, TIMER_ID);
        Wake(true);
        RemoveWindowSubclass(box_, Proc, SUBCLASS_ID);
    }
}

void CaretRest::Input() {
    Wake(true);
    if (GetFocus() == box_) {
        Countdown();
    }
}

LRESULT CALLBACK CaretRest::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        KillTimer(hwnd, TIMER_ID);
        RemoveWindowSubclass(hwnd, Proc, SUBCLASS_ID);
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return reinterpret_cast<CaretRest*>(self)->OnMessage(message, wParam, lParam);
}

LRESULT CaretRest::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam != TIMER_ID) {
                break;
            }
            KillTimer(box_, TIMER_ID);
            if (GetFocus() == box_) {
                Rest();
            }
            return 0;
        case WM_SETFOCUS: {
            const LRESULT result = DefSubclassProc(box_, message, wParam, lParam);
            Countdown();  // the box has made its caret
            return result;
        }
        case WM_KILLFOCUS:
            KillTimer(box_, TIMER_ID);
            Wake(false);
            break;
        case WM_PAINT: {
            if (!resting_) {
                break;
            }
            // The still caret's place is painted afresh whole, then the caret drawn over it once.
            InvalidateRect(box_, &caret_, FALSE);
            const LRESULT result = DefSubclassProc(box_, message, wParam, lParam);
            DrawStill();
            return result;
        }
        // What moves the caret or the text under it: the system's caret takes over first.
        case WM_SETTEXT:
        case WM_SETFONT:
        case WM_SIZE:
        case WM_VSCROLL:
        case WM_HSCROLL:
        case EM_SETSEL:
        case EM_REPLACESEL:
        case EM_SCROLL:
        case EM_LINESCROLL:
        case EM_SCROLLCARET:
            Wake(true);
            break;
        default:
            break;
    }
    return DefSubclassProc(box_, message, wParam, lParam);
}

void CaretRest::Countdown() {
    SetTimer(box_, TIMER_ID, restAfter_, nullptr);
}

void CaretRest::Rest() {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (resting_ || !GetGUIThreadInfo(GetCurrentThreadId(), &info) || info.hwndCaret != box_ ||
        IsRectEmpty(&info.rcCaret) || !HideCaret(box_)) {
        return;  // no caret of this box to rest
    }
    resting_ = true;
    caret_ = info.rcCaret;
    DrawStill();
}

void CaretRest::Wake(bool show) {
    if (!resting_) {
        return;
    }
    resting_ = false;
    InvalidateRect(box_, &caret_, TRUE);
    UpdateWindow(box_);
    if (show) {
        ShowCaret(box_);
    }
}

void CaretRest::DrawStill() {
    if (HDC dc = GetDC(box_); dc != nullptr) {
        InvertRect(dc, &caret_);
        ReleaseDC(box_, dc);
    }
}

}  // namespace zrt::ui::win32
