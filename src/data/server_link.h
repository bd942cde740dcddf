#pragma once

class QSqlDriver;

namespace vdn {

// When the server connection behind `driver` was lost, opens it again (the
// named connection it belongs to, for every user of it) and says so: a
// statement prepared on the lost session must then be prepared again, since
// the server forgot it with the session. False for SQLite and for a live
// connection.
bool reopenLostConnection(const QSqlDriver* driver);

// A statement met a connection failure (SQLSTATE class 08, or the server
// shutting down): the connection behind `driver` is opened again before the
// next statement, whatever the client library says of it (it may still
// call a session whose server is gone healthy).
void markConnectionLost(const QSqlDriver* driver);

} // namespace vdn
