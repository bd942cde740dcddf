#pragma once

#include "data/row_reader.h"
#include "session/report_rows.h"

#include <QSqlQuery>

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

namespace vdn {

// The rows of an executed forward-only query as a report's cursor. `columns`
// gives, for each field of `Row` in order, the name of its column.
template <class Row> class QueryRows final : public RowCursor<Row> {
public:
    using Field = typename RowCursor<Row>::Field;

    // Reads a query the caller keeps.
    QueryRows(QSqlQuery& rows, std::span<const char* const> columns, qint64 count = -1)
        : reader_(rows, columns), count_(count) {}
    // Reads a query of its own.
    QueryRows(QSqlQuery&& rows, std::span<const char* const> columns, qint64 count = -1)
        : owned_(std::move(rows)), reader_(*owned_, columns), count_(count) {}

    bool next(Row& row) override {
        if (!reader_.next())
            return false;
        for (std::size_t i = 0; i < row.fields.size(); ++i)
            row.fields[i] = reader_.field(i);
        return true;
    }
    bool nextBytes(std::span<const Field> wanted, FieldBytes* out, Row& row) override {
        if (!reader_.next())
            return false;
        if (!std::ranges::equal(wanted, wanted_)) {
            // The fields' places, found once for the whole list.
            wanted_.assign(wanted.begin(), wanted.end());
            places_.clear();
            for (const Field f : wanted)
                places_.push_back(reader_.place(std::size_t(f)));
            named_ = nullptr;
        }
        if (&row != named_) {
            // A field names its place, not a value: named once, it reads
            // every row after.
            for (const Field f : wanted)
                row.fields[std::size_t(f)] = reader_.field(std::size_t(f));
            named_ = &row;
        }
        reader_.bytes(places_, out);
        return true;
    }
    Status status() const override { return reader_.status(); }
    qint64 count() const override { return count_; }

private:
    std::optional<QSqlQuery> owned_;
    RowReader reader_;
    qint64 count_;
    std::vector<Field> wanted_;
    std::vector<int> places_;
    const Row* named_ = nullptr;
};

} // namespace vdn
