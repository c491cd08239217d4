// What the window logic asks of a windowing toolkit, and nothing more: named components (controls,
// menu commands and the timer), the few control kinds the logic reads and sets, the lookup of a
// window's components by name, the delivery of events to named handlers, and the seams that tests
// replace: message boxes, file dialogs and waiting. A toolkit backend (ui/qt/, ui/win32/)
// implements these.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zrt::ui {

// Anything a window declares by name: its controls, the window itself, its timer.
class Component {
  public:
    explicit Component(std::string name) : name_(std::move(name)) {}
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }

  private:
    std::string name_;
};

// A visible control (or a whole window): labels, buttons, group boxes, the text box.
class Control : public Component {
  public:
    using Component::Component;

    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() const = 0;  // the control's own flag, whatever its parents show
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Moves the keyboard focus to the control.
    virtual void SetFocus() = 0;
    // Caption of a label, button, group box or window (UTF-8). A label sizes itself to its text.
    virtual void SetCaption(const std::string& caption) = 0;
    // Paints the control now, while a handler keeps the message loop from running. For a whole
    // window this first takes in what the window system has reported about windows shown,
    // covered and uncovered, waiting a little for a window just shown to appear, so that the
    // window shows its contents and a box closed meanwhile leaves no image behind. No input is
    // handled and no activation event runs meanwhile (the ActivationRule is held).
    virtual void Repaint() = 0;
};

// A window itself: a control that can also be closed. Closing the main window ends the program.
class TopWindow : public Control {
  public:
    using Control::Control;
    virtual void Close() = 0;
};

// A command of the window's menu bar; its click is an event like a button's.
class MenuCommand : public Component {
  public:
    using Component::Component;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
};

class CheckBox : public Control {
  public:
    using Control::Control;
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool checked) = 0;
};

// A drop-down list or a radio group: one selected item, by index (-1: none).
class ItemList : public Control {
  public:
    using Control::Control;
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int index) = 0;
};

// A progress bar from 0 to its maximum. A change of the maximum or the position shows on the
// screen at once, also while the message loop is not running.
class ProgressBar : public Control {
  public:
    using Control::Control;
    virtual void SetMax(int maximum) = 0;
    virtual int Max() const = 0;
    virtual void SetPosition(int position) = 0;
    virtual int Position() const = 0;
};

// A line of text to be read across a room (in a large font); while marked it stands out, white on
// red.
class Banner : public Control {
  public:
    using Control::Control;
    virtual void SetMarked(bool marked) = 0;
    virtual bool Marked() const = 0;
};

// A line of a LineList; a marked one stands out as a marked banner does.
struct ListLine {
    std::string text;
    bool marked = false;
    friend bool operator==(const ListLine&, const ListLine&) = default;
};

// A read-only list of lines, the first at the top. It takes the focus, and keys typed into it
// change nothing.
class LineList : public Control {
  public:
    using Control::Control;
    virtual void SetLines(const std::vector<ListLine>& lines) = 0;
};

// A timer whose ticks arrive as events of the message loop, at the interval the layout gives.
class Timer : public Component {
  public:
    using Component::Component;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
};

// The components a toolkit built for one window, found by name.
class ControlSet {
  public:
    virtual ~ControlSet() = default;
    // The component of that name, or nullptr.
    virtual Component* Find(std::string_view name) = 0;

    // The component of that name as kind T; a missing name or another kind is a program fault.
    template <class T>
    T& Get(std::string_view name) {
        auto* found = dynamic_cast<T*>(Find(name));
        if (found == nullptr) {
            throw std::logic_error("window has no control " + std::string(name) + " of that kind");
        }
        return *found;
    }
};

// Receives a window's events: `handler` is the handler name that the layout gives the event
// (a click, a change, a tick or the window's activation), `sender` the component it came from.
class EventSink {
  public:
    virtual ~EventSink() = default;
    virtual void OnEvent(std::string_view handler, Component& sender) = 0;
};

// Modal boxes of the application, owned by the main window.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A plain box: the text, one OK button, no icon. Returns when the user has closed it.
    virtual void ShowMessage(const std::string& text) = 0;
    // A question with the buttons Yes and No, Yes the default, no icon. True for Yes.
    virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
    // The system's warning sound (none unless a backend gives it).
    virtual void WarningSound() {}
};

// The system's dialogs that choose a file, modal and owned by the main window. Names are UTF-8.
struct FileChoice {
    std::string title;
    std::string filterName;  // "Pliki ustawień (*.json)"
    std::string pattern;     // "*.json"
    std::string allFilesName;
    std::string defaultExtension;  // added to a name typed without one when saving: "json"
    bool appended = false;  // the file chosen to save is appended to: an existing one is no question
};
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The file the user chose, or none when the dialog was cancelled.
    virtual std::optional<std::string> ChooseFileToOpen(const FileChoice& choice) = 0;
    // The file the user chose to write (an existing one confirmed), or none when cancelled.
    virtual std::optional<std::string> ChooseFileToSave(const FileChoice& choice) = 0;
};

// Blocking waits on the user-interface thread: the wait lasts at least the time asked, and no
// event of any window (input, tick, activation) is handled meanwhile. `keepPainted`, when given,
// is repainted (Repaint) at short intervals throughout, so that it stays painted while covered
// and uncovered and shows every change made before the wait.
class Waiter {
  public:
    virtual ~Waiter() = default;
    virtual void Wait(int milliseconds, Control* keepPainted) = 0;
};

}  // namespace zrt::ui
