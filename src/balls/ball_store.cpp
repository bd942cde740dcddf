#include "balls/ball_store.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace vdn {

namespace {
const QString SelectHighestLine =
    QStringLiteral("SELECT max(val(MAT_LG)) FROM strmateriel WHERE MAT_CODE = ?");
const QString DeleteOfCustomer = QStringLiteral("DELETE FROM strmateriel WHERE MAT_CODE = ?");

DataError notOpen() {
    return DataError::other(errnum::DatabaseNotFound,
                            QStringLiteral("La base de données n'est pas ouverte"));
}
} // namespace

Result<int> BallStore::highestLine(const QString& code) const {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(SelectHighestLine))
        return DataError::fromQuery(q);
    q.addBindValue(code);
    if (!q.exec() || !q.next())
        return DataError::fromQuery(q);
    // The whole part of the highest number; a text too large for a line
    // number cannot overflow the result.
    const double highest = q.value(0).toDouble();
    return int(std::clamp(std::floor(highest), 0.0, 1e9));
}

Status BallStore::removeAllOf(const QString& code) {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    if (!q.prepare(DeleteOfCustomer))
        return DataError::fromQuery(q);
    q.addBindValue(code);
    if (!q.exec())
        return DataError::fromQuery(q);
    return {};
}

} // namespace vdn
