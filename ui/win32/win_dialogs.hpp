// The message-box, file-dialog and waiting seams on Win32: MessageBoxW boxes and the common file
// dialogs owned by the main window, and waits that sleep on the user-interface thread while one
// control goes on being painted.
#pragma once

#include "ui/controls.hpp"
#include "ui/win32/win_form.hpp"

namespace zrt::ui::win32 {

class WinDialogs : public Dialogs {
  public:
    // `owner`: the window that owns the boxes; the plain box's caption is its title.
    explicit WinDialogs(WinForm& owner) : owner_(&owner) {}
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;
    void WarningSound() override;

  private:
    WinForm* owner_;
};

// The system's Open and Save As dialogs (comdlg32).
class WinFileDialogs : public FileDialogs {
  public:
    explicit WinFileDialogs(WinForm& owner) : owner_(&owner) {}
    std::optional<std::string> ChooseFileToOpen(const FileChoice& choice) override;
    std::optional<std::string> ChooseFileToSave(const FileChoice& choice) override;

  private:
    WinForm* owner_;
};

// Sleeps in steps of at most 10 ms, repainting `keepPainted` after each; handles no input.
class WinWaiter : public Waiter {
  public:
    static constexpr int STEP_MS = 10;
    void Wait(int milliseconds, Control* keepPainted) override;
};

}  // namespace zrt::ui::win32
