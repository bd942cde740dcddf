#include "app/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <optional>

namespace vdn {

namespace {

FrameMarginsSource& marginsSource() {
    static FrameMarginsSource source;
    return source;
}

// The frame the window manager puts around the window: known once the
// window is on screen and framed, empty before.
QMargins frameMarginsOf(const QWidget* window) {
    if (marginsSource())
        return marginsSource()(window);
    const QWindow* handle = window->windowHandle();
    return handle && window->isVisible() ? handle->frameMargins() : QMargins();
}

// Where the outer frame's top-left corner goes for the frame to be in the
// middle of the screen.
std::optional<QPoint> centredFrame(const QWidget* window) {
    const QSize outer = window->size().grownBy(frameMarginsOf(window));
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    const QRect s = screen->geometry();
    const double left = (s.width() - outer.width()) / 2.0;
    const double top = (s.height() - outer.height()) / 2.0;
    return QPoint(s.x() + int(std::floor(left)), s.y() + int(std::floor(top)));
}

// move() places the frame's top-left corner.
void centreFrame(QWidget* window) {
    if (const std::optional<QPoint> frame = centredFrame(window))
        window->move(*frame);
}

} // namespace

void setFrameMarginsSourceForTests(FrameMarginsSource source) {
    marginsSource() = std::move(source);
}

void centrer_fenetre(QWidget* window, const QString& caption, int state) {
    window->setWindowTitle(caption);
    centreFrame(window);
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
