#include "data/database_creator.h"

#include "data/connection.h"
#include "data/globals.h"
#include "data/shop_store.h"
#include "data/starter_data.h"

#include <QDir>
#include <QFile>

namespace vdn {

namespace {

Status fill(Connection& c, const CreateOptions& options) {
    Transaction t(c.db());
    if (!t.started())
        return t.started();
    ShopStore shops(c.db());
    if (Status s = shops.insert({QStringLiteral("1"), options.shopName, options.licence}); !s)
        return s;
    if (Status s = insertStarterLists(c.db()); !s)
        return s;
    if (Status s = t.commit(); !s)
        return s;
    if (options.demo)
        return insertDemoData(c, *options.demo);
    return {};
}

} // namespace

Status createDatabase(const CreateOptions& options) {
    const QString folder = options.folder.isEmpty() ? QStringLiteral(".") : options.folder;
    if (!QDir().mkpath(folder))
        return DataError::other(errnum::PathNotFound,
                                QStringLiteral("Impossible de créer le dossier %1").arg(folder));
    const QString path = databasePath(QDir(folder).absolutePath() + QLatin1Char('/'));
    if (QFile::exists(path))
        return DataError::other(
            errnum::FileAccess,
            QStringLiteral("Le fichier %1 existe déjà ; il ne sera pas remplacé").arg(path));
    Status status;
    {
        Result<std::unique_ptr<Connection>> c = Connection::open(path, Connection::Mode::CreateNew);
        status = c ? fill(**c, options) : c.status();
    }
    if (!status)
        QFile::remove(path);
    return status;
}

} // namespace vdn
