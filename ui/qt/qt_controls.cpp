// The Qt control adapters and their builders: a builder a kind of control, found in one table by
// the control's kind, creates the widget, fills it from the layout and makes its adapter; what
// every widget gets (name, font, place, state) is given after it. Placing at a scale gives each
// kind its font and geometry again.
#include "ui/qt/qt_controls.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "ui/form_rules.hpp"

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

void WindowControl::Repaint() {
    holdActivation_(true);
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
    holdActivation_(false);
    w_->repaint();
}

namespace {

// Labels, buttons, group boxes and the text box: only the caption differs.
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

// White on red while marked; the window's colours otherwise.
void Mark(QWidget* widget, bool marked) {
    QPalette palette = widget->parentWidget() != nullptr ? widget->parentWidget()->palette()
                                                         : widget->palette();
    if (marked) {
        palette.setColor(QPalette::Window, Qt::red);
        palette.setColor(QPalette::WindowText, Qt::white);
    }
    widget->setPalette(palette);
}

class BannerControl : public WidgetControl<Banner, QLabel> {
  public:
    using WidgetControl::WidgetControl;
    void SetCaption(const std::string& caption) override { w_->setText(Q(caption)); }
    void SetMarked(bool marked) override {
        marked_ = marked;
        Mark(w_, marked);
    }
    bool Marked() const override { return marked_; }

