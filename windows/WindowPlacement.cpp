#include "windows/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace velm {

void centreOnDesktop(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect desktop = screen->availableGeometry();
    const QSize frame = window.frameGeometry().size();
    window.move(desktop.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

}  // namespace velm
