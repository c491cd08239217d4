// The main window on the Qt backend: controls built and named from the layout, initial states,
// the rows bound to their controls, the row enabling, the configuration mappings through the real
// controls, the tab order, the focus after clicks, captions that fit, no overlapping siblings.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include "config/key_entry.hpp"
#include "ui_fixture.hpp"

namespace zrt::ui::test {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The layout's widgets that are children of `parent` (timers have no widget).
std::vector<const ControlLayout*> ChildrenOf(const std::string& parent) {
    std::vector<const ControlLayout*> out;
    for (const ControlLayout& c : MainWinLayout().controls) {
        if (c.parent == parent && c.kind != ControlKind::Timer) {
            out.push_back(&c);
        }
    }
    return out;
}

TEST_F(MainWinTest, EveryControlIsOneWidgetNamedAfterItUnderItsParent) {
    for (const ControlLayout& c : MainWinLayout().controls) {
        if (c.kind == ControlKind::Timer) {
            auto* timer = form.findChild<QTimer*>(Q(c.name));
            ASSERT_NE(timer, nullptr) << c.name;
            EXPECT_EQ(timer->interval(), c.interval);
            continue;
        }
        const auto found = form.findChildren<QWidget*>(Q(c.name));
        ASSERT_EQ(found.size(), 1) << c.name;
        const QWidget* parent = found.front()->parentWidget();
        if (c.parent == MainWinLayout().name) {
            // The window's client area, below the menu bar.
            EXPECT_EQ(parent->parentWidget(), &form) << c.name;
            EXPECT_EQ(parent->geometry().topLeft(), QPoint(0, form.MenuHeight())) << c.name;
        } else {
            EXPECT_EQ(parent->objectName(), Q(c.parent)) << c.name;
        }
    }
    EXPECT_EQ(form.objectName(), Q(MainWinLayout().name));
}

// "Plik" and "Pomoc" with their commands, none with a shortcut or mnemonic: Alt and F10 typed by a
// reader into the text box leave the focus there and open no menu; a click opens it.
TEST_F(MainWinTest, MenuBarWorksWithTheMouseOnly) {
    ShowActive();
    QMenuBar* bar = form.MenuBar();
    ASSERT_NE(bar, nullptr);
    QStringList texts;
    for (QAction* menu : bar->actions()) {
        texts << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
            EXPECT_TRUE(item->shortcut().isEmpty()) << item->text().toStdString();
        }
    }
    EXPECT_EQ(texts, QStringList({"Plik", "Wczytaj ustawienia…", "Zapisz ustawienia…",
                                  "Programowanie seryjne…", "-", "Zakończ", "Pomoc",
                                  "Zapisz raport o problemie…",
                                  "O programie"}));
    QWidget* memo = Find("RapWin");
    memo->setFocus();
    for (Qt::Key key : {Qt::Key_Alt, Qt::Key_F10}) {
        QTest::keyClick(memo, key);
        QTest::keyClick(memo, Qt::Key_F, Qt::AltModifier);
        QTest::keyClick(memo, Qt::Key_P, Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_EQ(bar->activeAction(), nullptr);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(Focused(), memo);
    }
    EXPECT_TRUE(events.log.empty());
    bar->actions()[1]->menu()->actions()[1]->trigger();  // as a click on it
    EXPECT_EQ(events.log, std::vector<std::string>{"AboutMnuClick:AboutMnu"});
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

// One local file dropped anywhere on the window goes to the drop handler (the text box does not
// take it as text); several files are not taken.
TEST_F(MainWinTest, OneFileDroppedGoesToTheDropHandler) {
    std::vector<std::string> dropped;
    form.SetFileDropHandler([&](const std::string& path) { dropped.push_back(path); });
    EXPECT_FALSE(Find("RapWin")->acceptDrops());
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile("/tmp/ustawienia ż.json")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    EXPECT_EQ(dropped, std::vector<std::string>{"/tmp/ustawienia ż.json"});

    QMimeData two;
    two.setUrls({QUrl::fromLocalFile("/tmp/a.json"), QUrl::fromLocalFile("/tmp/b.json")});
    QDragEnterEvent enterTwo(QPoint(10, 10), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enterTwo);
    EXPECT_FALSE(enterTwo.isAccepted());
}

TEST_F(MainWinTest, ControlsStartInTheirLayoutStates) {
    for (const ControlLayout& c : MainWinLayout().controls) {
        if (c.kind == ControlKind::Timer) {
            continue;
        }
        QWidget* w = Find(c.name);
        EXPECT_EQ(!w->testAttribute(Qt::WA_ForceDisabled), c.enabled) << c.name;
        EXPECT_EQ(!w->isHidden(), c.visible) << c.name;
        if (auto* box = qobject_cast<QCheckBox*>(w)) {
            EXPECT_EQ(box->isChecked(), c.checked) << c.name;
        }
        if (c.kind == ControlKind::RadioGroup) {
            EXPECT_EQ(form.Get<ItemList>(c.name).ItemIndex(), c.itemIndex) << c.name;
        }
    }
    // What a freshly constructed window shows, as the user sees it.
    for (int row = 0; row < config::ROW_COUNT; ++row) {
        const auto names = KeyRowControlNames(row);
        auto* list = Find<QComboBox>(names[1]);
        EXPECT_EQ(list->currentText(), "*") << "row " << row;
        EXPECT_TRUE(Find<QCheckBox>(names[0])->isChecked());
        for (int item : {0, config::KEY_COUNT - 1}) {
            EXPECT_EQ(list->view()->sizeHintForRow(item), 16) << "item height, row " << row;
        }
    }
    EXPECT_FALSE(Find("WrBtn")->isEnabled());
    EXPECT_FALSE(Find("DecGrp")->isEnabled());
    EXPECT_FALSE(Find("SizeGrp")->isEnabled());
    EXPECT_TRUE(Find("WrProgressBar")->isHidden());
    EXPECT_FALSE(Find("KartTypeGrp")->isHidden());
    EXPECT_TRUE(Find<QCheckBox>("EnterChkBx")->isChecked());
    EXPECT_TRUE(Find<QLabel>("RdLbl")->text().isEmpty());
    auto* timer = form.findChild<QTimer*>("Timer");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 100);
    EXPECT_EQ(Find<QProgressBar>("WrProgressBar")->maximum(), 100);
    EXPECT_EQ(readers.CurrentReader, nullptr);
    EXPECT_TRUE(win.StatusText.empty());
    EXPECT_EQ(readers.Reader41.productId, 65);
    EXPECT_EQ(readers.Reader51.productId, 81);
    EXPECT_EQ(readers.Reader41.handle, link::INVALID_HID_HANDLE);
    EXPECT_EQ(readers.Reader51.handle, link::INVALID_HID_HANDLE);
}

TEST_F(MainWinTest, WindowHasItsCaptionOuterSizeBackgroundAndFonts) {
    ShowActive();
    EXPECT_EQ(form.windowTitle(), "ZrT_VivoRaz 1.9");
    // The menu bar adds its height to the outer size.
    ASSERT_GT(form.MenuHeight(), 0);
    EXPECT_EQ(form.frameGeometry().size(), QSize(1178, 622 + form.MenuHeight()));
    // Centred on the desktop (the platform may shift a window by its frame width).
    const QRect desktop = form.screen()->geometry();
    const QPoint offset = form.frameGeometry().center() - desktop.center();
    EXPECT_LE(std::abs(offset.x()), 2);
    EXPECT_LE(std::abs(offset.y()), 2);
    EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));
    EXPECT_EQ(form.font().pixelSize(), 13);
    EXPECT_EQ(Find("RdLbl")->font().pixelSize(), 19);
    EXPECT_EQ(Find("InvChkBx")->font().pixelSize(), 13);
}

