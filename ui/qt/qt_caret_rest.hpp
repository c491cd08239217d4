// CaretRest: the text caret of the program's windows rests after CARET_REST_AFTER without input
// (ui/form_rules.hpp), through the application's blink time; the next input, or the focus coming
// back to a window of the program, makes it blink again.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

#include "ui/form_rules.hpp"

namespace zrt::ui::qt {

class CaretRest : public QObject {
  public:
    // Watches the input of the whole application from now on; blinking, with the countdown to the
    // rest running.
    explicit CaretRest(std::chrono::milliseconds restAfter = CARET_REST_AFTER);
    ~CaretRest() override;

    bool Resting() const { return resting_; }
    std::chrono::milliseconds RestAfter() const { return countdown_.intervalAsDuration(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Rest();
    void Wake();

    QTimer countdown_;
    int flashTime_;
    bool resting_ = false;
};

}  // namespace zrt::ui::qt
