#pragma once

#include "data/data_error.h"

namespace vdn {

class Connection;

struct DemoOptions {
    int customers = 40;
    // Balls per customer; 0 gives a varied count (none to five).
    int ballsPerCustomer = 0;
    // One customer in this many has a drilling sheet (1 = every one).
    int sheetEvery = 2;
    // Mark one customer in this many as deleted ("SUPPRIME"); 0 = none.
    int deletedEvery = 40;
    unsigned seed = 1;
    // Draws names and towns from much larger lists (a few hundred surnames,
    // some of them double, many more towns), so that a large generated shop
    // has the spread of a real one: a name prefix narrows the list the way
    // it would in a shop. Off, the small sets keep the sample data short.
    bool manyNames = false;
};

// Writes sample customers, balls and drilling sheets into an empty database,
// deterministically for a given seed, in one transaction. Names are French,
// some accented, some holding an apostrophe; balls are current and history.
Status insertDemoData(Connection& c, const DemoOptions& options);

} // namespace vdn
