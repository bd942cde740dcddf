#include "data/transfer.h"

#include "data/connection.h"
#include "data/dialect.h"
#include "data/globals.h"
#include "data/schema.h"
#include "data/server_address.h"
#include "data/server_link.h"
#include "data/statement.h"
#include "data/text.h"
#include "data/upgrade_lock.h"
#include "platform/file_system.h"
#include "platform/progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace vdn {

namespace {

// Rows written by one INSERT: fewer round trips to a server, and well under
// every engine's limit of bound values (the widest table has 34 fields).
constexpr int RowsPerInsert = 64;

// The user stopped the copy.
DataError copyCancelled() {
    return DataError::other(errnum::Cancelled,
                            QStringLiteral("Copie interrompue ; rien n'a été écrit."));
}

// One more row copied; false once the user asked to stop.
bool rowCopied(ProgressTicker* ticker) {
    return !ticker || ticker->tick();
}

} // namespace

QStringList transferredFields(const QString& table) {
    if (table == QLatin1String("strspecif"))
        return specifFields() + QStringList{drillerField(), ruleProfileField()};
    // Row versions go along: a workstation that read a row before the move
    // still finds it changed when it was.
    if (table == QLatin1String("strclient"))
        return clientFields() + clientKeyFields() + QStringList{revisionField()};
    if (table == QLatin1String("strmateriel"))
        return ballFields() + QStringList{revisionField()};
    if (table == QLatin1String("strpercage"))
        return sheetFields() + QStringList{revisionField()};
    if (table == sheetHistoryTable())
        return sheetHistoryFields();
    if (table == ballDrillingTable())
        return ballDrillingFields();
    if (table == importTable())
        return importFields();
    if (table == importCodeTable())
        return importCodeFields();
    return paramFields();
}

namespace {

QString insertRows(const QString& table, const QStringList& fields, int rows) {
    QStringList marks;
    for (int i = 0; i < fields.size(); ++i)
        marks << QStringLiteral("?");
    const QString one = QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    QStringList all;
    for (int r = 0; r < rows; ++r)
        all << one;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table, fields.join(QStringLiteral(", ")), all.join(QStringLiteral(", ")));
}

// Writes the rows held in `values` (whole rows of `fields`).
Status flush(Connection& to, const QString& table, const QStringList& fields,
             QList<QVariant>& values) {
    if (values.isEmpty())
        return {};
    Statement insert(to.db(), insertRows(table, fields, int(values.size() / fields.size())));
    for (const QVariant& v : values)
        insert.bind(v);
    values.clear();
    return insert.exec();
}

// A failure of SQLite's C API on one side, as the driver reports one.
DataError engineFailure(Connection& to, int code, const QString& statement) {
    const QSqlError error(QStringLiteral("Unable to execute statement"),
                          QString::fromUtf8(sqlite3_errmsg(to.handle())), QSqlError::StatementError,
                          QString::number(code));
    return DataError::fromSqlError(error, to.db(), statement);
}

// The rows of `table` in the order they were added, read on the source's
// SQLite handle inside its read transaction: texts as the bytes they are.
struct FileRows {
    sqlite3_stmt* st = nullptr;
    ~FileRows() { sqlite3_finalize(st); }
};

int readFileRows(Connection& from, const QString& table, const QStringList& fields, FileRows& rows,
                 QString* sql) {
    *sql = selectText(table, fields) + QStringLiteral(" ORDER BY ") +
           Dialect::of(from.db()).additionOrder();
    return sqlite3_prepare_v2(from.handle(), sql->toUtf8().constData(), -1, &rows.st, nullptr);
}

