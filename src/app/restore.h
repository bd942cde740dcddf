#pragma once

#include "app/backup.h"
#include "data/data_error.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace vdn {

// What a restore did, for its closing message.
struct RestoreOutcome {
    QString backupFolder;
    // The database as it was before, saved (a sound one) or moved aside (a
    // damaged one) under "vordan.mdb.avant-restauration-AAAAMMJJ-HHMMSS";
    // empty when there was no database in place.
    QString previousSavedAs;
    bool previousDamaged = false;
    QStringList restored;          // file names, database first
    QList<BackupFailure> failures; // data files that could not be restored
    int customers = 0;             // customers in the restored database
};

// Restores the backup held in backupFolder (its vordan.mdb and VDN_*.MDB
// files, as "Sauvegarde USB" wrote them) over the database of `base`
// (chemin_base).
//
// The backup is first copied beside the database and checked there
// (integrity check, a VORDAN schema this program reads, a shop identity);
// a damaged or foreign backup is refused and nothing is changed. So is a
// restore while another running VORDAN holds its lock on the database
// (`ownLockFile` is the caller's own). A sound current database is saved
// with SQLite's backup API, then the checked copy is written into it with
// the same API in one write transaction: the database file is never renamed
// or replaced under a program that may hold it open. A missing or damaged
// current database (with its journal) is moved aside and the checked copy
// put in its place. The data files come back under a temporary name, then
// renamed over the old ones.
Result<RestoreOutcome> restoreBackup(const QString& base, const QString& backupFolder,
                                     const QDateTime& now, const QString& ownLockFile = {});

// `vordan --restaurer DOSSIER`: the database named by CHEMIN.QZ (found as at
// start-up), restored from DOSSIER under a lock of its own.
Result<RestoreOutcome> restoreFromPathFile(const QString& programFolder,
                                           const QString& configFolder, const QString& backupFolder,
                                           const QDateTime& now);

// Runs `vordan --restaurer DOSSIER` with the program's folders and the clock,
// prints what was done (or why not) and returns the exit status.
int runRestoreCommand(const QString& backupFolder);

// The French message closing a restore.
QString restoreEndMessage(const RestoreOutcome& outcome);

// The suffix of the saved database: "avant-restauration-AAAAMMJJ-HHMMSS".
QString previousDatabaseSuffix(const QDateTime& now);

} // namespace vdn
