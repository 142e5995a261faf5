#pragma once

class QWidget;

namespace velm {

// Moves a top-level window to the centre of the desktop it is on.
void centreOnDesktop(QWidget& window);

}  // namespace velm
