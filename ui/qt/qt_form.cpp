// QtForm: builds a window's widgets from its layout, adapts them to the toolkit-free control
// interfaces, sets the tab chain and the radio items where ui/form_rules.hpp puts them, and
// delivers events to named handlers. The application's focus-window changes feed the activation
// rule of ui/activation.hpp (ActivationTracker). On showing, and when it comes onto another
// screen, the window is fitted to the screen's available area by the rule of ui/screen_fit.hpp
// (Qt's own scaling stands for the resolution's) and its widgets and fonts placed at that scale.
#include "ui/qt/qt_form.hpp"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMoveEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "ui/activation.hpp"
#include "ui/form_rules.hpp"
#include "ui/screen_fit.hpp"

namespace zrt::ui::qt {

QFont SubstituteFont(int pixels) {
    // A narrow sans-serif face keeps every caption inside the control it was laid out for at
    // 96 dpi with "MS Sans Serif"; any sans-serif face is the fallback.
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setWeight(QFont::Normal);
    return font;
}

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
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

// Labels, buttons, group boxes, the text box and the window: only the caption differs.
class PlainControl : public WidgetControl<Control, QWidget> {
  public:
    PlainControl(const std::string& name, QWidget* widget,
                 std::function<void(const QString&)> setter)
        : WidgetControl(name, widget), setCaption_(std::move(setter)) {}
    void SetCaption(const std::string& caption) override { setCaption_(Q(caption)); }

  private:
    std::function<void(const QString&)> setCaption_;
};

class CheckBoxControl : public WidgetControl<CheckBox, QCheckBox> {
  public:
    using WidgetControl::WidgetControl;
    void SetCaption(const std::string& caption) override { w_->setText(Q(caption)); }
    bool Checked() const override { return w_->isChecked(); }
    void SetChecked(bool checked) override { w_->setChecked(checked); }
};

class ComboControl : public WidgetControl<ItemList, QComboBox> {
  public:
    using WidgetControl::WidgetControl;
    void SetCaption(const std::string& /*caption*/) override {}
    int ItemIndex() const override { return w_->currentIndex(); }
    void SetItemIndex(int index) override {
        w_->setCurrentIndex(index >= 0 && index < w_->count() ? index : -1);
    }
};

// A radio group: a group box holding one radio button per item. As in a dialog, only the checked
// button is a tab stop; the arrow keys move among the items.
class RadioGroupControl : public WidgetControl<ItemList, QGroupBox> {
  public:
    RadioGroupControl(const std::string& name, QGroupBox* box, QButtonGroup* buttons)
        : WidgetControl(name, box), buttons_(buttons) {}
    void SetCaption(const std::string& caption) override { w_->setTitle(Q(caption)); }
    int ItemIndex() const override { return buttons_->checkedId(); }
    void SetItemIndex(int index) override {
        if (QAbstractButton* button = buttons_->button(index)) {
            button->setChecked(true);
            return;
        }
        buttons_->setExclusive(false);
        for (QAbstractButton* button : buttons_->buttons()) {
            button->setChecked(false);
        }
        buttons_->setExclusive(true);
        UpdateTabStops();
    }
    void SetFocus() override {
        QAbstractButton* checked = buttons_->checkedButton();
        if (checked == nullptr && !buttons_->buttons().isEmpty()) {
            checked = buttons_->buttons().first();
        }
        if (checked != nullptr) {
            checked->setFocus(Qt::OtherFocusReason);
        }
    }
    void UpdateTabStops() {
        for (QAbstractButton* button : buttons_->buttons()) {
            button->setFocusPolicy(button->isChecked() || buttons_->checkedButton() == nullptr
                                       ? Qt::StrongFocus
                                       : Qt::ClickFocus);
        }
    }

  private:
    QButtonGroup* buttons_;
};

// Changes of the maximum or the position are painted at once, outside the message loop too.
class ProgressControl : public WidgetControl<ProgressBar, QProgressBar> {
  public:
    using WidgetControl::WidgetControl;
    void SetCaption(const std::string& /*caption*/) override {}
    void SetMax(int maximum) override {
        w_->setMaximum(maximum);
        PaintNow();
    }
    int Max() const override { return w_->maximum(); }
    void SetPosition(int position) override {
        w_->setValue(position);
        PaintNow();
    }
    int Position() const override { return w_->value(); }