// From an SQLite file into another: one row per INSERT, prepared once and
// stepped on the engine's own statement (Qt's SQLite driver looks every
// bound value up by its place among all the statement's values, so a
// statement of many rows costs it the square of its values), and each
// value's bytes as they are stored,
// so that a text another program wrote in another character set comes out
// unchanged (through Qt it would be decoded as UTF-8 and its odd bytes
// replaced).
Result<qint64> copyFileTableIntoFile(Connection& from, Connection& to, const QString& table,
                                     const QStringList& fields, ProgressTicker* ticker) {
    FileRows rows;
    QString select;
    if (const int rc = readFileRows(from, table, fields, rows, &select); rc != SQLITE_OK)
        return engineFailure(from, rc, select);
    const QString sql = insertRows(table, fields, 1);
    sqlite3_stmt* insert = nullptr;
    if (const int rc =
            sqlite3_prepare_v2(to.handle(), sql.toUtf8().constData(), -1, &insert, nullptr);
        rc != SQLITE_OK) {
        sqlite3_finalize(insert);
        return engineFailure(to, rc, sql);
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finalize(insert, sqlite3_finalize);
    qint64 count = 0;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(rows.st)) == SQLITE_ROW) {
        for (int i = 0; i < fields.size(); ++i) {
            if (sqlite3_column_type(rows.st, i) == SQLITE_NULL) {
                sqlite3_bind_null(insert, i + 1);
                continue;
            }
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows.st, i));
            sqlite3_bind_text(insert, i + 1, text ? text : "", sqlite3_column_bytes(rows.st, i),
                              SQLITE_TRANSIENT);
        }
        const int step = sqlite3_step(insert);
        sqlite3_reset(insert);
        if (step != SQLITE_DONE)
            return engineFailure(to, step, sql);
        ++count;
        if (!rowCopied(ticker))
            return copyCancelled();
    }
    if (rc != SQLITE_DONE)
        return engineFailure(from, rc, select);
    return count;
}

// A server's text columns take UTF-8 only: a source text another program
// wrote in another character set (a memo in Windows-1252) would be refused
// half-way or changed. Every text is looked at before anything is written,
// and the first that does not fit is named.
Status checkServerTexts(Connection& from) {
    for (const QString& table : schemaTables()) {
        const QStringList fields = transferredFields(table);
        FileRows rows;
        QString select;
        if (const int rc = readFileRows(from, table, fields, rows, &select); rc != SQLITE_OK)
            return engineFailure(from, rc, select);
        int rc = SQLITE_ROW;
        for (qint64 row = 1; (rc = sqlite3_step(rows.st)) == SQLITE_ROW; ++row) {
            for (int i = 0; i < fields.size(); ++i) {
                if (sqlite3_column_type(rows.st, i) == SQLITE_NULL)
                    continue;
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows.st, i));
                const int size = sqlite3_column_bytes(rows.st, i);
                if (isServerText(std::string_view(text ? text : "", std::size_t(size))))
                    continue;
                const auto* key = reinterpret_cast<const char*>(sqlite3_column_text(rows.st, 0));
                return DataError::other(
                    errnum::NotText,
                    QStringLiteral("La table %1, ligne %2 (%3 = « %4 »), colonne %5, contient des "
                                   "octets qui ne sont pas du texte UTF-8 ; le serveur ne peut pas "
                                   "les recevoir tels quels. Corrigez cette valeur dans la base "
                                   "source, puis recommencez.")
                        .arg(table)
                        .arg(row)
                        .arg(fields.first(), QString::fromUtf8(key ? key : ""), fields.at(i)));
            }
        }
        if (rc != SQLITE_DONE)
            return engineFailure(from, rc, select);
    }
    return {};
}

// A failure of the server while a table is copied out of it, as the driver
// reports one.
DataError serverFailure(Connection& from, PGresult* result, const QString& statement) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QSqlError error(QStringLiteral("QPSQL: Unable to copy rows"),
                          QString::fromUtf8(PQerrorMessage(serverHandle(from.db()))),
                          QSqlError::StatementError, QString::fromLatin1(state ? state : ""));
    return DataError::fromSqlError(error, from.db(), statement);
}

// One field of a row of COPY's text format, its escapes undone: \N is
// null, a backslash escapes b f n r t v, a backslash, one to three octal
// digits or x with one or two hexadecimal digits. False for a null field.
bool unescapeField(const char*& p, const char* end, std::string& out) {
    out.clear();
    if (end - p >= 2 && p[0] == '\\' && p[1] == 'N' && (end - p == 2 || p[2] == '\t')) {
        p += 2;
        return false;
    }
    while (p < end && *p != '\t') {
        if (*p != '\\' || p + 1 >= end) {
            out += *p++;
            continue;
        }
        const char c = p[1];
        p += 2;
        switch (c) {
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'v':
            out += '\v';
            break;
        case 'x': {
            int value = 0, digits = 0;
            while (digits < 2 && p < end && std::isxdigit(static_cast<unsigned char>(*p))) {
                value =
                    value * 16 + (std::isdigit(static_cast<unsigned char>(*p))
                                      ? *p - '0'
                                      : std::tolower(static_cast<unsigned char>(*p)) - 'a' + 10);
                ++p;
                ++digits;
            }
            out += static_cast<char>(value);
            break;
        }
        default:
            if (c >= '0' && c <= '7') {
                int value = c - '0', digits = 1;
                while (digits < 3 && p < end && *p >= '0' && *p <= '7') {
                    value = value * 8 + (*p++ - '0');
                    ++digits;
                }
                out += static_cast<char>(value);
            } else {
                out += c;
            }
        }
    }
    return true;
}

