#pragma once

#include "data/data_error.h"

#include <QString>

#include <optional>

namespace vdn {

// The address of a database on a PostgreSQL server, written in libpq's URI
// syntax: postgresql://[user@][host][:port][/database][?param=value&…], a
// Unix socket folder given as ?host=/run/postgresql. libpq's other spelling
// postgres:// names a server too; either is read without regard to case.
inline const QString ServerScheme = QStringLiteral("postgresql://");

// True when a database location (a line of the path file, an argument) names
// a server database rather than a folder.
bool isServerAddress(const QString& location);

// A location written "scheme://…" with a scheme that names no server VORDAN
// reads (http://, sqlite://, a misspelt postgresql://): the French refusal.
// Nothing for a folder or a server address. Such a location is never taken
// for a folder.
std::optional<DataError> unknownScheme(const QString& location);

// The location as it may be shown in a message, a log or an error list: in
// an address ("scheme://…", whether libpq can read it or not) the password
// of the user part and the values of the password and sslpassword
// parameters are replaced by "****"; an address holding a control character
// (which would end what libpq reads early) shows its scheme only. Any other
// location is returned as is.
QString shownAddress(const QString& location);
// A location as messages name it: an address as shownAddress() shows it, a
// file's path as the system writes paths (backslashes on Windows).
QString shownLocation(const QString& location);

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
// password (in its user part or as a parameter) or a client key's passphrase
// (sslpassword) is refused, whether libpq can read the rest or not:
// passwords belong in ~/.pgpass, the file named by PGPASSFILE or PGPASSWORD.
// No message shows a password.
Result<ServerAddress> parseServerAddress(const QString& uri);

// Seconds a connection waits for a server that does not answer, unless the
// address sets its own connect_timeout.
inline constexpr int DefaultConnectTimeoutS = 10;

// The driver's connection options of an address with the settings VORDAN
// adds where the address is silent: a connection time-out (a server that
// accepts and never answers gives a French error within seconds instead of
// a silent wait of minutes), TCP keepalives (a workstation left idle
// finds out that the server went away) and a TCP user time-out (data sent
// and never acknowledged ends the connection). What the address sets is
// kept.
QString connectOptions(const ServerAddress& address);

} // namespace vdn
