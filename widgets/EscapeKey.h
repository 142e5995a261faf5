#pragma once

#include <QKeyEvent>

namespace velm {

// For the windows that Escape must not close: takes an Escape key press and
// says so, so that keyPressEvent returns before the dialog's own handling.
inline bool swallowEscape(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) return false;
    event->accept();
    return true;
}

}  // namespace velm
