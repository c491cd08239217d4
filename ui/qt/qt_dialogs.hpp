// The message-box, file-dialog and waiting seams on Qt: plain modal boxes and file dialogs owned by
// the main window, and waits that sleep on the user-interface thread while one control goes on
// being painted.
#pragma once

#include "ui/controls.hpp"
#include "ui/layout.hpp"

class QWidget;

namespace zrt::ui::qt {

class QtDialogs : public Dialogs {
  public:
    // `owner`: the window that owns the boxes; their caption is its title. `language`: that of
    // the question's buttons.
    explicit QtDialogs(QWidget& owner, Language language = Language::Polish)
        : owner_(&owner), language_(language) {}
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;
    void WarningSound() override;

  private:
    QWidget* owner_;
    Language language_;
};

// Qt's file dialogs, owned by `owner`.
class QtFileDialogs : public FileDialogs {
  public:
    explicit QtFileDialogs(QWidget& owner) : owner_(&owner) {}
    std::optional<std::string> ChooseFileToOpen(const FileChoice& choice) override;
    std::optional<std::string> ChooseFileToSave(const FileChoice& choice) override;

  private:
    QWidget* owner_;
};

// Sleeps in steps of at most 10 ms, repainting `keepPainted` after each; handles no event.
class QtWaiter : public Waiter {
  public:
    static constexpr int STEP_MS = 10;
    void Wait(int milliseconds, Control* keepPainted) override;
};

}  // namespace zrt::ui::qt
