#include "support/older_schema.h"

#include "data/schema.h"

namespace vdn::test {

QStringList importHistoryDrops() {
    return {QStringLiteral("DROP TABLE ") + importStagingTable(),
            QStringLiteral("DROP TABLE ") + importCodeTable(),
            QStringLiteral("DROP TABLE ") + importTable()};
}

bool backToVersion3(Connection& c) {
    QStringList sql;
    // The customer columns that came after version 3.
    for (int v = 4; v <= SchemaVersion; ++v)
        for (const QString& column : customerColumnsSince(v))
            sql << QStringLiteral("ALTER TABLE strclient DROP COLUMN ") + column;
    for (const QString& table : revisedTables())
        sql << QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(table, revisionField());
    sql << importHistoryDrops();
    sql << QStringList{QStringLiteral("DROP TABLE ") + ballDrillingTable(),
                       QStringLiteral("ALTER TABLE strspecif DROP COLUMN ") + ruleProfileField(),
                       QStringLiteral("DROP TABLE ") + sheetHistoryTable(),
                       QStringLiteral("ALTER TABLE strspecif DROP COLUMN ") + drillerField(),
                       QStringLiteral("PRAGMA user_version = 3")};
    for (const QString& statement : sql)
        if (Status s = c.execute(statement); !s) {
            qWarning("%s: %s", qPrintable(statement), qPrintable(s.error().text));
            return false;
        }
    return true;
}

} // namespace vdn::test
