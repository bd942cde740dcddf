#pragma once

#include "data/database_creator.h"

#include <QStringList>

namespace vdn {

struct CommandLine {
    enum class Action { Run, Create, Restore, Transfer, Import, Help, Version, Error };
    Action action = Action::Run;
    CreateOptions create;
    QString restoreFolder;            // --restaurer DOSSIER
    QString transferFrom, transferTo; // --transferer SOURCE DESTINATION
    QString importFile, mappingFile;  // --importer FICHIER [--correspondance FICHIER.ini]
    QString duplicates;               // --doublons ignorer|completer|ajouter
    QString sheet;                    // --feuille N|NOM
    bool dryRun = false;              // --essai
    QString error;                    // French message when action is Error
};

// Reads: (nothing) | --creer-base DOSSIER|ADRESSE [--magasin NOM] [--licence NUMERO]
// [--demo] | --restaurer DOSSIER | --transferer SOURCE DESTINATION | --importer FICHIER
// [--correspondance FICHIER.ini] [--doublons CHOIX] [--feuille N|NOM] [--essai] | --aide | --help |
// --version | -v. The first argument is the program's name.
CommandLine parseCommandLine(const QStringList& arguments);
QString usageText();

} // namespace vdn
