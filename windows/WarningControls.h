#pragma once

#include <QRect>
#include <QString>

#include "widgets/Colors.h"

class QWidget;

namespace velm {

class TGradient;
class TLabel3D;

// The gate and the notice share their look: a gradient background from
// `beginColor` to the button face, and a large raised warning over it.
TGradient* makeWarningBackground(QWidget* window, const QRect& geometry, TColor beginColor);
TLabel3D* makeWarningCaption(QWidget* window, const QRect& geometry, const QString& caption,
                             int fontPixels, TColor fontColor);

}  // namespace velm
