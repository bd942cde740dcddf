#include "reference/param_store.h"

#include "data/connection.h"

#include <QSqlQuery>

namespace vdn {

namespace {
const QString SelectText =
    QStringLiteral("SELECT par_lib FROM strparam WHERE par_table = ? ORDER BY par_lib, rowid");
// Equal numbers keep a stable order: by text, then by insertion.
const QString SelectNumeric = QStringLiteral(
    "SELECT par_lib FROM strparam WHERE par_table = ? ORDER BY val(par_lib), par_lib, rowid");
// Compared in capitals as Qt writes them, so accented letters match whatever
// their case; a table's list is short, so reading it through is cheap.
const QString SelectOne = QStringLiteral(
    "SELECT 1 FROM strparam WHERE par_table = ? AND vdn_upper(par_lib) = ? LIMIT 1");
const QString Insert =
    QStringLiteral("INSERT OR IGNORE INTO strparam (par_table, par_lib) VALUES (?, ?)");
const QString InsertNew = QStringLiteral("INSERT INTO strparam (par_table, par_lib) VALUES (?, ?)");
const QString Delete = QStringLiteral("DELETE FROM strparam WHERE par_table = ? AND par_lib = ?");
} // namespace

Result<QStringList> ParamStore::values(int code, ListOrder order) const {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(order == ListOrder::Text ? SelectText : SelectNumeric))
        return DataError::fromQuery(q);
    q.addBindValue(QString::number(code));
    if (!q.exec())
        return DataError::fromQuery(q);
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

Result<bool> ParamStore::contains(int code, const QString& value) const {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(SelectOne))
        return DataError::fromQuery(q);
    q.addBindValue(QString::number(code));
    q.addBindValue(value.isNull() ? QString(QLatin1String("")) : value.toUpper());
    if (!q.exec())
        return DataError::fromQuery(q);
    return q.next();
}

Status ParamStore::add(int code, const QString& value) {
    QSqlQuery q(db_);
    if (!q.prepare(Insert))
        return DataError::fromQuery(q);
    q.addBindValue(QString::number(code));
    q.addBindValue(value.isNull() ? QString(QLatin1String("")) : value);
    if (!q.exec())
        return DataError::fromQuery(q);
    return {};
}

Result<bool> ParamStore::addIfNew(int code, const QString& value) {
    const QString text = value.isNull() ? QString(QLatin1String("")) : value;
    // Look-up (in capitals, see contains()) and insert in one transaction so
    // nothing can slip in between.
    Transaction t(db_);
    if (!t.started())
        return t.started().error();
    Result<bool> known = contains(code, text);
    if (!known)
        return known.error();
    if (*known)
        return false;
    QSqlQuery q(db_);
    if (!q.prepare(InsertNew))
        return DataError::fromQuery(q);
    q.addBindValue(QString::number(code));
    q.addBindValue(text);
    if (!q.exec())
        return DataError::fromQuery(q);
    if (Status s = t.commit(); !s)
        return s.error();
    return true;
}

Status ParamStore::remove(int code, const QString& value) {
    QSqlQuery q(db_);
    if (!q.prepare(Delete))
        return DataError::fromQuery(q);
    q.addBindValue(QString::number(code));
    q.addBindValue(value.isNull() ? QString(QLatin1String("")) : value);
    if (!q.exec())
        return DataError::fromQuery(q);
    return {};
}

} // namespace vdn
