#pragma once

#include "data/data_error.h"

#include <QStringList>

namespace vdn {

class Connection;

// The schema version this program writes, kept in PRAGMA user_version.
constexpr int SchemaVersion = 2;

// Field names of the five tables, in their stored order.
QStringList specifFields();
QStringList clientFields();
QStringList ballFields();
QStringList sheetFields();
QStringList paramFields();

// Drilling sheet measurement numbers: 8 to 34, then 36 (there is no 35).
QList<int> sheetMeasureNumbers();
QString sheetMeasureField(int number); // 8 -> "PER_08", 36 -> "PER_36"

// Creates every table and index of the current version in a new, empty file.
Status createSchema(Connection& c);

// Checks that an existing file holds our tables and brings an older schema
// up to the current version. A file of a newer version, or one that is not a
// VORDAN database, is refused without being written to.
Status checkAndMigrate(Connection& c);

} // namespace vdn
