// The fit of a window to its screen, as one table over screens, resolutions and frames: the outer
// rectangle, and the character height of the window's 13-pixel font and the text box's left edge
// and width at the scale found.
#include <gtest/gtest.h>

#include <vector>

#include "ui/layout.hpp"
#include "ui/screen_fit.hpp"

namespace zrt::ui {
namespace {

// The outer rectangle, then the scale of 13 (the window's font), 720 and 425 (RapWin's left edge
// and width at 96 dpi).
using Fit = std::vector<int>;

struct FitCase {
    const char* name;
    const WindowLayout* layout;
    Size frame;  // the layout's own frame is {8, 30}
    int dpi;
    Bounds workArea;
    Fit fit;
};

class ScreenFitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(ScreenFitTest, ScalesByTheResolutionAsFarAsTheWorkAreaHolds) {
    const FitCase& t = GetParam();
    const WindowFit f = FitWindow(*t.layout, {8, 30}, t.frame, t.dpi, t.workArea);
    EXPECT_EQ((Fit{f.outer.left, f.outer.top, f.outer.width, f.outer.height, f.scale.Of(13),
                   f.scale.Of(720), f.scale.Of(425)}),
              t.fit);
}

const WindowLayout* MAIN = &MainWinLayout();  // 1178 x 622
const WindowLayout* WORK = &WorkWinLayout();  // 354 x 124

INSTANTIATE_TEST_SUITE_P(
    Screens, ScreenFitTest,
    ::testing::Values(
        // The resolution's scale where the screen holds it.
        FitCase("Dpi96FullHd", MAIN, {8, 30}, 96, {0, 0, 1920, 1040},
                {371, 209, 1178, 622, 13, 720, 425}),
        FitCase("Dpi60", MAIN, {6, 20}, 60, {0, 0, 1920, 1040}, {591, 325, 737, 390, 8, 450, 266}),
        FitCase("Dpi144WorkWin", WORK, {12, 45}, 144, {0, 0, 1366, 728},
                {417, 271, 531, 186, 20, 1080, 638}),
        // A menu bar makes the frame taller: the client area keeps the layout's size.
        FitCase("Dpi96WithMenu", MAIN, {8, 50}, 96, {0, 0, 1280, 680},
                {51, 19, 1178, 642, 13, 720, 425}),
        // A monitor left of and above the primary one.
        FitCase("SecondMonitor", MAIN, {8, 30}, 96, {1920, -200, 1280, 984},
                {1971, -19, 1178, 622, 13, 720, 425}),
        // Laptop screens: the width or the height of the work area limits the scale.
        FitCase("Dpi120On1366x768", MAIN, {10, 37}, 120, {0, 0, 1366, 728},
                {0, 2, 1366, 723, 15, 834, 493}),
        FitCase("Dpi144On1600x900", MAIN, {12, 45}, 144, {0, 0, 1600, 860},
                {0, 5, 1600, 849, 18, 977, 577}),
        FitCase("Dpi120HeightLimits", MAIN, {10, 37}, 120, {0, 0, 1600, 700},
                {140, 0, 1320, 700, 15, 806, 476}),
        FitCase("Dpi144On1024x600", MAIN, {12, 45}, 144, {0, 0, 1024, 560},
                {0, 1, 1024, 557, 11, 623, 368}),
        // Smaller still: 0.75 of the layout's size, and the window exceeds the work area.
        FitCase("Dpi96On800x600", MAIN, {8, 30}, 96, {0, 0, 800, 560},
                {0, 43, 886, 474, 10, 540, 319}),
        FitCase("Dpi144On800x600", MAIN, {12, 45}, 144, {0, 0, 800, 560},
                {0, 35, 890, 489, 10, 540, 319})),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrt::ui
