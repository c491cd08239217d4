// The fit of a window to its screen, as one table over screens, resolutions and frames: the outer
// rectangle, and the character height of the window's 13-pixel font and the text box's left edge
// and width at the scale found.
#include <gtest/gtest.h>

#include "ui/layout.hpp"
#include "ui/screen_fit.hpp"

namespace zrt::ui {
namespace {

struct FitCase {
    const char* name;
    const WindowLayout* layout;
    Size layoutFrame;
    Size frame;
    int dpi;
    Bounds workArea;
    Bounds outer;
    int font13;       // the window's 13-pixel font
    int memoLeft;     // RapWin's left edge, 720 at 96 dpi
    int memoWidth;    // RapWin's width, 425 at 96 dpi
};

class ScreenFitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(ScreenFitTest, ScalesByTheResolutionAsFarAsTheWorkAreaHolds) {
    const FitCase& t = GetParam();
    const WindowFit fit = FitWindow(*t.layout, t.layoutFrame, t.frame, t.dpi, t.workArea);
    EXPECT_EQ(fit.outer.left, t.outer.left);
    EXPECT_EQ(fit.outer.top, t.outer.top);
    EXPECT_EQ(fit.outer.width, t.outer.width);
    EXPECT_EQ(fit.outer.height, t.outer.height);
    EXPECT_EQ(fit.scale.Of(13), t.font13);
    EXPECT_EQ(fit.scale.Of(720), t.memoLeft);
    EXPECT_EQ(fit.scale.Of(425), t.memoWidth);
}

const WindowLayout* MAIN = &MainWinLayout();  // 1178 x 622
const WindowLayout* WORK = &WorkWinLayout();  // 354 x 124

INSTANTIATE_TEST_SUITE_P(
    Screens, ScreenFitTest,
    ::testing::Values(
        // The resolution's scale where the screen holds it.
        FitCase{"Dpi96FullHd", MAIN, {8, 30}, {8, 30}, 96, {0, 0, 1920, 1040},
                {371, 209, 1178, 622}, 13, 720, 425},
        FitCase{"Dpi60", MAIN, {8, 30}, {6, 20}, 60, {0, 0, 1920, 1040},
                {591, 325, 737, 390}, 8, 450, 266},
        FitCase{"Dpi144WorkWin", WORK, {8, 30}, {12, 45}, 144, {0, 0, 1366, 728},
                {417, 271, 531, 186}, 20, 1080, 638},
        // A menu bar makes the frame taller: the client area keeps the layout's size.
        FitCase{"Dpi96WithMenu", MAIN, {8, 30}, {8, 50}, 96, {0, 0, 1280, 680},
                {51, 19, 1178, 642}, 13, 720, 425},
        // A monitor left of and above the primary one.
        FitCase{"SecondMonitor", MAIN, {8, 30}, {8, 30}, 96, {1920, -200, 1280, 984},
                {1971, -19, 1178, 622}, 13, 720, 425},
        // Laptop screens: the width or the height of the work area limits the scale.
        FitCase{"Dpi120On1366x768", MAIN, {8, 30}, {10, 37}, 120, {0, 0, 1366, 728},
                {0, 2, 1366, 723}, 15, 834, 493},
        FitCase{"Dpi144On1600x900", MAIN, {8, 30}, {12, 45}, 144, {0, 0, 1600, 860},
                {0, 5, 1600, 849}, 18, 977, 577},
        FitCase{"Dpi120HeightLimits", MAIN, {8, 30}, {10, 37}, 120, {0, 0, 1600, 700},
                {140, 0, 1320, 700}, 15, 806, 476},
        FitCase{"Dpi144On1024x600", MAIN, {8, 30}, {12, 45}, 144, {0, 0, 1024, 560},
                {0, 1, 1024, 557}, 11, 623, 368},
        // Smaller still: 0.75 of the layout's size, and the window exceeds the work area.
        FitCase{"Dpi96On800x600", MAIN, {8, 30}, {8, 30}, 96, {0, 0, 800, 560},
                {0, 43, 886, 474}, 10, 540, 319},
        FitCase{"Dpi144On800x600", MAIN, {8, 30}, {12, 45}, 144, {0, 0, 800, 560},
                {0, 35, 890, 489}, 10, 540, 319}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zrt::ui
