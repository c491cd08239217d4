// A control set without any toolkit, for running the window logic in tests: every control of a
// layout as a plain object that records what the logic set (enabled, shown, caption, checked,
// item, bar, banner, lines, timer, repaints), windows that keep their own focus control, and a desktop that
// holds the focus window, feeds its changes to the activation rule and delivers the activation
// events it decides when the test runs the loop (RunLoop). User actions (Click, Choose) change the
// control as the user would and deliver its event at once.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/activation.hpp"
#include "ui/controls.hpp"
#include "ui/layout.hpp"

namespace zrt::ui::plain {

class PlainForm;

// What every plain control records, over the control kind `Base`: moving the focus to it makes it
// its window's focus control.
template <class Base>
class Plain : public Base {
  public:
    Plain(const std::string& name, PlainForm& form, const ControlLayout* layout)
        : Base(name),
          form_(form),
          enabled_(layout == nullptr || layout->enabled),
          visible_(layout != nullptr && layout->visible),
          caption_(layout != nullptr ? layout->caption : "") {}

    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }
    void SetVisible(bool visible) override { visible_ = visible; }
    bool Visible() const override { return visible_; }
    void SetFocus() override;
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    void Repaint() override { ++repaints_; }

    const std::string& Caption() const { return caption_; }
    int Repaints() const { return repaints_; }

  protected:
    PlainForm& form_;

  private:
    bool enabled_;
    bool visible_;
    std::string caption_;
    int repaints_ = 0;
};

// Labels, buttons, group boxes and the text box.
using PlainControl = Plain<Control>;

// The window itself, built hidden: moving the focus to it makes it the focus window, its own
// focus control keeping the focus. Closing it hides it and notes the close.
class PlainWindow : public Plain<TopWindow> {
  public:
    using Plain::Plain;
    void SetFocus() override;
    void Close() override {
        closed = true;
        SetVisible(false);
    }
    bool closed = false;
};

// A command of the menu bar.
class PlainMenuCommand : public MenuCommand {
  public:
    PlainMenuCommand(const std::string& name, bool enabled)
        : MenuCommand(name), enabled_(enabled) {}
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }

  private:
    bool enabled_;
};

class PlainCheckBox : public Plain<CheckBox> {
  public:
    PlainCheckBox(const std::string& name, PlainForm& form, const ControlLayout* layout)
        : Plain(name, form, layout), checked_(layout->checked) {}
    bool Checked() const override { return checked_; }
    void SetChecked(bool checked) override { checked_ = checked; }

  private:
    bool checked_;
};

// A drop-down list or a radio group: an index outside its items selects none.
class PlainItemList : public Plain<ItemList> {
  public:
    PlainItemList(const std::string& name, PlainForm& form, const ControlLayout* layout)
        : Plain(name, form, layout), count_(static_cast<int>(layout->items.size())) {
        SetItemIndex(layout->itemIndex);
    }
    int ItemIndex() const override { return index_; }
    void SetItemIndex(int index) override { index_ = index >= 0 && index < count_ ? index : -1; }

  private:
    int count_;
    int index_ = -1;
};

class PlainProgressBar : public Plain<ProgressBar> {
  public:
    PlainProgressBar(const std::string& name, PlainForm& form, const ControlLayout* layout)
        : Plain(name, form, layout), max_(layout->maximum) {}
    void SetMax(int maximum) override { max_ = maximum; }
    int Max() const override { return max_; }
    void SetPosition(int position) override { position_ = position; }
    int Position() const override { return position_; }

  private:
    int max_;
    int position_ = 0;
};

class PlainBanner : public Plain<Banner> {
  public:
    using Plain::Plain;
    void SetMarked(bool marked) override { marked_ = marked; }
    bool Marked() const override { return marked_; }

  private:
    bool marked_ = false;
};

class PlainLineList : public Plain<LineList> {
  public:
    using Plain::Plain;
    void SetLines(const std::vector<ListLine>& lines) override { lines_ = lines; }
    const std::vector<ListLine>& Lines() const { return lines_; }

  private:
    std::vector<ListLine> lines_;
};

class PlainTimer : public Timer {
  public:
    PlainTimer(const std::string& name, bool enabled) : Timer(name), enabled_(enabled) {}
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }

  private:
    bool enabled_;
};

// The program's windows as the window system sees them: which has the focus, and the activation
// events waiting for the loop.
class PlainDesktop {
  public:
    // The focus control of the focus window; nullptr while no window of the program has it.
    Component* Focused() const;
    PlainForm* FocusWindow() const { return focusWindow_; }
    // The focus goes to `window` (nullptr: another application). `modalOwner`: the window that
    // owns `window` when it is a modal box. A window of the program that is no PlainForm (a box)
    // is any other address.
    void MoveFocus(const void* window, const void* modalOwner = nullptr);
    // Delivers the activation events waiting, and those that they cause, in order.
    void RunLoop();
    // Errors that handlers let through, as the window's error display shows them.
    std::vector<std::string> errors;

  private:
    friend class PlainForm;
    std::vector<PlainForm*> forms_;
    PlainForm* focusWindow_ = nullptr;
    ActivationRule rule_;
    std::deque<PlainForm*> pending_;
};

class PlainForm : public ControlSet {
  public:
    // The window and its controls in their layout states, hidden; its focus control the first of
    // its tab chain.
    PlainForm(PlainDesktop& desktop, const WindowLayout& layout);
    ~PlainForm() override;

    Component* Find(std::string_view name) override;
    // Where events go; nullptr drops them.
    void SetEventSink(EventSink* sink) { sink_ = sink; }
    PlainDesktop& Desktop() { return desktop_; }
    PlainWindow& Window() { return *window_; }
    Component* FocusControl() const { return focus_; }
    void SetFocusControl(Component& control) { focus_ = &control; }

    // What the user does: clicks a push button or a check box (which toggles), or chooses item
    // `index` of a radio group or a drop-down list. The control's handler runs at once; a
    // disabled or hidden control takes no click.
    void Click(std::string_view name);
    void Choose(std::string_view name, int index);
    // Chooses a command of the menu bar; a disabled one does nothing.
    void ChooseMenu(std::string_view name);
    // Delivers the window's activation event now.
    void Activate();
    // The user closes the window with its close button: its close handler runs, or without one
    // the window hides.
    void CloseByUser();

  private:
    bool Clickable(std::string_view name);
    void Fire(std::string_view name);

    PlainDesktop& desktop_;
    const WindowLayout& layout_;
    std::map<std::string, std::unique_ptr<Component>, std::less<>> components_;
    PlainWindow* window_ = nullptr;
    Component* focus_ = nullptr;
    EventSink* sink_ = nullptr;
};

template <class Base>
void Plain<Base>::SetFocus() {
    form_.SetFocusControl(*this);
}

}  // namespace zrt::ui::plain
