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

namespace {

QString execRaw(sqlite3* db, const QString& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return {};
    QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_free(message);
    return text;
}

QString quotedName(QString name) {
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// One integer read by `sql`, or nothing.
std::optional<qint64> readNumber(sqlite3* db, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    std::optional<qint64> value;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        value = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return value;
}

struct SchemaObject {
    QString type;
    QString name;
    QString sql;
};

// The objects of one schema of the connection in the order they were made;
// the engine's own (sqlite_sequence, statistics) are left out.
std::optional<QList<SchemaObject>> readSchema(sqlite3* db, const QString& schema) {
    const QString sql = QStringLiteral("SELECT type, name, sql FROM %1.sqlite_master WHERE sql IS "
                                       "NOT NULL AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                                       "ORDER BY rowid")
                            .arg(quotedName(schema));
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        return std::nullopt;
    QList<SchemaObject> objects;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        auto text = [st](int column) {
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(st, column)));
        };
        objects.append({text(0), text(1), text(2)});
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return std::nullopt;
    return objects;
}

// The statement that makes `o` again in schema `schema`. The engine keeps
// each statement as it would be run on the main database, its opening words
// in one fixed spelling followed by the object's unqualified name.
QString createIn(const SchemaObject& o, const QString& schema) {
    static const char* const openings[] = {"CREATE TABLE ", "CREATE UNIQUE INDEX ", "CREATE INDEX ",
                                           "CREATE VIEW ", "CREATE TRIGGER "};
    for (const char* opening : openings) {
        const QLatin1String words(opening);
        if (o.sql.startsWith(words))
            return words + quotedName(schema) + QLatin1Char('.') + o.sql.mid(words.size());
    }
    return {};
}

// Rows copied so far and in all, reported to a progress while a long
// statement runs.
struct RowsReport {
    Progress* progress = nullptr;
    qint64 done = 0;
    qint64 total = 0;
};

int reportRows(void* report) {
    const auto* r = static_cast<RowsReport*>(report);
    (void)r->progress->step(r->done, r->total);
    return 0; // the copy is never stopped half-way
}

// Copies schema `from` of the connection into the empty schema `to`: its
// tables and their rows, then its indexes, views and triggers, and its
// schema version. Empty, or the engine's words.
QString copySchema(sqlite3* db, const QString& from, const QString& to, Progress* progress) {
    const std::optional<QList<SchemaObject>> objects = readSchema(db, from);
    if (!objects)
        return QString::fromUtf8(sqlite3_errmsg(db));
    RowsReport report{progress, 0, 0};
    QList<qint64> rows;
    for (const SchemaObject& o : *objects) {
        if (o.type != QLatin1String("table"))
            continue;
        const std::optional<qint64> n = readNumber(
            db,
            QStringLiteral("SELECT count(*) FROM %1.%2").arg(quotedName(from), quotedName(o.name)));
        if (!n)
            return QString::fromUtf8(sqlite3_errmsg(db));
        report.total += rows.emplace_back(*n);
    }
    if (progress) {
        (void)progress->step(0, report.total);
        sqlite3_progress_handler(db, StepsPerReport / 20, &reportRows, &report);
    }
    QString why;
    qsizetype table = 0;
    for (const SchemaObject& o : *objects) {
        if (o.type != QLatin1String("table"))
            continue;
        const QString create = createIn(o, to);
        if (create.isEmpty()) {
            why = QStringLiteral("objet %1 de forme inconnue").arg(o.name);
            break;
        }
        if (why = execRaw(db, create); !why.isEmpty())
            break;
        if (why = execRaw(db, QStringLiteral("INSERT INTO %1.%3 SELECT * FROM %2.%3")
                                  .arg(quotedName(to), quotedName(from), quotedName(o.name)));
            !why.isEmpty())
            break;
        report.done += rows.at(table++);
        if (progress)
            (void)progress->step(report.done, report.total);
    }
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    if (!why.isEmpty())
        return why;
    // The counters of AUTOINCREMENT keys, when the tables have any.
    if (readNumber(db, QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE name = "
                                      "'sqlite_sequence'")
                           .arg(quotedName(from)))
            .value_or(0) > 0) {
        if (why = execRaw(db, QStringLiteral("DELETE FROM %1.sqlite_sequence; INSERT INTO "
                                             "%1.sqlite_sequence SELECT * FROM %2.sqlite_sequence")
                                  .arg(quotedName(to), quotedName(from)));
            !why.isEmpty())
            return why;
    }
    for (const SchemaObject& o : *objects) {
        if (o.type == QLatin1String("table"))
            continue;
        const QString create = createIn(o, to);
        if (create.isEmpty())
            return QStringLiteral("objet %1 de forme inconnue").arg(o.name);
        if (why = execRaw(db, create); !why.isEmpty())
            return why;
    }
    const std::optional<qint64> version =
        readNumber(db, QStringLiteral("PRAGMA %1.user_version").arg(quotedName(from)));
    if (!version)
        return QString::fromUtf8(sqlite3_errmsg(db));
    return execRaw(db,
                   QStringLiteral("PRAGMA %1.user_version = %2").arg(quotedName(to)).arg(*version));
}

