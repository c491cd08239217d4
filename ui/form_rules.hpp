// What every toolkit backend does the same way when it builds a window from its layout and runs
// it: a builder for every kind of control, the tab chain derived from the per-parent tab orders,
// the arrangement of a radio group's items, the delivery of an event to its handler with the
// display of an error that the handler let through, and when a text box's caret stops blinking.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls.hpp"
#include "ui/layout.hpp"

namespace zrt::ui {

// A text box's caret blinks while someone works at the window and, as desktops do, stands still and
// shown once no key, mouse button or wheel has been used for this long (a blinking caret repaints
// twice a second, most of what an idle window costs). The next input makes it blink again.
inline constexpr std::chrono::milliseconds CARET_REST_AFTER{10'000};

// The builder of a control of `kind` among a backend's `Builders`: a static function a kind, named
// as the kind (Label, Button, ..., Timer), all of one signature. Every backend builds every kind: a
// kind added to ControlKind is one that each must build.
template <class Builders>
constexpr auto BuilderOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
            return &Builders::Label;
        case ControlKind::Button:
            return &Builders::Button;
        case ControlKind::GroupBox:
            return &Builders::GroupBox;
        case ControlKind::RadioGroup:
            return &Builders::RadioGroup;
        case ControlKind::CheckBox:
            return &Builders::CheckBox;
        case ControlKind::ComboBox:
            return &Builders::ComboBox;
        case ControlKind::Memo:
            return &Builders::Memo;
        case ControlKind::ProgressBar:
            return &Builders::ProgressBar;
        case ControlKind::Banner:
            return &Builders::Banner;
        case ControlKind::List:
            return &Builders::List;
        case ControlKind::Timer:
            break;
    }
    return &Builders::Timer;
}

// The controls that take the focus by Tab, in the order a dialog walks them: the children of each
// parent by their tab order, depth first from the window. A radio group stands for its items, of
// which only the checked one is a tab stop (any one while none is checked); push buttons, check
// boxes, drop-down lists, text boxes and lists of lines stand for themselves. Children of a control outside the
// tab order are not walked.
std::vector<const ControlLayout*> TabChain(const WindowLayout& window);

// The places of a radio group's `count` items inside the group's client area (`width` by
// `height`), one column evenly spread below the caption line of `textHeight` pixels: each item
// `width` - 10 wide from x 8, the rounding left over split above and below.
std::vector<Bounds> RadioItemBounds(int width, int height, int textHeight, int count);

// Delivers an event to `sink`. An error of the general kind that the handler lets through, or
// anything else it throws, goes as a message to `showError` (its what(), or "Unknown error in "
// and the handler's name), and the window goes on.
void DeliverEvent(EventSink& sink, std::string_view handler, Component& sender,
                  const std::function<void(const std::string&)>& showError);

}  // namespace zrt::ui
