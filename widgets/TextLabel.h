#pragma once

#include <QPoint>
#include <QString>

#include "widgets/Colors.h"

class QFont;
class QLabel;
class QWidget;

namespace velm {

// A transparent text label in its font and colour, sized to its caption from
// its designed top-left corner, as the windows' labels are.
QLabel* makeTextLabel(QWidget* parent, const QString& text, QPoint at, const QFont& font,
                      TColor color = clBlack);

}  // namespace velm
