#include "app/database_lock.h"

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

QString lockPrefix(const QString& base) {
    return QFileInfo(databasePath(base)).fileName() + QStringLiteral(".verrou-");
}

QString safeHostName() {
    QString host = QSysInfo::machineHostName();
    for (QChar& c : host)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    return host.isEmpty() ? QStringLiteral("poste") : host;
}

} // namespace

DatabaseLock::DatabaseLock(const QString& base) {
    // A server database has no file beside which to put a lock: the server
    // itself keeps its users apart, and a restore never writes to it.
    if (isServerAddress(base))
        return;
    const QFileInfo db(databasePath(base));
    fileName_ = db.absoluteDir().filePath(lockPrefix(base) +
                                          QStringLiteral("%1-%2-%3")
                                              .arg(safeHostName())
                                              .arg(QCoreApplication::applicationPid())
                                              .arg(lockCounter.fetchAndAddRelaxed(1) + 1));
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
    const QFileInfo db(databasePath(base));
    const QDir folder = db.absoluteDir();
    const QString own = ownFile.isEmpty() ? QString() : QFileInfo(ownFile).absoluteFilePath();
    QStringList holders;
    const QStringList names = folder.entryList({lockPrefix(base) + QLatin1Char('*')},
                                               QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        const QString path = folder.absoluteFilePath(name);
        if (path == own || name.endsWith(QLatin1String(".rmlock")))
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

} // namespace vdn
