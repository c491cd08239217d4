// The Qt control adapters: each control of a WindowLayout as a Qt widget, read and set through the
// toolkit-free interfaces of ui/controls.hpp; one small builder a kind of control that creates its
// widget and its adapter (BuildControl), the placing of each kind at a scale (PlaceControl), and
// the adapters of the window itself and of its menu commands. QtForm routes their events.
#pragma once

#include <QAction>
#include <QFont>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "ui/controls.hpp"
#include "ui/layout.hpp"
#include "ui/screen_fit.hpp"

namespace zrt::ui::qt {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The font that stands in for "MS Sans Serif" at a character height in pixels.
QFont SubstituteFont(int pixels);

// Delivers an event of `sender` to the handler named `handler`.
using EventFire = std::function<void(const std::string& handler, Component& sender)>;

// Delivers `signal` of `source` to `fire` as an event of `sender` for `handler` (nothing when the
// handler is empty); the connection lives as long as `receiver`.
template <class Source, class Signal>
void BindEvent(Source* source, Signal signal, QObject* receiver, const std::string& handler,
               Component* sender, const EventFire& fire) {
    if (!handler.empty()) {
        QObject::connect(source, signal, receiver, [=] { fire(handler, *sender); });
    }
}

// Control operations common to every widget. Enabled() and Visible() report the control's own
// flags, as the logic set them, whatever its parents show.
template <class Base, class W>
class WidgetControl : public Base {
  public:
    WidgetControl(const std::string& name, W* widget) : Base(name), w_(widget) {}

    void SetEnabled(bool enabled) override { w_->setEnabled(enabled); }
    bool Enabled() const override { return !w_->testAttribute(Qt::WA_ForceDisabled); }
    void SetVisible(bool visible) override { w_->setVisible(visible); }
    bool Visible() const override { return !w_->isHidden(); }
    void SetFocus() override { w_->setFocus(Qt::OtherFocusReason); }
    void Repaint() override { w_->repaint(); }

  protected:
    W* w_;
};

// The window itself. Painting it at once first takes in what the window system has reported
// about windows shown, covered and uncovered (never user input, which waits for the loop), and
// waits a little for a window just shown to be mapped: while a handler keeps the loop from
// running, a window shown by it would otherwise stay blank, and a box it closed would leave its
// image behind. No activation event runs meanwhile (`holdActivation` holds them).
// Moving the focus to the window makes it the active window, its own focus widget keeping the
// focus.
// Closing it closes the widget (the main window's close ends the program).
class WindowControl : public WidgetControl<TopWindow, QWidget> {
  public:
    static constexpr int MAP_WAIT_MS = 500;

    WindowControl(const std::string& name, QWidget* window, void (*holdActivation)(bool))
        : WidgetControl(name, window), holdActivation_(holdActivation) {}
    void SetCaption(const std::string& caption) override { w_->setWindowTitle(Q(caption)); }
    void SetFocus() override { w_->activateWindow(); }
    void Close() override { w_->close(); }
    void Repaint() override;

  private:
    void (*holdActivation_)(bool);
};

// A command of the menu bar: its action.
class MenuCommandControl : public MenuCommand {
  public:
    MenuCommandControl(const std::string& name, QAction* action)
        : MenuCommand(name), action_(action) {}
    void SetEnabled(bool enabled) override { action_->setEnabled(enabled); }
    bool Enabled() const override { return action_->isEnabled(); }

  private:
    QAction* action_;
};

// Where a control is built: its layout, its parent widget (the form's client area for the
// top-level controls), the form (which owns the timers and receives the signals) and where its
// events go.
struct BuildPlace {
    const ControlLayout& layout;
    QWidget* parent;
    QWidget* form;
    const EventFire& fire;
};

// What a builder made: the adapter and the control's widget (none for a timer).
struct BuiltControl {
    std::unique_ptr<Component> component;
    QWidget* widget = nullptr;
};

// Builds the control at `where` by the builder of its kind, its widget named after the control
// and holding the layout's caption, items, state, font and place (at 96 dpi).
BuiltControl BuildControl(const BuildPlace& where);

// Gives a built control's widget its font and its place and size at `scale`, and what its kind
// places within: a drop-down list's item height, a radio group's buttons, a sizing label's extent.
void PlaceControl(const ControlLayout& layout, QWidget* widget, const Scale& scale);

}  // namespace zrt::ui::qt
