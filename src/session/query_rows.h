#pragma once

#include "data/row_reader.h"
#include "session/report_rows.h"

#include <QSqlQuery>

#include <optional>
#include <span>

namespace vdn {

// The rows of an executed forward-only query as a report's cursor. `columns`
// gives, for each field of `Row` in order, the name of its column.
template <class Row> class QueryRows final : public RowCursor<Row> {
public:
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
    Status status() const override { return reader_.status(); }
    qint64 count() const override { return count_; }

private:
    std::optional<QSqlQuery> owned_;
    RowReader reader_;
    qint64 count_;
};

} // namespace vdn
