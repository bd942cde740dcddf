#include "widgets/progress_dialog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QScreen>

namespace vdn {

ProgressDialog::ProgressDialog(const Clock& clock, QWidget* owner, const QString& what,
                               bool cancellable)
    : clock_(clock), owner_(owner), what_(what), cancellable_(cancellable) {}

ProgressDialog::~ProgressDialog() {
    delete dialog_.data();
}

QString ProgressDialog::timeLeftText(qint64 elapsedMs, qint64 done, qint64 total) {
    // Two seconds of work and a hundredth of the task tell a rate worth giving.
    if (total <= 0 || done <= 0 || done >= total || elapsedMs < 2000 || done * 100 < total)
        return {};
    const qint64 seconds = (elapsedMs * (total - done) / done + 999) / 1000;
    if (seconds < 60)
        return QStringLiteral("Temps restant : environ %1 s").arg(seconds);
    return QStringLiteral("Temps restant : environ %1 min").arg((seconds + 59) / 60);
}

void ProgressDialog::show() {
    auto* d = new QProgressDialog(owner_);
    d->setObjectName(QStringLiteral("progression"));
    d->setWindowTitle(QStringLiteral("VORDAN"));
    // A task takes no other input than its own "Annuler": a click elsewhere
    // would run another handler in the middle of this one.
    d->setWindowModality(Qt::ApplicationModal);
    d->setAutoClose(false);
    d->setAutoReset(false);
    d->setMinimumDuration(0);
    d->setMinimumWidth(420);
    if (cancellable_)
        d->setCancelButtonText(QStringLiteral("Annuler"));
    else
        d->setCancelButton(nullptr);
    d->setLabelText(what_);
    if (!owner_) {
        // Without a window to sit on (at start-up): in the middle of the
        // screen, its title bar in sight.
        d->adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            d->move(screen->availableGeometry().center() - d->rect().center());
    }
    dialog_ = d;
    d->show();
}

bool ProgressDialog::step(qint64 done, qint64 total) {
    // A click on "Annuler" counts at once, between two refreshes too.
    if (cancelled_ || (dialog_ && dialog_->wasCanceled())) {
        cancelled_ = true;
        return false;
    }
    const QDateTime now = clock_.now();
    if (!start_.isValid())
        start_ = now;
    const qint64 elapsed = start_.msecsTo(now);
    if (!dialog_) {
        if (elapsed < ShowAfterMs)
            return true;
        show();
    } else if (lastRefresh_.isValid() && lastRefresh_.msecsTo(now) < RefreshMs) {
        return true;
    }
    lastRefresh_ = now;
    if (total > 0) {
        // The bar counts in thousandths: a million rows would overflow no int.
        dialog_->setMaximum(1000);
        dialog_->setValue(int(std::min<qint64>(done, total) * 1000 / total));
    } else {
        dialog_->setMaximum(0);
    }
    // With a known total the time left takes a second line; the line is kept
    // from the first refresh on, so that the window does not grow under the
    // pointer and move "Annuler" when the first estimate comes.
    const QString left = timeLeftText(elapsed, done, total);
    if (total > 0)
        dialog_->setLabelText(
            what_ + QLatin1Char('\n') +
            (left.isEmpty() ? QStringLiteral("Temps restant : calcul en cours") : left));
    else
        dialog_->setLabelText(what_);
    QCoreApplication::processEvents();
    if (dialog_ && dialog_->wasCanceled())
        cancelled_ = true;
    return !cancelled_;
}

} // namespace vdn
