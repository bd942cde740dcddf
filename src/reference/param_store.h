#pragma once

#include "data/data_error.h"

#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QStringList>

#include <utility>

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
    // The lists of several codes read in one statement, each as
    // values(code, ListOrder::Text) gives it (a code without values: an
    // empty list).
    Result<QHash<int, QStringList>> textValues(const QList<int>& codes) const;
    // The lists of several codes, each in its own order as values() gives
    // it, read in one statement (a code without values: an empty list).
    Result<QHash<int, QStringList>> listValues(const QList<std::pair<int, ListOrder>>& lists) const;
    // The values of several codes in capitals as contains() compares them,
    // read in one statement: a window checks all its pick lists at once.
    Result<QHash<int, QSet<QString>>> knownValues(const QList<int>& codes) const;
    // A value as knownValues() holds it.
    static QString knownForm(const QString& value) { return value.toUpper(); }
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
