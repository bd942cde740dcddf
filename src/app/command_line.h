#pragma once

#include "data/database_creator.h"

#include <QStringList>

namespace vdn {

struct CommandLine {
    enum class Action { Run, Create, Restore, Help, Error };
    Action action = Action::Run;
    CreateOptions create;
    QString restoreFolder; // --restaurer DOSSIER
    QString error;         // French message when action is Error
};

// Reads: (nothing) | --creer-base DOSSIER [--magasin NOM] [--licence NUMERO]
// [--demo] | --restaurer DOSSIER | --aide | --help. The first argument is the program's name.
CommandLine parseCommandLine(const QStringList& arguments);
QString usageText();

} // namespace vdn
