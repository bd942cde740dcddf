#pragma once

#include "data/data_error.h"

#include <QString>

#include <optional>

class QSqlQuery;
class QWidget;

namespace vdn {

struct Services;

// The text of the field at `place` in the current row of a report's query;
// empty where the query has no such field (place -1).
QString fieldAt(const QSqlQuery& rows, int place);

// Puts a report's executed query on its first row. Returns what the report
// ends with when there is nothing to draw: the query's failure, or success
// once `nothingToPrint` was shown for a query without rows (the pointer back
// to normal first). Returns nothing when the first row is there to draw.
std::optional<Status> moveToFirstRow(QSqlQuery& rows, const QString& nothingToPrint,
                                     const Services& services, QWidget* owner);

} // namespace vdn