// On a screen that does not hold the window at full size (1066 x 600: 1600 x 900 with
// QT_SCALE_FACTOR=1.5), the window, its controls and its fonts shrink until it lies within the
// screen's available area.
TEST_F(MainWinTest, OnASmallScreenTheWindowShrinksToItsAvailableArea) {
    QScreen* small = nullptr;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == "small") {
            small = screen;
        }
    }
    ASSERT_NE(small, nullptr) << "the test platform has no small screen";
    form.setScreen(small);
    form.move(small->geometry().topLeft());
    ShowActive();
    const QRect area = small->availableGeometry();
    const QRect outer = form.frameGeometry();
    EXPECT_TRUE(area.contains(outer)) << outer.x() << "," << outer.y() << " " << outer.width()
                                      << "x" << outer.height() << " on " << area.width() << "x"
                                      << area.height();
    EXPECT_EQ(form.font().pixelSize(), 12);
    EXPECT_EQ(Find("RdLbl")->font().pixelSize(), 17);
    const QRect memo = Find("RapWin")->geometry();
    EXPECT_LT(memo.width(), 425);
    EXPECT_LE(memo.right(), form.rect().right());
    EXPECT_LE(Find("NrGroup")->geometry().bottom(), form.rect().bottom());
}

// Row n is bound to the controls of its own group: showing a word in it shows in those controls
// and nowhere else, and the word comes back from them.
class RowBindingTest : public MainWinTest, public ::testing::WithParamInterface<int> {};

