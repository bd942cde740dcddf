#include "drilling/sheet_store.h"

#include <QSqlQuery>
#include <QVariant>

namespace vdn {

namespace {
const QString SelectOne = QStringLiteral("SELECT 1 FROM strpercage WHERE per_code = ? LIMIT 1");
const QString SelectHighestCode =
    QStringLiteral("SELECT max(CAST(per_code AS INTEGER)) FROM strpercage "
                   "WHERE length(per_code) BETWEEN 1 AND 6 AND per_code NOT GLOB '*[^0-9]*'");

DataError notOpen() {
    return DataError::other(errnum::DatabaseNotFound,
                            QStringLiteral("La base de données n'est pas ouverte"));
}
} // namespace

Result<bool> SheetStore::exists(const QString& code) const {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(SelectOne))
        return DataError::fromQuery(q);
    q.addBindValue(code);
    if (!q.exec())
        return DataError::fromQuery(q);
    return q.next();
}

Result<int> SheetStore::highestCode() const {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(SelectHighestCode))
        return DataError::fromQuery(q);
    if (!q.exec() || !q.next())
        return DataError::fromQuery(q);
    return q.value(0).toInt();
}

} // namespace vdn
