#pragma once

#include <QStringList>

#include "data/connection.h"

namespace vdn::test {

// Takes a file of the current version back to version 3, as the program
// before the sheet history and the shop's driller left it: no history table,
// no driller column in strspecif, no row versions (nor the drillings, the
// rule profile and the customer columns that came later). False (with a warning) on a failure.
bool backToVersion3(Connection& c);
// The statements that take a database back before the import history
// (version 10), schema version left to the caller.
QStringList importHistoryDrops();

} // namespace vdn::test
