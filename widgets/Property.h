#pragma once

#include <utility>

namespace velm {

// Stores `value` in a widget's property field; true when the value changed,
// so that a setter repaints only then.
template <class T, class U>
bool changeProperty(T& field, U&& value) {
    if (field == value) return false;
    field = std::forward<U>(value);
    return true;
}

// Stores `value` and repaints `widget` whether or not the value changed, for
// the setters that always repaint.
template <class Widget, class T, class U>
void storeAndRepaint(Widget& widget, T& field, U&& value) {
    field = std::forward<U>(value);
    widget.update();
}

}  // namespace velm
