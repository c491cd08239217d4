// The plain control set: building the controls from the layout, the focus, the activation events
// through the activation rule, and the user's clicks.
#include "plain_form.hpp"

#include <algorithm>
#include <stdexcept>

#include "ui/form_rules.hpp"

namespace zrt::ui::plain {

void PlainWindow::SetFocus() {
    form_.Desktop().MoveFocus(&form_);
}

Component* PlainDesktop::Focused() const {
    return focusWindow_ != nullptr ? focusWindow_->FocusControl() : nullptr;
}

void PlainDesktop::MoveFocus(const void* window, const void* modalOwner) {
    focusWindow_ = nullptr;
    if (window == nullptr) {
        return;  // another application: the program is not told who
    }
    for (PlainForm* form : forms_) {
        if (form == window) {
            focusWindow_ = form;
        }
    }
    if (rule_.FocusEntered(window, modalOwner) && focusWindow_ != nullptr) {
        pending_.push_back(focusWindow_);
    }
}

void PlainDesktop::RunLoop() {
    for (int delivered = 0; !pending_.empty(); ++delivered) {
        if (delivered == 100) {
            throw std::logic_error("activation events without end");
        }
        PlainForm* form = pending_.front();
        pending_.pop_front();
        form->Activate();
    }
}

PlainForm::PlainForm(PlainDesktop& desktop, const WindowLayout& layout)
    : desktop_(desktop), layout_(layout) {
    auto window = std::make_unique<PlainWindow>(layout.name, *this, nullptr);
    window->SetCaption(layout.caption);
    window_ = window.get();
    components_.emplace(layout.name, std::move(window));
    for (const ControlLayout& c : layout.controls) {
        std::unique_ptr<Component> component;
        switch (c.kind) {
            case ControlKind::CheckBox:
                component = std::make_unique<PlainCheckBox>(c.name, *this, &c);
                break;
            case ControlKind::ComboBox:
            case ControlKind::RadioGroup:
                component = std::make_unique<PlainItemList>(c.name, *this, &c);
                break;
            case ControlKind::ProgressBar:
                component = std::make_unique<PlainProgressBar>(c.name, *this, &c);
                break;
            case ControlKind::Banner:
                component = std::make_unique<PlainBanner>(c.name, *this, &c);
                break;
            case ControlKind::List:
                component = std::make_unique<PlainLineList>(c.name, *this, &c);
                break;
            case ControlKind::Timer:
                component = std::make_unique<PlainTimer>(c.name, c.enabled);
                break;
            default:
                component = std::make_unique<PlainControl>(c.name, *this, &c);
                break;
        }
        components_.emplace(c.name, std::move(component));
    }
    for (const MenuLayout& menu : layout.menus) {
        for (const MenuItemLayout& item : menu.items) {
            if (!item.name.empty()) {
                components_.emplace(item.name,
                                    std::make_unique<PlainMenuCommand>(item.name, item.enabled));
            }
        }
    }
    const auto chain = TabChain(layout);
    if (!chain.empty()) {
        focus_ = Find(chain.front()->name);
    }
    desktop_.forms_.push_back(this);
}

PlainForm::~PlainForm() {
    std::erase(desktop_.forms_, this);
    std::erase(desktop_.pending_, this);
    desktop_.rule_.WindowGone(this);
    if (desktop_.focusWindow_ == this) {
        desktop_.focusWindow_ = nullptr;
    }
}

Component* PlainForm::Find(std::string_view name) {
    auto found = components_.find(name);
    return found == components_.end() ? nullptr : found->second.get();
}

void PlainForm::Click(std::string_view name) {
    if (!Clickable(name)) {
        return;
    }
    if (auto* box = dynamic_cast<CheckBox*>(Find(name))) {
        box->SetChecked(!box->Checked());
    }
    Fire(name);
}

void PlainForm::Choose(std::string_view name, int index) {
    if (!Clickable(name)) {
        return;
    }
    Get<ItemList>(name).SetItemIndex(index);
    Fire(name);
}

void PlainForm::ChooseMenu(std::string_view name) {
    auto& command = Get<MenuCommand>(name);
    if (!command.Enabled() || sink_ == nullptr) {
        return;
    }
    for (const MenuLayout& menu : layout_.menus) {
        for (const MenuItemLayout& item : menu.items) {
            if (item.name == name) {
                DeliverEvent(*sink_, item.handler, command, [this](const std::string& message) {
                    desktop_.errors.push_back(message);
                });
            }
        }
    }
}

void PlainForm::Activate() {
    if (!layout_.activateHandler.empty() && sink_ != nullptr) {
        DeliverEvent(*sink_, layout_.activateHandler, *window_,
                     [this](const std::string& message) { desktop_.errors.push_back(message); });
    }
}

void PlainForm::CloseByUser() {
    if (layout_.closeHandler.empty()) {
        window_->SetVisible(false);
    } else if (sink_ != nullptr) {
        DeliverEvent(*sink_, layout_.closeHandler, *window_,
                     [this](const std::string& message) { desktop_.errors.push_back(message); });
    }
}

// A click reaches a control that is enabled and shown with all its parents.
bool PlainForm::Clickable(std::string_view name) {
    for (const ControlLayout* c = layout_.Find(std::string(name)); c != nullptr;
         c = layout_.Find(c->parent)) {
        const auto& control = Get<Control>(c->name);
        if (!control.Enabled() || !control.Visible()) {
            return false;
        }
    }
    return true;
}

// The control clicked takes the focus, then its handler runs.
void PlainForm::Fire(std::string_view name) {
    Component& sender = *Find(name);
    focus_ = &sender;
    const ControlLayout* c = layout_.Find(std::string(name));
    if (sink_ != nullptr && c != nullptr && !c->handler.empty()) {
        DeliverEvent(*sink_, c->handler, sender,
                     [this](const std::string& message) { desktop_.errors.push_back(message); });
    }
}

}  // namespace zrt::ui::plain
