#pragma once

#include "data/data_error.h"

#include <QSqlDatabase>

namespace vdn {

struct ShopIdentity {
    QString code;    // spe_cod
    QString name;    // spe_nom
    QString licence; // spe_lic
};

// All SQL of table strspecif.
class ShopStore {
public:
    explicit ShopStore(QSqlDatabase db) : db_(std::move(db)) {}
    // The first row; an empty table is a failure (no current record).
    Result<ShopIdentity> first() const;
    Status insert(const ShopIdentity& shop);

    // The shop's driller, named on every drilling sheet. A name left null or
    // empty by another program reads as the default one.
    Result<QString> driller() const;
    // Names the shop's driller: the name trimmed, cut to DrillerMaxLength
    // characters; an empty name is refused. An empty table is a failure.
    Status setDriller(const QString& name);

    // The rule profile the drillings are checked against, beside the
    // driller: "USBC" or "IBF" (the default, also for any other text).
    Result<QString> ruleProfile() const;
    Status setRuleProfile(const QString& profile);

private:
    QSqlDatabase db_;
};

} // namespace vdn
