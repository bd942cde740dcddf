#pragma once

#include "data/data_error.h"

#include <QSqlDatabase>
#include <QStringList>

namespace vdn {

// Order in which the values of one reference table are listed.
enum class ListOrder {
    Text,    // French order of the whole value (accents and case after the letters)
    Numeric, // the leading number of the value, read by val()
};

// All SQL of table strparam: the reference values behind the pick lists.
class ParamStore {
public:
    explicit ParamStore(QSqlDatabase db) : db_(std::move(db)) {}

    Result<QStringList> values(int code, ListOrder order) const;
    // Whether the value is known under the code (text comparison ignores case).
    Result<bool> contains(int code, const QString& value) const;
    // Adds a value unless it is known already.
    Status add(int code, const QString& value);
    // Adds a value unless one equal to it without regard to case, accented
    // letters included, is known under the code. Returns whether it was added.
    Result<bool> addIfNew(int code, const QString& value);
    Status remove(int code, const QString& value);

private:
    QSqlDatabase db_;
};

} // namespace vdn
