#include "app/restore.h"

#include "app/database_lock.h"
#include "app/path_file.h"
#include "data/connection.h"
#include "data/globals.h"
#include "data/server_address.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <sqlite3.h>

#include <cstdio>

namespace vdn {

namespace {

// One raw SQLite handle, closed when it goes.
struct Handle {
    sqlite3* db = nullptr;
    ~Handle() {
        if (db)
            sqlite3_close_v2(db);
    }
    QString error() const { return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString(); }
};

bool openRaw(Handle& h, const QString& path, int flags) {
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &h.db, flags, nullptr);
    if (rc == SQLITE_OK)
        sqlite3_busy_timeout(h.db, Connection::busyTimeoutMs());
    return rc == SQLITE_OK;
}

// Copies every page of `from` into `to` with SQLite's online backup, in one
// write transaction on `to`. Returns an empty text, or why it failed.
QString copyDatabase(const QString& from, const QString& to, bool createTarget) {
    Handle src, dst;
    if (!openRaw(src, from, SQLITE_OPEN_READONLY))
        return src.error().isEmpty() ? QStringLiteral("ouverture impossible") : src.error();
    const int flags = SQLITE_OPEN_READWRITE | (createTarget ? SQLITE_OPEN_CREATE : 0);
    if (!openRaw(dst, to, flags))
        return dst.error().isEmpty() ? QStringLiteral("ouverture impossible") : dst.error();
    sqlite3_backup* b = sqlite3_backup_init(dst.db, "main", src.db, "main");
    if (!b)
        return dst.error();
    const int rc = sqlite3_backup_step(b, -1);
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE)
        return QString::fromUtf8(sqlite3_errstr(rc));
    return {};
}

// "ok" from PRAGMA integrity_check, or the first problem it names.
QString integrityProblem(const QString& path) {
    Handle h;
    if (!openRaw(h, path, SQLITE_OPEN_READONLY))
        return h.error().isEmpty() ? QStringLiteral("ouverture impossible") : h.error();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h.db, "PRAGMA integrity_check", -1, &st, nullptr) != SQLITE_OK)
        return h.error();
    QString first;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW)
        first = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    else
        first = h.error();
    sqlite3_finalize(st);
    return first == QLatin1String("ok") ? QString() : first;
}

struct Checked {
    QString problem; // empty when it is a sound VORDAN database
    int customers = 0;
};

// A sound VORDAN database: intact pages, our tables at a schema version this
// program reads (an older one is brought up to date), a shop identity.
Checked checkDatabase(const QString& path) {
    Checked r;
    if (QString p = integrityProblem(path); !p.isEmpty()) {
        r.problem = p;
        return r;
    }
    Result<std::unique_ptr<Connection>> c = Connection::open(path);
    if (!c) {
        r.problem = c.error().text;
        return r;
    }
    QSqlQuery q((*c)->db());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM strspecif")) || !q.next() ||
        q.value(0).toInt() == 0) {
        r.problem = QStringLiteral("l'identité du magasin (strspecif) est vide");
        return r;
    }
    q.finish();
    if (q.exec(QStringLiteral("SELECT count(*) FROM strclient")) && q.next())
        r.customers = q.value(0).toInt();
    return r;
}

bool removeIfThere(const QString& path) {
    return !QFileInfo::exists(path) || QFile::remove(path);
}

// rename(2): replaces the target in one step.
bool renameOver(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

QString journalOf(const QString& database) {
    return database + QStringLiteral("-journal");
}

} // namespace