TEST_P(RowBindingTest, ShowAndGetKeyEntryGoThroughTheRowsOwnControls) {
    const int n = GetParam();
    const std::string s = "S" + std::to_string(n);
    const config::KeyEntry rightShiftB = 0x2005;
    ShowKeyEntry(win.KeyRows[static_cast<std::size_t>(n)], rightShiftB);
    for (int other = 0; other < config::ROW_COUNT; ++other) {
        const std::string o = "S" + std::to_string(other);
        EXPECT_EQ(Find<QCheckBox>(o + "ChkBx_20")->isChecked(), other == n) << o;
        EXPECT_EQ(Find<QComboBox>(o + "Cb")->currentText(), other == n ? "B" : "*") << o;
    }
    EXPECT_TRUE(Find<QCheckBox>(s + "ChkBx")->isChecked());
    EXPECT_EQ(GetKeyEntry(win.KeyRows[static_cast<std::size_t>(n)]), rightShiftB);

    // The user adds left Ctrl and picks F12.
    Find<QCheckBox>(s + "ChkBx_01")->setChecked(true);
    Find<QComboBox>(s + "Cb")->setCurrentIndex(49);
    EXPECT_EQ(GetKeyEntry(win.KeyRows[static_cast<std::size_t>(n)]), 0x2100 | 0x45);

    // Modifiers without a key: not sent, the modifier box still shows.
    ShowKeyEntry(win.KeyRows[static_cast<std::size_t>(n)], 0x0100);
    EXPECT_FALSE(Find<QCheckBox>(s + "ChkBx")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(s + "ChkBx_01")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(s + "ChkBx_20")->isChecked());
    EXPECT_EQ(Find<QComboBox>(s + "Cb")->currentText(), "*");
    EXPECT_EQ(GetKeyEntry(win.KeyRows[static_cast<std::size_t>(n)]), 0);
}

// Clicking a send box greys or enables that row's labels, modifier boxes and key list only; the
// send box itself stays enabled, and the focus goes to RapWin.
TEST_P(RowBindingTest, SendBoxClickEnablesOnlyItsOwnRow) {
    const int n = GetParam();
    ShowActive();
    auto* send = Find<QCheckBox>(KeyRowControlNames(n)[0]);
    for (bool checked : {false, true}) {
        QTest::mouseClick(send, Qt::LeftButton);
        ASSERT_EQ(send->isChecked(), checked);
        EXPECT_EQ(Focused(), Find("RapWin"));
        for (int row = 0; row < config::ROW_COUNT; ++row) {
            for (QWidget* w : Find(KeyRowGroupName(row))->findChildren<QWidget*>()) {
                const bool isSendBox = w->objectName() == Q(KeyRowControlNames(row)[0]);
                const bool expected = isSendBox || row != n || checked;
                EXPECT_EQ(w->isEnabled(), expected) << w->objectName().toStdString();
            }
        }
    }
    EXPECT_EQ(events.log.back(), "S0ChkBxClick:" + KeyRowControlNames(n)[0]);
}

