#include "app/backup.h"

#include "data/connection.h"
#include "data/dialect.h"
#include "data/globals.h"
#include "data/server_address.h"
#include "data/sqlite_copy.h"
#include "data/transfer.h"
#include "platform/file_system.h"
#include "platform/progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <memory>

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
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("quota du disque dépassé");
#endif
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

// The user stopped the backup.
QString backupCancelled() {
    return QStringLiteral("sauvegarde interrompue");
}

// Another connection is writing and holds the file until its commit ends.
QString databaseBusy() {
    return QStringLiteral("base en cours de modification, réessayez dans un instant");
}

// The most telling text of a failed database copy: the system's own error
// when there is one ("No space left on device"), else the engine's.
QString copyDetail(const DatabaseCopy& copy) {
    return copy.systemError != 0 ? systemReason(copy.systemError) : copy.detail;
}

// The folder and the name prefix that chemin_base stands for: "/data/" gives
// "/data" and "", "/data/shop_" gives "/data" and "shop_".
QFileInfo patternInfo(const QString& base) {
    return QFileInfo(base + DataFilePattern);
}

// The names of the regular files of a folder (symbolic links followed). The
// listing's own failure is returned as the system's error number, so that a
// folder that cannot be read is never taken for one without data files.
int listFolder(const QString& folder, QStringList* names) {
    return files::listFiles(folder, names);
}

FolderLister& folderLister() {
    static FolderLister lister = listFolder;
    return lister;
}

// Renames over an existing file in one step (the previous backup stays whole
// until the new one replaces it).
bool replaceFile(const QString& from, const QString& to, QString* error) {
    if (const int err = files::replace(from, to); err != 0) {
        *error = systemReason(err);
        return false;
    }
    return true;
}

// Makes the renames themselves durable before the user pulls the drive out.
void syncFolder(const QString& folder) {
    files::flushFolder(folder);
}

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
        if (const int err = files::writeAll(out, buffer.constData(), n); err != 0)
            return cannotWrite(systemReason(err));
    }
    if (const int err = files::flushDescriptor(out); err != 0)
        return cannotWrite(systemReason(err));
    return {};
}

// A consistent snapshot of the live database in `target`, taken by the
// engine from the connection's handle. Returns an empty text on success, the
// reason otherwise.
QString snapshotInto(const Connection& source, const QString& target, Progress* progress) {
    const DatabaseCopy copy = copyDatabase(source, target, progress);
    switch (copy.outcome) {
    case DatabaseCopy::Outcome::Copied:
        return {};
    case DatabaseCopy::Outcome::Cancelled:
        return backupCancelled();
    case DatabaseCopy::Outcome::Busy:
        return cannotRead(databaseBusy());
    case DatabaseCopy::Outcome::BadCopy:
        return QStringLiteral("copie de la base incorrecte (%1)").arg(copy.detail);
    case DatabaseCopy::Outcome::WriteFailed:
        break;
    }
    return cannotWrite(copyDetail(copy));
}

