#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QLockFile;

namespace vdn {

// The lock every running VORDAN holds beside its database for as long as it
// runs: a lock file of its own, "vordan.mdb.verrou-<machine>-<process>-<n>",
// so that several programs may work on one database while a restore, which
// replaces the database's whole content, or a schema upgrade, which the
// others would not follow, can tell that others are at work.
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

    // The programs other than this process that hold a lock beside the
    // database file `databaseFile`, each described for a French message
    // ("programme 4242 sur le poste caisse").
    static QStringList otherPrograms(const QString& databaseFile);

private:
    QString fileName_;
    std::unique_ptr<QLockFile> lock_;
};

// The one lock beside the database ("vordan.mdb.verrou") that keeps a restore
// and the start of a program apart: a restore holds it from its checks to its
// end; a starting program holds it from before it opens the database until
// its own DatabaseLock is taken. A program therefore never opens a database
// being restored, and a restore always sees every program that has opened it.
class RestoreLock {
public:
    enum class Outcome {
        Held,       // taken
        Busy,       // held by another program for longer than the wait
        Unavailable // its file cannot be made (a read-only folder)
    };

    explicit RestoreLock(const QString& base);
    ~RestoreLock();
    RestoreLock(const RestoreLock&) = delete;
    RestoreLock& operator=(const RestoreLock&) = delete;

    // Waits up to waitMs milliseconds for the lock. Nothing to take for a
    // server database: Held.
    Outcome acquire(int waitMs);
    void release();
    bool held() const;
    QString fileName() const { return fileName_; }

    // How long a starting program waits for a restore under way: twelve
    // times the database's wait for a lock (a minute by default).
    static int startWaitMs();

private:
    QString fileName_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace vdn
