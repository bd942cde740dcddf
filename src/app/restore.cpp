#include "app/restore.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/progress.h"
#include "platform/terminal_progress.h"

#include "app/path_file.h"
#include "data/connection.h"
#include "data/database_file.h"
#include "data/dialect.h"
#include "data/globals.h"
#include "data/schema.h"
#include "data/server_address.h"
#include "data/statement.h"
#include "data/transfer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace vdn {

namespace {

// The first problem of a copy's pages, or nothing. A newer schema is left
// to the open that follows, which refuses it in its own words.
QString integrityProblem(const QString& path, Progress* progress) {
    const FileCheck r = checkDatabaseFile(path, progress);
    if (r.state == FileCheck::State::Sound || r.state == FileCheck::State::Newer)
        return {};
    return r.text;
}

struct Checked {
    QString problem; // empty when it is a sound VORDAN database
    int customers = 0;
};

// A sound VORDAN database: intact pages, our tables at a schema version this
// program reads (an older one is brought up to date), a shop identity. The
// check of the pages reports to `checking`, the upgrade to `upgrading`.
Checked checkDatabase(const QString& path, Progress* checking, Progress* upgrading) {
    Checked r;
    if (QString p = integrityProblem(path, checking); !p.isEmpty()) {
        r.problem = p;
        return r;
    }
    Result<std::unique_ptr<Connection>> c =
        Connection::open(path, Connection::Mode::ExistingOnly, upgrading);
    if (!c) {
        r.problem = c.error().text;
        return r;
    }
    // A base that cannot be read is refused with the engine's own cause.
    const Result<QVariant> shops =
        scalar((*c)->db(), QStringLiteral("SELECT count(*) FROM strspecif"));
    if (!shops) {
        r.problem = shops.error().text;
        return r;
    }
    if (shops->toInt() == 0) {
        r.problem = QStringLiteral("l'identité du magasin (strspecif) est vide");
        return r;
    }
    const Result<QVariant> customers =
        scalar((*c)->db(), QStringLiteral("SELECT count(*) FROM strclient"));
    if (!customers) {
        r.problem = customers.error().text;
        return r;
    }
    r.customers = customers->toInt();
    return r;
}

bool removeIfThere(const QString& path) {
    return !QFileInfo::exists(path) || QFile::remove(path);
}

// Replaces the target in one step. Empty, or the system's reason.
QString renameOver(const QString& from, const QString& to) {
    const int err = files::replace(from, to);
    return err == 0 ? QString() : files::systemReason(err);
}

// A second name for `file` that leaves it in place: a hard link, or a copy
// where the drive has none. Empty, or the reason.
QString keepAside(const QString& file, const QString& copy) {
    if (files::link(file, copy) == 0)
        return {};
    QFile in(file);
    if (in.copy(copy))
        return {};
    return in.errorString();
}

QString journalOf(const QString& database) {
    return database + QStringLiteral("-journal");
}

QString where(const QString& path) {
    return QDir::toNativeSeparators(path);
}

DataError refusal(const QString& text) {
    return DataError::other(errnum::CopyFailure,
                            QStringLiteral("Restauration impossible : ") + text);
}

} // namespace

