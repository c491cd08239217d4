// SearchPace: the poll's searches after a change, after a reader found but not open, again and
// again after a reader met but not opened, and as a safety net.
#include "core/search_pace.hpp"

namespace zrt::core {

link::HidChanges* SearchPace::Changes() {
    if (!asked_) {
        asked_ = true;
        changes_ = platform_->Changes();
    }
    return changes_;
}

bool SearchPace::Due() {
    link::HidChanges* changes = Changes();
    if (changes == nullptr || !searched_ || found_) {
        return true;
    }
    // Taken even when another search is due, so that one change does not cause two searches.
    const bool changed = changes->TakeChanged();
    return changed || now_() - last_ >= (metUnopened_ ? RETRY_INTERVAL : SAFETY_INTERVAL);
}

void SearchPace::BeforeSearch() {
    if (link::HidChanges* changes = Changes(); changes != nullptr) {
        changes->TakeChanged();
    }
}

void SearchPace::AfterSearch(bool found, bool metUnopened) {
    searched_ = true;
    found_ = found;
    metUnopened_ = metUnopened;
    last_ = now_();
}

}  // namespace zrt::core
