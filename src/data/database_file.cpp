#include "data/database_file.h"

#include "data/connection.h"
#include "data/schema.h"
#include "platform/progress.h"

#include <QFile>

#include <sqlite3.h>

#include <algorithm>

namespace vdn {

namespace {

// One raw SQLite handle, closed when it goes.
struct Handle {
    sqlite3* db = nullptr;
    ~Handle() {
        if (db)
            sqlite3_close_v2(db);
    }
    QString error() const { return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString(); }
};

bool openRaw(Handle& h, const QString& path, int flags) {
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &h.db, flags, nullptr);
    if (rc == SQLITE_OK)
        sqlite3_busy_timeout(h.db, Connection::busyTimeoutMs());
    return rc == SQLITE_OK;
}

// Copies every page of `from` into `to` with SQLite's online backup, in one
// write transaction on `to`. Returns an empty text, or why it failed.
QString copyFile(const QString& from, const QString& to, bool createTarget, Progress* progress) {
    Handle src, dst;
    if (!openRaw(src, from, SQLITE_OPEN_READONLY))
        return src.error().isEmpty() ? QStringLiteral("ouverture impossible") : src.error();
    const int flags = SQLITE_OPEN_READWRITE | (createTarget ? SQLITE_OPEN_CREATE : 0);
    if (!openRaw(dst, to, flags))
        return dst.error().isEmpty() ? QStringLiteral("ouverture impossible") : dst.error();
    sqlite3_backup* b = sqlite3_backup_init(dst.db, "main", src.db, "main");
    if (!b)
        return dst.error();
    // With a progress, a slice of pages at a time: the destination stays in
    // the one write transaction from the first slice to the last.
    int rc = SQLITE_OK;
    while (rc == SQLITE_OK) {
        const int total = sqlite3_backup_pagecount(b);
        rc = sqlite3_backup_step(b, progress ? std::max(64, total / 200) : -1);
        if (progress && (rc == SQLITE_OK || rc == SQLITE_DONE))
            (void)progress->step(sqlite3_backup_pagecount(b) - sqlite3_backup_remaining(b),
                                 sqlite3_backup_pagecount(b));
    }
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE)
        return QString::fromUtf8(sqlite3_errstr(rc));
    return {};
}

// What the engine made of a check: its result code (extended) and words.
struct EngineCheck {
    int code = SQLITE_OK;
    QString text; // "ok", or the first problem, or the engine's message
};

// PRAGMA integrity_check on `path`, then its schema version (SQLITE_SCHEMA
// when it is newer than this program's). Read only: a journal left beside
// it by a crashed write is never played or removed by the check.
// The engine's steps between two reports of a check that goes on.
constexpr int StepsPerReport = 2000000;

int checkGoesOn(void* progress) {
    (void)static_cast<Progress*>(progress)->step(0, -1);
    return 0; // the check is never stopped
}

EngineCheck integrityCheck(const QString& path, Progress* progress) {
    Handle h;
    EngineCheck r;
    if (!openRaw(h, path, SQLITE_OPEN_READONLY)) {
        r.code = h.db ? sqlite3_extended_errcode(h.db) : SQLITE_CANTOPEN;
        r.text = h.error().isEmpty() ? QStringLiteral("ouverture impossible") : h.error();
        return r;
    }
    if (progress) {
        (void)progress->step(0, -1);
        sqlite3_progress_handler(h.db, StepsPerReport, &checkGoesOn, progress);
    }
    sqlite3_stmt* st = nullptr;
    if (const int rc = sqlite3_prepare_v2(h.db, "PRAGMA integrity_check", -1, &st, nullptr);
        rc != SQLITE_OK) {
        r.code = sqlite3_extended_errcode(h.db);
        r.text = h.error();
        return r;
    }
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        r.text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    } else {
        r.code = sqlite3_extended_errcode(h.db);
        r.text = h.error();
    }
    sqlite3_finalize(st);
    if (r.code == SQLITE_OK) {
        // The schema version, read as stored: the check never migrates.
        if (sqlite3_prepare_v2(h.db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) > SchemaVersion) {
            r.text = QStringLiteral("version %1").arg(sqlite3_column_int(st, 0));
            r.code = SQLITE_SCHEMA;
        }
        sqlite3_finalize(st);
    }
    return r;
}

} // namespace

FileCheck checkDatabaseFile(const QString& path, Progress* progress) {
    const EngineCheck r = integrityCheck(path, progress);
    FileCheck check{FileCheck::State::Sound, r.text};
    if (r.code == SQLITE_READONLY_ROLLBACK) {
        // A write that never finished left its journal.
        check.state = FileCheck::State::Damaged;
        return check;
    }
    switch (r.code & 0xff) {
    case SQLITE_OK:
        if (r.text != QLatin1String("ok"))
            check.state = FileCheck::State::Damaged;
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        check.state = FileCheck::State::Damaged;
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        check.state = FileCheck::State::Busy;
        break;
    case SQLITE_SCHEMA:
        check.state = FileCheck::State::Newer;
        break;
    default:
        check.state = FileCheck::State::Unreadable;
        break;
    }
    return check;
}

QString copyDatabaseFile(const QString& from, const QString& to, bool createTarget,
                         Progress* progress) {
    return copyFile(from, to, createTarget, progress);
}

std::optional<int> customersInFile(const QString& path) {
    Handle h;
    if (!openRaw(h, path, SQLITE_OPEN_READONLY))
        return std::nullopt;
    sqlite3_stmt* st = nullptr;
    std::optional<int> count;
    if (sqlite3_prepare_v2(h.db, "SELECT count(*) FROM strclient", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        count = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return count;
}

} // namespace vdn
