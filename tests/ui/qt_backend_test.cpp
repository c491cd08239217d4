// The Qt backend's seams and plumbing: the message box and the question, the window's activation
// event, errors that a handler lets through, the progress window and its bar, the caret's rest.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

#include "tests/ui/window_words.hpp"
#include "ui/qt/qt_caret_rest.hpp"
#include "ui/qt/qt_dialogs.hpp"
#include "ui/work_win.hpp"
#include "ui_fixture.hpp"

namespace zrt::ui::test {
namespace {

// Runs `inspect` on the modal box once it is open (the box's own loop delivers the call).
void WhenModalOpens(std::function<void(QMessageBox*)> inspect) {
    QTimer::singleShot(0, [inspect] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        inspect(box);
    });
}

TEST_F(MainWinTest, MessageBoxIsPlainWithOneOkButton) {
    ShowActive();
    qt::QtDialogs boxes(form);
    bool seen = false;
    WhenModalOpens([&](QMessageBox* box) {
        seen = true;
        EXPECT_EQ(box->text(), "Błąd podczas upgrade.");
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->parentWidget(), &form);
        EXPECT_TRUE(box->isModal());
        box->button(QMessageBox::Ok)->click();
    });
    boxes.ShowMessage("Błąd podczas upgrade.");
    EXPECT_TRUE(seen);
}

TEST_F(MainWinTest, QuestionOffersYesAndNoWithYesTheDefault) {
    ShowActive();
    qt::QtDialogs boxes(form);
    const std::string text = "    Wykonać upgrade oprogramowania czytnika?";
    for (bool yes : {true, false}) {
        WhenModalOpens([&](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), "Upgrade ZR-T51");
            EXPECT_EQ(box->text().toStdString(), text);
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
            EXPECT_EQ(box->button(QMessageBox::Yes)->text(), "Tak");
            EXPECT_EQ(box->button(QMessageBox::No)->text(), "Nie");
            EXPECT_TRUE(box->button(QMessageBox::Yes)->icon().isNull());
            EXPECT_EQ(box->textFormat(), Qt::PlainText);  // leading blanks and any '<' kept
            EXPECT_EQ(box->parentWidget(), &form);
            if (yes) {
                QTest::keyClick(box, Qt::Key_Return);  // Enter takes the default
            } else {
                box->button(QMessageBox::No)->click();
            }
        });
        EXPECT_EQ(boxes.AskYesNo("Upgrade ZR-T51", text), yes);
    }
}

// FormActivate runs when the window first gets the focus and when the focus comes back from
// another non-modal window of the program, not when a modal box closes.
TEST_F(MainWinTest, ActivationRunsOnFirstShowAndAfterAnotherWindowNotAfterABox) {
    auto activations = [this] {
        return std::count(events.log.begin(), events.log.end(), "FormActivate:MainWin");
    };
    ShowActive(true);
    EXPECT_EQ(activations(), 1);

    qt::QtDialogs boxes(form);
    WhenModalOpens([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    boxes.ShowMessage("x");
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(activations(), 1);

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    other.hide();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(activations(), 2);
}

// A click on the write button reaches WrBtnClick (which, with no reader, does nothing more).
TEST_F(MainWinTest, ClickingTheWriteButtonDeliversItsClick) {
    ShowActive();
    Find("WrBtn")->setEnabled(true);
    QTest::mouseClick(Find("WrBtn"), Qt::LeftButton);
    EXPECT_EQ(events.log.back(), "WrBtnClick:WrBtn");
}

class Throwing : public EventSink {
  public:
    void OnEvent(std::string_view, Component&) override { throw std::runtime_error("broken"); }
};

TEST_F(MainWinTest, ErrorsLeftByAHandlerAreShownAndTheWindowGoesOn) {
    Throwing sink;
    std::vector<std::string> shown;
    form.SetEventSink(&sink);
    form.SetErrorDisplay([&](const std::string& message) { shown.push_back(message); });
    QTest::mouseClick(Find("InvChkBx"), Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "broken");
    EXPECT_TRUE(Find<QCheckBox>("InvChkBx")->isChecked());
}

class QtWindowWords : public ::testing::TestWithParam<Language> {};

// What the Qt window shows, read back from its widgets (title, labels, buttons, group titles,
// menus and their commands), is all in the window's language, and it is the catalogue's.
TEST_P(QtWindowWords, AreAllInTheWindowsLanguage) {
    const Language language = GetParam();
    qt::QtForm form{MainWinLayout(language)};
    std::vector<QString> shown = {form.windowTitle()};
    for (const QLabel* label : form.findChildren<QLabel*>()) {
        shown.push_back(label->text());
    }
    for (const QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
        shown.push_back(button->text());
    }
    for (const QGroupBox* group : form.findChildren<QGroupBox*>()) {
        shown.push_back(group->title());
    }
    for (const QMenu* menu : form.findChildren<QMenu*>()) {
        shown.push_back(menu->title());
        for (const QAction* action : menu->actions()) {
            shown.push_back(action->text());
        }
    }
    int own = 0;
    for (const QString& text : shown) {
        const std::string plain =
            QString(text).replace(QStringLiteral("&&"), QStringLiteral("&")).toStdString();
        EXPECT_EQ(Foreign(plain, language), "");
        own += Own(plain, language) ? 1 : 0;
    }
    EXPECT_GE(own, 35) << "the window's texts, read back";
}

INSTANTIATE_TEST_SUITE_P(Languages, QtWindowWords,
                         ::testing::Values(Language::Polish, Language::English));

TEST(QtFormTest, MissingOrMistypedControlsAreProgramFaults) {
    qt::QtForm form(WorkWinLayout());
    EXPECT_THROW(form.Get<Control>("NoSuchControl"), std::logic_error);
    EXPECT_THROW(form.Get<CheckBox>("WorkLbl"), std::logic_error);
}

TEST(WorkWinTest, IsBuiltHiddenAndDrivenThroughItsControls) {
    qt::QtForm form(WorkWinLayout());
    TWorkWin work(form);
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(form.windowTitle(), "ZrT_VivoRaz");
    EXPECT_EQ(form.font().pixelSize(), 11);
    auto* bar = form.findChild<QProgressBar*>("ProgrBar");
    auto* label = form.findChild<QLabel*>("WorkLbl");
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->font().pixelSize(), 13);
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(bar->maximum(), 100);

    work.WorkLbl.SetCaption("Ładowanie nowej wersji oprogramowania");
    EXPECT_EQ(label->text(), "Ładowanie nowej wersji oprogramowania");
    EXPECT_EQ(label->width(), 265);  // no automatic sizing
    work.Form.Show();
    work.ProgrBar.SetMax(180);
    work.ProgrBar.SetPosition(18);
    EXPECT_EQ(bar->maximum(), 180);
    EXPECT_EQ(bar->value(), 18);
    EXPECT_EQ(work.ProgrBar.Position(), 18);
    EXPECT_EQ(form.frameGeometry().size(), QSize(354, 124));
    work.Form.Hide();
    EXPECT_TRUE(form.isHidden());
}

// Counts the paintings of a widget.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int Take() { return std::exchange(count_, 0); }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        count_ += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }

  private:
    int count_ = 0;
};

