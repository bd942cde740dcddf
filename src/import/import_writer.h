#pragma once

#include "data/data_error.h"
#include "import/import_rows.h"

#include <QSqlDatabase>

#include <functional>

namespace vdn {

class SheetStore;

// The check of a table against the customers of the database; a code kept
// from the file that holds the drilling sheet of a customer deleted for good
// is refused too.
// `progress` as for checkImport.
Result<ImportCheck> checkAgainst(QSqlDatabase db, const TextTable& table,
                                 const ImportMapping& mapping, const CheckProgress& progress = {});

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
