// The tab chain, the radio items' places and the delivery of events with their errors.
#include "ui/form_rules.hpp"

#include <algorithm>
#include <exception>
#include <map>

namespace zrt::ui {

namespace {

bool TakesTab(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::CheckBox ||
           kind == ControlKind::ComboBox || kind == ControlKind::Memo ||
           kind == ControlKind::RadioGroup || kind == ControlKind::List;
}

}  // namespace

std::vector<const ControlLayout*> TabChain(const WindowLayout& window) {
    std::map<std::string, std::vector<const ControlLayout*>, std::less<>> children;
    for (const ControlLayout& c : window.controls) {
        if (c.tabOrder >= 0) {
            children[c.parent].push_back(&c);
        }
    }
    for (auto& [parent, list] : children) {
        std::stable_sort(list.begin(), list.end(),
                         [](const ControlLayout* a, const ControlLayout* b) {
                             return a->tabOrder < b->tabOrder;
                         });
    }
    std::vector<const ControlLayout*> chain;
    std::function<void(const std::string&)> visit = [&](const std::string& parent) {
        auto found = children.find(parent);
        if (found == children.end()) {
            return;
        }
        for (const ControlLayout* c : found->second) {
            if (TakesTab(c->kind)) {
                chain.push_back(c);
            }
            visit(c->name);
        }
    };
    visit(window.name);
    return chain;
}

std::vector<Bounds> RadioItemBounds(int width, int height, int textHeight, int count) {
    std::vector<Bounds> items;
    if (count <= 0) {
        return items;
    }
    const int spare = height - textHeight - 5;
    const int itemHeight = spare / count;
    const int topMargin = textHeight + 1 + (spare % count) / 2;
    for (int i = 0; i < count; ++i) {
        items.push_back({8, topMargin + i * itemHeight, width - 10, itemHeight});
    }
    return items;
}

void DeliverEvent(EventSink& sink, std::string_view handler, Component& sender,
                  const std::function<void(const std::string&)>& showError) {
    std::string message;
    try {
        sink.OnEvent(handler, sender);
        return;
    } catch (const std::exception& error) {
        message = error.what();
    } catch (...) {
        message = "Unknown error in " + std::string(handler);
    }
    showError(message);
}

}  // namespace zrt::ui
