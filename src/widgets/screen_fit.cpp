#include "widgets/screen_fit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

namespace vdn::screen_fit {

namespace {

QRect virtualArea;
const char* const WantedProperty = "vdnScreenFitWanted";
const char* const AreaName = "vdnScreenFitArea";

// Room the window manager's frame takes around the client area, as the
// platform reports it; not known before the window is shown and framed.
QMargins frameMargins(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    return handle && window->isVisible() ? handle->frameMargins() : QMargins();
}

QSize frameExtra(const QMargins& m) {
    if (!m.isNull())
        return {m.left() + m.right(), m.top() + m.bottom()};
    if (virtualArea.isValid() || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return {};
    return {8, 36}; // a usual title bar and border, until the real ones are known
}

void apply(QWidget* window) {
    const QSize wanted = window->property(WantedProperty).toSize();
    if (!wanted.isValid())
        return;
    const QRect area = availableArea(window);
    QSize fitted = wanted;
    // A window the user made wider keeps its width.
    if (window->isVisible() && window->width() > wanted.width())
        fitted.setWidth(window->width());
    const QMargins margins = frameMargins(window);
    if (area.isValid())
        fitted = fitted.boundedTo(area.size() - frameExtra(margins));
    window->resize(fitted);
    // A window cut down to the area also lies within it, once its frame is
    // known (until then the window manager places it).
    if (fitted != wanted && area.isValid() && !margins.isNull()) {
        const QRect frame = window->geometry().marginsAdded(margins);
        QPoint at = frame.topLeft();
        at.setX(qBound(area.left(), at.x(), qMax(area.left(), area.right() - frame.width() + 1)));
        at.setY(qBound(area.top(), at.y(), qMax(area.top(), area.bottom() - frame.height() + 1)));
        if (at != frame.topLeft())
            window->move(at);
    }
}

// Fits the window again once it is shown: its screen and its frame are
// known then.
class ShowWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            QPointer<QWidget> window = static_cast<QWidget*>(watched);
            apply(window);
            QTimer::singleShot(250, window, [window] {
                if (window)
                    apply(window);
            });
        }
        return false;
    }
};

// The content widget: it takes the window's designed size, or the viewport's
// when larger. Its layout's preferred height for a width (labels that wrap
// ask for many lines) does not make it taller, as it would not make a window
// without the scroll area taller than designed.
class Content final : public QWidget {
public:
    using QWidget::QWidget;
    int heightForWidth(int) const override { return -1; }
};

} // namespace

QWidget* install(QWidget* window) {
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    auto* area = new QScrollArea(window);
    area->setObjectName(QLatin1String(AreaName));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    // A click on a control that takes no focus must not hand it to the
    // scroll area: the box being left would run its checks.
    area->setFocusPolicy(Qt::NoFocus);
    auto* content = new Content;
    content->setObjectName(QStringLiteral("contenu"));
    area->setWidget(content);
    layout->addWidget(area);
    window->installEventFilter(new ShowWatcher(window));
    return content;
}

QScrollArea* scrollArea(const QWidget* window) {
    return window->findChild<QScrollArea*>(QLatin1String(AreaName), Qt::FindDirectChildrenOnly);
}

void resize(QWidget* window, QSize wanted) {
    window->setProperty(WantedProperty, wanted);
    // The window first, so that the content never meets a viewport it does
    // not fit in on a screen that holds it.
    apply(window);
    if (QScrollArea* area = scrollArea(window); area && area->widget()) {
        area->widget()->setMinimumSize(wanted);
        // The scroll bars follow the content's new size now, not at the
        // next turn of the event loop.
        QEvent relayout(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(area, &relayout);
    }
    if (window->layout())
        window->layout()->activate();
}

QRect availableArea(const QWidget* window) {
    if (virtualArea.isValid())
        return virtualArea;
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return {};
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void setVirtualArea(const QRect& area) {
    virtualArea = area;
}

} // namespace vdn::screen_fit
