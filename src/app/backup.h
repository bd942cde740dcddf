#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace vdn {

class Progress;

// A file that could not be backed up, and why (French, for the user).
struct BackupFailure {
    QString file;
    QString reason;
};

struct BackupResult {
    QStringList copied; // file names, database first
    QList<BackupFailure> failures;
    bool cancelled = false; // stopped by the user before the database was copied
    bool complete() const { return failures.isEmpty() && !cancelled; }
};

// The data files kept beside the database and backed up with it: the files of
// the database folder whose names match "VDN_*.MDB" without regard to case,
// except names whose first three characters are "tri" or "TRI". Sorted by name.
// `base` is chemin_base, the prefix of the database file name. When the
// folder cannot be listed, `listingError` receives the system's error number
// (0 otherwise) and the names read before the failure are returned.
QStringList backupFileNames(const QString& base, int* listingError = nullptr);

// Lists the regular files of a folder into `names`; returns 0, or the
// system's error number when the listing failed.
using FolderLister = std::function<int(const QString& folder, QStringList* names)>;
// Replaces the system's listing (tests force a failure that the superuser
// would never meet); an empty function puts the system's back.
void setFolderListerForTests(FolderLister lister);

// Whether the destination is the database folder itself; backing up there
// would replace the live database by its own copy.
bool isDatabaseFolder(const QString& base, const QString& destinationFolder);

// Backs up into destinationFolder: a consistent snapshot of the database taken
// with SQLite's backup API (safe while other windows hold it open), under
// the database file's own name, then each data file of backupFileNames(). Each
// file is written under a temporary name and renamed over the previous backup
// only once it is complete, so a failed copy leaves the previous backup as it
// was. A failure of one file does not stop the others; a data folder that
// cannot be listed is a failure of its own.
// With `progress`, the database copy reports how far it has gone; stopped
// there, nothing is written and the previous backup stays as it was.
BackupResult backUp(const QString& base, const QString& destinationFolder,
                    Progress* progress = nullptr);

// The message closing a backup: "sauvegarde terminée", or "Sauvegarde
// incomplète :" followed by one line per failed file with its reason.
QString backupEndMessage(const BackupResult& result);

} // namespace vdn
