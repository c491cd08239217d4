// The upgrade as the main window shows it after a load, on the plain control set: the question, its
// caption and its text, the upload on the wire with the progress window's label, maximum and
// positions, the closing wait through the waiting seam, the poll timer, the box of a damaged image,
// and what a failed upload leaves for the activation and the tick.
#include "window_fixture.hpp"

namespace zrt::ui::test {
namespace {

using sim::Fault;
using sim::FaultKind;

class WindowUpgrade : public Behaviour {
  protected:
    void SetUp() override {
        ShowActive();
        reader41.info.firmware = IMAGE_VERSION - 1;
        platform.AddReader(reader41);
    }
    ProgressBar& Bar() { return workForm.Get<ProgressBar>("ProgrBar"); }
    std::string Label() { return Caption(workForm, "WorkLbl"); }
    bool WorkWinHidden() { return !work.Form.Visible(); }
    const std::string blocks = std::string(18, 'Y');
};

TEST_F(WindowUpgrade, SameVersionAsksNothingAndNeverStopsTheTimer) {
    reader41.info.firmware = IMAGE_VERSION;
    Activate();
    EXPECT_EQ(Wire(reader41), "Mc");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(win.Timer.Enabled());
    EXPECT_TRUE(WorkWinHidden());
}

TEST_F(WindowUpgrade, NoOrADamagedImageSendsNothingAndTheQuestionComesBackWithEveryLoad) {
    boxes.answer = false;
    Activate();
    Activate();
    EXPECT_EQ(Wire(reader41), "McMc");
    ASSERT_EQ(boxes.boxes.size(), 2u);
    for (const BoxRecorder::Box& box : boxes.boxes) {
        EXPECT_EQ(box.caption, "Upgrade ZR-T41");
        EXPECT_EQ(box.text,
                  "    Czytnik zawiera nieaktualne oprogramowanie.\n"
                  "    Niektóre ustawienia konfiguracji nie będą\n"
                  "    prawidłowow realizowane.\n"
                  "\n"
                  "    Wykonać upgrade oprogramowania czytnika?");
        EXPECT_FALSE(box.timerEnabled) << "no tick while the question is open";
    }
    EXPECT_TRUE(win.Timer.Enabled());
    EXPECT_TRUE(WorkWinHidden());

    // Yes to an image that fails the consistency test: said in a box, the timer still off.
    images.Image(141)[6] = 1;  // the zero word
    boxes.answer = true;
    Activate();
    EXPECT_EQ(Wire(reader41), "McMcMc");
    ASSERT_EQ(boxes.boxes.size(), 4u);
    EXPECT_EQ(boxes.boxes[3].text, "Błąd pliku upgrade.");
    EXPECT_FALSE(boxes.boxes[3].timerEnabled);
    EXPECT_TRUE(win.Timer.Enabled());
    EXPECT_TRUE(WorkWinHidden());
}

// No tick runs during the upload or its closing wait, whatever the toolkit delivers meanwhile.
TEST_F(WindowUpgrade, NoTickRunsDuringTheUpload) {
    waits.during = [this] { Tick(); };
    Activate();
    EXPECT_EQ(Wire(reader41), "McZ" + blocks + "yz");
}

TEST_F(WindowUpgrade, YesUploadsEighteenBlocksWithTheProgressWindowThenWaitsNineSeconds) {
    Activate();
    EXPECT_EQ(Wire(reader41), "McZ" + blocks + "yz");
    EXPECT_TRUE(reader41.UploadState().finished);

    // The closing wait: 90 steps of 100 ms, each keeping the bar painted at the position set
    // before it (18 of 100 for the first, then 11 .. 99), the window shown throughout.
    ASSERT_EQ(waits.steps.size(), 90u);
    for (std::size_t k = 0; k < 90; ++k) {
        EXPECT_EQ(waits.steps[k].milliseconds, 100);
        EXPECT_EQ(waits.steps[k].maximum, 100);
        EXPECT_EQ(waits.steps[k].position, k == 0 ? 18 : static_cast<int>(10 + k));
        EXPECT_TRUE(waits.steps[k].barShown);
    }
    EXPECT_TRUE(WorkWinHidden());
    EXPECT_EQ(workForm.Window().Repaints(), 1) << "painted at once when shown, not again";
    EXPECT_EQ(Label(), "Ładowanie nowej wersji oprogramowania");
    EXPECT_EQ(Bar().Max(), 100);
    EXPECT_EQ(Bar().Position(), 100);
    EXPECT_TRUE(win.Timer.Enabled());
    EXPECT_EQ(mainForm.FocusControl(), C("RapWin"));

    // The next load reads the new version and offers nothing.
    Activate();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(Status(), "Czytnik Zr-T41, Nr: 00007 (soft: 12)");
}

// The progress window holds the focus during the upload and gives it back to the main window,
// whose activation then loads the reader afresh: the new version shows and nothing is offered.
TEST_F(WindowUpgrade, TheFocusComingBackAfterTheUploadReloadsTheReader) {
    Connect();
    Activate();
    EXPECT_EQ(Status(), "Czytnik Zr-T41, Nr: 00007 (soft: 11)");
    EXPECT_EQ(reader41.Log().back().command, 'z') << "no load before the loop runs";
    desktop.RunLoop();
    EXPECT_EQ(reader41.Log().back().command, 'c');
    EXPECT_EQ(Status(), "Czytnik Zr-T41, Nr: 00007 (soft: 12)");
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(desktop.FocusWindow(), &mainForm);
}

TEST_F(WindowUpgrade, TheBarFollowsTheBlocksOnTheWire) {
    // A wait is the only place the test can look during the upload: a refused block 5 stops it
    // with the bar where it stood when block 5 went out.
    reader41.AddFault(Fault(FaultKind::Ack).On('Y').AtBlock(5));
    Activate();
    EXPECT_EQ(Wire(reader41), "McZYYYYYY");
    EXPECT_FALSE(WorkWinHidden()) << "the progress window stays shown";
    EXPECT_EQ(Bar().Max(), 180);
    EXPECT_EQ(Bar().Position(), 5);
    EXPECT_EQ(Label(), "Ładowanie nowej wersji oprogramowania");
    EXPECT_TRUE(waits.steps.empty());

    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "Błąd podczas upgrade.");
    EXPECT_FALSE(boxes.boxes[1].timerEnabled) << "the upload left the timer off";
    EXPECT_TRUE(win.Timer.Enabled()) << "the activation enables it after the box";
    EXPECT_EQ(readers.CurrentReader, &readers.Reader41);
    EXPECT_TRUE(Enabled("WrBtn")) << "the connected presentation came before the upload";
}

TEST_F(WindowUpgrade, AFailedUploadFromTheTickEnablesTheTimerSilently) {
    platform.Unplug(0);
    Activate();
    reader41.AddFault(Fault(FaultKind::Ack).On('y'));
    platform.Plug(0);
    Tick();
    EXPECT_EQ(Wire(reader41), "McZ" + blocks + "y");
    ASSERT_EQ(boxes.boxes.size(), 1u) << "the question only";
    EXPECT_TRUE(win.Timer.Enabled());
    EXPECT_FALSE(WorkWinHidden());
    EXPECT_EQ(Bar().Position(), 18);

    reader41.ClearLog();
    Tick();
    EXPECT_EQ(Wire(reader41), "M") << "the reader stays open and is only checked";
}

}  // namespace
}  // namespace zrt::ui::test
