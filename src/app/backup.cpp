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

// Copies what is left of `in` into the open file `out` and puts it on the
// drive. Returns an empty text on success, the reason otherwise.
QString copyBytes(QFile& in, int out) {
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
            const ssize_t w = ::write(out, buffer.constData() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return cannotWrite(systemReason(w < 0 ? errno : ENOSPC));
            done += w;
        }
    }
    if (::fsync(out) != 0)
        return cannotWrite(systemReason(errno));
    return {};
}

// Checks a finished copy before it replaces the previous backup: it opens
// as a database (its header and schema can be read) and holds every page the
// engine copied. The pages themselves come verbatim from the engine's backup,
// which reports any failed read or write; a full structural check would read
// the whole copy again from the system's cache, not from the drive, and take
// several times as long as the copy itself.
bool checkCopy(sqlite3* db, int pages, QString* error) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &stmt, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    bool ok = false;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        const int copied = sqlite3_column_int(stmt, 0);
        ok = copied == pages && pages > 0;
        if (!ok)
            *error = QStringLiteral("%1 pages sur %2").arg(copied).arg(pages);
    } else {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(stmt);
    return ok;
}

// Copies the pages of the live database into `target` through SQLite's online
// backup, which reads one consistent state even while other connections hold
// the file open. Returns an empty text on success, the reason otherwise.
QString snapshotThroughEngine(sqlite3* source, const QString& target) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(target).constData(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, SqliteCloser> dest(raw);
    if (opened != SQLITE_OK)
        return cannotWrite(sqliteDetail(raw, opened));
    // The copy is a private temporary file until it is renamed: it needs no
    // journal, and it is flushed to the drive once, whole, before the rename.
    if (const int rc = sqlite3_exec(dest.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF",
                                    nullptr, nullptr, nullptr);
        rc != SQLITE_OK)
        return cannotWrite(sqliteDetail(dest.get(), rc));
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
    const int pages = sqlite3_backup_pagecount(backup);
    // Finishing records a failed step's error on the destination connection.
    const int finished = sqlite3_backup_finish(backup);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return cannotRead(databaseBusy());
    if (rc != SQLITE_DONE || finished != SQLITE_OK)
        return cannotWrite(sqliteDetail(dest.get(), rc != SQLITE_DONE ? rc : finished));
    QString error;
    if (!checkCopy(dest.get(), pages, &error))
        return QStringLiteral("copie de la base incorrecte (%1)").arg(error);
    if (sqlite3_close(dest.release()) != SQLITE_OK)
        return cannotWrite(QStringLiteral("fermeture de la copie"));
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDWR);
    if (fd < 0)
        return cannotWrite(systemReason(errno));
    const bool synced = ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (!synced)
        return cannotWrite(systemReason(err));
    return {};
}

// The first column of the first row of a statement, as text; the engine's
// result code in `rc` (SQLITE_ROW when there was a row).
QString firstValue(sqlite3* db, const char* sql, int* rc) {
    sqlite3_stmt* stmt = nullptr;
    *rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (*rc != SQLITE_OK)
        return {};
    QString value;
    *rc = sqlite3_step(stmt);
    if (*rc == SQLITE_ROW)
        value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return value;
}

// Ends the read transaction of the snapshot, whatever happened in it.
struct ReadEnd {
    sqlite3* db;
    ~ReadEnd() { sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr); }
};

// Copies the database file as it stands while a read transaction holds it:
// with a rollback journal, no other connection can write to the file until
// that transaction ends (a writer that already has pages in the file keeps
// the reader out instead), so the bytes copied are one committed state, at
// the speed of a plain file copy.
QString copyUnderReadLock(sqlite3* source, const QString& sourcePath, const QString& target) {
    if (sqlite3_exec(source, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return cannotRead(sqliteDetail(source, sqlite3_errcode(source)));
    const ReadEnd end{source};
    int rc = SQLITE_OK;
    // The first read takes the lock (waiting out a commit in progress) and
    // rolls back what a crashed writer may have left in the file.
    firstValue(source, "SELECT count(*) FROM sqlite_schema", &rc);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return cannotRead(databaseBusy());
    if (rc != SQLITE_ROW)
        return cannotRead(sqliteDetail(source, rc));
    const int pages = firstValue(source, "PRAGMA page_count", &rc).toInt();
    if (rc != SQLITE_ROW)
        return cannotRead(sqliteDetail(source, rc));

    QFile in(sourcePath);
    errno = 0;
    if (!in.open(QIODevice::ReadOnly))
        return cannotRead(openFailure(in, errno));
    const int out = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_TRUNC);
    if (out < 0)
        return cannotWrite(systemReason(errno));
    const QString copied = copyBytes(in, out);
    ::close(out);
    if (!copied.isEmpty())
        return copied;

    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(QFile::encodeName(target).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, SqliteCloser> copy(raw);
    if (opened != SQLITE_OK)
        return cannotWrite(sqliteDetail(raw, opened));
    QString error;
    if (!checkCopy(copy.get(), pages, &error))
        return QStringLiteral("copie de la base incorrecte (%1)").arg(error);
    return {};
}

// A consistent snapshot of the live database in `target`. Returns an empty
// text on success, the reason otherwise.
QString snapshotInto(sqlite3* source, const QString& sourcePath, const QString& target) {
    int rc = SQLITE_OK;
    const QString journal = firstValue(source, "PRAGMA journal_mode", &rc);
    if (rc != SQLITE_ROW)
        return cannotRead(rc == SQLITE_BUSY || rc == SQLITE_LOCKED ? databaseBusy()
                                                                   : sqliteDetail(source, rc));
    // With a write-ahead log the committed state is not all in the file.
    if (journal.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
        return snapshotThroughEngine(source, target);
    return copyUnderReadLock(source, sourcePath, target);
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
    QString error = snapshotInto((*source)->handle(), (*source)->path(), tempName);
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
    if (QString error = copyBytes(in, out.handle()); !error.isEmpty())
        return error;
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
