#pragma once

#include "data/data_error.h"
#include "session/report_rows.h"

#include <QString>

#include <optional>

class QWidget;

namespace vdn {

struct Services;

// Shows `nothingToPrint` for a report without rows (the pointer back to
// normal first).
void sayNothingToPrint(const QString& nothingToPrint, const Services& services, QWidget* owner);

// Reads a report's first row into `row`. Returns what the report ends with
// when there is nothing to draw: the list's failure, or success once
// `nothingToPrint` was shown for a list without rows. Returns nothing when
// the first row is there to draw.
template <class Row>
std::optional<Status> moveToFirstRow(RowCursor<Row>& rows, Row& row, const QString& nothingToPrint,
                                     const Services& services, QWidget* owner) {
    if (Status s = rows.status(); !s)
        return s;
    if (rows.next(row))
        return std::nullopt;
    if (Status s = rows.status(); !s)
        return s;
    sayNothingToPrint(nothingToPrint, services, owner);
    return Status();
}

} // namespace vdn
