#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace velm::test {

// Acts on a window of type T as soon as it is the active modal window (or,
// for non-modal windows, visible as a top-level), the way an operator would
// once it is on screen. Polls every 10 ms until `act` ran once.
template <class T>
void whenShown(std::function<void(T&)> act) {
    auto* timer = new QTimer(qApp);  // owned by the application, deleted after acting
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        T* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window) {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* candidate = qobject_cast<T*>(w); candidate && candidate->isVisible()) {
                    window = candidate;
                    break;
                }
            }
        }
        if (!window || !window->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(*window);
    });
    timer->start();
}

}  // namespace velm::test