// A new file under a unique temporary name beside `target`, made and
// closed, so that the previous backup stays untouched until its
// replacement is complete; empty, with the reason in `error`, when it cannot
// be made.
QString temporaryBeside(const QString& target, QString* error) {
    QTemporaryFile temp(target + QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(false);
    errno = 0;
    if (!temp.open()) {
        *error = openFailure(temp, errno);
        return {};
    }
    const QString name = temp.fileName();
    temp.close();
    return name;
}

// A server database: its tables read in one transaction into a new
// SQLite file under a temporary name, renamed over the previous backup once
// complete and on the drive.
QString backUpServerDatabase(Connection& source, const QString& target, Progress* progress) {
    QString error;
    const QString tempName = temporaryBeside(target, &error);
    if (tempName.isEmpty())
        return cannotWrite(error);
    QFile::remove(tempName); // the copy makes its own new file there
    if (Status s = snapshotToFile(source, tempName, progress); !s)
        return s.error().number == errnum::Cancelled ? backupCancelled()
               : s.error().engineErrors.isEmpty()    ? cannotWrite(s.error().text)
                                                     : cannotRead(s.error().text);
    if (!replaceFile(tempName, target, &error)) {
        QFile::remove(tempName);
        return cannotWrite(error);
    }
    return {};
}

QString backUpDatabase(const QString& base, const QString& target, Progress* progress) {
    Result<std::unique_ptr<Connection>> source = Connection::open(databasePath(base));
    if (!source)
        return cannotRead(source.error().isBusy() ? databaseBusy() : source.error().text);
    if ((*source)->onServer())
        return backUpServerDatabase(**source, target, progress);
    // A unique temporary name in the destination, so the previous backup is
    // untouched until the copy is complete and checked.
    QString error;
    const QString tempName = temporaryBeside(target, &error);
    if (tempName.isEmpty())
        return cannotWrite(error);
    error = snapshotInto(**source, tempName, progress);
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
    // complete and on the disk; removed on any failure. A QFile, not the
    // QTemporaryFile that made the name: that one keeps its file open until
    // it is destroyed, and Windows renames no open file.
    QString error;
    const QString tempName = temporaryBeside(to, &error);
    if (tempName.isEmpty())
        return cannotWrite(error);
    QFile out(tempName);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = cannotWrite(openFailure(out, errno));
        QFile::remove(tempName);
        return error;
    }
    error = copyBytes(in, out.handle());
    out.close();
    if (error.isEmpty()) {
        // The backup gets the original's rights.
        QFile::setPermissions(tempName, in.permissions());
        if (!replaceFile(tempName, to, &error))
            error = cannotWrite(error);
    }
    if (!error.isEmpty())
        QFile::remove(tempName);
    return error;
}

} // namespace

QStringList backupFileNames(const QString& base, int* listingError) {
    const QFileInfo pattern = patternInfo(base);
    const QString prefix = pattern.fileName().chopped(DataFilePattern.size());
    // "VDN_*.MDB" matched without regard to case, as the older platform did.
    const QRegularExpression match(
        QLatin1Char('^') + QRegularExpression::escape(prefix + QStringLiteral("VDN_")) +
            QStringLiteral(".*\\.MDB$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QStringList entries;
    const int err = folderLister()(pattern.path(), &entries);
    if (listingError)
        *listingError = err;
    QStringList names;
    for (const QString& name : entries) {
        if (!match.match(name).hasMatch())
            continue;
        const QString start = name.trimmed().left(3);
        if (start == QLatin1String("tri") || start == QLatin1String("TRI"))
            continue;
        names << name;
    }
    names.sort();
    return names;
}

void setFolderListerForTests(FolderLister lister) {
    folderLister() = lister ? std::move(lister) : FolderLister(listFolder);
}

bool isDatabaseFolder(const QString& base, const QString& destinationFolder) {
    const QString data = QFileInfo(patternInfo(filesBase(base)).path()).canonicalFilePath();
    const QString dest = QFileInfo(destinationFolder).canonicalFilePath();
    return !data.isEmpty() && data == dest;
}

BackupResult backUp(const QString& base, const QString& destinationFolder, Progress* progress) {
    BackupResult result;
    const QDir dest(destinationFolder);
    // With a server, the data files are those of the files folder, and the
    // snapshot takes the name of an SQLite database.
    const QString files = filesBase(base);
    const QString sourceFolder = patternInfo(files).path();

    const QString database = Dialect::at(base).isServer()
                                 ? databasePath(QString())
                                 : QFileInfo(databasePath(base)).fileName();
    const QString dbError = backUpDatabase(base, dest.filePath(database), progress);
    if (dbError == backupCancelled()) {
        // Stopped by the user: nothing more is copied, the previous backup
        // stays as it was.
        result.cancelled = true;
        return result;
    }
    if (dbError.isEmpty())
        result.copied << database;
    else
        result.failures.append({database, dbError});

    int listingError = 0;
    const QStringList names = backupFileNames(files, &listingError);
    if (listingError != 0)
        result.failures.append(
            {QDir::toNativeSeparators(sourceFolder), cannotRead(systemReason(listingError))});
    for (const QString& name : names) {
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
    if (result.cancelled)
        return QStringLiteral("Sauvegarde interrompue : la sauvegarde précédente du lecteur est "
                              "restée telle qu'elle était.");
    if (result.complete())
        return QStringLiteral("sauvegarde terminée");
    QStringList lines{QStringLiteral("Sauvegarde incomplète :")};
    for (const BackupFailure& f : result.failures)
        lines << f.file + QStringLiteral(" : ") + f.reason;
    return lines.join(QLatin1Char('\n'));
}

} // namespace vdn
