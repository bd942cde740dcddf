#pragma once

#include "data/data_error.h"

#include <QVariantList>

#include <random>

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

// The rows insertDemoData() writes, drawn from the caller's generator, for a
// program that writes many of them its own way (the benchmark's bulk
// generation). The i-th customer (from 1): the fields of clientFields(),
// then its keys (clientKeyFields()).
QVariantList demoCustomerValues(int i, const DemoOptions& options, std::mt19937& rng);
// A ball of the customer, on its line (from 1): the fields of ballFields().
QVariantList demoBallValues(const QString& code, int line, std::mt19937& rng);
// The customer's drilling sheet: the fields of sheetFields().
QVariantList demoSheetValues(const QString& code, std::mt19937& rng);

} // namespace vdn
