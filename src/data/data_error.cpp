#include "data/data_error.h"

#include "data/dialect.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace vdn {

namespace {

DataError build(const QSqlError& err, const QSqlDriver* driver, const QString& statement) {
    return Dialect::of(driver).failure(err, driver, statement);
}

} // namespace

DataError DataError::fromSqlError(const QSqlError& error, const QSqlDatabase& db,
                                  const QString& statement) {
    const QSqlDriver* driver = db.isValid() ? db.driver() : nullptr;
    return build(error, driver, statement);
}

DataError DataError::fromQuery(const QSqlQuery& query) {
    return build(query.lastError(), query.driver(), query.lastQuery());
}

DataError DataError::fromStatement(const QSqlQuery& query, int code) {
    sqlite3* handle = sqliteHandle(query.driver());
    const QString message = handle ? QString::fromUtf8(sqlite3_errmsg(handle))
                                   : QString::fromUtf8(sqlite3_errstr(code));
    const QSqlError error(QCoreApplication::translate("QSQLiteResult", "Unable to fetch row"),
                          message, QSqlError::ConnectionError, QString::number(code));
    return build(error, query.driver(), query.lastQuery());
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
