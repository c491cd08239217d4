// QtDialogs and QtWaiter.
#include "ui/qt/qt_dialogs.hpp"

#include <QAbstractButton>
#include <QIcon>
#include <QMessageBox>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <thread>

namespace zrt::ui::qt {

namespace {

// Texts arrive as they stand: never read as markup, blanks kept. Buttons carry no icons, like the
// system's own message boxes.
void PrepareBox(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    for (QAbstractButton* button : box.buttons()) {
        button->setIcon(QIcon());
    }
}

}  // namespace

void QtDialogs::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, owner_->windowTitle(), QString::fromStdString(text),
                    QMessageBox::Ok, owner_);
    PrepareBox(box);
    box.exec();
}

bool QtDialogs::AskYesNo(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::Yes);
    // The window speaks Polish; so does its question.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Tak"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Nie"));
    PrepareBox(box);
    return box.exec() == QMessageBox::Yes;
}

void QtWaiter::Wait(int milliseconds, Control* keepPainted) {
    int left = milliseconds;
    while (left > 0) {
        const int step = std::min(left, STEP_MS);
        std::this_thread::sleep_for(std::chrono::milliseconds(step));
        left -= step;
        if (keepPainted != nullptr) {
            keepPainted->Repaint();
        }
    }
}

}  // namespace zrt::ui::qt
