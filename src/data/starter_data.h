#pragma once

#include "data/data_error.h"

#include <QList>
#include <QStringList>

class QSqlDatabase;

namespace vdn {

struct StarterList {
    int code;
    QStringList values;
};

// The reference values a new database starts with: one list for every code a
// pick list reads (0 to 24, 28 to 32, 34 and 36). Numbers are written the
// French way, with a comma, as the maintenance window formats them. Every
// drilling sheet list also holds the empty value, so that an empty measurement
// passes the reference check.
const QList<StarterList>& starterLists();

// Writes the starter lists into strparam (inside the caller's transaction,
// when there is one); a value already known is left as it is.
Status insertStarterLists(const QSqlDatabase& db);

} // namespace vdn
