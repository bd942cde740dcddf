#pragma once

// The benchmark's synthetic shop, made fast enough for a million customers:
// the program's own creation code for the schema, the shop and the first
// customers, then every other row written in bulk through SQLite's C API.

#include <QString>

#include <functional>

namespace vdn {
class Connection;
}

namespace bench {

struct Generation {
    int customers = 100000;
    // Averages: each customer has 0 to twice this many balls, each sheet 1 to
    // twice this many less one versions, drawn evenly.
    int ballsPerCustomer = 10;
    int versionsPerSheet = 10;
    // One customer in this many has a drilling sheet.
    int sheetEvery = 2;
    unsigned seed = 1;
};

// What was written.
struct Generated {
    qint64 customers = 0;
    qint64 balls = 0;
    qint64 sheets = 0;
    qint64 versions = 0;
};

// The customers the program's own demo code writes first (the laid-out
// balls of the layout window among them); the bulk writes the others.
constexpr int DemoCustomers = 12;

// Makes FOLDER's database. It is made under a name of its own in a
// subfolder, `finish` (when given) adds to it through the program's
// connection, and it takes the database's name only once complete: an
// interrupted generation never leaves a database to be reused. Returns an
// empty text, or what failed. The memory used stays bounded (the page cache
// and one row at a time), whatever the number of customers.
QString generateDatabase(const QString& folder, const Generation& generation, Generated* written,
                         const std::function<QString(vdn::Connection&)>& finish = {});

// The rows of a database made so: customers, balls, sheets, versions.
QString countRows(const QString& file, Generated* counted);

} // namespace bench