QString previousDatabaseSuffix(const QDateTime& now) {
    return QStringLiteral("avant-restauration-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

Result<RestoreOutcome> restoreBackup(const QString& base, const QString& backupFolder,
                                     const QDateTime& now, const QString& ownLockFile) {
    auto refuse = [](const QString& text) {
        return DataError::other(errnum::CopyFailure,
                                QStringLiteral("Restauration impossible : ") + text);
    };
    if (isServerAddress(base))
        return refuse(QStringLiteral(
            "la base est sur un serveur. Transférez d'abord la sauvegarde dans une base du "
            "serveur avec « vordan --transferer »."));

    RestoreOutcome out;
    out.backupFolder = QDir::toNativeSeparators(QDir(backupFolder).absolutePath());
    const QDir from(backupFolder);
    const QString live = QFileInfo(databasePath(base)).absoluteFilePath();
    const QString dbName = QFileInfo(live).fileName();
    const QString source = from.absoluteFilePath(dbName);
    if (!QFileInfo(source).isFile())
        return refuse(QStringLiteral("aucune sauvegarde VORDAN dans %1 (fichier %2 absent).")
                          .arg(out.backupFolder, dbName));
    if (isDatabaseFolder(base, backupFolder))
        return refuse(QStringLiteral("%1 est le dossier de vos données, pas une sauvegarde.")
                          .arg(out.backupFolder));
    if (const QStringList others = DatabaseLock::otherHolders(base, ownLockFile); !others.isEmpty())
        return refuse(QStringLiteral("VORDAN est ouvert sur cette base dans un autre programme "
                                     "ou sur un autre poste (%1). Fermez-le, puis recommencez.")
                          .arg(QFileInfo(others.first()).fileName()));

    const QDir folder = QFileInfo(live).absoluteDir();
    if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
        return refuse(QStringLiteral("le dossier %1 ne peut pas être créé.")
                          .arg(QDir::toNativeSeparators(folder.absolutePath())));

    // The backup is checked on a copy of our own, beside the database: the
    // drive may change or go between the check and the use.
    const QString suffix = previousDatabaseSuffix(now);
    const QString work =
        live + QStringLiteral(".restauration-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    removeIfThere(work);
    removeIfThere(journalOf(work));
    struct Cleanup {
        QString path;
        ~Cleanup() {
            QFile::remove(path);
            QFile::remove(journalOf(path));
        }
    } cleanup{work};
    if (const QString why = copyDatabase(source, work, true); !why.isEmpty())
        return refuse(QStringLiteral("la sauvegarde %1 est illisible ou endommagée (%2). Rien "
                                     "n'a été changé.")
                          .arg(QDir::toNativeSeparators(source), why));
    const Checked backup = checkDatabase(work);
    if (!backup.problem.isEmpty())
        return refuse(QStringLiteral("%1 n'est pas une sauvegarde VORDAN en bon état (%2). Rien "
                                     "n'a été changé.")
                          .arg(QDir::toNativeSeparators(source), backup.problem));
    out.customers = backup.customers;

    // A second restore in the same second keeps the first one's save.
    QString previous = live + QLatin1Char('.') + suffix;
    for (int n = 2; QFileInfo::exists(previous) || QFileInfo::exists(journalOf(previous)); ++n)
        previous = live + QLatin1Char('.') + suffix + QStringLiteral("-%1").arg(n);
    const bool present = QFileInfo::exists(live);
    const bool sound = present && checkDatabase(live).problem.isEmpty();
    if (sound) {
        // Saved first: a failure here leaves everything as it was.
        if (const QString why = copyDatabase(live, previous, true); !why.isEmpty()) {
            QFile::remove(previous);
            return refuse(QStringLiteral("la base actuelle n'a pas pu être enregistrée sous %1 "
                                         "(%2). Rien n'a été changé.")
                              .arg(QFileInfo(previous).fileName(), why));
        }
        out.previousSavedAs = previous;
        if (const QString why = copyDatabase(work, live, false); !why.isEmpty())
            return refuse(QStringLiteral("la base n'a pas pu être remplacée (%1). Elle est "
                                         "restée telle qu'elle était.")
                              .arg(why));
    } else {
        // Nothing sound to write into: the damaged file and its journal go
        // aside (a journal left beside the new file would be played into it).
        if (present) {
            if (!renameOver(live, previous))
                return refuse(QStringLiteral("la base endommagée %1 n'a pas pu être mise de côté.")
                                  .arg(QDir::toNativeSeparators(live)));
            out.previousSavedAs = previous;
            out.previousDamaged = true;
        }
        if (QFileInfo::exists(journalOf(live)) && !renameOver(journalOf(live), journalOf(previous)))
            return refuse(QStringLiteral("le journal %1 n'a pas pu être mis de côté.")
                              .arg(QDir::toNativeSeparators(journalOf(live))));
        if (!renameOver(work, live))
            return refuse(QStringLiteral("la sauvegarde n'a pas pu être mise en place sous %1.")
                              .arg(QDir::toNativeSeparators(live)));
    }
    out.restored << dbName;

    // The data files, each under a temporary name until complete.
    const QStringList names = backupFileNames(from.absolutePath() + QLatin1Char('/'));
    for (const QString& name : names) {
        const QString target = folder.absoluteFilePath(name);
        const QString temporary =
            folder.absoluteFilePath(QLatin1Char('.') + name + QStringLiteral(".restauration"));
        removeIfThere(temporary);
        QFile in(from.absoluteFilePath(name));
        if (!in.copy(temporary)) {
            out.failures.append({name, in.errorString()});
            QFile::remove(temporary);
            continue;
        }
        if (!renameOver(temporary, target)) {
            out.failures.append({name, QStringLiteral("remplacement impossible")});
            QFile::remove(temporary);
            continue;
        }
        out.restored << name;
    }
    return out;
}

Result<RestoreOutcome> restoreFromPathFile(const QString& programFolder,
                                           const QString& configFolder, const QString& backupFolder,
                                           const QDateTime& now) {
    const QString pathFile = findPathFile(programFolder, configFolder);
    if (pathFile.isEmpty())
        return DataError::other(
            errnum::FileNotFound,
            QStringLiteral("Fichier introuvable : %1 (cherché dans %2 et dans %3) ; la base à "
                           "restaurer n'est pas connue.")
                .arg(PathFileName, QDir::toNativeSeparators(programFolder),
                     QDir::toNativeSeparators(configFolder)));
    Result<QString> base = readPathFile(pathFile);
    if (!base)
        return base.error();
    // Held during the restore, so that another restore started meanwhile
    // refuses too.
    DatabaseLock lock(*base);
    lock.acquire();
    return restoreBackup(*base, backupFolder, now, lock.fileName());
}

int runRestoreCommand(const QString& backupFolder) {
    Result<RestoreOutcome> outcome =
        restoreFromPathFile(QCoreApplication::applicationDirPath(), userConfigFolder(),
                            backupFolder, QDateTime::currentDateTime());
    if (!outcome) {
        std::fprintf(stderr, "%s\n", outcome.error().text.toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", restoreEndMessage(*outcome).toLocal8Bit().constData());
    return 0;
}

QString restoreEndMessage(const RestoreOutcome& o) {
    QString text = QStringLiteral("Restauration terminée depuis %1.\n%2 client(s) restauré(s).")
                       .arg(o.backupFolder)
                       .arg(o.customers);
    if (o.previousSavedAs.isEmpty())
        text += QStringLiteral("\nAucune base n'était en place.");
    else if (o.previousDamaged)
        text += QStringLiteral("\nLa base précédente, endommagée, a été mise de côté sous le nom "
                               "%1.")
                    .arg(QFileInfo(o.previousSavedAs).fileName());
    else
        text += QStringLiteral("\nLa base précédente est conservée sous le nom %1.")
                    .arg(QFileInfo(o.previousSavedAs).fileName());
    if (o.restored.size() > 1)
        text +=
            QStringLiteral("\nFichiers restaurés : %1.").arg(o.restored.join(QStringLiteral(", ")));
    if (!o.failures.isEmpty()) {
        text += QStringLiteral("\nFichiers non restaurés :");
        for (const BackupFailure& f : o.failures)
            text += QStringLiteral("\n%1 : %2").arg(f.file, f.reason);
    }
    return text;
}

} // namespace vdn
