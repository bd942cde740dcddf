#include "data/globals.h"

#include "data/server_address.h"

#include <QDir>
#include <QStandardPaths>

namespace vdn {

QString chemin_base;
QString shop_name;
QString chemin_fichiers;

QString filesBase(const QString& base) {
    if (!isServerAddress(base))
        return base;
    QString folder = chemin_fichiers;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                 QStringLiteral("/VORDAN");
    // Made when first needed; a folder that cannot be made fails on the
    // file written in it, with the message of that file.
    QDir().mkpath(folder);
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString databasePath(const QString& base) {
    if (isServerAddress(base))
        return base;
    return base + QStringLiteral("vordan.mdb");
}

} // namespace vdn
