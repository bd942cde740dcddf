#pragma once

#include "data/data_error.h"

#include <QString>

namespace vdn {

// The address of a database on a PostgreSQL server, written in libpq's URI
// syntax: postgresql://[user@][host][:port][/database][?param=value&…], a
// Unix socket folder given as ?host=/run/postgresql.
inline const QString ServerScheme = QStringLiteral("postgresql://");

// True when a database location (a line of the path file, an argument) names
// a server database rather than a folder.
bool isServerAddress(const QString& location);

// The fields of a server address, as Qt's PostgreSQL driver takes them.
struct ServerAddress {
    QString host;     // name, address or socket folder; empty: libpq's default
    int port = -1;    // -1: libpq's default
    QString database; // empty: libpq's default (the user's name)
    QString user;     // empty: libpq's default
    // Every other parameter, "name=value" separated by ';' (sslmode,
    // connect_timeout, …), the driver's connection options.
    QString options;
};

// Parses a server address with libpq's own parser. An address that holds a
// password (in its user part or as a parameter) is refused: passwords belong
// in ~/.pgpass, the file named by PGPASSFILE or PGPASSWORD.
Result<ServerAddress> parseServerAddress(const QString& uri);

} // namespace vdn
