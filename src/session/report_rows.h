#pragma once

#include "data/customer_fields.h"
#include "data/data_error.h"
#include "data/row_reader.h"

#include <array>
#include <cstddef>
#include <span>

namespace vdn {

// The fields of a customer that the customer list printout and the export
// read are those of CustomerFields marked `reported`; their rows are named
// by CustomerField.

// The fields of a ball that the ball list printout reads.
enum class BallReportField {
    Bag,
    Brand,
    Ball,
    Serial,
    Layout,
    Rg,
    Differential,
    Core,
    Length,
    Hook,
    Surface,
    Count
};

// How many fields a report row of `Field` has.
template <class Field> constexpr std::size_t ReportFieldCount = std::size_t(Field::Count);
template <>
inline constexpr std::size_t ReportFieldCount<CustomerField> = std::size_t(CustomerFieldCount);

// One row of a report, its fields named by `Field`.
template <class Field> struct ReportRow {
    using FieldName = Field;
    std::array<RowText, ReportFieldCount<Field>> fields{};

    const RowText& operator[](Field f) const { return fields[std::size_t(f)]; }
};

using CustomerReportRow = ReportRow<CustomerField>;
using BallReportRow = ReportRow<BallReportField>;

// The rows of a report, handed over one at a time by the store that read
// them: a report never holds the whole list.
template <class Row> class RowCursor {
public:
    virtual ~RowCursor() = default;
    // Fills `row` with the next row (the first on the first call); false at
    // the end and after a failure, which status() then carries.
    virtual bool next(Row& row) = 0;
    // The next row for a writer of bytes, as next(): its fields `wanted`, in
    // that order, as bytes in `out` (one per field), and in `row` the same
    // fields for the reading of those that are not bytes as text
    // (row[f].toString()). Asked with the same `wanted` on each row, a
    // cursor may find its fields once.
    using Field = typename Row::FieldName;
    virtual bool nextBytes(std::span<const Field> wanted, FieldBytes* out, Row& row) {
        if (!next(row))
            return false;
        for (const Field f : wanted) {
            const RowText& field = row[f];
            FieldBytes& bytes = *out++;
            if (field.utf8(bytes.data, bytes.size))
                bytes.kind = FieldBytes::Kind::Utf8;
            else
                bytes.kind = field.isAbsent() ? FieldBytes::Kind::Absent : FieldBytes::Kind::Other;
        }
        return true;
    }
    // A list that could not be read is a failure before the first row.
    virtual Status status() const = 0;
    // How many rows the list holds, or -1 when that is not known.
    virtual qint64 count() const { return -1; }
};

using CustomerRows = RowCursor<CustomerReportRow>;
using BallRows = RowCursor<BallReportRow>;

} // namespace vdn