  private:
    bool marked_ = false;
};

// The lines as items that cannot be selected or edited; a marked one white on red.
class LineListControl : public WidgetControl<LineList, QListWidget> {
  public:
    using WidgetControl::WidgetControl;
    void SetCaption(const std::string& /*caption*/) override {}
    void SetLines(const std::vector<ListLine>& lines) override {
        w_->clear();
        for (const ListLine& line : lines) {
            auto* item = new QListWidgetItem(Q(line.text), w_);
            item->setFlags(Qt::ItemIsEnabled);
            if (line.marked) {
                item->setBackground(Qt::red);
                item->setForeground(Qt::white);
            }
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

// Delivers `signal` of `source` to the control's handler as an event of `sender`.
template <class Source, class Signal>
void Bind(const BuildPlace& where, Source* source, Signal signal, Component* sender) {
    BindEvent(source, signal, where.form, where.layout.handler, sender, where.fire);
}

// The builders of the kinds of control, one a kind, found by BuilderOf (ui/form_rules.hpp).
struct Builders {
    // A timer has no widget: the form owns it.
    static BuiltControl Timer(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* timer = new QTimer(where.form);
        timer->setObjectName(Q(c.name));
        timer->setInterval(c.interval);
        BuiltControl built{std::make_unique<TimerControl>(c.name, timer), nullptr};
        // No tick while the timer is off, whatever was on its way when it was stopped.
        if (!c.handler.empty()) {
            Component* sender = built.component.get();
            QObject::connect(timer, &QTimer::timeout, where.form,
                             [timer, sender, handler = c.handler, fire = where.fire] {
                                 if (timer->isActive()) {
                                     fire(handler, *sender);
                                 }
                             });
        }
        if (c.enabled) {
            timer->start();
        }
        return built;
    }

    // A label; one that sizes itself takes the size of each new text.
    static BuiltControl Label(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* label = new QLabel(Q(c.caption), where.parent);
        const bool autoSize = c.autoSize;
        label->setAlignment(c.centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        return {std::make_unique<PlainControl>(c.name, label,
                                               [label, autoSize](const QString& text) {
                                                   label->setText(text);
                                                   if (autoSize && !text.isEmpty()) {
                                                       label->resize(label->sizeHint());
                                                   }
                                               }),
                label};
    }

    static BuiltControl Button(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* button = new QPushButton(Q(c.caption), where.parent);
        button->setAutoDefault(false);
        BuiltControl built{
            std::make_unique<PlainControl>(
                c.name, button, [button](const QString& text) { button->setText(text); }),
            button};
        Bind(where, button, &QAbstractButton::clicked, built.component.get());
        return built;
    }

    static BuiltControl GroupBox(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* box = new QGroupBox(Q(c.caption), where.parent);
        return {std::make_unique<PlainControl>(c.name, box,
                                               [box](const QString& text) { box->setTitle(text); }),
                box};
    }

    // The text box: no scroll bars, lines wrapped, Tab moves the focus on.
    static BuiltControl Memo(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* memo = new QPlainTextEdit(Q(c.caption), where.parent);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        memo->setTabChangesFocus(true);
        return {std::make_unique<PlainControl>(
                    c.name, memo, [memo](const QString& text) { memo->setPlainText(text); }),
                memo};
    }

    static BuiltControl CheckBox(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* box = new QCheckBox(Q(c.caption), where.parent);
        box->setChecked(c.checked);
        BuiltControl built{std::make_unique<CheckBoxControl>(c.name, box), box};
        Bind(where, box, &QAbstractButton::clicked, built.component.get());
        return built;
    }

    // A drop-down list, selection only; its event is an item chosen.
    static BuiltControl ComboBox(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* combo = new QComboBox(where.parent);
        combo->setEditable(false);
        for (const std::string& item : c.items) {
            combo->addItem(Q(item));
        }
        combo->setCurrentIndex(c.itemIndex);
        if (c.itemHeight > 0) {
            combo->setItemDelegate(new FixedHeightItems(c.itemHeight, combo));
        }
        BuiltControl built{std::make_unique<ComboControl>(c.name, combo), combo};
        Bind(where, combo, &QComboBox::activated, built.component.get());
        return built;
    }

    // A group box with a radio button an item (named after the group and the item's index); a click
    // on any item is the group's event.
    static BuiltControl RadioGroup(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* box = new QGroupBox(Q(c.caption), where.parent);
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
        QObject::connect(buttons, &QButtonGroup::buttonToggled, where.form,
                         [list](QAbstractButton*, bool) { list->UpdateTabStops(); });
        Bind(where, buttons, &QButtonGroup::idClicked, list);
        return {std::move(group), box};
    }

    // A label on a background of its own, its text centred and wrapped.
    static BuiltControl Banner(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* label = new QLabel(Q(c.caption), where.parent);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setAutoFillBackground(true);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        return {std::make_unique<BannerControl>(c.name, label), label};
    }

    static BuiltControl List(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* list = new QListWidget(where.parent);
        list->setSelectionMode(QAbstractItemView::NoSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setFocusPolicy(Qt::StrongFocus);
        return {std::make_unique<LineListControl>(c.name, list), list};
    }

    static BuiltControl ProgressBar(const BuildPlace& where) {
        const ControlLayout& c = where.layout;
        auto* bar = new QProgressBar(where.parent);
        bar->setRange(0, c.maximum);
        bar->setValue(0);
        bar->setTextVisible(false);
        return {std::make_unique<ProgressControl>(c.name, bar), bar};
    }
};

}  // namespace

BuiltControl BuildControl(const BuildPlace& where) {
    const ControlLayout& c = where.layout;
    BuiltControl built = BuilderOf<Builders>(c.kind)(where);
    QWidget* widget = built.widget;
    if (widget == nullptr) {
        return built;
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
    return built;
}

void PlaceControl(const ControlLayout& c, QWidget* widget, const Scale& scale) {
    if (c.fontPixels != 0) {
        widget->setFont(SubstituteFont(scale.Of(c.fontPixels)));
    }
    const Bounds b = scale.Of(c.bounds);
    const auto* label = qobject_cast<QLabel*>(widget);
    if (c.autoSize && label != nullptr && !label->text().isEmpty()) {
        widget->setGeometry(b.left, b.top, label->sizeHint().width(), label->sizeHint().height());
    } else {
        widget->setGeometry(b.left, b.top, b.width, b.height);
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (auto* items = dynamic_cast<FixedHeightItems*>(combo->itemDelegate())) {
            items->SetHeight(scale.Of(c.itemHeight));
        }
    }
    if (c.kind == ControlKind::RadioGroup) {
        auto* box = static_cast<QGroupBox*>(widget);
        const auto radios = box->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
        ArrangeRadioButtons(box, std::vector<QRadioButton*>(radios.begin(), radios.end()));
    }
}

}  // namespace zrt::ui::qt
