// CaretRest: the text caret of the program's windows blinks while someone works at them and stands
// still, shown, once no key, mouse button or wheel has been used for a while, as desktops do (a
// blinking caret repaints twice a second, which is most of what an idle window costs). The next
// such input, or the focus coming back to a window of the program, makes it blink again.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

namespace zrt::ui::qt {

class CaretRest : public QObject {
  public:
    static constexpr std::chrono::milliseconds REST_AFTER{10'000};

    // Watches the input of the whole application from now on; blinking, with the countdown to the
    // rest running.
    explicit CaretRest(std::chrono::milliseconds restAfter = REST_AFTER);
    ~CaretRest() override;

    bool Resting() const { return resting_; }

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
