#include "data/transfer.h"

#include "data/connection.h"
#include "data/dialect.h"
#include "data/globals.h"
#include "data/schema.h"
#include "data/server_address.h"
#include "data/statement.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace vdn {

namespace {

// Rows written by one INSERT: fewer round trips to a server, and well under
// every engine's limit of bound values (the widest table has 34 fields).
constexpr int RowsPerInsert = 64;

} // namespace

QStringList transferredFields(const QString& table) {
    if (table == QLatin1String("strspecif"))
        return specifFields() + QStringList{drillerField()};
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

// A failure of SQLite's C API on the destination, as the driver reports one.
DataError engineFailure(Connection& to, int code, const QString& statement) {
    const QSqlError error(QStringLiteral("Unable to execute statement"),
                          QString::fromUtf8(sqlite3_errmsg(to.handle())), QSqlError::StatementError,
                          QString::number(code));
    return DataError::fromSqlError(error, to.db(), statement);
}

// Into an SQLite file (a snapshot, a transfer to a folder): one row per
// INSERT, prepared once and stepped on the engine's own statement. Qt's
// SQLite driver looks every bound value up by its place among all the
// statement's values, so a statement of many rows costs it the square of
// its values: 64 rows of 34 fields took longer than the rest of a snapshot.
// The values are the same texts (UTF-8) and nulls as through the driver.
Result<qint64> copyRowsIntoFile(Statement& rows, Connection& to, const QString& table,
                                const QStringList& fields) {
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
    QByteArray text;
    while (rows.next()) {
        for (int i = 0; i < fields.size(); ++i) {
            if (rows.isNull(i)) {
                sqlite3_bind_null(insert, i + 1);
                continue;
            }
            text = rows.value(i).toString().toUtf8();
            // Never a null pointer: an empty text stays an empty text.
            sqlite3_bind_text(insert, i + 1, text.isNull() ? "" : text.constData(),
                              int(text.size()), SQLITE_TRANSIENT);
        }
        const int rc = sqlite3_step(insert);
        sqlite3_reset(insert);
        if (rc != SQLITE_DONE)
            return engineFailure(to, rc, sql);
        ++count;
    }
    if (Status s = rows.finished(); !s)
        return s.error();
    return count;
}

Result<qint64> copyTable(Connection& from, Connection& to, const QString& table) {
    const QStringList fields = transferredFields(table);
    Statement rows(from.db(), selectText(table, fields) + QStringLiteral(" ORDER BY ") +
                                  Dialect::of(from.db()).additionOrder());
    if (Status s = rows.exec(); !s)
        return s.error();
    if (to.handle())
        return copyRowsIntoFile(rows, to, table, fields);
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

Result<QList<TableCount>> copyInto(Connection& from, Connection& to) {
    // One consistent state of the source for every table.
    Transaction read(from.db());
    if (!read.started())
        return read.started().error();
    if (from.onServer())
        if (Status s = from.execute(
                QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
            !s)
            return s.error();
    Transaction t(to.db());
    if (!t.started())
        return t.started().error();
    if (Status s = writeSchema(to); !s)
        return s.error();
    QList<TableCount> counts;
    for (const QString& table : schemaTables()) {
        Result<qint64> n = copyTable(from, to, table);
        if (!n)
            return n.error();
        counts.append({table, *n});
    }
    if (Status s = t.commit(); !s)
        return s.error();
    return counts;
}

} // namespace

Status snapshotToFile(Connection& from, const QString& file) {
    Status status;
    {
        Result<std::unique_ptr<Connection>> to = Connection::open(file, Connection::Mode::Blank);
        if (!to)
            return to.error();
        Result<QList<TableCount>> copied = copyInto(from, **to);
        status = copied.status();
    }
    if (status) {
        // Written with synchronous commits; the whole file once more, so that
        // the caller's rename moves a file that is on the disk.
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR);
        if (fd < 0 || ::fsync(fd) != 0)
            status = DataError::other(errnum::FileAccess,
                                      QStringLiteral("Impossible d'écrire le fichier %1 : %2")
                                          .arg(file, QString::fromLocal8Bit(std::strerror(errno))));
        if (fd >= 0)
            ::close(fd);
    }
    if (!status) {
        QFile::remove(file);
        QFile::remove(file + QStringLiteral("-journal"));
    }
    return status;
}

QString databaseAt(const QString& location) {
    if (isServerAddress(location))
        return location;
    if (!location.isEmpty() && !location.endsWith(QLatin1Char('/')) && QFileInfo(location).isDir())
        return databasePath(location + QLatin1Char('/'));
    return databasePath(location);
}

Result<QList<TableCount>> transferDatabase(const QString& source, const QString& destination) {
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
        result = copyInto(**in, **out);
    }
    if (!result && !isServerAddress(to))
        QFile::remove(to);
    return result;
}

} // namespace vdn
