// ActivationRule: the window that had the focus last and its modal owner are the whole state.
#include "ui/activation.hpp"

namespace zrt::ui {

bool ActivationRule::FocusEntered(WindowId window, WindowId modalOwner) {
    if (window == nullptr) {
        return false;
    }
    bool counts = true;
    if (last_ == window) {
        counts = false;  // back from another application
    } else if (lastModalOwner_ == window) {
        counts = false;  // a modal box closed and gave the focus back to its owner
    }
    last_ = window;
    lastModalOwner_ = modalOwner;
    return counts && !held_;
}

void ActivationRule::WindowGone(WindowId window) {
    if (last_ == window) {
        last_ = nullptr;
    }
    if (lastModalOwner_ == window) {
        lastModalOwner_ = nullptr;
    }
}

}  // namespace zrt::ui
