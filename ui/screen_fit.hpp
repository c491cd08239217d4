// How large a window built from a layout is drawn on the screen it is on, free of any toolkit. The
// layout's pixels are those of 96 dpi; the window is scaled by its screen's resolution, but never
// more than lets the whole window, frame and menu included, lie within the work area of its
// monitor. The fonts follow the same scale. Below MIN_SCALE (0.75 of the layout's size) it does not
// shrink: text would become unreadable, and on a screen smaller still the window may exceed it.
#pragma once

#include "ui/layout.hpp"

namespace zrt::ui {

// A scale as an exact fraction, so that every toolkit rounds a length alike.
struct Scale {
    int numerator = 1;
    int denominator = 1;

    // A 96-dpi length at this scale, rounded to the nearest pixel (halves away from zero).
    int Of(int pixels) const;
    Bounds Of(const Bounds& b) const;
    bool operator<(const Scale& other) const;
    bool operator==(const Scale& other) const;
};

inline constexpr Scale MIN_SCALE = {3, 4};

struct Size {
    int width = 0;
    int height = 0;
};

struct WindowFit {
    Scale scale;
    Bounds outer;  // the window, frame included, in the screen's coordinates
};

// `layoutFrame`: the part of the layout's outer size taken by the frame the layout was drawn with
// (the system's frame of such a window at 96 dpi, no menu); what is left is the client area the
// controls are laid out in. `frame`: the outer size minus the client size of the window as it is
// now (its resolution, its menu). `dpi`: the resolution of the window's screen. The window is
// centred on `workArea`; one larger than the work area keeps its top left corner on it.
WindowFit FitWindow(const WindowLayout& layout, Size layoutFrame, Size frame, int dpi,
                    const Bounds& workArea);

}  // namespace zrt::ui
