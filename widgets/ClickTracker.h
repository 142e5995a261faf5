#pragma once

#include <QMouseEvent>
#include <QRect>

namespace velm {

// Turns a left-button press and its release inside the control into a click,
// as the window-less controls report it.
class ClickTracker {
public:
    void press(const QMouseEvent& event) { pressed_ = event.button() == Qt::LeftButton; }
    // True when this release completes a click within `area`.
    bool release(const QMouseEvent& event, const QRect& area) {
        const bool click = pressed_ && event.button() == Qt::LeftButton &&
                           area.contains(event.position().toPoint());
        pressed_ = false;
        return click;
    }

private:
    bool pressed_ = false;
};

}  // namespace velm
