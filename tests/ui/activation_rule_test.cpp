// The activation rule on its own, fed with sequences of focus changes, and the main window's
// activations on the plain control set: loads at the first showing and after the progress window,
// none when a box closes or the user comes back from another application.
#include <algorithm>
#include <vector>

#include "ui/activation.hpp"
#include "window_fixture.hpp"

namespace zrt::ui::test {
namespace {

// One step of a sequence: the focus enters `window` (owned by `owner` when a modal box), or, with
// `op` 'g', the window is gone, or with 'h' / 'r' the rule is held / released.
struct Step {
    char op;
    char window;
    char owner;
    bool activates;
};

struct Sequence {
    const char* name;
    std::vector<Step> steps;
};

class Rule : public ::testing::TestWithParam<Sequence> {};

TEST_P(Rule, ActivatesExactlyWhereExpected) {
    // Windows: 'M' the main window, 'W' the progress window, 'B' a modal box; '-' none.
    const char windows[] = {'M', 'W', 'B'};
    auto id = [&](char name) -> ActivationRule::WindowId {
        const char* found = std::find(std::begin(windows), std::end(windows), name);
        return found == std::end(windows) ? nullptr : found;
    };
    ActivationRule rule;
    int index = 0;
    for (const Step& step : GetParam().steps) {
        switch (step.op) {
            case 'g':
                rule.WindowGone(id(step.window));
                break;
            case 'h':
                rule.Hold(true);
                break;
            case 'r':
                rule.Hold(false);
                break;
            default:
                EXPECT_EQ(rule.FocusEntered(id(step.window), id(step.owner)), step.activates)
                    << "step " << index;
        }
        ++index;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Focus, Rule,
    ::testing::Values(
        Sequence{"FirstShowing", {{'f', 'M', '-', true}}},
        Sequence{"BackFromAnotherApplication", {{'f', 'M', '-', true}, {'f', 'M', '-', false}}},
        Sequence{"ModalBoxClosed",
                 {{'f', 'M', '-', true}, {'f', 'B', 'M', true}, {'f', 'M', '-', false}}},
        Sequence{"BackFromTheProgressWindow",
                 {{'f', 'M', '-', true}, {'f', 'W', '-', true}, {'f', 'M', '-', true}}},
        Sequence{"BoxOfTheProgressWindowThenTheMainWindow",
                 {{'f', 'W', '-', true}, {'f', 'B', 'W', true}, {'f', 'M', '-', true}}},
        Sequence{"NothingWhileHeldAndTheChangeIsNoted",
                 {{'f', 'M', '-', true},
                  {'f', 'W', '-', true},
                  {'h', '-', '-', false},
                  {'f', 'M', '-', false},
                  {'r', '-', '-', false},
                  {'f', 'M', '-', false},
                  {'f', 'W', '-', true}}},
        Sequence{"AWindowGoneIsNewAgain",
                 {{'f', 'M', '-', true}, {'g', 'M', '-', false}, {'f', 'M', '-', true}}},
        Sequence{"NoWindowIsNoChange",
                 {{'f', 'M', '-', true}, {'f', '-', '-', false}, {'f', 'M', '-', false}}}),
    [](const ::testing::TestParamInfo<Sequence>& info) { return std::string(info.param.name); });

class WindowActivation : public Behaviour {
  protected:
    void SetUp() override {
        platform.AddReader(reader51);
        win.Timer.SetEnabled(false);  // only activations reach the reader here
        Connect();
    }
    int Loads() const {
        const std::string wire = Wire(reader51);
        return static_cast<int>(std::count(wire.begin(), wire.end(), 'c'));
    }
};

TEST_F(WindowActivation, LoadsAtTheFirstShowingAndAfterTheProgressWindowOnly) {
    ShowActive();
    EXPECT_EQ(Wire(reader51), "Mc");
    EXPECT_EQ(Focused(), C("RapWin"));
    Box("EnterChkBx").SetChecked(false);

    const int box = 0;  // a modal box of the main window
    desktop.MoveFocus(&box, &mainForm);
    desktop.MoveFocus(&mainForm);
    desktop.MoveFocus(nullptr);  // another application
    desktop.MoveFocus(&mainForm);
    desktop.RunLoop();
    EXPECT_EQ(Loads(), 1);
    EXPECT_FALSE(Checked("EnterChkBx")) << "edits not written stay";

    work.Form.SetFocus();
    mainForm.Window().SetFocus();
    desktop.RunLoop();
    EXPECT_EQ(Loads(), 2);
    EXPECT_TRUE(desktop.errors.empty());
}

}  // namespace
}  // namespace zrt::ui::test
