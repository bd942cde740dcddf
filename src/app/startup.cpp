#include "app/startup.h"
#include "platform/network_folder.h"

#include "app/path_file.h"
#include "data/connection.h"
#include "data/dialect.h"
#include "data/globals.h"
#include "data/schema.h"
#include "data/server_address.h"
#include "data/shop_store.h"

#include <QDir>
#include <QFileInfo>

namespace vdn {

QString mainTitle(const QString& shopName, const QString& licence) {
    return QStringLiteral("VORDAN-   Logiciel VORDAN pour le compte de : ") + shopName +
           QStringLiteral("  N° LICENCE : ") + licence;
}

namespace {

// A failure on the database at start-up names the file and keeps the cause
// (in French for the engine's failures); the engine's code and list stay. A
// server address is named without its passwords.
DataError onDatabase(DataError error, const QString& file) {
    const QString shown = shownLocation(file);
    if (!error.engineErrors.isEmpty() && !error.text.isEmpty())
        error.text = QStringLiteral("Impossible d'ouvrir la base de données %1 : %2")
                         .arg(shown, error.text.at(0).toLower() + error.text.mid(1));
    else if (!error.text.contains(shown))
        error.text += QStringLiteral("\r\nBase de données : ") + shown;
    return error;
}

// What the path file's line made of the database's name, when the database
// cannot be opened: an empty line means the current folder, a folder named
// without its final "/" is glued to the file name.
DataError withPathHint(DataError error, const QString& base, const QString& pathFile) {
    if (base.isEmpty())
        error.text += QStringLiteral("\r\nLa première ligne de %1 est vide : la base a été "
                                     "cherchée dans le dossier courant (%2).")
                          .arg(QDir::toNativeSeparators(pathFile),
                               QDir::toNativeSeparators(QDir::currentPath()));
    else if (!QDir::fromNativeSeparators(base).endsWith(QLatin1Char('/')) &&
             QFileInfo(base).isDir())
        error.text += QStringLiteral("\r\nLa première ligne de %1 nomme le dossier %2 : le "
                                     "chemin doit se terminer par %3.")
                          .arg(QDir::toNativeSeparators(pathFile), base, QDir::separator());
    return error;
}

} // namespace

QString upgradeProgressText() {
    return QStringLiteral("Mise à jour de la base de données pour cette version de VORDAN.\n"
                          "La mise à jour ne peut pas être interrompue.");
}

QString networkBaseQuestion(const QString& programFolder, const QString& configFolder) {
    const QString pathFile = findPathFile(programFolder.trimmed(), configFolder);
    if (pathFile.isEmpty())
        return {};
    const Result<QString> base = readPathFile(pathFile);
    if (!base || Dialect::at(*base).isServer())
        return {};
    const QString folder = QFileInfo(databasePath(*base)).absolutePath();
    if (!isNetworkFolder(folder))
        return {};
    return QStringLiteral(
               "La base de données est dans un dossier réseau (%1).\r\n\r\n"
               "Une base SQLite sur un partage réseau peut être abîmée quand deux postes "
               "l'utilisent en même temps. Pour plusieurs postes, installez le serveur de la "
               "boutique et choisissez « Se connecter au serveur de la boutique » au premier "
               "démarrage.\r\n\r\nUtiliser quand même cette base, sur ce seul poste ?")
        .arg(QDir::toNativeSeparators(folder));
}

namespace {

// The lines an upgrade kept as they were, the first ones in full.
QString upgradeNoticeText(const QStringList& kept) {
    constexpr int Shown = 15;
    if (kept.isEmpty())
        return {};
    QString text = QStringLiteral("La mise à jour de la base a gardé telles quelles ces valeurs, "
                                  "qu'elle n'a pas su lire ; corrigez-les si besoin :\n") +
                   kept.mid(0, Shown).join(QLatin1Char('\n'));
    if (kept.size() > Shown)
        text += QStringLiteral("\n… et %1 autres.").arg(kept.size() - Shown);
    return text;
}

} // namespace

Result<StartupInfo> startUp(const QString& programFolder, const QString& configFolder,
                            Progress* upgrade) {
    StartupInfo info;
    info.chemin_app = programFolder.trimmed();
    info.pathFile = findPathFile(info.chemin_app, configFolder);
    if (info.pathFile.isEmpty())
        return DataError::other(
            errnum::FileNotFound,
            QStringLiteral("Fichier introuvable : %1 (cherché dans %2 et dans %3).\r\n"
                           "Créez une base avec « vordan --creer-base DOSSIER », puis écrivez "
                           "le chemin du dossier, terminé par /, sur la première ligne de %1.")
                .arg(PathFileName, QDir::toNativeSeparators(info.chemin_app),
                     QDir::toNativeSeparators(configFolder)));
    Result<QString> base = readPathFile(info.pathFile);
    if (!base)
        return base.error();
    info.chemin_base = *base;
    if (Dialect::at(info.chemin_base).isServer())
        info.chemin_fichiers = readPathFileSecondLine(info.pathFile);
    info.lock = std::make_shared<DatabaseLock>(info.chemin_base);
    // A restore under way is waited for; a restore that starts after this
    // lock is let go sees this program's own lock.
    RestoreLock restoring(info.chemin_base);
    if (restoring.acquire(RestoreLock::startWaitMs()) == RestoreLock::Outcome::Busy)
        return DataError::other(
            errnum::InUse,
            QStringLiteral("Une restauration de sauvegarde est en cours sur la base %1 ; VORDAN "
                           "ne peut pas l'ouvrir pendant ce temps. Relancez VORDAN une fois la "
                           "restauration terminée.")
                .arg(QDir::toNativeSeparators(databasePath(info.chemin_base))));
    {
        const QString file = databasePath(info.chemin_base);
        Result<std::unique_ptr<Connection>> c =
            Connection::open(file, Connection::Mode::ExistingOnly, upgrade);
        if (!c)
            return withPathHint(onDatabase(c.error(), file), info.chemin_base, info.pathFile);
        Result<ShopIdentity> shop = ShopStore((*c)->db()).first();
        if (!shop)
            return onDatabase(shop.error(), file);
        info.shopCode = shop->code;
        info.shopName = shop->name;
        info.licence = shop->licence;
        info.upgradeNotice = upgradeNoticeText(takeUpgradeReport());
    }
    info.lock->acquire();
    info.title = mainTitle(info.shopName, info.licence);
    return info;
}

} // namespace vdn
