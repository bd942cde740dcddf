#include "widgets/long_task.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <atomic>

namespace vdn {

namespace {

// Refuses the close of every window but a dialog (the task's own progress
// window and the boxes it shows close as usual) and remembers who asked.
class CloseHold final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Close)
            return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !w->isWindow() || qobject_cast<QDialog*>(w))
            return false;
        if (!held.contains(w))
            held.append(w);
        event->ignore();
        return true;
    }
    QList<QPointer<QWidget>> held;
};

// Read by the server watch's thread as well (data/server_watch.h).
std::atomic<int> depth = 0;
CloseHold* hold = nullptr;

} // namespace

LongTask::LongTask() {
    if (depth++ == 0 && QCoreApplication::instance()) {
        hold = new CloseHold;
        QCoreApplication::instance()->installEventFilter(hold);
    }
}

LongTask::~LongTask() {
    if (--depth > 0 || !hold)
        return;
    const QList<QPointer<QWidget>> held = std::move(hold->held);
    delete hold; // removes itself from the application's filters
    hold = nullptr;
    // Posted, not called: the handler that ran the task returns first.
    for (const QPointer<QWidget>& w : held)
        if (w)
            QTimer::singleShot(0, w.data(), [w] {
                if (w)
                    w->close();
            });
}

bool LongTask::running() {
    return depth > 0;
}

} // namespace vdn
