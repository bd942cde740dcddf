#include "app/startup.h"

#include "app/path_file.h"
#include "data/connection.h"
#include "data/globals.h"
#include "data/shop_store.h"

#include <QDir>

namespace vdn {

QString mainTitle(const QString& shopName, const QString& licence) {
    return QStringLiteral("VORDAN-   Logiciel VORDAN pour le compte de : ") + shopName +
           QStringLiteral("  N° LICENCE : ") + licence;
}

Result<StartupInfo> startUp(const QString& programFolder, const QString& configFolder) {
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
    {
        Result<std::unique_ptr<Connection>> c = Connection::open(databasePath(info.chemin_base));
        if (!c)
            return c.error();
        Result<ShopIdentity> shop = ShopStore((*c)->db()).first();
        if (!shop)
            return shop.error();
        info.shopCode = shop->code;
        info.shopName = shop->name;
        info.licence = shop->licence;
    }
    info.title = mainTitle(info.shopName, info.licence);
    return info;
}

} // namespace vdn
