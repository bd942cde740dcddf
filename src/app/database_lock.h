#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QLockFile;

namespace vdn {

// The lock every running VORDAN holds beside its database for as long as it
// runs: a lock file of its own, "vordan.mdb.verrou-<machine>-<process>-<n>",
// so that several programs may work on one database while a restore, which
// replaces the database's whole content, can tell that others are at work.
class DatabaseLock {
public:
    // `base` is chemin_base, the prefix of the database file name.
    explicit DatabaseLock(const QString& base);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // Takes the lock. False when its file cannot be made (a read-only
    // folder): the program still runs, unseen by a restore.
    bool acquire();
    void release();
    bool held() const;
    QString fileName() const { return fileName_; }

    // The lock files beside the database that a running program other than
    // the holder of `ownFile` holds. Lock files left by a program that ended
    // without releasing them are removed on the way.
    static QStringList otherHolders(const QString& base, const QString& ownFile = {});

private:
    QString fileName_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace vdn