// From a server into an SQLite file: the rows read with COPY in the read
// transaction under way (far less work per value than through Qt's driver,
// which turns each into a variant), and written as copyFileTableIntoFile does.
Result<qint64> copyServerTableIntoFile(Connection& from, Connection& to, const QString& table,
                                       const QStringList& fields, ProgressTicker* ticker) {
    PGconn* pg = serverHandle(from.db());
    const QString copy =
        QStringLiteral("COPY (%1 ORDER BY %2) TO STDOUT")
            .arg(selectText(table, fields), Dialect::of(from.db()).additionOrder());
    PGresult* started = PQexec(pg, copy.toUtf8().constData());
    if (PQresultStatus(started) != PGRES_COPY_OUT) {
        DataError error = serverFailure(from, started, copy);
        PQclear(started);
        return error;
    }
    PQclear(started);
    const QString sql = insertRows(table, fields, 1);
    sqlite3_stmt* insert = nullptr;
    int prepared = sqlite3_prepare_v2(to.handle(), sql.toUtf8().constData(), -1, &insert, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finalize(insert, sqlite3_finalize);
    qint64 count = 0;
    std::vector<std::string> values(std::size_t(fields.size()));
    std::optional<DataError> failure;
    if (prepared != SQLITE_OK)
        failure = engineFailure(to, prepared, sql);
    char* line = nullptr;
    int length = 0;
    // Every row is read, even after a failure, so that the connection is
    // left ready for its next statement.
    while ((length = PQgetCopyData(pg, &line, 0)) > 0) {
        const char* p = line;
        const char* end = line + length;
        if (end > p && end[-1] == '\n')
            --end;
        for (int i = 0; i < fields.size() && !failure; ++i) {
            // A field without escapes is bound where it lies in the line.
            const char* stop = p;
            while (stop < end && *stop != '\t' && *stop != '\\')
                ++stop;
            if (stop == end || *stop == '\t') {
                sqlite3_bind_text(insert, i + 1, p, int(stop - p), SQLITE_STATIC);
                p = stop;
            } else {
                std::string& v = values[std::size_t(i)];
                if (unescapeField(p, end, v))
                    sqlite3_bind_text(insert, i + 1, v.data(), int(v.size()), SQLITE_STATIC);
                else
                    sqlite3_bind_null(insert, i + 1);
            }
            if (p < end && *p == '\t')
                ++p;
        }
        if (!failure) {
            const int rc = sqlite3_step(insert);
            sqlite3_reset(insert);
            if (rc != SQLITE_DONE)
                failure = engineFailure(to, rc, sql);
            ++count;
            if (!failure && !rowCopied(ticker))
                failure = copyCancelled();
        }
        PQfreemem(line);
    }
    PGresult* ended = PQgetResult(pg);
    if (!failure && (length == -2 || PQresultStatus(ended) != PGRES_COMMAND_OK))
        failure = serverFailure(from, ended, copy);
    PQclear(ended);
    while (PGresult* more = PQgetResult(pg))
        PQclear(more);
    if (failure)
        return *failure;
    return count;
}

Result<qint64> copyTable(Connection& from, Connection& to, const QString& table,
                         ProgressTicker* ticker) {
    const QStringList fields = transferredFields(table);
    if (to.handle() && serverHandle(from.db()))
        return copyServerTableIntoFile(from, to, table, fields, ticker);
    if (to.handle() && from.handle())
        return copyFileTableIntoFile(from, to, table, fields, ticker);
    Statement rows(from.db(), selectText(table, fields) + QStringLiteral(" ORDER BY ") +
                                  Dialect::of(from.db()).additionOrder());
    if (Status s = rows.exec(); !s)
        return s.error();
    qint64 count = 0;
    QList<QVariant> values;
    while (rows.next()) {
        for (int i = 0; i < fields.size(); ++i) {
            // A null stays null (a key still to compute); any other value is
            // written as the text it holds.
            values << (rows.isNull(i) ? QVariant(QMetaType(QMetaType::QString))
                                      : QVariant(rows.value(i).toString()));
        }
        ++count;
        if (!rowCopied(ticker))
            return copyCancelled();
        if (values.size() >= RowsPerInsert * fields.size())
            if (Status s = flush(to, table, fields, values); !s)
                return s.error();
    }
    if (Status s = rows.finished(); !s)
        return s.error();
    if (Status s = flush(to, table, fields, values); !s)
        return s.error();
    return count;
}

// Every table of the schema copied from `from` into `to`, in the schema's
// order, with the rows copied into each.
Result<QList<TableCount>> copyTables(Connection& from, Connection& to, Progress* progress) {
    // The rows to copy, counted first in the source's read transaction, so
    // that the progress tells a share of the whole.
    qint64 total = 0;
    if (progress)
        for (const QString& table : schemaTables()) {
            Statement count(from.db(), QStringLiteral("SELECT count(*) FROM ") + table);
            if (Status s = count.exec(); !s)
                return s.error();
            if (count.next())
                total += count.value(0).toLongLong();
            if (Status s = count.finished(); !s)
                return s.error();
        }
    ProgressTicker ticker(progress, total);
    QList<TableCount> counts;
    for (const QString& table : schemaTables()) {
        Result<qint64> n = copyTable(from, to, table, progress ? &ticker : nullptr);
        if (!n)
            return n.error();
        counts.append({table, *n});
    }
    // The last rows, fewer than a batch, end at the whole.
    if (progress)
        (void)progress->step(ticker.done(), total);
    return counts;
}

// The copy, `from` already in the transaction that reads it.
Result<QList<TableCount>> copyRead(Connection& from, Connection& to, Progress* progress) {
    if (from.handle() && !to.handle())
        if (Status s = checkServerTexts(from); !s)
            return s.error();
    Transaction t(to.db());
    if (!t.started())
        return t.started().error();
    if (Status s = writeSchema(to); !s)
        return s.error();
    // Into a file, its indexes and triggers are made once the rows are in:
    // one sort for each index instead of a walk down its tree for each row.
    QStringList deferred;
    const Dialect& engine = Dialect::of(to.db());
    if (const QString objects = engine.deferredSchemaObjects(); !objects.isEmpty()) {
        QStringList drops;
        {
            Statement made(to.db(), objects);
            if (Status s = made.exec(); !s)
                return s.error();
            while (made.next()) {
                drops << QStringLiteral("DROP %1 %2").arg(made.text(0).toUpper(), made.text(1));
                deferred << made.text(2);
            }
            if (Status s = made.finished(); !s)
                return s.error();
        }
        for (const QString& drop : std::as_const(drops))
            if (Status s = to.execute(drop); !s)
                return s.error();
    }
    Result<QList<TableCount>> counts = copyTables(from, to, progress);
    if (!counts)
        return counts.error();
    if (!deferred.isEmpty())
        for (const QString& setting : engine.deferredObjectSettings())
            (void)to.execute(setting);
    for (const QString& sql : std::as_const(deferred))
        if (Status s = to.execute(sql); !s)
            return s.error();
    if (Status s = t.commit(); !s)
        return s.error();
    return counts;
}

Result<QList<TableCount>> copyInto(Connection& from, Connection& to, Progress* progress) {
    // One consistent state of the source for every table.
    Transaction read(from.db());
    if (!read.started())
        return read.started().error();
    if (from.onServer())
        if (Status s = from.execute(
                QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
            !s)
            return s.error();
    return copyRead(from, to, progress);
}

// The snapshot into `file`, read by `from` in its own read transaction or,
// `inTransaction`, in the one its caller holds.
Status writeSnapshot(Connection& from, const QString& file, bool inTransaction,
                     Progress* progress) {
    Status status;
    {
        Result<std::unique_ptr<Connection>> to = Connection::open(file, Connection::Mode::Blank);
        if (!to)
            return to.error();
        Result<QList<TableCount>> copied =
            inTransaction ? copyRead(from, **to, progress) : copyInto(from, **to, progress);
        status = copied.status();
    }
    if (status) {
        // Written with synchronous commits; the whole file once more, so that
        // the caller's rename moves a file that is on the disk.
        if (const int err = files::flushFile(file); err != 0)
            status = DataError::other(errnum::FileAccess,
                                      QStringLiteral("Impossible d'écrire le fichier %1 : %2")
                                          .arg(file, files::systemReason(err)));
    }
    if (!status) {
        QFile::remove(file);
        QFile::remove(file + QStringLiteral("-journal"));
    }
    return status;
}

} // namespace

Status snapshotToFile(Connection& from, const QString& file, Progress* progress) {
    return writeSnapshot(from, file, false, progress);
}

QString databaseAt(const QString& location) {
    if (isServerAddress(location))
        return location;
    // A folder named with or without its final separator (a backslash on
    // Windows).
    if (!location.isEmpty() && !QDir::fromNativeSeparators(location).endsWith(QLatin1Char('/')) &&
        QFileInfo(location).isDir())
        return databasePath(location + QLatin1Char('/'));
    return databasePath(location);
}

Result<QList<TableCount>> transferDatabase(const QString& source, const QString& destination,
                                           Progress* progress) {
    const QString from = databaseAt(source);
    const QString to = databaseAt(destination);
    Result<std::unique_ptr<Connection>> in = Connection::open(from);
    if (!in)
        return in.error();
    if (!isServerAddress(to) &&
        QFileInfo(to).absoluteFilePath() == QFileInfo(from).absoluteFilePath())
        return DataError::other(errnum::FileAccess,
                                QStringLiteral("La source et la destination sont la même base."));
    Result<QList<TableCount>> result = DataError();
    {
        Result<std::unique_ptr<Connection>> out = Connection::open(to, Connection::Mode::Blank);
        if (!out)
            return out.error();
        result = copyInto(**in, **out, progress);
    }
    if (!result && !isServerAddress(to)) {
        QFile::remove(to);
        QFile::remove(to + QStringLiteral("-journal"));
    }
    return result;
}

Result<QList<TableCount>> restoreServerContent(Connection& from, Connection& to,
                                               const QString& previous, bool* saved,
                                               Progress* saving, Progress* writing) {
    if (saved)
        *saved = false;
    if (!to.onServer() || !from.handle())
        return DataError::other(errnum::FileAccess,
                                QStringLiteral("Seule une base de fichier peut être copiée dans "
                                               "une base du serveur."));
    Transaction read(from.db());
    if (!read.started())
        return read.started().error();
    if (Status s = checkServerTexts(from); !s)
        return s.error();
    // Under the upgrade's lock: a workstation that starts meanwhile waits
    // for the copy to end before it reads anything.
    UpgradeLock tx(to);
    if (!tx.started())
        return tx.started().error();
    // Every other session, whoever it is, now waits for the end to read or
    // write VORDAN's tables: what one of them committed before is in the
    // saved content, what it commits after lands in the restored base.
    for (const QString& sql :
         Dialect::of(to.db()).holdTables(schemaTables(), Connection::busyTimeoutMs()))
        if (Status s = to.execute(sql); !s)
            return DataError::other(
                errnum::InUse,
                QStringLiteral("Les tables de la base sont utilisées par une autre session au-delà "
                               "de l'attente (%1). Rien n'a été changé ; réessayez dans un "
                               "instant.")
                    .arg(s.error().text));
    Result<QStringList> others = otherSessions(to, OwnSessions::ThisProgram);
    if (!others)
        return others.error();
    if (!others->isEmpty())
        return DataError::other(
            errnum::InUse,
            QStringLiteral("VORDAN est ouvert sur cette base sur un autre poste (%1). Fermez-le, "
                           "puis recommencez. Rien n'a été changé.")
                .arg(others->join(QStringLiteral(", "))));
    if (Status s = writeSnapshot(to, previous, true, saving); !s)
        return s.error();
    if (saved)
        *saved = true;
    for (const QString& sql : Dialect::of(to.db()).emptyTables(schemaTables()))
        if (Status s = to.execute(sql); !s)
            return s.error();
    Result<QList<TableCount>> counts = copyTables(from, to, writing);
    if (!counts)
        return counts.error();
    if (Status s = tx.commit(); !s)
        return s.error();
    return counts;
}

} // namespace vdn
