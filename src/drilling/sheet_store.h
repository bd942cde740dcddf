#pragma once

#include "data/data_error.h"

#include <QSqlDatabase>
#include <QString>

namespace vdn {

// All SQL of table strpercage.
class SheetStore {
public:
    explicit SheetStore(QSqlDatabase db) : db_(std::move(db)) {}

    QSqlDatabase database() const { return db_; }

    // Whether the customer has a drilling sheet.
    Result<bool> exists(const QString& code) const;
    // The highest whole-number customer code that holds a sheet, 0 when
    // there is none.
    Result<int> highestCode() const;

private:
    QSqlDatabase db_;
};

} // namespace vdn
