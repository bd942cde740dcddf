#pragma once

class QSqlDriver;

namespace vdn {

// When the server connection behind `driver` was lost, opens it again (the
// named connection it belongs to, for every user of it) and says so: a
// statement prepared on the lost session must then be prepared again, since
// the server forgot it with the session. False for SQLite and for a live
// connection.
bool reopenLostConnection(const QSqlDriver* driver);

} // namespace vdn
