// The fit of a window to its screen: the resolution's scale, lowered to what the work area holds,
// but not below MIN_SCALE (unless the resolution's own scale is lower).
#include "ui/screen_fit.hpp"

#include <algorithm>
#include <cstdint>

namespace zrt::ui {

int Scale::Of(int pixels) const {
    const std::int64_t product = static_cast<std::int64_t>(pixels) * numerator;
    const std::int64_t half = denominator / 2;
    const std::int64_t rounded =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(rounded);
}

Bounds Scale::Of(const Bounds& b) const {
    return {Of(b.left), Of(b.top), Of(b.width), Of(b.height)};
}

bool Scale::operator<(const Scale& other) const {
    return static_cast<std::int64_t>(numerator) * other.denominator <
           static_cast<std::int64_t>(other.numerator) * denominator;
}

bool Scale::operator==(const Scale& other) const {
    return !(*this < other) && !(other < *this);
}

WindowFit FitWindow(const WindowLayout& layout, Size layoutFrame, Size frame, int dpi,
                    const Bounds& workArea) {
    const Size client{std::max(1, layout.outerWidth - layoutFrame.width),
                      std::max(1, layout.outerHeight - layoutFrame.height)};
    const Scale byDpi{dpi > 0 ? dpi : 96, 96};
    const Scale byWidth{std::max(0, workArea.width - frame.width), client.width};
    const Scale byHeight{std::max(0, workArea.height - frame.height), client.height};
    Scale scale = std::min({byDpi, byWidth, byHeight});
    if (scale < MIN_SCALE) {
        scale = std::min(byDpi, MIN_SCALE);
    }
    WindowFit fit;
    fit.scale = scale;
    fit.outer.width = scale.Of(client.width) + frame.width;
    fit.outer.height = scale.Of(client.height) + frame.height;
    fit.outer.left = std::max(workArea.left, workArea.left + (workArea.width - fit.outer.width) / 2);
    fit.outer.top = std::max(workArea.top, workArea.top + (workArea.height - fit.outer.height) / 2);
    return fit;
}

}  // namespace zrt::ui
