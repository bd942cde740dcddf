#include "data/shop_store.h"

#include <QSqlQuery>

namespace vdn {

namespace {
const QString SelectFirst =
    QStringLiteral("SELECT spe_cod, spe_nom, spe_lic FROM strspecif ORDER BY rowid LIMIT 1");
const QString Insert =
    QStringLiteral("INSERT INTO strspecif (spe_cod, spe_nom, spe_lic) VALUES (?, ?, ?)");
} // namespace

Result<ShopIdentity> ShopStore::first() const {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(SelectFirst) || !q.exec())
        return DataError::fromQuery(q);
    if (!q.next())
        return DataError::other(errnum::NoCurrentRecord,
                                QStringLiteral("Aucun enregistrement en cours : la table "
                                               "strspecif (identité du magasin) est vide"));
    return ShopIdentity{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
}

Status ShopStore::insert(const ShopIdentity& shop) {
    QSqlQuery q(db_);
    if (!q.prepare(Insert))
        return DataError::fromQuery(q);
    q.addBindValue(shop.code);
    q.addBindValue(shop.name);
    q.addBindValue(shop.licence);
    if (!q.exec())
        return DataError::fromQuery(q);
    return {};
}

} // namespace vdn
