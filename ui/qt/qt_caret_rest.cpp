// CaretRest: the caret's blink stops after a quiet spell and starts again on input.
#include "ui/qt/qt_caret_rest.hpp"

#include <QApplication>
#include <QEvent>

namespace zrt::ui::qt {

CaretRest::CaretRest(std::chrono::milliseconds restAfter)
    : flashTime_(QApplication::cursorFlashTime()) {
    countdown_.setSingleShot(true);
    countdown_.setInterval(restAfter);
    connect(&countdown_, &QTimer::timeout, this, [this] { Rest(); });
    countdown_.start();
    qApp->installEventFilter(this);
}

CaretRest::~CaretRest() {
    qApp->removeEventFilter(this);
    if (resting_) {
        QApplication::setCursorFlashTime(flashTime_);
    }
}

bool CaretRest::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
        case QEvent::InputMethod:
        case QEvent::WindowActivate:
            Wake();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void CaretRest::Rest() {
    if (flashTime_ <= 0) {
        return;  // the desktop asks for no blinking at all
    }
    resting_ = true;
    QApplication::setCursorFlashTime(0);  // the text boxes follow it at once, the caret shown
}

void CaretRest::Wake() {
    countdown_.start();
    if (!resting_) {
        return;
    }
    resting_ = false;
    QApplication::setCursorFlashTime(flashTime_);
}

}  // namespace zrt::ui::qt
