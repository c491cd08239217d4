// QtDialogs, QtFileDialogs and QtWaiter.
#include "ui/qt/qt_dialogs.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <thread>

#include "texts/texts.hpp"

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
    // The question speaks the window's language, whatever Qt's own translations.
    box.button(QMessageBox::Yes)
        ->setText(QString::fromStdString(texts::Say(language_, texts::Text::YesButton)));
    box.button(QMessageBox::No)
        ->setText(QString::fromStdString(texts::Say(language_, texts::Text::NoButton)));
    PrepareBox(box);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::WarningSound() {
    QApplication::beep();
}

namespace {

std::optional<std::string> RunFileDialog(QWidget* owner, const FileChoice& choice,
                                         QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner, QString::fromStdString(choice.title));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QString::fromStdString(choice.filterName), QString::fromStdString(choice.allFilesName)});
    dialog.setDefaultSuffix(QString::fromStdString(choice.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, choice.appended);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

std::optional<std::string> QtFileDialogs::ChooseFileToOpen(const FileChoice& choice) {
    return RunFileDialog(owner_, choice, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtFileDialogs::ChooseFileToSave(const FileChoice& choice) {
    return RunFileDialog(owner_, choice, QFileDialog::AcceptSave);
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
