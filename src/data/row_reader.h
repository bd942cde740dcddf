#pragma once

#include "data/data_error.h"

#include <QString>

#include <span>
#include <vector>

class QSqlQuery;
struct sqlite3_stmt;

namespace vdn {

class RowReader;

// One field of the row a RowReader stands on. It names the field, not a copy
// of its value: it reads the reader's current row, whichever that is.
class RowText {
public:
    RowText() = default;

    // The field's stored UTF-8 bytes, when the database hands them over as
    // such (text read straight from the engine's statement); false otherwise,
    // and for a field that is absent. The bytes last until the next row.
    bool utf8(const char*& data, int& size) const;
    // True for a field the query does not have, or a null read from the
    // engine's statement: nothing is written for it.
    bool isAbsent() const;
    // The text of the field as the database driver gives it: empty for an
    // absent field or a null.
    QString toString() const;

private:
    friend class RowReader;
    RowText(const RowReader* reader, int column) : reader_(reader), column_(column) {}

    const RowReader* reader_ = nullptr;
    int column_ = -1;
};

// Reads an executed forward-only query row after row, field by field, for the
// reports and the export. On SQLite the rows after the first are stepped on
// the query's own statement and their text read as UTF-8, rather than
// converted to UTF-16 and wrapped in variants by the driver; the texts are the
// same. The query is finished once read to its end or after a failure.
class RowReader {
public:
    // `columns` are the names of the fields to read, in the order field()
    // numbers them; a name the query does not have gives an absent field.
    RowReader(QSqlQuery& rows, std::span<const char* const> columns);

    // Moves to the next row (the first on the first call); false at the end
    // and after a failure, which status() then carries.
    bool next();
    // A query that did not run is a failure from the start.
    const Status& status() const { return status_; }
    RowText field(std::size_t i) const { return RowText(this, places_[i]); }
    std::size_t fieldCount() const { return places_.size(); }

private:
    friend class RowText;
    bool fail(const DataError& error);

    QSqlQuery& rows_;
    std::vector<int> places_;
    sqlite3_stmt* statement_ = nullptr;
    bool started_ = false;
    bool stepping_ = false; // the statement stands on a row stepped here
    bool done_ = false;
    Status status_;
};

} // namespace vdn
