#include "data/dialect.h"

#include "data/connection.h"
#include "data/engine_causes.h"
#include "data/val.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace vdn {

namespace {

class SqliteDialect final : public Dialect {
public:
    QString engine() const override { return SqliteEngine; }

    QString textColumn(const QString& name, Column kind) const override {
        // Only built-in collations, so that any SQLite tool can open and check the file.
        switch (kind) {
        case Column::Key:
            return name + QStringLiteral(" TEXT NOT NULL");
        case Column::CaselessKey:
            return name + QStringLiteral(" TEXT NOT NULL COLLATE NOCASE");
        case Column::Text:
            break;
        }
        return name + QStringLiteral(" TEXT COLLATE NOCASE");
    }

    QString caselessEquals(const QString& left, const QString& right) const override {
        return left + QStringLiteral(" = ") + right + QStringLiteral(" COLLATE NOCASE");
    }

    QString additionOrder() const override { return QStringLiteral("rowid"); }

    QString onlyDigits(const QString& expression) const override {
        return expression + QStringLiteral(" NOT GLOB '*[^0-9]*'");
    }

    QString readSchemaVersion() const override { return QStringLiteral("PRAGMA user_version"); }
    QString writeSchemaVersion(int version) const override {
        return QStringLiteral("PRAGMA user_version = %1").arg(version);
    }
    QString countTables(const QStringList& names) const override {
        // The names are the program's own table names, never typed text.
        return QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND "
                              "name IN ('%1')")
            .arg(names.join(QStringLiteral("','")));
    }

    QString explainPlan(const QString& statement) const override {
        return QStringLiteral("EXPLAIN QUERY PLAN ") + statement;
    }
    int planDetailColumn() const override { return 3; }

    bool registerFunctions(QSqlDatabase& db) const override {
        sqlite3* handle = sqliteHandle(db.isValid() ? db.driver() : nullptr);
        return registerValFunction(handle) && registerUpperFunction(handle);
    }

    QStringList sessionSettings() const override {
        return {QStringLiteral("PRAGMA synchronous=FULL"),
                QStringLiteral("PRAGMA cache_size=-%1").arg(Connection::CacheKiB)};
    }
};

} // namespace

sqlite3* sqliteHandle(const QSqlDriver* driver) {
    if (!driver)
        return nullptr;
    const QVariant v = driver->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(v.data());
    return nullptr;
}

const Dialect& sqliteDialect() {
    static const SqliteDialect dialect;
    return dialect;
}

const Dialect& Dialect::of(const QSqlDatabase& /*db*/) {
    // The one place that picks the engine's SQL from the connection. A server
    // engine's driver (db.driver()->dbmsType()) gets its own dialect here.
    return sqliteDialect();
}

} // namespace vdn
