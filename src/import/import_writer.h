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
    int lockHeldMs = 0; // how long other writers were kept waiting
};

// Writes the rows of the check that are to be written, all or nothing, in one
// transaction that takes the database's write lock first: the next free code
// is read once under it and the new customers numbered from it (past any code
// kept from the file). Completions go through the row-version check. A failure
// leaves the database as it was and names the file line; so does a code that
// another workstation took meanwhile. The codes given are written back into
// the check's rows.
Result<WriteOutcome> writeImport(QSqlDatabase db, const SheetStore& sheets, ImportCheck& check,
                                 const ImportProgress& progress = {});

} // namespace vdn
