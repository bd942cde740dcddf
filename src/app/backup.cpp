#include "app/backup.h"

#include "data/connection.h"
#include "data/globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace vdn {

namespace {

const QString DataFilePattern = QStringLiteral("VDN_*.MDB");

// Attempts made while another connection holds a lock the snapshot must wait
// for (a commit in progress), and the pause between them.
constexpr int SnapshotAttempts = 100;
constexpr int SnapshotPauseMs = 50;

QString cannotRead(const QString& detail) {
    return QStringLiteral("lecture impossible (%1)").arg(detail);
}

QString cannotWrite(const QString& detail) {
    return QStringLiteral("écriture impossible (%1)").arg(detail);
}

// The system's reason for a failed file operation, in French for the common
// ones a backup meets.
QString systemReason(int err) {
    switch (err) {
    case ENOSPC:
        return QStringLiteral("plus de place sur le disque");
    case EFBIG:
        return QStringLiteral("fichier trop gros pour ce disque");
    case EDQUOT:
        return QStringLiteral("quota du disque dépassé");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case EROFS:
        return QStringLiteral("disque protégé en écriture");
    case ENOENT:
        return QStringLiteral("fichier ou dossier introuvable");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie, le disque a-t-il été retiré ?");
    default:
        return qt_error_string(err);
    }
}

// The reason of a failed open: the system's when it left one.
QString openFailure(const QFileDevice& file, int err) {
    return err != 0 ? systemReason(err) : file.errorString();
}

// Another connection is writing and holds the file until its commit ends.
QString databaseBusy() {
    return QStringLiteral("base en cours de modification, réessayez dans un instant");
}

// The most telling text of an SQLite failure: the system's own error when
// there is one ("No space left on device"), else the engine's.
QString sqliteDetail(sqlite3* db, int rc) {
    if (db) {
        if (const int sys = sqlite3_system_errno(db); sys != 0)
            return systemReason(sys);
        return QString::fromUtf8(sqlite3_errmsg(db));
    }
    return QString::fromUtf8(sqlite3_errstr(rc));
}

// The folder and the name prefix that chemin_base stands for: "/data/" gives
// "/data" and "", "/data/shop_" gives "/data" and "shop_".
QFileInfo patternInfo(const QString& base) {
    return QFileInfo(base + DataFilePattern);
}

// Renames over an existing file in one step (the previous backup stays whole
// until the new one replaces it).
bool replaceFile(const QString& from, const QString& to, QString* error) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = systemReason(errno);
    return false;
}

// Makes the renames themselves durable before the user pulls the drive out.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

// Checks a finished copy before it replaces the previous backup.
bool quickCheck(sqlite3* db, QString* error) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &stmt, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    bool ok = false;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        ok = text && qstrcmp(text, "ok") == 0;
        if (!ok)
            *error = QString::fromUtf8(text ? text : "quick_check");
    } else {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(stmt);
    return ok;
}

// Copies the pages of the live database into `target` through SQLite's online
// backup, which reads one consistent state even while other connections hold
// the file open. Returns an empty text on success, the reason otherwise.
QString snapshotInto(sqlite3* source, const QString& target) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(target).constData(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, SqliteCloser> dest(raw);
    if (opened != SQLITE_OK)
        return cannotWrite(sqliteDetail(raw, opened));
    sqlite3_backup* backup = sqlite3_backup_init(dest.get(), "main", source, "main");
    if (!backup)
        return cannotWrite(sqliteDetail(dest.get(), sqlite3_errcode(dest.get())));
    int rc = SQLITE_OK;
    for (int attempt = 0; attempt < SnapshotAttempts; ++attempt) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        sqlite3_sleep(SnapshotPauseMs);
    }
    // Finishing records a failed step's error on the destination connection.
    const int finished = sqlite3_backup_finish(backup);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return cannotRead(databaseBusy());
    if (rc != SQLITE_DONE || finished != SQLITE_OK)
        return cannotWrite(sqliteDetail(dest.get(), rc != SQLITE_DONE ? rc : finished));
    QString error;
    if (!quickCheck(dest.get(), &error))
        return QStringLiteral("copie de la base incorrecte (%1)").arg(error);
    if (sqlite3_close(dest.release()) != SQLITE_OK)
        return cannotWrite(QStringLiteral("fermeture de la copie"));
    return {};
}

