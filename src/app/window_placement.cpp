#include "app/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cmath>

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

// Puts the outer frame in the middle of the screen; move() places the
// frame's top-left corner.
void centreFrame(QWidget* window) {
    const QSize outer = window->size().grownBy(frameMarginsOf(window));
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    const double left = (s.width() - outer.width()) / 2.0;
    const double top = (s.height() - outer.height()) / 2.0;
    window->move(s.x() + int(std::floor(left)), s.y() + int(std::floor(top)));
}

// A window placed before it is shown has no frame yet: once it is on screen,
// waits a moment for the window manager to frame it, then centres the frame.
class FrameWatch : public QObject {
public:
    explicit FrameWatch(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show) {
            window_->removeEventFilter(this);
            poll(0);
        }
        return false;
    }

private:
    static constexpr int Tries = 40;
    static constexpr int PauseMs = 25;

    void poll(int attempt) {
        if (!window_)
            return;
        if (window_->windowState() == Qt::WindowNoState && !frameMarginsOf(window_).isNull()) {
            centreFrame(window_);
        } else if (attempt < Tries) {
            QTimer::singleShot(PauseMs, this, [this, attempt] { poll(attempt + 1); });
            return;
        }
        deleteLater();
    }

    QPointer<QWidget> window_;
};

} // namespace

void setFrameMarginsSourceForTests(FrameMarginsSource source) {
    marginsSource() = std::move(source);
}

void centrer_fenetre(QWidget* window, const QString& caption, int state) {
    window->setWindowTitle(caption);
    centreFrame(window);
    if (!window->isVisible() && !marginsSource())
        new FrameWatch(window);
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
