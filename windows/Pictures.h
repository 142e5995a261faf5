#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace velm {

// The pictures of the windows, drawn at start instead of shipped as bitmaps.
QPixmap redArrowPicture();      // 19 x 20: red arrow pointing right ("&Continuar  ")
QPixmap doorPicture();          // 22 x 22: an arrow entering an open door ("&Sair", "&Cont..")
QPixmap doubleTickPicture();    // 18 x 19: blue double tick ("&Atualizar agora")
QPixmap glossyBallPicture(const QColor& light, const QColor& dark);  // 16 x 16, transparent
QIcon applicationIcon();        // 16, 32 and 48 pixels
QPixmap backdropPicture();      // 1100 x 600: light-blue backdrop with a pale emblem

}  // namespace velm
