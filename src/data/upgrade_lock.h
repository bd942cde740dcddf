#pragma once

#include "data/data_error.h"

namespace vdn {

class Connection;
class Progress;

// The transaction a schema upgrade, or a copy that replaces a server
// database's content, runs in: it takes the upgrade's lock (the write lock
// of a file at once, the server's advisory upgrade lock), so that one
// program at a time holds it and a workstation that starts meanwhile waits
// for it to end. Rolled back when it goes out of scope without a commit.
class UpgradeLock {
public:
    explicit UpgradeLock(Connection& c);
    ~UpgradeLock();
    UpgradeLock(const UpgradeLock&) = delete;
    UpgradeLock& operator=(const UpgradeLock&) = delete;

    const Status& started() const { return started_; }
    // COMMIT; on a failure the transaction is rolled back.
    Status commit();

private:
    Connection& c_;
    Status started_;
    bool open_ = false;
};

// While it lives, a long statement on an SQLite connection reports to
// `progress` the units the caller last set with at() (of `total`), every
// few million steps of the engine, so that a progress window stays drawn
// during a statement of several seconds (an index made on a million rows).
// The progress's answer is not asked: the statement is never stopped. Does
// nothing on a server connection or without a progress.
class StatementProgress {
public:
    StatementProgress(Connection& c, Progress* progress, qint64 total);
    ~StatementProgress();
    StatementProgress(const StatementProgress&) = delete;
    StatementProgress& operator=(const StatementProgress&) = delete;

    // `done` units are done: reported now, and again during the statements
    // that follow.
    void at(qint64 done);

private:
    static int beat(void* self);
    Connection& c_;
    Progress* progress_;
    qint64 total_;
    qint64 done_ = 0;
};

} // namespace vdn