  private:
    void PaintNow() {
        if (w_->isVisible()) {
            w_->repaint();
        }
    }
};

class TimerControl : public Timer {
  public:
    TimerControl(const std::string& name, QTimer* timer) : Timer(name), timer_(timer) {}
    void SetEnabled(bool enabled) override {
        if (enabled) {
            timer_->start();
        } else {
            timer_->stop();
        }
    }
    bool Enabled() const override { return timer_->isActive(); }

  private:
    QTimer* timer_;
};

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

// The window itself. Painting it at once first takes in what the window system has reported
// about windows shown, covered and uncovered (never user input, which waits for the loop), and
// waits a little for a window just shown to be mapped: while a handler keeps the loop from
// running, a window shown by it would otherwise stay blank, and a box it closed would leave its
// image behind. No activation event runs meanwhile.
// Moving the focus to the window makes it the active window, its own focus widget keeping the
// focus.
// Closing it closes the widget (the main window's close ends the program).
class WindowControl : public WidgetControl<TopWindow, QWidget> {
  public:
    using WidgetControl::WidgetControl;
    static constexpr int MAP_WAIT_MS = 500;

    void SetCaption(const std::string& caption) override { w_->setWindowTitle(Q(caption)); }
    void SetFocus() override { w_->activateWindow(); }
    void Close() override { w_->close(); }

    void Repaint() override {
        ActivationTracker::Instance().Hold(true);
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            const QWindow* window = w_->windowHandle();
            if (!w_->isVisible() || (window != nullptr && window->isExposed()) ||
                waited.elapsed() >= MAP_WAIT_MS) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ActivationTracker::Instance().Hold(false);
        w_->repaint();
    }
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

// The items of a drop-down list's list, each as high as the layout gives.
class FixedHeightItems : public QStyledItemDelegate {
  public:
    FixedHeightItems(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    void SetHeight(int height) { height_ = height; }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(height_);
        return size;
    }

  private:
    int height_;
};

// Radio buttons of a group at the places RadioItemBounds gives for the group's font.
void ArrangeRadioButtons(QGroupBox* box, const std::vector<QRadioButton*>& buttons) {
    const std::vector<Bounds> places =
        RadioItemBounds(box->width(), box->height(), QFontMetrics(box->font()).height(),
                        static_cast<int>(buttons.size()));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const Bounds& b = places[i];
        buttons[i]->setGeometry(b.left, b.top, b.width, b.height);
    }
}

}  // namespace

