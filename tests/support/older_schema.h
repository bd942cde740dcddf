#pragma once

#include "data/connection.h"

namespace vdn::test {

// Takes a file of the current version back to version 3, as the program
// before the sheet history and the shop's driller left it: no history table,
// no driller column in strspecif, no row versions (nor the drillings, the
// rule profile and the customer columns that came later). False (with a warning) on a failure.
bool backToVersion3(Connection& c);

} // namespace vdn::test
