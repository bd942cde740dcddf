#pragma once

#include "platform/clock.h"
#include "platform/progress.h"
#include "widgets/long_task.h"

#include <QDateTime>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

class QWidget;

namespace vdn {

// The progress window of a long task: what is being done, how far, the time
// left once it can be told. It appears only when the task has lasted half a
// second by `clock` since its first report of progress (the clock is read
// from then on only, so a short task that never reports leaves the clock
// alone), so that short tasks show nothing; while it shows, the
// windows are kept painted (events handled at most every 50 ms) but take no
// input: the window is modal to the whole program, and a close asked
// meanwhile waits for the task's end (LongTask). With `cancellable`,
// "Annuler" asks the task to stop: step() returns false.
class ProgressDialog final : public Progress {
public:
    static constexpr qint64 ShowAfterMs = 500;
    static constexpr qint64 RefreshMs = 50;

    ProgressDialog(const Clock& clock, QWidget* owner, const QString& what,
                   bool cancellable = true);
    ~ProgressDialog() override;
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    bool step(qint64 done, qint64 total) override;
    // The window, once shown (null before).
    QProgressDialog* window() const { return dialog_; }
    bool cancelled() const { return cancelled_; }

    // "Temps restant : environ 2 min" from the time spent on `done` of
    // `total`; empty while nothing tells it yet.
    static QString timeLeftText(qint64 elapsedMs, qint64 done, qint64 total);

private:
    void show();

    const Clock& clock_;
    QWidget* owner_;
    QString what_;
    bool cancellable_;
    bool cancelled_ = false;
    QDateTime start_;
    QDateTime lastRefresh_;
    QPointer<QProgressDialog> dialog_;
    LongTask task_;
};

} // namespace vdn
