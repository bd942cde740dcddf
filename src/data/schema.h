#pragma once

#include "data/ball_fields.h"
#include "data/customer_fields.h"
#include "data/data_error.h"
#include "data/drilling_fields.h"

#include <QStringList>
#include <QVariantList>

#include <algorithm>

namespace vdn {

class Connection;
class Dialect;
class Progress;

// The schema version this program writes, kept in PRAGMA user_version (in
// the table vdn_version on a server). A field added to CustomerFields,
// BallFields or DrillingFields with a newer `since` brings its own version:
// its column is added by that version's upgrade.
constexpr int SchemaVersion =
    std::max({11, newestCustomerColumn(), newestBallColumn(), newestDrillingColumn()});
// The version whose upgrade turns the computed layout measures kept as shown
// text into numbers (storedInches()).
constexpr int MeasuresAsNumbersVersion = 10;

// What the upgrades this program made left as they were, one line each for
// the user (a stored text that could not be read), since the last call.
QStringList takeUpgradeReport();

// Field names of the five tables, in their stored order (the customer's from
// CustomerFields).
QStringList specifFields();
QStringList clientFields();
QStringList ballFields();
QStringList sheetFields();
QStringList paramFields();

// The ordering and search keys stored beside the customer's name, town,
// numbers and first address line (docs/french-text.md), in this order: name
// key 1 and key 2, town key 1 and key 2, digits of the phone, mobile and fax
// numbers, address key 1 and key 2. A row
// written by another program gets provisional keys from the file's triggers
// (key 1 the raw text in capitals) and a null name key 2, the mark of a row
// whose keys the program computes.
QStringList clientKeyFields();
// The values of clientKeyFields() for a customer's texts, as texts (a byte
// array would be bound as a BLOB, sorted after every text); an empty text
// gives an empty key, never a null one.
QVariantList clientKeyValues(const QString& name, const QString& town, const QString& tel,
                             const QString& gsm, const QString& fax, const QString& address);

// Drilling sheet measurement numbers: 8 to 34, then 36 (there is no 35).
QList<int> sheetMeasureNumbers();
QString sheetMeasureField(int number); // 8 -> "PER_08", 36 -> "PER_36"

// The shop's driller, a column of strspecif beside the shop identity: the
// name printed after "Perceur : " on every drilling sheet.
QString drillerField();   // "spe_perceur"
QString defaultDriller(); // the name a new or upgraded file starts with
constexpr int DrillerMaxLength = 30;

// The dated versions of every drilling sheet, one row per validation, kept
// beside strpercage (which stays the one current sheet per customer).
QString sheetHistoryTable(); // "strpercage_hist"
// The history's own fields: the customer code, the version's number within
// that code (six digits, 000001 for the first), the date and time it was
// validated ("yyyy-MM-dd HH:mm:ss") and the driller's name at that time.
QStringList sheetHistoryKeyFields();
// Every field of a history row: sheetHistoryKeyFields(), then every field of
// strpercage but per_code, in their stored order.
QStringList sheetHistoryFields();

// The rule profile the shop checks its drillings against, a column of
// strspecif beside the driller: "USBC" or "IBF"; a new or upgraded file
// starts with "IBF".
QString ruleProfileField(); // "spe_regles"
// The drilling record of every ball, one row per drilling, kept when the
// ball or its customer is deleted (like the sheet history).
QString ballDrillingTable(); // "strperc_boule"
// Its fields, in their stored order: the ball's key, the drilling's number
// within that ball (six digits, 000001 for the first), then what was drilled.
QStringList ballDrillingFields();

// Every import of customers from a file, one row each: its number (six
// digits), when it began ("yyyy-MM-dd HH:mm:ss"), the file, the workstation,
// its counts (rows read, created, completed, skipped, refused), its state
// (importStates()) and when it was undone.
QString importTable(); // "strimport"
QStringList importFields();
// The codes of the customers each import created, one row each.
QString importCodeTable(); // "strimport_client"
QStringList importCodeFields();
// The rows an import is writing, kept apart until they are switched into
// strclient in one short transaction: the import's number, the row's place
// in the file's order, whether its code was numbered by the program ('1')
// or kept from the file, then every customer field and its keys.
QString importStagingTable(); // "strimport_attente"
QStringList importStagingFields();

// The row version the program keeps in each table whose rows a user edits
// (strclient, strmateriel, strpercage): 0 for a new row, one more at each
// change the program writes. A write made against the version that was read
// finds the row changed elsewhere when it no longer holds that version.
QString revisionField(); // "vdn_rev"
QStringList revisedTables();

// The statements that make every table, index and function of the current
// version in a new, empty database, its version written last.
QStringList schemaStatements(const Dialect& d);
// Runs them inside the caller's transaction.
Status writeSchema(Connection& c);
// Runs them in one transaction of their own.
Status createSchema(Connection& c);
// Every table of the current version (the five tables, the sheet history,
// the balls' drillings, then the import history), in the order a copy fills
// them. The rows an import is still writing are not among them.
QStringList schemaTables();
// True when the database holds none of these tables.
Result<bool> holdsNoTables(Connection& c);

// Checks that an existing file holds our tables and brings an older schema
// up to the current version. A file of a newer version, or one that is not a
// VORDAN database, is refused without being written to. An upgrade reports
// to `progress` the statements it has run of those it runs (it is never
// stopped: the answer is not asked); a file at the current version reports
// nothing.
Status checkAndMigrate(Connection& c, Progress* progress = nullptr);

// Who else has the database open: on a file, the other programs holding its
// lock files; on a server, the VORDAN sessions marked open, each named as
// "VORDAN <poste> (address)", other than this connection alone or than
// every connection of this program.
enum class OwnSessions { ThisConnection, ThisProgram };
Result<QStringList> otherSessions(Connection& c, OwnSessions own);

} // namespace vdn
