#pragma once

#include <QString>

#include <memory>

namespace vdn {

// What keeps a restore and an import apart: the restore's own lock beside the
// database, held for the import's length (a program starting meanwhile waits
// for it, as during a restore). Null when a restore holds it for longer than a
// starting program would wait: the import then writes nothing. A folder where
// the lock cannot be made (read-only) gives a lock that holds nothing.
std::shared_ptr<void> takeRestoreLock(const QString& base);

// `vordan --importer FICHIER [--correspondance FICHIER.ini] [--doublons
// CHOIX] [--feuille N|NOM] [--essai]`: the customers of FICHIER (of the sheet
// named, else the first) imported into the database named by CHEMIN.QZ, with the columns of the
// mapping file (else those kept for its header line, else the guess). Duplicates are as
// `duplicates` says
// ("ignorer", "completer", "ajouter"), else as the mapping file says, else
// skipped. Prints the mapping used and the report on stderr; returns the
// exit status (0 done, 1 nothing imported because of a failure).
struct ImportCommand {
    QString file;
    QString mappingFile;
    QString duplicates;
    QString sheet;
    bool dryRun = false;
};
int runImportCommand(const ImportCommand& command);

} // namespace vdn