INSTANTIATE_TEST_SUITE_P(Rows, RowBindingTest, ::testing::Range(0, 5));

TEST_F(MainWinTest, EnableKeyControlsLeavesTheSendBoxAlone) {
    auto* send = Find<QCheckBox>("S2ChkBx");
    send->setEnabled(false);
    EnableKeyControls(win.KeyRows[2], true);
    EXPECT_FALSE(send->isEnabled());
    EXPECT_TRUE(Find("S2Cb")->isEnabled());
    send->setEnabled(true);
    EnableKeyControls(win.KeyRows[2], false);
    EXPECT_TRUE(send->isEnabled());
    EXPECT_FALSE(Find("Key2Lbl")->isEnabled());
    EXPECT_FALSE(Find("S2ChkBx_40")->isEnabled());
}

// "Dec (cały numer)", "Według karty", Enter checked, Mifare, S0 sending TAB, S3 sending F1 with
// left Shift, the other rows not sent.
const config::ReaderConfig WORKED = {0xE0, 0x80, 0x04, 0x00, 0x2B, 0x00, 0x01, 0x00,
                                     0x00, 0x00, 0x00, 0x00, 0x3A, 0x02, 0x00, 0x00};

TEST_F(MainWinTest, ShowConfigurationSetsTheRealControls) {
    win.ShowConfiguration(WORKED);
    EXPECT_TRUE(Find<QRadioButton>("DecGrp_1")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("DecGrp_0")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>("SizeGrp_0")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("EnterChkBx")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("InvChkBx")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("MifareChkBx")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("IcodeChkBx")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("S0ChkBx")->isChecked());
    EXPECT_EQ(Find<QComboBox>("S0Cb")->currentText(), "TAB");
    EXPECT_TRUE(Find<QCheckBox>("S3ChkBx")->isChecked());
    EXPECT_EQ(Find<QComboBox>("S3Cb")->currentText(), "F1");
    EXPECT_TRUE(Find<QCheckBox>("S3ChkBx_02")->isChecked());
    for (const char* row : {"S1", "S2", "S4"}) {
        EXPECT_FALSE(Find<QCheckBox>(std::string(row) + "ChkBx")->isChecked()) << row;
    }
    EXPECT_EQ(win.BuildConfiguration(), WORKED);
}

TEST_F(MainWinTest, BuildConfigurationReadsTheRealControls) {
    Find<QRadioButton>("DecGrp_1")->setChecked(true);
    Find<QCheckBox>("MifareChkBx")->setChecked(true);
    Find<QComboBox>("S0Cb")->setCurrentText("TAB");
    Find<QComboBox>("S3Cb")->setCurrentText("F1");
    Find<QCheckBox>("S3ChkBx_02")->setChecked(true);
    for (const char* row : {"S1", "S2", "S4"}) {
        Find<QCheckBox>(std::string(row) + "ChkBx")->setChecked(false);
    }
    Find<QCheckBox>("S1ChkBx_04")->setChecked(true);  // not sent: not written
    EXPECT_EQ(win.BuildConfiguration(), WORKED);

    // Every row unsent from the initial state: Enter at the end and nothing else.
    for (int row = 0; row < config::ROW_COUNT; ++row) {
        Find<QCheckBox>(KeyRowControlNames(row)[0])->setChecked(false);
    }
    Find<QRadioButton>("DecGrp_0")->setChecked(true);
    Find<QCheckBox>("MifareChkBx")->setChecked(false);
    const config::ReaderConfig expected = {0x40, 0x80, 0x04, 0x00};
    EXPECT_EQ(win.BuildConfiguration(), expected);
}

