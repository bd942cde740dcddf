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

private:
    QSqlDatabase db_;
};

} // namespace vdn
