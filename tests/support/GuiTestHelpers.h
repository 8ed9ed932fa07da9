#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

// Runs `action` on the next modal window of type Window once it is open, from
// inside its event loop. The action must close it.
template <typename Window>
void whenModal(std::function<void(Window *)> action)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto *window = qobject_cast<Window *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(window);
        }
    });
    timer->start();
}
