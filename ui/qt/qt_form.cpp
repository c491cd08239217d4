// QtForm: builds a window's widgets from its layout by the builders of their kinds
// (ui/qt/qt_controls.hpp), sets the tab chain where ui/form_rules.hpp puts it, and delivers
// events to named handlers. The application's focus-window changes feed the activation
// rule of ui/activation.hpp (ActivationTracker). On showing, and when it comes onto another
// screen, the window is fitted to the screen's available area by the rule of ui/screen_fit.hpp
// (Qt's own scaling stands for the resolution's) and its widgets and fonts placed at that scale.
#include "ui/qt/qt_form.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMoveEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>
#include <QWindow>

#include <stdexcept>
#include <utility>
#include <vector>

#include "ui/activation.hpp"
#include "ui/form_rules.hpp"

namespace zrt::ui::qt {

namespace {

// Feeds the application's focus-window changes to the activation rule and delivers the
// activation events it decides to the forms. Pop-ups (drop-down lists) and tool tips are not
// windows here; the application losing the focus is not reported.
class ActivationTracker {
  public:
    static ActivationTracker& Instance() {
        static ActivationTracker tracker;
        return tracker;
    }
    void Register(QtForm* form) {
        forms_.push_back(form);
        if (!connected_) {
            connected_ = true;
            QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp,
                             [](QWindow* window) { Instance().OnFocusWindow(window); });
        }
    }
    void Unregister(QtForm* form) { std::erase(forms_, form); }
    void Hold(bool held) { rule_.Hold(held); }

  private:
    void OnFocusWindow(QWindow* window) {
        if (window == nullptr) {
            return;
        }
        const Qt::WindowType type = window->type();
        if (type == Qt::Popup || type == Qt::ToolTip) {
            return;
        }
        // A window the rule remembers may be gone, and its address taken by a new one.
        for (const auto& [pointer, id] : remembered_) {
            if (pointer.isNull()) {
                rule_.WindowGone(id);
            }
        }
        QWindow* owner = window->modality() != Qt::NonModal ? window->transientParent() : nullptr;
        remembered_ = {{window, window}, {owner, owner}};
        if (!rule_.FocusEntered(window, owner)) {
            return;
        }
        for (QtForm* form : forms_) {
            if (form->windowHandle() == window) {
                form->Activate();
            }
        }
    }

    std::vector<QtForm*> forms_;
    bool connected_ = false;
    ActivationRule rule_;
    std::vector<std::pair<QPointer<QWindow>, ActivationRule::WindowId>> remembered_;
};

// The menu bar's style: Alt alone does not take the focus to the bar. (A reader types Alt and F10
// into the window as keys of its entries.)
class NoKeyboardMenuStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_MenuBar_AltKeyNavigation) {
            return 0;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

QtForm::QtForm(const WindowLayout& layout, QWidget* owner) : QWidget(owner), layout_(layout) {
    if (owner != nullptr) {
        setWindowFlags(Qt::Dialog);
        setWindowModality(Qt::WindowModal);
    }
    setObjectName(Q(layout_.name));
    setWindowTitle(Q(layout_.caption));
    setFont(SubstituteFont(layout_.fontPixels));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
    // The frame is taken off once it is known; the menu bar adds its height.
    resize(layout_.outerWidth, layout_.outerHeight);

    components_.emplace(layout_.name,
                        std::make_unique<WindowControl>(layout_.name, this, [](bool held) {
                            ActivationTracker::Instance().Hold(held);
                        }));
    widgets_.emplace(layout_.name, this);
    BuildMenuBar();
    Build();
    BuildTabChain();
    if (!tabChain_.empty()) {
        tabChain_.front()->setFocus(Qt::OtherFocusReason);
    }
    if (!layout_.activateHandler.empty()) {
        ActivationTracker::Instance().Register(this);
    }
}

QtForm::~QtForm() {
    ActivationTracker::Instance().Unregister(this);
}

// The menu bar on top; below it the client area that holds the top-level controls at their
// layout places. Without menus the window is the client area.
void QtForm::BuildMenuBar() {
    client_ = this;
    if (layout_.menus.empty()) {
        return;
    }
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("MenuBar"));
    menuBar_->setNativeMenuBar(false);  // in the window, above the layout, on every desktop
    auto* style = new NoKeyboardMenuStyle;
    style->setParent(menuBar_);
    menuBar_->setStyle(style);
    for (const MenuLayout& menu : layout_.menus) {
        // An "&" would make a mnemonic: it is doubled to stand for itself.
        QMenu* popup = menuBar_->addMenu(Q(menu.caption).replace('&', QStringLiteral("&&")));
        popup->setObjectName(Q(menu.name));
        for (const MenuItemLayout& item : menu.items) {
            if (item.name.empty()) {
                popup->addSeparator();
                continue;
            }
            QAction* action = popup->addAction(Q(item.caption).replace('&', QStringLiteral("&&")));
            action->setObjectName(Q(item.name));
            action->setEnabled(item.enabled);
            auto command = std::make_unique<MenuCommandControl>(item.name, action);
            BindEvent(action, &QAction::triggered, this, item.handler, command.get(), Events());
            components_.emplace(item.name, std::move(command));
        }
    }
    menuBar_->setGeometry(0, 0, width(), MenuHeight());
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    client_->setGeometry(0, MenuHeight(), width(), height() - MenuHeight());
}

int QtForm::MenuHeight() const {
    return menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0;
}

void QtForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (menuBar_ != nullptr) {
        menuBar_->setGeometry(0, 0, width(), MenuHeight());
        client_->setGeometry(0, MenuHeight(), width(), height() - MenuHeight());
    }
}

void QtForm::SetFileDropHandler(std::function<void(const std::string&)> handler) {
    dropHandler_ = std::move(handler);
    // The form takes every drop: the text box would otherwise take a file's name as text.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setAcceptDrops(false);
    }
    setAcceptDrops(static_cast<bool>(dropHandler_));
}

namespace {
// The one local file a drag carries, or an empty string.
QString DraggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile()) {
        return {};
    }
    return data->urls().front().toLocalFile();
}
}  // namespace

void QtForm::dragEnterEvent(QDragEnterEvent* event) {
    if (dropHandler_ && !DraggedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void QtForm::dropEvent(QDropEvent* event) {
    const QString file = DraggedFile(event->mimeData());
    if (!dropHandler_ || file.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    try {
        dropHandler_(file.toStdString());
    } catch (const std::exception& error) {
        if (errorDisplay_) {
            errorDisplay_(error.what());
        } else {
            QMessageBox::critical(this, windowTitle(), Q(error.what()));
        }
    }
}

void QtForm::Build() {
    const EventFire fire = Events();
    for (const ControlLayout& c : layout_.controls) {
        QWidget* parent = c.parent == layout_.name ? client_ : Widget(c.parent);
        if (parent == nullptr) {
            throw std::logic_error("control " + c.name + " comes before its parent " + c.parent);
        }
        BuiltControl built = BuildControl({c, parent, this, fire});
        if (built.widget != nullptr) {  // a timer has none
            widgets_.emplace(c.name, built.widget);
        }
        components_.emplace(c.name, std::move(built.component));
    }
}

void QtForm::BuildTabChain() {
    for (const ControlLayout* c : ui::TabChain(layout_)) {
        QWidget* widget = Widget(c->name);
        if (c->kind == ControlKind::RadioGroup) {
            for (QRadioButton* radio :
                 widget->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly)) {
                tabChain_.push_back(radio);
            }
        } else {
            tabChain_.push_back(widget);
        }
    }
    for (std::size_t i = 1; i < tabChain_.size(); ++i) {
        QWidget::setTabOrder(tabChain_[i - 1], tabChain_[i]);
    }
}

Component* QtForm::Find(std::string_view name) {
    auto found = components_.find(name);
    return found == components_.end() ? nullptr : found->second.get();
}

QWidget* QtForm::Widget(std::string_view name) const {
    auto found = widgets_.find(name);
    return found == widgets_.end() ? nullptr : found->second;
}

void QtForm::SetErrorDisplay(std::function<void(const std::string&)> display) {
    errorDisplay_ = std::move(display);
}

void QtForm::Activate() {
    if (!layout_.activateHandler.empty()) {
        Fire(layout_.activateHandler, *Find(layout_.name));
    }
}

void QtForm::Fire(const std::string& handler, Component& sender) {
    if (sink_ == nullptr) {
        return;
    }
    DeliverEvent(*sink_, handler, sender, [this](const std::string& message) {
        if (errorDisplay_) {
            errorDisplay_(message);
        } else {
            QMessageBox::critical(this, windowTitle(), Q(message));
        }
    });
}

void QtForm::Place() {
    setFont(SubstituteFont(scale_.Of(layout_.fontPixels)));
    for (const ControlLayout& c : layout_.controls) {
        if (QWidget* widget = c.kind == ControlKind::Timer ? nullptr : Widget(c.name)) {
            PlaceControl(c, widget, scale_);
        }
    }
}

QRect QtForm::FitToScreen(bool always) {
    const QWindow* window = windowHandle();
    const QMargins frame = window != nullptr ? window->frameMargins() : QMargins();
    const QScreen* desktop = screen();
    if (!always && frame == fittedFrame_ && desktop == fittedScreen_) {
        return {};  // the user may have resized the window since
    }
    fittedFrame_ = frame;
    fittedScreen_ = desktop;
    const QRect area = desktop != nullptr ? desktop->availableGeometry()
                                          : QRect(0, 0, layout_.outerWidth, layout_.outerHeight);
    const Size frameSize{frame.left() + frame.right(), frame.top() + frame.bottom()};
    // The menu bar counts as frame: it adds its height to the outer size.
    const Size withMenu{frameSize.width, frameSize.height + MenuHeight()};
    // Qt scales by the screen's resolution itself: its pixels are those of 96 dpi.
    const WindowFit fit = FitWindow(layout_, frameSize, withMenu, 96,
                                    {area.x(), area.y(), area.width(), area.height()});
    if (!(fit.scale == scale_)) {
        scale_ = fit.scale;
        Place();
    }
    const QSize client(fit.outer.width - frameSize.width, fit.outer.height - frameSize.height);
    setMinimumSize(client);  // never so small that a control is cut off
    if (size() != client) {
        resize(client);
    }
    return {fit.outer.left, fit.outer.top, fit.outer.width, fit.outer.height};
}

void QtForm::closeEvent(QCloseEvent* event) {
    if (layout_.closeHandler.empty()) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    Fire(layout_.closeHandler, *Find(layout_.name));
}

void QtForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    const QRect outer = FitToScreen(true);
    if (!event->spontaneous()) {
        move(outer.topLeft());
    }
}

void QtForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // A window manager's frame becomes known only after the window is mapped; another screen
    // may hold less.
    FitToScreen(false);
}

}  // namespace zrt::ui::qt
