#include "data/upgrade_lock.h"

#include "data/connection.h"
#include "data/dialect.h"
#include "platform/progress.h"

#include <sqlite3.h>

namespace vdn {

UpgradeLock::UpgradeLock(Connection& c) : c_(c) {
    // Once the first statement has begun the transaction, a failure of the
    // next one (the server's lock) leaves it to be rolled back.
    for (const QString& sql : Dialect::of(c_.db()).beginUpgrade()) {
        started_ = c_.execute(sql);
        if (!started_)
            return;
        open_ = true;
    }
}

UpgradeLock::~UpgradeLock() {
    if (open_)
        (void)c_.execute(QStringLiteral("ROLLBACK"));
}

Status UpgradeLock::commit() {
    if (!started_)
        return started_;
    if (!open_)
        return DataError::other(errnum::FileAccess,
                                QStringLiteral("Aucune transaction de mise à jour en cours."));
    open_ = false;
    Status s = c_.execute(QStringLiteral("COMMIT"));
    if (!s)
        (void)c_.execute(QStringLiteral("ROLLBACK"));
    return s;
}

namespace {
// Engine steps between two reports: a few hundredths of a second of work.
constexpr int StepsPerBeat = 2000000;
} // namespace

StatementProgress::StatementProgress(Connection& c, Progress* progress, qint64 total)
    : c_(c), progress_(progress), total_(total) {
    if (progress_ && c_.handle())
        sqlite3_progress_handler(c_.handle(), StepsPerBeat, &StatementProgress::beat, this);
}

StatementProgress::~StatementProgress() {
    if (progress_ && c_.handle())
        sqlite3_progress_handler(c_.handle(), 0, nullptr, nullptr);
}

void StatementProgress::at(qint64 done) {
    done_ = done;
    if (progress_)
        (void)progress_->step(done_, total_);
}

int StatementProgress::beat(void* self) {
    auto* p = static_cast<StatementProgress*>(self);
    (void)p->progress_->step(p->done_, p->total_);
    return 0; // never interrupts the statement
}

} // namespace vdn
