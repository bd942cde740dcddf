#include "data/database_creator.h"

#include "data/connection.h"
#include "data/dialect.h"
#include "data/globals.h"
#include "data/schema.h"
#include "data/server_address.h"
#include "data/shop_store.h"
#include "data/starter_data.h"
#include "platform/file_system.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vdn {

namespace {

QAtomicInt creationCounter;

// The schema, the shop and the starter lists in one transaction: a failure
// leaves the database as empty as it was.
Status fill(Connection& c, const CreateOptions& options) {
    Transaction t(c.db());
    if (!t.started())
        return t.started();
    if (Status s = writeSchema(c); !s)
        return s;
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

DataError alreadyThere(const QString& path) {
    return DataError::other(
        errnum::FileAccess,
        QStringLiteral("Le fichier %1 existe déjà ; il ne sera pas remplacé").arg(path));
}

// Renames `from` to `to` unless `to` exists, in one step.
Status placeWithoutReplacing(const QString& from, const QString& to) {
    const int err = files::placeWithoutReplacing(from, to);
    if (err == 0)
        return {};
    if (err == EEXIST)
        return alreadyThere(to);
    return DataError::other(
        errnum::FileAccess,
        QStringLiteral("Impossible de nommer la base %1 : %2").arg(to, files::systemReason(err)));
}

} // namespace

Status createDatabase(const CreateOptions& options) {
    if (isServerAddress(options.folder)) {
        Result<std::unique_ptr<Connection>> c =
            Connection::open(options.folder, Connection::Mode::Blank);
        return c ? fill(**c, options) : c.status();
    }
    if (std::optional<DataError> refused = unknownScheme(options.folder))
        return *refused;
    const QString folder = options.folder.isEmpty() ? QStringLiteral(".") : options.folder;
    if (!QDir().mkpath(folder))
        return DataError::other(errnum::PathNotFound,
                                QStringLiteral("Impossible de créer le dossier %1").arg(folder));
    const QString path = databasePath(QDir(folder).absolutePath() + QLatin1Char('/'));
    if (QFile::exists(path))
        return alreadyThere(path);
    // Made whole under a name of its own, then given the database's name
    // only while that name is free: a file another program puts there
    // meanwhile is neither replaced nor removed, and no half-made database
    // ever carries the name.
    const QString work = path + QStringLiteral(".creation-%1-%2")
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(creationCounter.fetchAndAddRelaxed(1) + 1);
    Status status;
    {
        Result<std::unique_ptr<Connection>> c = Connection::open(work, Connection::Mode::Blank);
        status = c ? fill(**c, options) : c.status();
    }
    if (status)
        status = placeWithoutReplacing(work, path);
    if (!status) {
        QFile::remove(work);
        QFile::remove(work + QStringLiteral("-journal"));
    }
    return status;
}

} // namespace vdn
