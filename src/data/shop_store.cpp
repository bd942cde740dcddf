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
QString selectDriller(const Dialect& d) {
    return selectText(Table, {drillerField()}) + QStringLiteral(" ORDER BY ") + d.additionOrder() +
           QStringLiteral(" LIMIT 1");
}

QString selectRuleProfile(const Dialect& d) {
    return selectText(Table, {ruleProfileField()}) + QStringLiteral(" ORDER BY ") +
           d.additionOrder() + QStringLiteral(" LIMIT 1");
}

DataError emptyTable() {
    return DataError::other(errnum::NoCurrentRecord,
                            QStringLiteral("Aucun enregistrement en cours : la table "
                                           "strspecif (identité du magasin) est vide"));
}
} // namespace

Result<ShopIdentity> ShopStore::first() const {
    Statement q(db_, selectFirst(Dialect::of(db_)));
    Result<bool> found = q.execFirst();
    if (!found)
        return found.error();
    if (!*found)
        return emptyTable();
    return ShopIdentity{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
}

Status ShopStore::insert(const ShopIdentity& shop) {
    Statement q(db_, insertText(Table, specifFields()));
    q.bind(shop.code).bind(shop.name).bind(shop.licence);
    return q.exec();
}

Result<QString> ShopStore::driller() const {
    Statement q(db_, selectDriller(Dialect::of(db_)));
    Result<bool> found = q.execFirst();
    if (!found)
        return found.error();
    if (!*found)
        return emptyTable();
    const QString name = q.text(0).trimmed();
    return name.isEmpty() ? defaultDriller() : name;
}

Status ShopStore::setDriller(const QString& name) {
    const QString kept = name.trimmed().left(DrillerMaxLength).trimmed();
    if (kept.isEmpty())
        return DataError::other(errnum::InvalidValue,
                                QStringLiteral("Le nom du perceur ne peut pas être vide."));
    // The table holds the shop's one row; every row gets the name, so that the
    // row read first always carries it.
    Statement q(db_, QStringLiteral("UPDATE %1 SET %2 = ?").arg(Table, drillerField()));
    if (Status s = q.bind(kept).exec(); !s)
        return s;
    if (q.rowsAffected() < 1)
        return emptyTable();
    return {};
}

Result<QString> ShopStore::ruleProfile() const {
    Statement q(db_, selectRuleProfile(Dialect::of(db_)));
    Result<bool> found = q.execFirst();
    if (!found)
        return found.error();
    if (!*found)
        return emptyTable();
    // Anything another program wrote but "USBC" reads as the default.
    return q.text(0).trimmed().compare(QLatin1String("USBC"), Qt::CaseInsensitive) == 0
               ? QStringLiteral("USBC")
               : QStringLiteral("IBF");
}

Status ShopStore::setRuleProfile(const QString& profile) {
    if (profile != QLatin1String("USBC") && profile != QLatin1String("IBF"))
        return DataError::other(errnum::InvalidValue,
                                QStringLiteral("Profil de règles inconnu : %1").arg(profile));
    Statement q(db_, QStringLiteral("UPDATE %1 SET %2 = ?").arg(Table, ruleProfileField()));
    if (Status s = q.bind(profile).exec(); !s)
        return s;
    if (q.rowsAffected() < 1)
        return emptyTable();
    return {};
}

} // namespace vdn
