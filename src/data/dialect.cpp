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

    QString sortKeyColumn(const QString& name) const override {
        // BINARY, the default collation, compares the UTF-8 bytes.
        return name + QStringLiteral(" TEXT");
    }

    QStringList keyTriggers(const QString& trigger, const QString& table, const QString& key,
                            const QList<KeySource>& texts,
                            const QList<KeyOf>& others) const override {
        // Plain SQL and built-in functions only: a tool that writes a row
        // without VORDAN fires them too. upper() changes ASCII letters only,
        // as the raw text compares elsewhere in the file.
        const auto provisional = [](const QString& text) {
            return QStringLiteral("upper(coalesce(NEW.%1, ''))").arg(text);
        };
        QStringList sources, changed, onInsert, onUpdate;
        for (const KeySource& t : texts) {
            sources << t.text;
            // BINARY: a change of case or accent counts as a change.
            changed << QStringLiteral("NEW.%1 IS NOT OLD.%1 COLLATE BINARY").arg(t.text);
            onInsert << QStringLiteral("%1 = coalesce(%1, %2)").arg(t.key1, provisional(t.text));
            onUpdate << QStringLiteral("%1 = %2").arg(t.key1, provisional(t.text))
                     << t.key2 + QStringLiteral(" = NULL");
        }
        for (const KeyOf& o : others) {
            sources << o.source;
            changed << QStringLiteral("NEW.%1 IS NOT OLD.%1 COLLATE BINARY").arg(o.source);
            onUpdate << o.key + QStringLiteral(" = NULL");
        }
        const QString where = QStringLiteral(" WHERE %1 = NEW.%1; END").arg(key);
        const QString inserted = trigger + QStringLiteral("_ajout");
        const QString updated = trigger + QStringLiteral("_modif");
        return {
            QStringLiteral("DROP TRIGGER IF EXISTS ") + inserted,
            QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 WHEN NEW.%3 IS NULL BEGIN "
                           "UPDATE %2 SET %4")
                    .arg(inserted, table, texts.first().key2, onInsert.join(QStringLiteral(", "))) +
                where,
            QStringLiteral("DROP TRIGGER IF EXISTS ") + updated,
            QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %2 ON %3 WHEN %4 BEGIN "
                           "UPDATE %3 SET %5")
                    .arg(updated, sources.join(QStringLiteral(", ")), table,
                         changed.join(QStringLiteral(" OR ")),
                         onUpdate.join(QStringLiteral(", "))) +
                where};
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
