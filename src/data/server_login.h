#pragma once

#include "data/connection.h"
#include "data/data_error.h"
#include "data/dialect.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace vdn {

// What a workstation types to join the shop's server: where it is, which
// database, and as which role.
struct ServerLogin {
    QString host; // a name, an IPv4 or IPv6 address, or a Unix socket folder (/…)
    int port = Dialect::server().defaultPort();
    QString database;
    QString role;
};

// The address written in CHEMIN.QZ, in libpq's URI syntax and without any
// password: postgresql://role@host:port/database, each part percent-encoded
// where libpq would read it otherwise, an IPv6 address in brackets, a socket
// folder as ?host=/folder&port=N.
QString loginAddress(const ServerLogin& login);

// The fields of one line of a password file (host:port:database:role:password)
// as libpq reads them: ':' separates, '\' takes the next character as is.
// Blank lines and comments (#) give nothing. Fewer than five fields: nothing.
QStringList passwordFileFields(const QString& line);

// A field written as libpq reads it back: '\' and ':' preceded by '\', and a
// field that is one '*' written "\*" so that it is no wildcard.
QString passwordFileField(const QString& value);

// The password file's content with the entry of `login` set to `password`:
// a line whose first four fields are exactly this host, port, database and
// role is replaced (the first one; later duplicates are dropped, since libpq
// would never read them), every other line is kept byte for byte in its
// place, and without such a line the entry is added at the end.
QByteArray passwordFileWithEntry(const QByteArray& existing, const ServerLogin& login,
                                 const QString& password);

// Whether a value can be written in the password file: a line end or a NUL
// would end it early (a password ending in CR loses it, one with LF writes a
// line of its own), so such a value is refused.
bool passwordFileCanHold(const QString& value);

// The password file libpq reads: the file named by PGPASSFILE, or the
// user's own (~/.pgpass on Linux), as the server's engine says.
QString passwordFilePath();

// Writes the entry into the password file (made when absent), which is left
// readable and writable by its owner only (libpq ignores a file others may
// read). Nothing is changed when it cannot be read or written, or when a
// field or the password cannot be held in it.
Status savePassword(const ServerLogin& login, const QString& password);

// Opens the VORDAN database at `address` (brought to the current schema, as
// at start-up) with `password` when one is given, for this attempt only (the
// password file and the environment are left as they were), and checks that
// it holds the shop's identity.
Result<std::unique_ptr<Connection>> openWithPassword(const QString& address,
                                                     const QString& password);

// Why joining the server failed, in French, naming the cause a user can act
// on: unknown server name, connection refused, no answer, password missing
// or refused, unknown role, database missing, not a VORDAN database; any
// other failure keeps its cause and the server's own words.
QString joinFailureText(const DataError& error, const ServerLogin& login);

} // namespace vdn
