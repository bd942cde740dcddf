#pragma once

#include "data/data_error.h"
#include "data/database_lock.h"

#include <QString>

#include <memory>

namespace vdn {

class Progress;

struct StartupInfo {
    QString chemin_app;      // the program's folder
    QString pathFile;        // the CHEMIN.QZ that was read
    QString chemin_base;     // its first line, trimmed
    QString chemin_fichiers; // with a server database, its second line
    QString shopCode, shopName, licence;
    QString title;
    // What an upgrade of the database at this start left as it was, for the
    // user; empty when nothing was.
    QString upgradeNotice;
    // This program's lock beside the database, taken before the restore
    // lock was let go; held as long as a copy of the information lives.
    std::shared_ptr<DatabaseLock> lock;
};

// The main window's title, with its exact blanks.
QString mainTitle(const QString& shopName, const QString& licence);

// Start-up: find and read CHEMIN.QZ, open the database (never creating it),
// read the shop identity from the first strspecif row and close it again.
// The database is opened under the restore lock (waiting up to
// RestoreLock::startWaitMs() for a restore under way, refused after), and
// the program's own lock is taken before that lock is let go. A database of
// an older version is brought up to date, its progress told to `upgrade`.
Result<StartupInfo> startUp(const QString& programFolder, const QString& configFolder,
                            Progress* upgrade = nullptr);

// The question to ask before opening an SQLite base kept on a network share
// (a mapped drive, \\server\share, an NFS or SMB mount), or an empty text when
// the path file names no such base.
QString networkBaseQuestion(const QString& programFolder, const QString& configFolder);

// What the progress window says while a database is brought up to date:
// it cannot be stopped once it writes.
QString upgradeProgressText();

} // namespace vdn
