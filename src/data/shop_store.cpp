#include "data/shop_store.h"

#include "data/schema.h"
#include "data/statement.h"

namespace vdn {

namespace {
const QString Table = QStringLiteral("strspecif");

QString selectFirst(const Dialect& d) {
    return selectText(Table, specifFields()) + QStringLiteral(" ORDER BY ") + d.additionOrder() +
           QStringLiteral(" LIMIT 1");
}
} // namespace

Result<ShopIdentity> ShopStore::first() const {
    Statement q(db_, selectFirst(Dialect::of(db_)));
    Result<bool> found = q.execFirst();
    if (!found)
        return found.error();
    if (!*found)
        return DataError::other(errnum::NoCurrentRecord,
                                QStringLiteral("Aucun enregistrement en cours : la table "
                                               "strspecif (identité du magasin) est vide"));
    return ShopIdentity{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
}

Status ShopStore::insert(const ShopIdentity& shop) {
    Statement q(db_, insertText(Table, specifFields()));
    q.bind(shop.code).bind(shop.name).bind(shop.licence);
    return q.exec();
}

} // namespace vdn