QtForm::QtForm(const WindowLayout& layout, QWidget* parent) : QWidget(parent), layout_(layout) {
    setObjectName(Q(layout_.name));
    setWindowTitle(Q(layout_.caption));
    setFont(SubstituteFont(layout_.fontPixels));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
    // The frame is taken off once it is known; the menu bar adds its height.
    resize(layout_.outerWidth, layout_.outerHeight);

    components_.emplace(layout_.name, std::make_unique<WindowControl>(layout_.name, this));
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
            Bind(action, &QAction::triggered, item.handler, command.get());
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
    for (const ControlLayout& c : layout_.controls) {
        QWidget* parent = c.parent == layout_.name ? client_ : Widget(c.parent);
        if (parent == nullptr) {
            throw std::logic_error("control " + c.name + " comes before its parent " + c.parent);
        }
        const std::string handler = c.handler;
        std::unique_ptr<Component> component;
        QWidget* widget = nullptr;

        switch (c.kind) {
            case ControlKind::Timer: {
                auto* timer = new QTimer(this);
                timer->setObjectName(Q(c.name));
                timer->setInterval(c.interval);
                component = std::make_unique<TimerControl>(c.name, timer);
                Bind(timer, &QTimer::timeout, handler, component.get());
                if (c.enabled) {
                    timer->start();
                }
                components_.emplace(c.name, std::move(component));
                continue;
            }
            case ControlKind::Label: {
                auto* label = new QLabel(Q(c.caption), parent);
                const bool autoSize = c.autoSize;
                label->setAlignment(c.centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
                widget = label;
                component = std::make_unique<PlainControl>(c.name, label,
                                                           [label, autoSize](const QString& text) {
                                                               label->setText(text);
                                                               if (autoSize && !text.isEmpty()) {
                                                                   label->resize(label->sizeHint());
                                                               }
                                                           });
                break;
            }
            case ControlKind::Button: {
                auto* button = new QPushButton(Q(c.caption), parent);
                button->setAutoDefault(false);
                widget = button;
                component = std::make_unique<PlainControl>(
                    c.name, button, [button](const QString& text) { button->setText(text); });
                Bind(button, &QAbstractButton::clicked, handler, component.get());
                break;
            }
            case ControlKind::GroupBox: {
                auto* box = new QGroupBox(Q(c.caption), parent);
                widget = box;
                component = std::make_unique<PlainControl>(
                    c.name, box, [box](const QString& text) { box->setTitle(text); });
                break;
            }
            case ControlKind::Memo: {
                auto* memo = new QPlainTextEdit(Q(c.caption), parent);
                memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
                memo->setTabChangesFocus(true);
                widget = memo;
                component = std::make_unique<PlainControl>(
                    c.name, memo, [memo](const QString& text) { memo->setPlainText(text); });
                break;
            }
            case ControlKind::CheckBox: {
                auto* box = new QCheckBox(Q(c.caption), parent);
                box->setChecked(c.checked);
                widget = box;
                component = std::make_unique<CheckBoxControl>(c.name, box);
                Bind(box, &QAbstractButton::clicked, handler, component.get());
                break;
            }
            case ControlKind::ComboBox: {
                auto* combo = new QComboBox(parent);
                combo->setEditable(false);
                for (const std::string& item : c.items) {
                    combo->addItem(Q(item));
                }
                combo->setCurrentIndex(c.itemIndex);
                if (c.itemHeight > 0) {
                    combo->setItemDelegate(new FixedHeightItems(c.itemHeight, combo));
                }
                widget = combo;
                component = std::make_unique<ComboControl>(c.name, combo);
                Bind(combo, &QComboBox::activated, handler, component.get());
                break;
            }
            case ControlKind::RadioGroup: {
                auto* box = new QGroupBox(Q(c.caption), parent);
                auto* buttons = new QButtonGroup(box);
                std::vector<QRadioButton*> radios;
                for (std::size_t i = 0; i < c.items.size(); ++i) {
                    auto* radio = new QRadioButton(Q(c.items[i]), box);
                    radio->setObjectName(Q(c.name + "_" + std::to_string(i)));
                    buttons->addButton(radio, static_cast<int>(i));
                    radios.push_back(radio);
                }
                box->setGeometry(c.bounds.left, c.bounds.top, c.bounds.width, c.bounds.height);
                ArrangeRadioButtons(box, radios);
                auto group = std::make_unique<RadioGroupControl>(c.name, box, buttons);
                RadioGroupControl* list = group.get();
                list->SetItemIndex(c.itemIndex);
                list->UpdateTabStops();
                connect(buttons, &QButtonGroup::buttonToggled, this,
                        [list](QAbstractButton*, bool) { list->UpdateTabStops(); });
                Bind(buttons, &QButtonGroup::idClicked, handler, list);
                widget = box;
                component = std::move(group);
                break;
            }
            case ControlKind::ProgressBar: {
                auto* bar = new QProgressBar(parent);
                bar->setRange(0, c.maximum);
                bar->setValue(0);
                bar->setTextVisible(false);
                widget = bar;
                component = std::make_unique<ProgressControl>(c.name, bar);
                break;
            }
        }

        widget->setObjectName(Q(c.name));
        if (c.fontPixels != 0) {
            widget->setFont(SubstituteFont(c.fontPixels));
        }
        widget->setGeometry(c.bounds.left, c.bounds.top, c.bounds.width, c.bounds.height);
        if (c.autoSize && !c.caption.empty()) {
            widget->resize(widget->sizeHint());
        }
        widget->setEnabled(c.enabled);
        widget->setVisible(c.visible);
        widgets_.emplace(c.name, widget);
        components_.emplace(c.name, std::move(component));
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
        QWidget* widget = c.kind == ControlKind::Timer ? nullptr : Widget(c.name);
        if (widget == nullptr) {
            continue;
        }
        if (c.fontPixels != 0) {
            widget->setFont(SubstituteFont(scale_.Of(c.fontPixels)));
        }
        const Bounds b = scale_.Of(c.bounds);
        const auto* label = qobject_cast<QLabel*>(widget);
        if (c.autoSize && label != nullptr && !label->text().isEmpty()) {
            widget->setGeometry(b.left, b.top, label->sizeHint().width(),
                                label->sizeHint().height());
        } else {
            widget->setGeometry(b.left, b.top, b.width, b.height);
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (auto* items = dynamic_cast<FixedHeightItems*>(combo->itemDelegate())) {
                items->SetHeight(scale_.Of(c.itemHeight));
            }
        }
        if (c.kind == ControlKind::RadioGroup) {
            auto* box = static_cast<QGroupBox*>(widget);
            const auto radios =
                box->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
            ArrangeRadioButtons(box, std::vector<QRadioButton*>(radios.begin(), radios.end()));
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