// Empties schema `schema`: its views, triggers and tables (with their
// indexes) go. Empty, or the engine's words.
QString dropSchemaObjects(sqlite3* db, const QString& schema) {
    const std::optional<QList<SchemaObject>> objects = readSchema(db, schema);
    if (!objects)
        return QString::fromUtf8(sqlite3_errmsg(db));
    for (const char* type : {"view", "trigger", "table"}) {
        for (const SchemaObject& o : *objects) {
            if (o.type != QLatin1String(type))
                continue;
            const QString drop = QStringLiteral("DROP %1 IF EXISTS %2.%3")
                                     .arg(o.type.toUpper(), quotedName(schema), quotedName(o.name));
            if (QString why = execRaw(db, drop); !why.isEmpty())
                return why;
        }
    }
    return {};
}

QString attach(sqlite3* db, const QString& file, const char* schema) {
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QByteArrayLiteral("ATTACH ?1 AS ") + schema;
    QString why;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(db));
    const QByteArray name = QFile::encodeName(file);
    sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st) != SQLITE_DONE)
        why = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(st);
    return why;
}

// The replacement itself, on a connection open on the database with the
// file to save into attached as "saved" and the new content as "restored".
ContentReplacement replaceUnderHold(sqlite3* db, Progress* saving, Progress* writing) {
    // The hold on the base: from here until the commit no other connection
    // reads or writes it; a writer waits for the end, or past its own wait
    // is refused.
    if (sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        if ((sqlite3_errcode(db) & 0xff) == SQLITE_BUSY)
            return {true, QStringLiteral("la base est occupée par un autre programme ; "
                                         "réessayez dans un instant")};
        return {true, QString::fromUtf8(sqlite3_errmsg(db))};
    }
    bool whileSaving = true;
    QString why = copySchema(db, QStringLiteral("main"), QStringLiteral("saved"), saving);
    if (why.isEmpty()) {
        whileSaving = false;
        why = dropSchemaObjects(db, QStringLiteral("main"));
    }
    if (why.isEmpty())
        why = copySchema(db, QStringLiteral("restored"), QStringLiteral("main"), writing);
    if (why.isEmpty())
        why = execRaw(db, QStringLiteral("COMMIT"));
    if (why.isEmpty())
        return {};
    execRaw(db, QStringLiteral("ROLLBACK"));
    return {whileSaving, why};
}

} // namespace

ContentReplacement replaceDatabaseContent(const QString& live, const QString& from,
                                          const QString& previous, Progress* saving,
                                          Progress* writing) {
    {
        // An empty file is an empty database; it is ours from here on.
        QFile file(previous);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return {true, file.errorString()};
    }
    ContentReplacement r;
    {
        Handle h;
        if (!openRaw(h, live, SQLITE_OPEN_READWRITE))
            r = {true, h.error().isEmpty() ? QStringLiteral("ouverture impossible") : h.error()};
        else if (QString why = attach(h.db, previous, "saved"); !why.isEmpty())
            r = {true, why};
        else if (QString why = attach(h.db, from, "restored"); !why.isEmpty())
            r = {false, why};
        else if (QString why = execRaw(h.db, QStringLiteral("PRAGMA main.synchronous = FULL; "
                                                            "PRAGMA saved.synchronous = FULL"));
                 !why.isEmpty())
            r = {true, why};
        else
            r = replaceUnderHold(h.db, saving, writing);
    }
    if (!r.ok()) {
        QFile::remove(previous);
        QFile::remove(previous + QStringLiteral("-journal"));
    }
    return r;
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