// No tick while the timer is off, whatever is on its way: a tick queued while it is stopped never
// reaches the handler; one queued while it runs does.
TEST_F(MainWinTest, NoTickRunsWhileTheTimerIsOff) {
    auto* timer = form.findChild<QTimer*>("Timer");
    ASSERT_NE(timer, nullptr);
    ui::Timer& logic = form.Get<ui::Timer>("Timer");
    const auto ticks = [this] {
        return std::count(events.log.begin(), events.log.end(), "TimerTimer:Timer");
    };
    logic.SetEnabled(false);
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout", Qt::QueuedConnection));
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks(), 0);
    logic.SetEnabled(true);
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout", Qt::QueuedConnection));
    QCoreApplication::processEvents();
    logic.SetEnabled(false);
    EXPECT_GE(ticks(), 1);
}

// The caret rests after the quiet spell the program ships with, 10 s, unless told otherwise.
TEST(CaretRestTest, RestsAfterTenSecondsByDefault) {
    EXPECT_EQ(qt::CaretRest().RestAfter(), std::chrono::seconds(10));
}

// The focused box's caret blinks (a painting every 50 ms here) until the quiet spell is over, then
// stands still; a key wakes it, the desktop's blink time coming back with it.
TEST(CaretRestTest, TheCaretStopsBlinkingWhenIdleAndBlinksAgainOnAKey) {
    const int desktopFlashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(100);
    QWidget window;
    auto* box = new QPlainTextEdit(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    PaintCounter paints(box->viewport());
    {
        qt::CaretRest rest(std::chrono::milliseconds(1000));
        QTest::qWait(300);
        EXPECT_FALSE(rest.Resting());
        EXPECT_GE(paints.Take(), 3);
        QTest::qWait(900);  // resting from 1000 ms on
        ASSERT_TRUE(rest.Resting());
        paints.Take();
        QTest::qWait(300);
        EXPECT_EQ(paints.Take(), 0);
        EXPECT_TRUE(box->hasFocus());
        QTest::keyClick(box, Qt::Key_Shift);
        EXPECT_FALSE(rest.Resting());
        EXPECT_EQ(QApplication::cursorFlashTime(), 100);
        QTest::qWait(300);
        EXPECT_GE(paints.Take(), 3);
        QTest::qWait(900);
        EXPECT_TRUE(rest.Resting());  // the countdown started again at the key
    }
    EXPECT_EQ(QApplication::cursorFlashTime(), 100);  // given back when resting at the end
    EXPECT_TRUE(box->textInteractionFlags() & Qt::TextEditable);
    QApplication::setCursorFlashTime(desktopFlashTime);
}

}  // namespace
}  // namespace zrt::ui::test
