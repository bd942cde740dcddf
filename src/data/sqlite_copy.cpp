#include "data/sqlite_copy.h"

#include "data/connection.h"
#include "platform/file_system.h"
#include "platform/progress.h"

#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace vdn {

namespace {

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

DatabaseCopy failure(DatabaseCopy::Outcome outcome, sqlite3* db, int rc) {
    DatabaseCopy c;
    c.outcome = outcome;
    c.code = rc;
    c.systemError = db ? sqlite3_system_errno(db) : 0;
    c.detail = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    return c;
}

// The copy opens as a database and holds every page the engine copied.
DatabaseCopy checkCopy(sqlite3* db, int pages) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        return failure(DatabaseCopy::Outcome::BadCopy, db, rc);
    rc = sqlite3_step(stmt);
    const int copied = rc == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW)
        return failure(DatabaseCopy::Outcome::BadCopy, db, rc);
    if (copied != pages || pages <= 0) {
        DatabaseCopy c;
        c.outcome = DatabaseCopy::Outcome::BadCopy;
        c.code = SQLITE_CORRUPT;
        c.detail = QStringLiteral("%1 pages sur %2").arg(copied).arg(pages);
        return c;
    }
    return {};
}

// A read transaction of the source held while it lives (none is taken when
// the connection already has one under way).
struct SourceRead {
    sqlite3* db;
    bool began = false;
    int rc = SQLITE_OK;
    explicit SourceRead(sqlite3* source) : db(source) {
        if (!sqlite3_get_autocommit(db))
            return;
        rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        began = rc == SQLITE_OK;
        if (began)
            rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    }
    ~SourceRead() {
        if (began)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    SourceRead(const SourceRead&) = delete;
    SourceRead& operator=(const SourceRead&) = delete;
};

} // namespace

DatabaseCopy copyDatabase(sqlite3* source, const QString& target, Progress* progress) {
    if (!source)
        return failure(DatabaseCopy::Outcome::WriteFailed, nullptr, SQLITE_MISUSE);
    // SQLite takes its file names in UTF-8 on every system.
    const QByteArray targetName = target.toUtf8();
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(targetName.constData(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, SqliteCloser> dest(raw);
    if (opened != SQLITE_OK)
        return failure(DatabaseCopy::Outcome::WriteFailed, raw, opened);
    // The copy is a private file until the caller puts it in place: it needs
    // no journal, and it is flushed to the disk once, whole, at the end.
    if (const int rc = sqlite3_exec(dest.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF",
                                    nullptr, nullptr, nullptr);
        rc != SQLITE_OK)
        return failure(DatabaseCopy::Outcome::WriteFailed, dest.get(), rc);
    sqlite3_backup* backup = sqlite3_backup_init(dest.get(), "main", source, "main");
    if (!backup)
        return failure(DatabaseCopy::Outcome::WriteFailed, dest.get(), sqlite3_errcode(dest.get()));
    int rc = SQLITE_OK;
    bool cancelled = false;
    if (!progress) {
        // Every page in one step: one read transaction, one consistent state.
        // The source's busy handler waits out a commit in progress.
        rc = sqlite3_backup_step(backup, -1);
    } else {
        // A slice at a time inside one read transaction of the source, taken
        // before the first slice: another connection's commit cannot come in
        // between two slices, so the copy is still one state.
        const SourceRead read(source);
        rc = read.rc;
        int slice = 64;
        while (rc == SQLITE_OK) {
            rc = sqlite3_backup_step(backup, slice);
            const int total = sqlite3_backup_pagecount(backup);
            slice = std::max(64, total / 200);
            if (rc == SQLITE_OK &&
                !progress->step(total - sqlite3_backup_remaining(backup), total)) {
                cancelled = true;
                break;
            }
        }
    }
    const int pages = sqlite3_backup_pagecount(backup);
    // Finishing records a failed step's error on the destination connection.
    const int finished = sqlite3_backup_finish(backup);
    if (cancelled) {
        dest.reset();
        QFile::remove(target);
        DatabaseCopy c;
        c.outcome = DatabaseCopy::Outcome::Cancelled;
        return c;
    }
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        DatabaseCopy c = failure(DatabaseCopy::Outcome::Busy, source, rc);
        c.systemError = 0;
        return c;
    }
    if (rc != SQLITE_DONE || finished != SQLITE_OK)
        return failure(DatabaseCopy::Outcome::WriteFailed, dest.get(),
                       rc != SQLITE_DONE ? rc : finished);
    if (DatabaseCopy checked = checkCopy(dest.get(), pages); !checked.ok())
        return checked;
    if (const int closed = sqlite3_close(dest.get()); closed != SQLITE_OK)
        return failure(DatabaseCopy::Outcome::WriteFailed, dest.get(), closed);
    dest.release();
    // The copy is ours alone, so a descriptor on it is safe.
    DatabaseCopy c;
    if (const int err = files::flushFile(target); err != 0) {
        c.outcome = DatabaseCopy::Outcome::WriteFailed;
        c.code = SQLITE_IOERR;
        c.systemError = err;
        c.detail = files::systemReason(err);
    }
    return c;
}

DatabaseCopy copyDatabase(const Connection& source, const QString& target, Progress* progress) {
    return copyDatabase(source.handle(), target, progress);
}

} // namespace vdn
