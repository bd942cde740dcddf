#include "data/data_error.h"

#include "data/dialect.h"
#include "data/server_link.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <cerrno>

namespace vdn {

namespace {

// The French cause of an SQLite failure: a write that failed for want of
// space says so, whatever code the engine gave it.
QString sqliteCause(const QSqlDriver* driver, int code, sqlite3* handle) {
    if (handle && code == SQLITE_IOERR && sqlite3_system_errno(handle) == ENOSPC)
        code = SQLITE_FULL;
    return Dialect::of(driver).errorCause(QString::number(code));
}

// The SQLSTATE of a server failure. A failure to connect, or a connection
// lost, comes from the client library without one: its text tells the
// missing database and the refused role from the server out of reach.
QString serverState(const QSqlError& err) {
    const QString state = err.nativeErrorCode().trimmed();
    if (state.size() == 5)
        return state;
    const QString text = err.databaseText();
    if (text.contains(QLatin1String("database \"")) &&
        text.contains(QLatin1String("does not exist")))
        return QStringLiteral("3D000");
    if (text.contains(QLatin1String("authentication failed")) ||
        text.contains(QLatin1String("no password supplied")) ||
        text.contains(QLatin1String("pg_hba.conf")) ||
        (text.contains(QLatin1String("role \"")) && text.contains(QLatin1String("does not exist"))))
        return QStringLiteral("28000");
    if (text.contains(QLatin1String("shutting down")) ||
        text.contains(QLatin1String("starting up")))
        return QStringLiteral("57P03");
    return QStringLiteral("08006");
}

DataError buildServer(const QSqlError& err, const QSqlDriver* driver, const QString& statement) {
    EngineError entry;
    entry.state = serverState(err);
    const Dialect& dialect = Dialect::of(driver);
    entry.code = dialect.errorNumber(entry.state);
    entry.extendedCode = entry.code;
    entry.message =
        err.databaseText().trimmed().isEmpty() ? err.text() : err.databaseText().trimmed();
    // Qt's driver appends the SQLSTATE in brackets, empty when the client
    // library gave none: the report shows the state on its own.
    const QString appended = QStringLiteral("(%1)").arg(err.nativeErrorCode().trimmed());
    if (entry.message.endsWith(appended))
        entry.message = entry.message.chopped(appended.size()).trimmed();
    entry.statement = statement;
    // The session is gone, or going: the next statement opens a new one.
    if (entry.state.startsWith(QLatin1String("08")) || entry.state == QLatin1String("57P01") ||
        entry.state == QLatin1String("57P02"))
        markConnectionLost(driver);
    DataError result;
    result.number = entry.code;
    result.text = dialect.errorCause(entry.state);
    result.engineErrors.append(entry);
    return result;
}

DataError build(const QSqlError& err, const QSqlDriver* driver, sqlite3* handle,
                const QString& statement) {
    if (driver && driver->dbmsType() == QSqlDriver::PostgreSQL)
        return buildServer(err, driver, statement);
    EngineError entry;
    bool ok = false;
    entry.code = err.nativeErrorCode().toInt(&ok);
    if (ok && entry.code > 0xff) {
        // The driver reports extended codes; the report's number is the primary one.
        entry.extendedCode = entry.code;
        entry.code &= 0xff;
    } else if (handle) {
        const int ext = sqlite3_extended_errcode(handle);
        if (!ok || entry.code == 0)
            entry.code = ext & 0xff;
        // The handle keeps the last failure; trust its extended code only when
        // it belongs to the same primary code the driver reported.
        entry.extendedCode = (ext & 0xff) == entry.code ? ext : entry.code;
    }
    if (entry.code == 0)
        entry.code = SQLITE_ERROR;
    if (entry.extendedCode == 0)
        entry.extendedCode = entry.code;
    entry.message = err.databaseText().isEmpty() ? err.text() : err.databaseText();
    entry.statement = statement;

    DataError result;
    result.number = entry.code;
    // The user reads the cause in French; the engine's own text stays in the
    // engine list.
    if (driver && driver->dbmsType() == QSqlDriver::SQLite) {
        result.text = sqliteCause(driver, entry.code, handle);
    } else {
        QString text = err.databaseText();
        const QString driverText = err.driverText();
        if (text.isEmpty())
            text = driverText;
        else if (!driverText.isEmpty() && driverText != text)
            text = driverText + QStringLiteral(" : ") + text;
        result.text = text.isEmpty() ? QStringLiteral("Erreur de la base de données") : text;
    }
    result.engineErrors.append(entry);
    return result;
}

} // namespace

DataError DataError::fromSqlError(const QSqlError& error, const QSqlDatabase& db,
                                  const QString& statement) {
    const QSqlDriver* driver = db.isValid() ? db.driver() : nullptr;
    return build(error, driver, sqliteHandle(driver), statement);
}

DataError DataError::fromQuery(const QSqlQuery& query) {
    return build(query.lastError(), query.driver(), sqliteHandle(query.driver()),
                 query.lastQuery());
}

DataError DataError::fromStatement(const QSqlQuery& query, int code) {
    sqlite3* handle = sqliteHandle(query.driver());
    const QString message = handle ? QString::fromUtf8(sqlite3_errmsg(handle))
                                   : QString::fromUtf8(sqlite3_errstr(code));
    const QSqlError error(QCoreApplication::translate("QSQLiteResult", "Unable to fetch row"),
                          message, QSqlError::ConnectionError, QString::number(code));
    return build(error, query.driver(), handle, query.lastQuery());
}

DataError DataError::fromDatabase(const QSqlDatabase& db, const QString& statement) {
    return fromSqlError(db.lastError(), db, statement);
}

bool DataError::isBusy() const {
    return number == SQLITE_BUSY;
}

bool DataError::isDuplicateKey() const {
    if (number == errnum::KeyTaken)
        return true;
    for (const EngineError& e : engineErrors)
        if (e.state.isEmpty() ? e.extendedCode == SQLITE_CONSTRAINT_PRIMARYKEY ||
                                    e.extendedCode == SQLITE_CONSTRAINT_UNIQUE
                              : e.state == QLatin1String("23505"))
            return true;
    return false;
}

bool DataError::isChangedElsewhere() const {
    return number == errnum::ChangedElsewhere;
}

} // namespace vdn