// Tab from RapWin around the whole window: the key-entry groups of BegGrp come in the order
// S1, S2, S0, and GroupBox2 gives S4, EnterChkBx, S3; the round ends back in RapWin.
TEST_F(MainWinTest, TabOrderWalksTheGroupsInDialogOrder) {
    ShowActive();
    auto* rapWin = Find("RapWin");
    EXPECT_EQ(Focused(), rapWin);  // the first control of the tab order
    std::vector<std::string> stops;
    for (int i = 0; i < 200; ++i) {
        QTest::keyClick(Focused(), Qt::Key_Tab);
        if (Focused() == rapWin) {
            break;
        }
        // Where the focus stands: its key-entry group, or the control itself outside them.
        std::string where = Focused()->objectName().toStdString();
        for (int row = 0; row < config::ROW_COUNT; ++row) {
            if (Find(KeyRowGroupName(row))->isAncestorOf(Focused())) {
                where = KeyRowGroupName(row);
            }
        }
        if (stops.empty() || stops.back() != where) {
            stops.push_back(where);
        }
    }
    ASSERT_EQ(Focused(), rapWin) << "the tab round does not come back to RapWin";
    const std::vector<std::string> expected = {
        "InvChkBx",  // NrGroup; the format and size groups are disabled
        "S1Grp",      "S2Grp", "GroupBox1",  "MifareChkBx",
        "IcodeChkBx", "S4Grp", "EnterChkBx", "S3Grp"};
    EXPECT_EQ(stops, expected);
    EXPECT_TRUE(Find<QPlainTextEdit>("RapWin")->toPlainText().isEmpty());
}

TEST_F(MainWinTest, RapWinTakesEnterAsNewLineAndPassesTabOn) {
    ShowActive();
    auto* rapWin = Find<QPlainTextEdit>("RapWin");
    rapWin->setFocus();
    QTest::keyClicks(rapWin, "ab");
    QTest::keyClick(rapWin, Qt::Key_Return);
    QTest::keyClicks(rapWin, "c");
    EXPECT_EQ(rapWin->toPlainText(), "ab\nc");
    QTest::keyClick(rapWin, Qt::Key_Tab);
    EXPECT_NE(Focused(), rapWin);
    EXPECT_EQ(rapWin->toPlainText(), "ab\nc");
    EXPECT_EQ(rapWin->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(rapWin->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(rapWin->lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

// Every check box with a handler sends the focus back to RapWin when clicked; the two without one
// (Mifare, iCode) keep it. The radio groups and the key lists return it too.
TEST_F(MainWinTest, ClicksReturnTheFocusExceptOnTheCardTypeBoxes) {
    ShowActive();
    auto* rapWin = Find("RapWin");
    for (const ControlLayout& c : MainWinLayout().controls) {
        if (c.kind != ControlKind::CheckBox) {
            continue;
        }
        if (c.handler == "S0ChkBxClick") {
            continue;  // the send boxes grey their rows: their own test above
        }
        rapWin->setFocus();
        QTest::mouseClick(Find(c.name), Qt::LeftButton);
        EXPECT_EQ(Focused(), c.handler.empty() ? Find(c.name) : rapWin) << c.name;
        if (!c.handler.empty()) {
            EXPECT_EQ(events.log.back(), c.handler + ":" + c.name);
        }
    }
    Find("DecGrp")->setEnabled(true);
    Find("SizeGrp")->setEnabled(true);
    for (const char* item : {"DecGrp_2", "SizeGrp_3"}) {
        rapWin->setFocus();
        QTest::mouseClick(Find(item), Qt::LeftButton);
        EXPECT_EQ(Focused(), rapWin) << item;
    }
    EXPECT_EQ(form.Get<ItemList>("DecGrp").ItemIndex(), 2);
    EXPECT_EQ(form.Get<ItemList>("SizeGrp").ItemIndex(), 3);
    EXPECT_EQ(events.log.back(), "SizeGrpClick:SizeGrp");

    auto* list = Find<QComboBox>("S4Cb");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentText(), "TAB");
    EXPECT_EQ(Focused(), rapWin);
    EXPECT_EQ(events.log.back(), "S1CbChange:S4Cb");
}

// With the substitute font every caption fits inside its control, in every language, texts
// included that the window shows later (the longest status texts in RdLbl).
TEST_F(MainWinTest, CaptionsFitInsideTheirControls) {
    ShowActive();
    qt::QtForm english{MainWinLayout(Language::English)};
    english.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&english));
    QList<QWidget*> widgets = form.findChildren<QWidget*>();
    widgets.append(english.findChildren<QWidget*>());
    for (QWidget* w : widgets) {
        const std::string name = w->objectName().toStdString();
        const QFontMetrics fm(w->font());
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w) ||
            qobject_cast<QPushButton*>(w)) {
            EXPECT_LE(w->sizeHint().width(), w->width()) << name;
            EXPECT_LE(fm.height(), w->height()) << name;
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_LE(fm.horizontalAdvance(label->text()), label->width()) << name;
            EXPECT_LE(fm.height(), label->height()) << name;
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                               QStyle::SC_GroupBoxLabel, group);
            EXPECT_LE(group->minimumSizeHint().width(), group->width()) << name;
            EXPECT_TRUE(group->rect().contains(title)) << name;
        } else if (auto* list = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                              QStyle::SC_ComboBoxEditField, list);
            for (int i = 0; i < list->count(); ++i) {
                EXPECT_LE(fm.horizontalAdvance(list->itemText(i)), field.width()) << name;
            }
        }
    }
}