QString previousDatabaseSuffix(const QDateTime& now) {
    return QStringLiteral("avant-restauration-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

PreparedRestore::PreparedRestore(const QString& base) : lock_(base) {}

PreparedRestore::~PreparedRestore() {
    if (!work_.isEmpty()) {
        QFile::remove(work_);
        QFile::remove(journalOf(work_));
    }
}

namespace {

// The backup copied to a file of our own and checked there: empty, or the
// refusal. `out.customers` receives the backup's customers. The copy, the
// check of its pages and its upgrade (when older) are reported to
// `progress` as parts of the whole.
std::optional<DataError> checkedCopy(const QString& source, const QString& work,
                                     RestoreOutcome& out, Progress* progress) {
    ProgressShare copying(progress, 0, 500), checking(progress, 500, 800),
        upgrading(progress, 800, ProgressShare::Whole);
    removeIfThere(work);
    removeIfThere(journalOf(work));
    if (const QString why = copyDatabaseFile(source, work, true, copying.get()); !why.isEmpty())
        return refusal(QStringLiteral("la sauvegarde %1 est illisible ou endommagée (%2). Rien "
                                      "n'a été changé.")
                           .arg(where(source), why));
    const Checked backup = checkDatabase(work, checking.get(), upgrading.get());
    if (!backup.problem.isEmpty())
        return refusal(QStringLiteral("%1 n'est pas une sauvegarde VORDAN en bon état (%2). Rien "
                                      "n'a été changé.")
                           .arg(where(source), backup.problem));
    out.customers = backup.customers;
    return std::nullopt;
}

} // namespace

Result<std::unique_ptr<PreparedRestore>> prepareServerRestore(const QString& base,
                                                              const QString& backupFolder,
                                                              const QDateTime& now,
                                                              Progress* progress) {
    ProgressShare opening(progress, 0, 50), copying(progress, 50, ProgressShare::Whole);
    std::unique_ptr<PreparedRestore> p(new PreparedRestore(base));
    RestoreOutcome& out = p->out_;
    p->base_ = base;
    out.backupFolder = where(QDir(backupFolder).absolutePath());
    p->from_ = QDir(backupFolder).absolutePath();
    const QString dbName = databasePath(QString());
    const QString source = QDir(p->from_).absoluteFilePath(dbName);
    if (!QFileInfo(source).isFile())
        return refusal(QStringLiteral("aucune sauvegarde VORDAN dans %1 (fichier %2 absent).")
                           .arg(out.backupFolder, dbName));
    if (isDatabaseFolder(base, backupFolder))
        return refusal(QStringLiteral("%1 est le dossier de vos données, pas une sauvegarde.")
                           .arg(out.backupFolder));
    Result<std::unique_ptr<Connection>> server =
        Connection::open(base, Connection::Mode::ExistingOnly, opening.get());
    if (!server)
        return refusal(QStringLiteral("la base du serveur ne peut pas être ouverte (%1). Rien "
                                      "n'a été changé.")
                           .arg(server.error().text));
    p->server_ = std::move(*server);
    Result<QStringList> others = otherSessions(*p->server_, OwnSessions::ThisProgram);
    if (!others)
        return refusal(others.error().text);
    if (!others->isEmpty())
        return refusal(QStringLiteral("VORDAN est ouvert sur cette base sur un autre poste (%1). "
                                      "Fermez-le, puis recommencez.")
                           .arg(others->join(QStringLiteral(", "))));
    p->suffix_ = previousDatabaseSuffix(now);
    // The checked copy is the program's own, in the temporary folder.
    p->work_ =
        QDir::temp().absoluteFilePath(QStringLiteral("vordan-restauration-%1-%2.mdb")
                                          .arg(QCoreApplication::applicationPid())
                                          .arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    if (std::optional<DataError> refused = checkedCopy(source, p->work_, out, copying.get()))
        return *refused;
    return p;
}

namespace {

// Where the current data files are kept before the backup's replace them:
// beside the saved database, under its suffix.
struct KeptFiles {
    QDir folder;
    QString suffix; // ".avant-restauration-AAAAMMJJ-HHMMSS"
};

// One data file of the backup into `folder`, under a temporary name until
// complete; the current one is first copied as `kept` says. A failure is
// named in `out`, and leaves the current file as it was.
void restoreDataFile(const QString& from, const QString& name, const QDir& folder,
                     const KeptFiles& kept, RestoreOutcome& out) {
    const QString target = folder.absoluteFilePath(name);
    const QString temporary =
        folder.absoluteFilePath(QLatin1Char('.') + name + QStringLiteral(".restauration"));
    removeIfThere(temporary);
    QFile in(QDir(from).absoluteFilePath(name));
    if (!in.copy(temporary)) {
        out.failures.append({name, in.errorString()});
        QFile::remove(temporary);
        return;
    }
    if (QFileInfo(target).isFile()) {
        QString copy = kept.folder.absoluteFilePath(name + kept.suffix);
        for (int n = 2; QFileInfo::exists(copy); ++n)
            copy = kept.folder.absoluteFilePath(name + kept.suffix + QStringLiteral("-%1").arg(n));
        QFile current(target);
        if (!current.copy(copy)) {
            out.failures.append(
                {name, QStringLiteral("le fichier actuel n'a pas pu être conservé sous %1 (%2)")
                           .arg(where(copy), current.errorString())});
            QFile::remove(temporary);
            return;
        }
        out.keptFiles << copy;
    }
    if (const QString why = renameOver(temporary, target); !why.isEmpty()) {
        out.failures.append({name, QStringLiteral("remplacement impossible (%1)").arg(why)});
        QFile::remove(temporary);
        return;
    }
    out.restored << name;
}

// The data files of the backup, under the same name prefix as the
// database, into `folder`. The bytes dealt with are reported to `progress`
// after each file.
void restoreDataFiles(const QString& from, const QString& prefix, const QDir& folder,
                      const KeptFiles& kept, RestoreOutcome& out, Progress* progress) {
    int listingError = 0;
    const QStringList names = backupFileNames(from + QLatin1Char('/') + prefix, &listingError);
    if (listingError != 0)
        out.failures.append(
            {out.backupFolder, QStringLiteral("lecture impossible (%1)")
                                   .arg(QString::fromLocal8Bit(std::strerror(listingError)))});
    QList<qint64> sizes;
    qint64 total = 0, done = 0;
    for (const QString& name : names)
        total += sizes.emplace_back(QFileInfo(QDir(from).absoluteFilePath(name)).size());
    if (progress)
        (void)progress->step(done, total);
    for (qsizetype i = 0; i < names.size(); ++i) {
        restoreDataFile(from, names.at(i), folder, kept, out);
        done += sizes.at(i);
        if (progress)
            (void)progress->step(done, total);
    }
}

} // namespace

Result<RestoreOutcome> completeServerRestore(PreparedRestore& p, Progress* progress) {
    ProgressShare saving(progress, 0, 450), writing(progress, 450, 900),
        files(progress, 900, ProgressShare::Whole);
    RestoreOutcome out = p.out_;
    // Saved beside the backup and replaced in one transaction that holds
    // the tables: a row another session commits is in one or the other.
    QString previous =
        p.from_ + QLatin1Char('/') + databasePath(QString()) + QLatin1Char('.') + p.suffix_;
    for (int n = 2; QFileInfo::exists(previous); ++n)
        previous = p.from_ + QLatin1Char('/') + databasePath(QString()) + QLatin1Char('.') +
                   p.suffix_ + QStringLiteral("-%1").arg(n);
    {
        Result<std::unique_ptr<Connection>> backup = Connection::open(p.work_);
        if (!backup)
            return refusal(QStringLiteral("la sauvegarde vérifiée ne peut plus être lue (%1). "
                                          "Rien n'a été changé.")
                               .arg(backup.error().text));
        bool saved = false;
        Result<QList<TableCount>> copied = restoreServerContent(
            **backup, *p.server_, previous, &saved, saving.get(), writing.get());
        if (!copied && !saved)
            return refusal(QStringLiteral("la base actuelle n'a pas pu être enregistrée sous %1 "
                                          "(%2). Rien n'a été changé.")
                               .arg(where(previous), copied.error().text));
        if (!copied)
            return refusal(QStringLiteral("la base n'a pas pu être remplacée (%1). Elle est "
                                          "restée telle qu'elle était ; une copie est conservée "
                                          "sous %2.")
                               .arg(copied.error().text, where(previous)));
    }
    out.previousSavedAs = previous;
    out.restored << databasePath(QString());
    restoreDataFiles(p.from_, QString(), QFileInfo(filesBase(p.base_)).absoluteDir(),
                     {QDir(p.from_), QLatin1Char('.') + p.suffix_}, out, files.get());
    return out;
}

Result<std::unique_ptr<PreparedRestore>>
prepareRestore(const QString& base, const QString& backupFolder, const QDateTime& now,
               const QString& ownLockFile, Progress* progress) {
    if (Dialect::at(base).isServer())
        return prepareServerRestore(base, backupFolder, now, progress);
    ProgressShare copying(progress, 0, 900), checkingLive(progress, 900, ProgressShare::Whole);

    std::unique_ptr<PreparedRestore> p(new PreparedRestore(base));
    RestoreOutcome& out = p->out_;
    out.backupFolder = where(QDir(backupFolder).absolutePath());
    const QDir from(backupFolder);
    p->from_ = from.absolutePath();
    p->live_ = QFileInfo(databasePath(base)).absoluteFilePath();
    const QString dbName = QFileInfo(p->live_).fileName();
    p->prefix_ = dbName.chopped(databasePath(QString()).size());
    const QString source = from.absoluteFilePath(dbName);
    if (!QFileInfo(source).isFile())
        return refusal(QStringLiteral("aucune sauvegarde VORDAN dans %1 (fichier %2 absent).")
                           .arg(out.backupFolder, dbName));
    if (isDatabaseFolder(base, backupFolder))
        return refusal(QStringLiteral("%1 est le dossier de vos données, pas une sauvegarde.")
                           .arg(out.backupFolder));

    const QDir folder = QFileInfo(p->live_).absoluteDir();
    if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
        return refusal(QStringLiteral("le dossier %1 ne peut pas être créé.")
                           .arg(where(folder.absolutePath())));
    // Taken before the others are counted and kept to the end: a program
    // starting meanwhile waits for it before it opens the database.
    switch (p->lock_.acquire(Connection::busyTimeoutMs())) {
    case RestoreLock::Outcome::Held:
        break;
    case RestoreLock::Outcome::Busy:
        return refusal(QStringLiteral("une autre restauration, ou le démarrage d'un VORDAN, est "
                                      "en cours sur cette base. Réessayez dans un instant."));
    case RestoreLock::Outcome::Unavailable:
        return refusal(QStringLiteral("le verrou %1 ne peut pas être écrit dans le dossier des "
                                      "données. Rien n'a été changé.")
                           .arg(where(p->lock_.fileName())));
    }
    if (const QStringList others = DatabaseLock::otherHolders(base, ownLockFile); !others.isEmpty())
        return refusal(QStringLiteral("VORDAN est ouvert sur cette base dans un autre programme "
                                      "ou sur un autre poste (%1). Fermez-le, puis recommencez.")
                           .arg(QFileInfo(others.first()).fileName()));

    // The backup is checked on a copy of our own, beside the database: the
    // drive may change or go between the check and the use.
    p->suffix_ = previousDatabaseSuffix(now);
    const QString work = p->live_ + QStringLiteral(".restauration-") +
                         now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    p->work_ = work;
    if (std::optional<DataError> refused = checkedCopy(source, work, out, copying.get()))
        return *refused;

    // The current database: only one the engine finds damaged is set aside;
    // one that is busy or newer stays as it is and the restore is refused.
    if (QFileInfo::exists(p->live_)) {
        const FileCheck live = checkDatabaseFile(p->live_, checkingLive.get());
        switch (live.state) {
        case FileCheck::State::Sound:
            break;
        case FileCheck::State::Damaged:
            // Damaged pages, or a write that never finished and left its
            // journal: the file and the journal go aside together, as they are.
            p->damaged_ = true;
            break;
        case FileCheck::State::Busy:
            return refusal(QStringLiteral("la base est utilisée par un autre programme (%1). "
                                          "Fermez-le, puis recommencez. Rien n'a été changé.")
                               .arg(where(p->live_)));
        case FileCheck::State::Newer:
            return refusal(QStringLiteral("la base actuelle %1 a été créée par une version plus "
                                          "récente de VORDAN (%2) ; mettez le logiciel à jour. "
                                          "Rien n'a été changé.")
                               .arg(where(p->live_), live.text));
        case FileCheck::State::Unreadable:
            return refusal(QStringLiteral("la base actuelle %1 ne peut pas être lue (%2). Rien "
                                          "n'a été changé.")
                               .arg(where(p->live_), live.text));
        }
    }
    return p;
}

Result<RestoreOutcome> completeRestore(PreparedRestore& p, Progress* progress) {
    if (p.done_ || (!p.server_ && !p.lock_.held()))
        return refusal(QStringLiteral("cette restauration a déjà été faite."));
    p.done_ = true;
    if (p.server_)
        return completeServerRestore(p, progress);
    RestoreOutcome out = p.out_;
    const QString& live = p.live_;
    const QString& work = p.work_;
    const QDir folder = QFileInfo(live).absoluteDir();

    // A second restore in the same second keeps the first one's save.
    QString previous = live + QLatin1Char('.') + p.suffix_;
    for (int n = 2; QFileInfo::exists(previous) || QFileInfo::exists(journalOf(previous)); ++n)
        previous = live + QLatin1Char('.') + p.suffix_ + QStringLiteral("-%1").arg(n);
    const bool present = QFileInfo::exists(live);
    ProgressShare saving(progress, 0, 450), writing(progress, 450, 900),
        files(progress, 900, ProgressShare::Whole);
    if (present && !p.damaged_) {
        // Saved and replaced under one hold of the base: a write another
        // program commits meanwhile is in one or the other, never lost.
        const ContentReplacement r =
            replaceDatabaseContent(live, work, previous, saving.get(), writing.get());
        if (!r.ok() && r.saving)
            return refusal(QStringLiteral("la base actuelle n'a pas pu être enregistrée sous %1 "
                                          "(%2). Rien n'a été changé.")
                               .arg(where(previous), r.text));
        if (!r.ok())
            return refusal(QStringLiteral("la base n'a pas pu être remplacée (%1). Elle est "
                                          "restée telle qu'elle était.")
                               .arg(r.text));
        out.previousSavedAs = previous;
    } else {
        // Nothing sound to write into. The damaged file keeps its place
        // under its own name until the restored one replaces it in one step;
        // its journal goes aside first (beside the new file it would be
        // played into it).
        if (present) {
            if (const QString why = keepAside(live, previous); !why.isEmpty()) {
                QFile::remove(previous);
                return refusal(QStringLiteral("la base endommagée %1 n'a pas pu être mise de côté "
                                              "(%2). Rien n'a été changé.")
                                   .arg(where(live), why));
            }
            out.previousSavedAs = previous;
            out.previousDamaged = true;
        }
        const QString journal = journalOf(live);
        const bool withJournal = QFileInfo::exists(journal);
        if (withJournal) {
            if (const QString why = renameOver(journal, journalOf(previous)); !why.isEmpty()) {
                if (present)
                    QFile::remove(previous);
                return refusal(QStringLiteral("le journal %1 n'a pas pu être mis de côté (%2). "
                                              "Rien n'a été changé.")
                                   .arg(where(journal), why));
            }
        }
        if (const QString why = renameOver(work, live); !why.isEmpty()) {
            if (withJournal)
                renameOver(journalOf(previous), journal);
            QString text = QStringLiteral("la sauvegarde n'a pas pu être mise en place sous %1 "
                                          "(%2).")
                               .arg(where(live), why);
            if (present)
                text += QStringLiteral(" La base endommagée est restée en place ; une copie est "
                                       "conservée sous %1.")
                            .arg(where(previous));
            return refusal(text);
        }
    }
    out.restored << QFileInfo(live).fileName();

    restoreDataFiles(p.from_, p.prefix_, folder, {folder, QLatin1Char('.') + p.suffix_}, out,
                     files.get());
    p.lock_.release();
    return out;
}

Result<RestoreOutcome> restoreBackup(const QString& base, const QString& backupFolder,
                                     const QDateTime& now, const QString& ownLockFile,
                                     Progress* progress) {
    // The checks take the first part of the whole, the writing the rest.
    ProgressShare checking(progress, 0, 400), writing(progress, 400, ProgressShare::Whole);
    Result<std::unique_ptr<PreparedRestore>> prepared =
        prepareRestore(base, backupFolder, now, ownLockFile, checking.get());
    if (!prepared)
        return prepared.error();
    return completeRestore(**prepared, writing.get());
}

Result<RestoreOutcome> restoreFromPathFile(const QString& programFolder,
                                           const QString& configFolder, const QString& backupFolder,
                                           const QDateTime& now, Progress* progress) {
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
    // The restore's own lock keeps another restore, and any program
    // starting meanwhile, away until it ends.
    return restoreBackup(*base, backupFolder, now, QString(), progress);
}

int runRestoreCommand(const QString& backupFolder) {
    Result<RestoreOutcome> outcome = DataError();
    {
        // How far the writing is, on stderr when it is a terminal.
        const SystemClock clock;
        TerminalProgress progress(QStringLiteral("Restauration de la base"), clock);
        outcome = restoreFromPathFile(QCoreApplication::applicationDirPath(), userConfigFolder(),
                                      backupFolder, QDateTime::currentDateTime(), &progress);
    }
    if (!outcome) {
        console::write(stderr, outcome.error().text + QLatin1Char('\n'));
        return 1;
    }
    console::write(stdout, restoreEndMessage(*outcome) + QLatin1Char('\n'));
    return 0;
}

BackupSummary summarizeBackup(const QString& backupFolder) {
    BackupSummary r;
    const QString file = QDir(backupFolder).absoluteFilePath(databasePath(QString()));
    if (!QFileInfo(file).isFile())
        return r;
    if (const std::optional<int> customers = customersInFile(file)) {
        r.readable = true;
        r.customers = *customers;
        r.written = QFileInfo(file).lastModified();
    }
    return r;
}

QString restoreQuestion(const QString& letter, const BackupSummary& backup, bool onServer) {
    QString what = QStringLiteral("Restaurer la sauvegarde du lecteur %1:").arg(letter);
    if (backup.readable)
        what += QStringLiteral(" du %1 à %2 (%3 client%4)")
                    .arg(backup.written.toString(QStringLiteral("dd/MM/yyyy")),
                         backup.written.toString(QStringLiteral("HH:mm")))
                    .arg(backup.customers)
                    .arg(backup.customers > 1 ? QStringLiteral("s") : QString());
    what += QStringLiteral(" ?\nLes données actuelles seront remplacées par celles de la "
                           "sauvegarde ; elles sont d'abord enregistrées ");
    // A server's current content is saved as a file beside the backup.
    if (onServer)
        return what + QStringLiteral("à côté de la sauvegarde, sur le lecteur %1:.").arg(letter);
    return what + QStringLiteral("à côté de la base.");
}

QString restoreEndMessage(const RestoreOutcome& o) {
    QString text = QStringLiteral("%1 depuis %2.\n%3 client(s) restauré(s).")
                       .arg(o.failures.isEmpty() ? QStringLiteral("Restauration terminée")
                                                 : QStringLiteral("Restauration incomplète"),
                            o.backupFolder)
                       .arg(o.customers);
    const QFileInfo previous(o.previousSavedAs);
    if (o.previousSavedAs.isEmpty())
        text += QStringLiteral("\nAucune base n'était en place.");
    else if (o.previousDamaged)
        text += QStringLiteral("\nLa base précédente, endommagée, a été mise de côté sous le nom "
                               "%1 dans le dossier %2.")
                    .arg(previous.fileName(), where(previous.absolutePath()));
    else
        text += QStringLiteral("\nLa base précédente est conservée sous le nom %1 dans le dossier "
                               "%2.")
                    .arg(previous.fileName(), where(previous.absolutePath()));
    if (o.restored.size() > 1)
        text +=
            QStringLiteral("\nFichiers restaurés : %1.").arg(o.restored.join(QStringLiteral(", ")));
    if (!o.keptFiles.isEmpty()) {
        QStringList names;
        for (const QString& kept : o.keptFiles)
            names << QFileInfo(kept).fileName();
        text += QStringLiteral("\nFichiers précédents conservés dans le dossier %1 : %2.")
                    .arg(where(QFileInfo(o.keptFiles.first()).absolutePath()),
                         names.join(QStringLiteral(", ")));
    }
    if (!o.failures.isEmpty()) {
        text += QStringLiteral("\nFichiers non restaurés :");
        for (const BackupFailure& f : o.failures)
            text += QStringLiteral("\n%1 : %2").arg(f.file, f.reason);
    }
    return text;
}

} // namespace vdn
