// The Qt backend's reports of focus changes to the activation rule, seen in the main window's
// activations (FormActivate): at its first showing and when the focus comes back from the
// progress window, but not when a modal message box closes nor when the user comes back from
// another application, so edits that were not written stay; and none while a window is painted
// at once.
#include <QCheckBox>
#include <QMessageBox>
#include <QWindow>

#include "behaviour_fixture.hpp"

namespace zrt::ui::test {
namespace {

class Activation : public QtBehaviour {
  protected:
    void SetUp() override {
        platform.AddReader(reader51);
        win.Timer.SetEnabled(false);  // only activations reach the reader here
        Connect();
    }
    int Activations() const {
        return static_cast<int>(
            std::count(events.log.begin(), events.log.end(), "FormActivate:MainWin"));
    }
    static int Loads(const sim::VirtualReader& reader) {
        const std::string wire = Wire(reader);
        return static_cast<int>(std::count(wire.begin(), wire.end(), 'c'));
    }
    // Shows a window and gives it the focus, as the window system does when the user clicks it.
    static void Raise(QWidget& window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QGuiApplication::focusWindow() == window.windowHandle(); }));
    }
};

TEST_F(Activation, TheFirstShowingLoadsTheReader) {
    Raise(mainForm);
    EXPECT_EQ(Activations(), 1);
    EXPECT_EQ(Wire(reader51), "Mc");
    EXPECT_EQ(Focused(), W("RapWin"));
}

// Edits not yet written stay: neither a closing box nor the way back from another program reloads.
TEST_F(Activation, ClosingAMessageBoxOrComingBackFromAnotherApplicationDoesNotReload) {
    Raise(mainForm);
    auto* enter = static_cast<QCheckBox*>(W("EnterChkBx"));
    enter->setChecked(false);

    QMessageBox box(QMessageBox::NoIcon, "ZrT_VivoRaz 1.9", "text", QMessageBox::Ok, &mainForm);
    box.setWindowModality(Qt::ApplicationModal);
    Raise(box);
    box.accept();
    Raise(mainForm);  // the focus goes back to the window that had it before the box
    EXPECT_EQ(Activations(), 1);

    // What the toolkit reports when the user switches to another program and back: the focus
    // window of the application becomes none, then the main window again.
    emit qApp->focusWindowChanged(nullptr);
    emit qApp->focusWindowChanged(mainForm.windowHandle());
    EXPECT_EQ(Activations(), 1);

    EXPECT_EQ(Loads(reader51), 1);
    EXPECT_FALSE(enter->isChecked());
}

TEST_F(Activation, TheFocusComingBackFromTheProgressWindowReloads) {
    Raise(mainForm);
    Raise(workForm);
    EXPECT_EQ(Activations(), 1) << "the progress window has no activation handler";
    workForm.hide();
    Raise(mainForm);
    EXPECT_EQ(Activations(), 2);
    EXPECT_EQ(Loads(reader51), 2);
}

// Painting a window at once takes in the window system's news (a window just shown is mapped
// when it returns) but runs no activation: that waits until the focus next enters the window.
TEST_F(Activation, PaintingAWindowAtOnceMapsItAndRunsNoActivation) {
    Raise(mainForm);
    workForm.show();
    work.Form.Repaint();
    EXPECT_TRUE(workForm.windowHandle()->isExposed());

    Raise(workForm);
    mainForm.activateWindow();  // the focus moves back while a handler is still running
    work.Form.Repaint();
    EXPECT_EQ(QGuiApplication::focusWindow(), mainForm.windowHandle());
    EXPECT_EQ(Activations(), 1);
    EXPECT_EQ(Loads(reader51), 1);
}

}  // namespace
}  // namespace zrt::ui::test
