#include "app/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace vdn {

void centrer_fenetre(QWidget* window, const QString& caption, int state) {
    window->setWindowTitle(caption);
    const QSize outer = window->frameGeometry().size();
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect s = screen->geometry();
        const double left = (s.width() - outer.width()) / 2.0;
        const double top = (s.height() - outer.height()) / 2.0;
        window->move(s.x() + int(std::floor(left)), s.y() + int(std::floor(top)));
    }
    switch (state) {
    case StateMinimised:
        window->setWindowState(Qt::WindowMinimized);
        break;
    case StateMaximised:
        window->setWindowState(Qt::WindowMaximized);
        break;
    default:
        window->setWindowState(Qt::WindowNoState);
        break;
    }
}

} // namespace vdn
