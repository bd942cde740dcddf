#include "data/database_lock.h"

#include "data/connection.h"
#include "data/globals.h"
#include "data/server_address.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

namespace vdn {

namespace {

QAtomicInt lockCounter;

QString lockPrefix(const QString& databaseFile) {
    return QFileInfo(databaseFile).fileName() + QStringLiteral(".verrou-");
}

QString safeHostName() {
    QString host = QSysInfo::machineHostName();
    for (QChar& c : host)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    return host.isEmpty() ? QStringLiteral("poste") : host;
}

// The start of the lock file names of this process: its own locks.
QString ownPrefix(const QString& databaseFile) {
    return lockPrefix(databaseFile) +
           QStringLiteral("%1-%2-").arg(safeHostName()).arg(QCoreApplication::applicationPid());
}

// The lock files beside `databaseFile` whose program still runs, but those
// named in `skip` or starting with `skipPrefix`. Files left by a program
// that ended are removed on the way.
QStringList heldLocks(const QString& databaseFile, const QString& skip, const QString& skipPrefix) {
    const QDir folder = QFileInfo(databaseFile).absoluteDir();
    QStringList holders;
    const QStringList names = folder.entryList({lockPrefix(databaseFile) + QLatin1Char('*')},
                                               QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        const QString path = folder.absoluteFilePath(name);
        if (path == skip || name.endsWith(QLatin1String(".rmlock")) ||
            (!skipPrefix.isEmpty() && name.startsWith(skipPrefix)))
            continue;
        QLockFile other(path);
        other.setStaleLockTime(0);
        // Taking it succeeds only when its program has ended (same machine,
        // process gone): the stale file is then removed.
        if (other.tryLock(0)) {
            other.unlock();
            continue;
        }
        holders << path;
    }
    return holders;
}

} // namespace

DatabaseLock::DatabaseLock(const QString& base) {
    // A server database has no file beside which to put a lock: the server
    // itself keeps its users apart, and a restore never writes to it.
    if (isServerAddress(base))
        return;
    const QString db = databasePath(base);
    fileName_ = QFileInfo(db).absoluteDir().filePath(
        ownPrefix(db) + QString::number(lockCounter.fetchAndAddRelaxed(1) + 1));
}

DatabaseLock::~DatabaseLock() {
    release();
}

bool DatabaseLock::acquire() {
    if (held() || fileName_.isEmpty())
        return true;
    lock_ = std::make_unique<QLockFile>(fileName_);
    // Held for the program's whole run: never taken as stale for its age.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    lock_.reset();
    return false;
}

void DatabaseLock::release() {
    if (lock_)
        lock_->unlock();
    lock_.reset();
}

bool DatabaseLock::held() const {
    return lock_ && lock_->isLocked();
}

QStringList DatabaseLock::otherHolders(const QString& base, const QString& ownFile) {
    if (isServerAddress(base))
        return {};
    return heldLocks(databasePath(base),
                     ownFile.isEmpty() ? QString() : QFileInfo(ownFile).absoluteFilePath(), {});
}

QStringList DatabaseLock::otherPrograms(const QString& databaseFile) {
    QStringList programs;
    for (const QString& path : heldLocks(databaseFile, {}, ownPrefix(databaseFile))) {
        QLockFile file(path);
        qint64 pid = 0;
        QString host, application;
        if (file.getLockInfo(&pid, &host, &application))
            programs << QStringLiteral("programme %1 sur le poste %2")
                            .arg(pid)
                            .arg(host.isEmpty() ? QStringLiteral("inconnu") : host);
        else
            programs << QFileInfo(path).fileName();
    }
    return programs;
}

RestoreLock::RestoreLock(const QString& base) {
    if (isServerAddress(base))
        return;
    fileName_ = QFileInfo(databasePath(base)).absoluteFilePath() + QStringLiteral(".verrou");
}

RestoreLock::~RestoreLock() {
    release();
}

RestoreLock::Outcome RestoreLock::acquire(int waitMs) {
    if (held() || fileName_.isEmpty())
        return Outcome::Held;
    lock_ = std::make_unique<QLockFile>(fileName_);
    // A restore may take minutes on a large shop: only a lock whose program
    // has ended is stale.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(waitMs))
        return Outcome::Held;
    const QLockFile::LockError error = lock_->error();
    lock_.reset();
    return error == QLockFile::LockFailedError ? Outcome::Busy : Outcome::Unavailable;
}

void RestoreLock::release() {
    if (lock_)
        lock_->unlock();
    lock_.reset();
}

bool RestoreLock::held() const {
    return lock_ && lock_->isLocked();
}

int RestoreLock::startWaitMs() {
    return 12 * Connection::busyTimeoutMs();
}

} // namespace vdn
