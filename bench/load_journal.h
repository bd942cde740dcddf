#pragma once

// The journal of a load-mode workstation and the end-of-run check of what
// the database holds against the journals of every workstation.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace bench {

// One acknowledged write: the program said it was saved.
//   Customer: `key` a customer code, `value` the text written in its third
//             address line (a token no other write uses).
//   Ball:     `key` the customer code, `line` the ball line the program gave,
//             `value` the ball's name (a token).
//   Sheet:    `key` the customer code, one validation of its sheet.
//   NewCustomer: `key` the code the program gave the new customer, `value`
//             its name (a token).
// Times are milliseconds since the epoch on this machine (every workstation
// runs here): `startMs` just before the click that saves, `ackMs` once the
// program showed the result.
struct JournalEntry {
    enum class Kind { Customer, Ball, Sheet, NewCustomer };
    Kind kind = Kind::Customer;
    int workstation = 0;
    qint64 startMs = 0;
    qint64 ackMs = 0;
    QString key;
    QString line;
    QString value;
};

// One journal line (tab separated, prefix "J") and back; nothing for a line
// that is not a journal entry.
QString journalLine(const JournalEntry& e);
bool parseJournalLine(const QString& text, JournalEntry* out);

// What the database holds at the end, for the keys the journals name.
struct StoredState {
    QHash<QString, QString> customerAddress; // code -> third address line
    QHash<QString, QString> ballName;        // "code/line" -> ball name
    QHash<QString, int> addedVersions;       // code -> sheet versions added during the run
    QHash<QString, QString> customerName;    // code -> name, for the new customers
};

struct CheckResult {
    int customerWrites = 0;
    int ballWrites = 0;
    int sheetValidations = 0;
    int newCustomers = 0;
    int lostWrites = 0;
    int duplicateLines = 0;
    int duplicateCodes = 0;
    int versionMismatches = 0;
    QStringList faults; // one French line each
    bool ok() const {
        return lostWrites == 0 && duplicateLines == 0 && duplicateCodes == 0 &&
               versionMismatches == 0;
    }
};

// The invariants:
// - a customer write W is lost when the stored value differs from W's and
//   no other journaled write of that customer was acknowledged at or after
//   W's start (only such a write can have been committed after W: the one
//   that overwrote it, be it a later edit or an overwrite chosen in the
//   "changed elsewhere" question); and whatever the order, a customer some
//   journal wrote holds one of the journaled values;
// - a ball line is acknowledged at most once per customer, and holds the
//   name written under it;
// - a customer code is given to one new customer at most, and holds the
//   name written under it;
// - every customer's sheet gained exactly as many versions as validations
//   were acknowledged for it.
CheckResult checkJournal(const QList<JournalEntry>& entries, const StoredState& stored);

} // namespace bench
