#pragma once

#include "app/backup.h"
#include "data/data_error.h"
#include "data/database_lock.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

namespace vdn {

class Progress;

class Connection;

// What a restore did, for its closing message.
struct RestoreOutcome {
    QString backupFolder;
    // The database as it was before, saved (a sound one) or moved aside (a
    // damaged one) under "vordan.mdb.avant-restauration-AAAAMMJJ-HHMMSS";
    // empty when there was no database in place.
    QString previousSavedAs;
    bool previousDamaged = false;
    QStringList restored;          // file names, database first
    QStringList keptFiles;         // the data files replaced, kept beside the saved database
    QList<BackupFailure> failures; // data files that could not be restored
    int customers = 0;             // customers in the restored database
};

// A restore checked and ready to go (see prepareRestore()).
class PreparedRestore {
public:
    ~PreparedRestore();
    PreparedRestore(const PreparedRestore&) = delete;
    PreparedRestore& operator=(const PreparedRestore&) = delete;

private:
    explicit PreparedRestore(const QString& base);
    friend Result<std::unique_ptr<PreparedRestore>>
    prepareRestore(const QString&, const QString&, const QDateTime&, const QString&, Progress*);
    friend Result<RestoreOutcome> completeRestore(PreparedRestore&, Progress*);
    friend Result<std::unique_ptr<PreparedRestore>>
    prepareServerRestore(const QString&, const QString&, const QDateTime&, Progress*);
    friend Result<RestoreOutcome> completeServerRestore(PreparedRestore&, Progress*);

    RestoreLock lock_;
    QString live_;         // the database file
    QString from_;         // the backup folder
    QString work_;         // the checked copy of the backup, beside the database
    QString prefix_;       // the file name prefix of chemin_base ("shop_" for "/data/shop_")
    QString suffix_;       // "avant-restauration-AAAAMMJJ-HHMMSS"
    bool damaged_ = false; // the current database is damaged
    bool done_ = false;
    RestoreOutcome out_;
    // A server database: its connection, and where its current content is
    // saved (beside the backup).
    std::unique_ptr<Connection> server_;
    QString base_;
};

// Restores the backup held in backupFolder (its vordan.mdb and data files,
// as "Sauvegarde USB" wrote them) over the database of `base` (chemin_base):
// prepareRestore(), then completeRestore(). On a server database the
// backup's file is copied into the server database in one transaction,
// refused while another workstation has it open; its current content is
// first saved as a file beside the backup ("vordan.mdb.avant-restauration-
// AAAAMMJJ-HHMMSS") and the data files go to the files folder.
Result<RestoreOutcome> restoreBackup(const QString& base, const QString& backupFolder,
                                     const QDateTime& now, const QString& ownLockFile = {},
                                     Progress* progress = nullptr);

// Everything a restore checks, before anything is changed: the restore lock
// beside the database (which a starting program takes too) is taken and
// kept; no other running VORDAN may hold its lock on the database
// (`ownLockFile` is the caller's own); the backup is copied beside the
// database and checked there (integrity check, a VORDAN schema this program
// reads, a shop identity); the current database is neither busy with
// another program's write nor of a newer schema. A refusal changes nothing.
// Dropping the prepared restore leaves everything as it was. With
// `progress`, the copy of the backup and the checks report how far they are
// (the checks of pages only that they go on); they are not stopped.
Result<std::unique_ptr<PreparedRestore>>
prepareRestore(const QString& base, const QString& backupFolder, const QDateTime& now,
               const QString& ownLockFile = {}, Progress* progress = nullptr);

// Puts the prepared backup in place. A sound current database is saved
// into a new file beside it and the checked copy written into it under one
// exclusive transaction of one connection (replaceDatabaseContent()): a
// write another program commits is in the saved file or in the restored
// base, and the database file is never renamed or replaced under a program
// that may hold it open. A missing or damaged current database (one the
// engine calls corrupt or not a database, or whose integrity check fails)
// is kept aside under a second name while it stays in place, its journal
// moved aside, and the checked copy renamed over it in one step: at every
// moment the folder holds the old database or the restored one. The data
// files come back under a temporary name, then renamed over the old ones,
// each current one first copied beside the saved database under the same
// suffix; a file that fails is named in the outcome.
// With `progress`, the writing and the copies of the data files report how
// far they have gone; they are never stopped half-way (the progress's answer
// is not asked).
Result<RestoreOutcome> completeRestore(PreparedRestore& prepared, Progress* progress = nullptr);

// `vordan --restaurer DOSSIER`: the database named by CHEMIN.QZ (found as at
// start-up), restored from DOSSIER under a lock of its own.
Result<RestoreOutcome> restoreFromPathFile(const QString& programFolder,
                                           const QString& configFolder, const QString& backupFolder,
                                           const QDateTime& now, Progress* progress = nullptr);

// Runs `vordan --restaurer DOSSIER` with the program's folders and the clock,
// prints what was done (or why not) and returns the exit status.
int runRestoreCommand(const QString& backupFolder);

// What the restore question says of the backup in a folder: when it was
// written (its database file's time) and how many customers it holds;
// `readable` false when the folder holds no backup VORDAN can read (the
// restore then refuses in its own words).
struct BackupSummary {
    bool readable = false;
    QDateTime written;
    int customers = 0;
};
BackupSummary summarizeBackup(const QString& backupFolder);

// The restore's question for the backup of drive `letter`: its date and
// customers when known, and where the current data are saved (beside a
// database file; beside the backup for a server database).
QString restoreQuestion(const QString& letter, const BackupSummary& backup, bool onServer = false);

// The French message closing a restore.
QString restoreEndMessage(const RestoreOutcome& outcome);

// The suffix of the saved database: "avant-restauration-AAAAMMJJ-HHMMSS".
QString previousDatabaseSuffix(const QDateTime& now);

} // namespace vdn