// No two controls of one parent overlap, also once the status label shows its longest texts.
TEST_F(MainWinTest, SiblingControlsDoNotOverlap) {
    auto check = [this] {
        std::vector<std::string> parents = {MainWinLayout().name};
        for (const ControlLayout& c : MainWinLayout().controls) {
            parents.push_back(c.name);
        }
        for (const std::string& parent : parents) {
            const auto children = ChildrenOf(parent);
            for (std::size_t i = 0; i < children.size(); ++i) {
                for (std::size_t j = i + 1; j < children.size(); ++j) {
                    const QRect a = Find(children[i]->name)->geometry();
                    const QRect b = Find(children[j]->name)->geometry();
                    EXPECT_FALSE(a.intersects(b))
                        << children[i]->name << " overlaps " << children[j]->name;
                }
            }
        }
    };
    check();
    for (const char* status :
         {"Czytnik Zr-T99, Nr: 65535 (soft: 65535)", "       Czytnik nie podłączony"}) {
        win.RdLbl.SetCaption(status);
        EXPECT_EQ(Find<QLabel>("RdLbl")->text().toStdString(), status);
        check();
    }
}

TEST_F(MainWinTest, RadioGroupsHoldTheirItemsInOneColumn) {
    for (const char* name : {"DecGrp", "SizeGrp"}) {
        const ControlLayout* c = MainWinLayout().Find(name);
        int lastBottom = 0;
        for (std::size_t i = 0; i < c->items.size(); ++i) {
            auto* radio = Find<QRadioButton>(c->name + "_" + std::to_string(i));
            ASSERT_NE(radio, nullptr);
            EXPECT_EQ(radio->text(), Q(c->items[i]));
            EXPECT_EQ(radio->x(), Find<QRadioButton>(c->name + "_0")->x());
            EXPECT_GE(radio->y(), lastBottom);
            lastBottom = radio->geometry().bottom();
        }
        EXPECT_LE(lastBottom, Find(name)->height());
    }
}

}  // namespace
}  // namespace zrt::ui::test
