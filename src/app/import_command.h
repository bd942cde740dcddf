#pragma once

#include <QString>

#include <memory>

namespace vdn {

// What keeps a restore from replacing the database while an import writes
// to it: the lock a running VORDAN holds beside its database, taken once more
// for the import's length. Never null; a folder where the lock cannot be made
// (read-only) gives a lock that holds nothing, as at start-up.
std::shared_ptr<void> takeRestoreLock(const QString& base);

// `vordan --importer FICHIER [--correspondance FICHIER.ini] [--essai]`: the
// customers of FICHIER imported into the database named by CHEMIN.QZ, with
// the mapping of the file (else the one kept for its header line, else the
// guess). Prints the report on stderr; returns the exit status (0 done, 1
// nothing imported because of a failure).
int runImportCommand(const QString& file, const QString& mappingFile, bool dryRun);

} // namespace vdn
