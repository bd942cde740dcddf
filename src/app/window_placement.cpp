#include "app/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
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

// A window centred before it is shown has no frame yet, so it was centred by
// its inner area. Once the window manager has framed it (its frame margins
// are known at the first paint or move after showing), the frame is centred
// once more; a window that never gets a frame keeps its place.
class FrameCentrer : public QObject {
public:
    explicit FrameCentrer(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
        // A window manager frames a window at once; give up after a while.
        QTimer::singleShot(5000, this, [this] { finish(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && !done_ &&
            (event->type() == QEvent::Show || event->type() == QEvent::Move ||
             event->type() == QEvent::UpdateRequest || event->type() == QEvent::Paint) &&
            window_->isVisible() && !frameMarginsOf(window_).isNull()) {
            done_ = true;
            // Moving from inside the event handler would be undone by the
            // window system's own answer to the first placement.
            QTimer::singleShot(0, this, [this] {
                if (const std::optional<QPoint> frame = centredFrame(window_)) {
                    if (QWindow* handle = window_->windowHandle())
                        handle->setFramePosition(*frame);
                    else
                        window_->move(*frame);
                }
                finish();
            });
        }
        return false;
    }

private:
    void finish() {
        window_->removeEventFilter(this);
        deleteLater();
    }

    QWidget* window_;
    bool done_ = false;
};

} // namespace

void setFrameMarginsSourceForTests(FrameMarginsSource source) {
    marginsSource() = std::move(source);
}

void centrer_fenetre(QWidget* window, const QString& caption, int state) {
    window->setWindowTitle(caption);
    centreFrame(window);
    if (!window->isVisible())
        new FrameCentrer(window);
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
