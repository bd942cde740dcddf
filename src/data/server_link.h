#pragma once

#include "data/data_error.h"

class QSqlDatabase;
class QSqlDriver;
typedef struct pg_conn PGconn;

namespace vdn {

// When the server connection behind `driver` was lost, opens it again (the
// named connection it belongs to, for every user of it) and says so: a
// statement prepared on the lost session must then be prepared again, since
// the server forgot it with the session. False for SQLite and for a live
// connection. `status` receives the failure of the reopened session's
// settings, which the statement reports as its own.
bool reopenLostConnection(const QSqlDriver* driver, Status* status);

// A statement met a connection failure (SQLSTATE class 08, or the server
// shutting down): the connection behind `driver` is opened again before the
// next statement, whatever the client library says of it (it may still
// call a session whose server is gone healthy).
void markConnectionLost(const QSqlDriver* driver);

// True when the session behind `driver` is on a server and outside any
// transaction: a statement that then meets a lost connection belonged to no
// transaction of the program's, and may be run again on a new session.
bool sessionIdle(const QSqlDriver* driver);

// After a statement run on an idle session failed: true when the failure
// was the loss of the connection and a new session is now open, so that the
// statement may be run once more; `status` receives the failure of the new
// session's settings, which the statement reports instead of its own.
bool reopenedAfterLoss(const QSqlDriver* driver, Status* status);

// Takes in and drops whatever the server still sends for the session's last
// statement (the rows of a reading left unfinished), so that the session is
// idle again. Nothing for SQLite.
void settleSession(const QSqlDriver* driver);

// The client library's connection behind a server database, null for SQLite
// (for the few reads that go past Qt's driver: a copy of whole tables).
PGconn* serverHandle(const QSqlDatabase& db);

} // namespace vdn