QString backUpDatabase(const QString& base, const QString& target) {
    Result<std::unique_ptr<Connection>> source = Connection::open(databasePath(base));
    if (!source)
        return cannotRead(source.error().number == SQLITE_BUSY ? databaseBusy()
                                                               : source.error().text);
    // A unique temporary name in the destination, so the previous backup is
    // untouched until the copy is complete and checked.
    QTemporaryFile temp(target + QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(false);
    errno = 0;
    if (!temp.open())
        return cannotWrite(openFailure(temp, errno));
    const QString tempName = temp.fileName();
    temp.close();
    QString error = snapshotInto((*source)->handle(), tempName);
    if (error.isEmpty())
        QFile::setPermissions(tempName, QFileInfo((*source)->path()).permissions());
    if (error.isEmpty() && !replaceFile(tempName, target, &error))
        error = cannotWrite(error);
    if (!error.isEmpty()) {
        QFile::remove(tempName);
        QFile::remove(tempName + QStringLiteral("-journal"));
    }
    return error;
}

QString copyFile(const QString& from, const QString& to) {
    QFile in(from);
    errno = 0;
    if (!in.open(QIODevice::ReadOnly))
        return cannotRead(openFailure(in, errno));
    // Written beside the target under a unique name, renamed over it once
    // complete and on the disk; removed on any failure.
    QTemporaryFile out(to + QStringLiteral(".XXXXXX"));
    errno = 0;
    if (!out.open())
        return cannotWrite(openFailure(out, errno));
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        errno = 0;
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return cannotRead(errno != 0 ? systemReason(errno) : in.errorString());
        if (n == 0)
            break;
        // Straight to the file, so that the system's reason for a failure
        // (a full drive) is the one reported.
        for (qint64 done = 0; done < n;) {
            const ssize_t w = ::write(out.handle(), buffer.constData() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return cannotWrite(systemReason(w < 0 ? errno : ENOSPC));
            done += w;
        }
    }
    if (::fsync(out.handle()) != 0)
        return cannotWrite(systemReason(errno));
    // The temporary file is private; the backup gets the original's rights.
    out.setPermissions(in.permissions());
    QString error;
    if (!replaceFile(out.fileName(), to, &error))
        return cannotWrite(error);
    out.setAutoRemove(false); // its name is the backup's now
    return {};
}

} // namespace

QStringList backupFileNames(const QString& base) {
    const QFileInfo pattern = patternInfo(base);
    const QString prefix = pattern.fileName().chopped(DataFilePattern.size());
    // "VDN_*.MDB" matched without regard to case, as the older platform did.
    const QRegularExpression match(
        QLatin1Char('^') + QRegularExpression::escape(prefix + QStringLiteral("VDN_")) +
            QStringLiteral(".*\\.MDB$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QStringList names;
    const QDir folder(pattern.path());
    for (const QString& name :
         folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        if (!match.match(name).hasMatch())
            continue;
        const QString start = name.trimmed().left(3);
        if (start == QLatin1String("tri") || start == QLatin1String("TRI"))
            continue;
        names << name;
    }
    return names;
}

bool isDatabaseFolder(const QString& base, const QString& destinationFolder) {
    const QString data = QFileInfo(patternInfo(base).path()).canonicalFilePath();
    const QString dest = QFileInfo(destinationFolder).canonicalFilePath();
    return !data.isEmpty() && data == dest;
}

BackupResult backUp(const QString& base, const QString& destinationFolder) {
    BackupResult result;
    const QDir dest(destinationFolder);
    const QString sourceFolder = patternInfo(base).path();

    const QString database = QFileInfo(databasePath(base)).fileName();
    const QString dbError = backUpDatabase(base, dest.filePath(database));
    if (dbError.isEmpty())
        result.copied << database;
    else
        result.failures.append({database, dbError});

    for (const QString& name : backupFileNames(base)) {
        const QString error = copyFile(QDir(sourceFolder).filePath(name), dest.filePath(name));
        if (error.isEmpty())
            result.copied << name;
        else
            result.failures.append({name, error});
    }
    syncFolder(dest.path());
    return result;
}

QString backupEndMessage(const BackupResult& result) {
    if (result.complete())
        return QStringLiteral("sauvegarde terminée");
    QStringList lines{QStringLiteral("Sauvegarde incomplète :")};
    for (const BackupFailure& f : result.failures)
        lines << f.file + QStringLiteral(" : ") + f.reason;
    return lines.join(QLatin1Char('\n'));
}

} // namespace vdn
