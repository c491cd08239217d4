// A window on Qt 6 Widgets built from a WindowLayout: one widget per control (objectName = the
// control's name; the widgets and their adapters in ui/qt/qt_controls.hpp), the substitute font,
// the tab chain of ui/form_rules.hpp, and the delivery of clicks, changes, ticks and the window's
// activation to named handlers.
#pragma once

#include <QMargins>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls.hpp"
#include "ui/layout.hpp"
#include "ui/qt/qt_controls.hpp"
#include "ui/screen_fit.hpp"

class QMenuBar;
class QScreen;

namespace zrt::ui::qt {

class QtForm : public QWidget, public ControlSet {
  public:
    // `owner`: the window this one is a modal dialog over (it takes no input meanwhile, and the
    // focus coming back to it from this one is no activation); none: a window of its own.
    explicit QtForm(const WindowLayout& layout, QWidget* owner = nullptr);
    ~QtForm() override;

    // The window itself under the layout's window name, and every control and the timer by name.
    Component* Find(std::string_view name) override;
    // The widget of a control (the window itself under its own name), or nullptr.
    QWidget* Widget(std::string_view name) const;
    const WindowLayout& Layout() const { return layout_; }
    // The focusable widgets in tab order: children of each parent by their tab order, depth first.
    const std::vector<QWidget*>& TabChain() const { return tabChain_; }

    // Where events go; nullptr drops them.
    void SetEventSink(EventSink* sink) { sink_ = sink; }
    // Shows the message of an error that a handler let through; the loop goes on afterwards.
    // By default a message box with the error's text.
    void SetErrorDisplay(std::function<void(const std::string&)> display);

    // Takes files dropped on the window: one local file's name (UTF-8) goes to `handler`; none
    // (the default) takes no drops.
    void SetFileDropHandler(std::function<void(const std::string&)> handler);
    // The menu bar's height in pixels; 0 without menus.
    int MenuHeight() const;
    QMenuBar* MenuBar() const { return menuBar_; }

    // Delivers the window's activation event (FormActivate) now; the toolkit calls it when the
    // keyboard focus enters the window from no window of the program or from another non-modal one.
    void Activate();

  protected:
    // The user's close: with the layout's close handler the window stays open for the handler to
    // close; without, as Qt does.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildMenuBar();
    void Build();
    void BuildTabChain();
    void Fire(const std::string& handler, Component& sender);
    // Fire() as the builders of the controls and the menu bar bind it to their signals.
    EventFire Events() {
        return [this](const std::string& handler, Component& sender) { Fire(handler, sender); };
    }
    // Fits the window to its screen's available area (ui/screen_fit.hpp): the scale of widgets
    // and fonts, and the client area so that with the frame it makes the fitted outer size.
    // Without `always` only when the frame or the screen differs from the one last fitted to.
    // Gives the fitted outer rectangle (empty when nothing was done).
    QRect FitToScreen(bool always);
    // Places every widget and sets every font at the current scale.
    void Place();

    const WindowLayout& layout_;
    std::map<std::string, std::unique_ptr<Component>, std::less<>> components_;
    std::map<std::string, QWidget*, std::less<>> widgets_;
    std::vector<QWidget*> tabChain_;
    EventSink* sink_ = nullptr;
    std::function<void(const std::string&)> errorDisplay_;
    QMargins fittedFrame_;
    const QScreen* fittedScreen_ = nullptr;
    ui::Scale scale_;
    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;  // parent of the top-level controls: below the menu bar
    std::function<void(const std::string&)> dropHandler_;
};

}  // namespace zrt::ui::qt
