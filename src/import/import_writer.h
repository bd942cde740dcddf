#pragma once

#include "customers/customer_store.h"
#include "data/data_error.h"
#include "import/import_rows.h"

#include <QHash>
#include <QSet>
#include <QSqlDatabase>

#include <functional>

namespace vdn {

class SheetStore;

// The customers in the database an import's rows may meet, read through the
// indexes rather than all at once, each name's range once: what is read is
// kept by folded name, and a batch gets only the customers of its rows' names
// and codes. Those whose name key begins with a blank or a sign (a name that
// does not begin with its first word), or whose keys another program left to
// compute, are read once at the start. Kept from one check to the next, a
// change of the columns' fields reads only the names it brings anew.
class ExistingCustomers {
public:
    explicit ExistingCustomers(QSqlDatabase db);
    Result<QList<CustomerRecord>> operator()(const QStringList& codes, const QStringList& names);
    // Forgets what was read: the next look-up reads the database again.
    void clear();

    // A customer read, with its place in the order of addition.
    struct Placed {
        qint64 order;
        CustomerRecord record;
    };

private:
    // Keeps the customers read, each once, by folded name.
    void keep(const QList<Placed>& read);

    QSqlDatabase db_;
    bool started_ = false;
    QSet<QString> askedWords_;
    QList<Placed> placed_;              // every customer read
    QHash<QString, qsizetype> placeOf_; // a code to its place in placed_
    QHash<QString, QList<qsizetype>> byName_;
};

// The check of a table against the customers of the database; a code kept
// from the file that holds the drilling sheet of a customer deleted for good
// is refused too.
// `progress` as for checkImport. `read`, when given, is what earlier checks
// of the same file read, and keeps what this one reads.
Result<ImportCheck> checkAgainst(QSqlDatabase db, const TextTable& table,
                                 const ImportMapping& mapping, const CheckProgress& progress = {},
                                 ExistingCustomers* read = nullptr);

// The refusal of an import while a restore of the database is under way.
inline QString restoreUnderWayText() {
    return QStringLiteral("Une restauration de sauvegarde est en cours sur la base : l'import "
                          "n'a rien écrit. Recommencez quand elle sera terminée.");
}

// Called now and then while rows are written, with how many were; false
// stops the import, which then writes nothing.
using ImportProgress = std::function<bool(int done, int total)>;

struct WriteOutcome {
    bool cancelled = false;
    ImportCounts counts;
    QString number;     // the import's number in the history
    int lockHeldMs = 0; // the longest other writers were kept waiting at once
};

// Writes the rows of the check that are to be written, all or nothing, and
// keeps the import in the history under the name `file`. The new customers
// are first written apart (strimport_attente), a batch per transaction, each
// holding the database's write lock well under a second; then one short
// transaction that takes the write lock switches them into the customer
// table with the completions (through the row-version check). They are
// numbered from the next free code (past any code kept from the file), read
// again at the switch: a customer another workstation added meanwhile moves
// the import's numbers on. A failure leaves the customers as they were and
// names the file line; so does a code kept from the file that another
// workstation took meanwhile. The codes given are written back into the
// check's rows.
Result<WriteOutcome> writeImport(QSqlDatabase db, const SheetStore& sheets, ImportCheck& check,
                                 const QString& file, const ImportProgress& progress = {});

} // namespace vdn
