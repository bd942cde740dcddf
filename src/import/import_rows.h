#pragma once

#include "customers/customer_store.h"
#include "import/import_fields.h"
#include "import/import_text.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <bitset>
#include <functional>

namespace vdn {

// What becomes of a row of the file.
enum class RowOutcome {
    New,               // a new customer
    DuplicateInFile,   // an earlier row of the file is the same customer: ignored
    DuplicateExisting, // the customer is in VORDAN already: as `choice` says
    Refused,           // a value cannot be stored: `problems` say which
};

struct CheckedRow {
    int line = 0;                          // the file line the row starts on
    QStringList cells;                     // as read
    CustomerRecord record;                 // as it will be stored; its code is given at writing
                                           // unless the file's codes are kept
    std::bitset<CustomerFieldCount> given; // fields the file gives a value for
    QStringList problems;                  // French, one per fault
    RowOutcome outcome = RowOutcome::New;
    QString duplicateOf; // the existing customer's code, or the earlier line
    int existing = -1;   // the existing customer's place in ImportCheck::existing
                         // (also for a duplicate of a row that met it)
    DuplicateChoice choice = DuplicateChoice::Skip;
    // Met only by the same name and town, neither having a phone number or
    // an e-mail address: a possible duplicate, for the user to look at.
    bool possible = false;
};

// Puts back the leading zero a spreadsheet took from the file's phone
// numbers (nine digits) and French postcodes (four digits), in the cells of
// the columns `mapping` reads them from; the number of cells changed.
int restoreLostZeros(TextTable& table, const ImportMapping& mapping);

// One row made into a customer as the record panel writes one: capitals where
// it puts capitals, the values a new customer starts with where the file says
// nothing, each value checked against its field. Only the Code column keeps
// its text as read (in the record's Cod field).
CheckedRow buildRow(const QStringList& cells, const ImportMapping& mapping);

// Every row of the table checked: values, duplicates inside the file (same
// folded name and the same phone, mobile or e-mail, or the same name and
// town when neither has any; or the same code; or the same customer already
// in VORDAN as an earlier row), and customers already in VORDAN (likewise,
// or the same code and name when the file's codes are kept). Duplicates of an existing customer
// take the mapping's choice; keeping the file's codes refuses a code that is not a customer number
// or that is already taken.
struct ImportCheck {
    QList<CheckedRow> rows;
    QList<CustomerRecord> existing; // the customers compared with
    bool keepCodes = false;
    QList<SkippedRow> skipped; // the table's rows that are no customers
    bool cancelled = false;    // stopped by its progress: `rows` is not whole
};
ImportCheck checkImport(const TextTable& table, const ImportMapping& mapping,
                        QList<CustomerRecord> existing);

// The customers already in VORDAN that a batch of rows may meet, in their
// order of addition: every customer of one of `codes`, every one whose
// folded name (foldForSearch, blanks simplified) is one of `names`, and any
// other it likes. A customer the same as a row is always one of them, so
// that the rows can be checked a batch at a time without reading every
// customer.
using ExistingLookup = std::function<Result<QList<CustomerRecord>>(const QStringList& codes,
                                                                   const QStringList& names)>;
// Told the rows checked and their number after each batch; false stops the
// check, whose result is then `cancelled`.
using CheckProgress = std::function<bool(qsizetype done, qsizetype total)>;
// The same check, the customers in VORDAN asked of `lookup` for each batch
// of `batchSize` rows; `existing` holds only the customers met.
Result<ImportCheck> checkImport(const TextTable& table, const ImportMapping& mapping,
                                const ExistingLookup& lookup, int batchSize,
                                const CheckProgress& progress = {});

// An existing customer with the empty fields the row fills: never a filled
// field, never a field the file does not give. Unchanged when nothing fills.
CustomerRecord completed(const CustomerRecord& existing, const CheckedRow& row);

// How the rows end, as the closing message counts them.
struct ImportCounts {
    int imported = 0;  // new customers and completed ones
    int completed = 0; // of which completed
    int ignored = 0;   // duplicates not written
    int refused = 0;
    int skipped = 0; // rows of the file that are no customers (totals…)
};
ImportCounts countOutcomes(const ImportCheck& check);
// Whether the row is written: a new customer, one added anyway, or a
// completion that changes something.
bool isWritten(const ImportCheck& check, const CheckedRow& row);

// The code of the first customer the import writes, in the file's order
// (new or completed); empty when it writes none. Codes of new customers are
// known once written.
QString firstWrittenCode(const ImportCheck& check);

// "N clients importés, M ignorés (doublons), K refusés", and " ; L lignes
// écartées (titres, totaux…)" when rows were left out.
QString countsLine(const ImportCounts& counts);
// The full report: the counts, then one line per row left out or not
// imported.
QString reportText(const ImportCheck& check, bool dryRun);
// The rows left out or not imported as a CSV (UTF-8 with its byte order
// mark, ';'), in the file's order: the reason, the file line, then the
// file's own columns.
QByteArray rejectedRowsCsv(const ImportCheck& check, const QStringList& columns);

} // namespace vdn
