#pragma once

#include "data/data_error.h"

#include <QString>

#include <memory>
#include <span>
#include <vector>

class QSqlQuery;

namespace vdn {

class RowSource;

// One field of a row as a writer of bytes takes it, read with the other
// fields of the row in one call: the UTF-8 bytes the engine holds for a text
// (not checked, valid until the next row), nothing for a null or a field the
// query does not have, or (Other) a field to be read through
// RowText::toString().
struct FieldBytes {
    enum class Kind : unsigned char { Utf8, Absent, Other };
    const char* data = nullptr;
    int size = 0;
    Kind kind = Kind::Other;
};

// One field of the row a RowReader stands on. It names the field, not a copy
// of its value: it reads the reader's current row, whichever that is.
class RowText {
public:
    RowText() = default;

    // The field's stored UTF-8 bytes, when the engine hands them over as
    // such (see RowSource::utf8()); false otherwise, and for a field that is
    // absent. The bytes last until the next row.
    bool utf8(const char*& data, int& size) const;
    // True for a field the query does not have, or a null: nothing is
    // written for it.
    bool isAbsent() const;
    // The text of the field as the database driver gives it: empty for an
    // absent field or a null.
    QString toString() const;

private:
    friend class RowReader;
    RowText(const RowSource* source, int column) : source_(source), column_(column) {}

    const RowSource* source_ = nullptr;
    int column_ = -1;
};

// Reads an executed forward-only query row after row, field by field, for the
// reports and the export, through the bulk read of its engine (bulkRead() in
// data/dialect.h), the fields named once rather than looked up on each row.
class RowReader {
public:
    // `columns` are the names of the fields to read, in the order field()
    // numbers them; a name the query does not have gives an absent field.
    RowReader(QSqlQuery& rows, std::span<const char* const> columns);
    ~RowReader();

    // Moves to the next row (the first on the first call); false at the end
    // and after a failure, which status() then carries.
    bool next();
    // A query that did not run is a failure from the start.
    const Status& status() const;
    RowText field(std::size_t i) const { return RowText(source_.get(), places_[i]); }
    // The fields at `places` (place() of each, -1 for one the query does not
    // have) of the current row as bytes, one per place in `out`.
    void bytes(std::span<const int> places, FieldBytes* out) const;
    int place(std::size_t i) const { return places_[i]; }
    std::size_t fieldCount() const { return places_.size(); }

private:
    std::unique_ptr<RowSource> source_;
    std::vector<int> places_;
};

} // namespace vdn
