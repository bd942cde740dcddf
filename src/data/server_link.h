#pragma once

#include "data/data_error.h"

class QSqlDatabase;
class QSqlDriver;
typedef struct pg_conn PGconn;

namespace vdn {

// Reopening a lost connection, for the statements of data/. Whether a
// connection is lost is its engine's answer (Dialect::connectionLost()); an
// engine whose connections are never lost is never reopened.

// When the connection behind `driver` was lost, opens it again (the named
// connection it belongs to, for every user of it) and says so: a statement
// prepared on the lost session must then be prepared again, since the server
// forgot it with the session. False for a live connection. `status`
// receives the failure of the reopened session's settings, which the
// statement reports as its own.
bool reopenLostConnection(const QSqlDriver* driver, Status* status);

// A statement met a connection failure (on a server, SQLSTATE class 08 or
// the server shutting down): the connection behind `driver` is opened again
// before the next statement, whatever the client library says of it.
void markConnectionLost(const QSqlDriver* driver);

// After a statement run on an idle session (Dialect::sessionIdle()) failed:
// true when the failure was the loss of the connection and a new session is
// now open, so that the statement may be run once more; `status` receives
// the failure of the new session's settings, which the statement reports
// instead of its own.
bool reopenedAfterLoss(const QSqlDriver* driver, Status* status);

// The client library's connection behind a server database, null for SQLite
// (for the few reads that go past Qt's driver: a copy of whole tables).
PGconn* serverHandle(const QSqlDatabase& db);

} // namespace vdn
