#pragma once

#include <QString>

namespace vdn {

// Names of the database engines, as Qt's drivers are named.
inline const QString SqliteEngine = QStringLiteral("QSQLITE");
inline const QString PostgresEngine = QStringLiteral("QPSQL");

// The cause of a database engine's failure in French, as a sentence that
// tells the user what to do ("La base de données est utilisée par un autre
// programme : fermez-le puis réessayez."). Keyed by the engine and its own
// code: SQLite's primary result code in decimal. For a five-character code
// (PostgreSQL's SQLSTATE) with no entry of its own, the entry of its class,
// the first two characters, serves. A code with no entry gets a general cause.
QString engineCause(const QString& engine, const QString& code);

// The number the data-access error report shows for a server failure: one
// decimal number per SQLSTATE class, 8000 plus the class when it is two
// digits (08 → 8008, 23 → 8023), 8010 for 0A, 8030 for 3D, 8099 for XX,
// 8043 for 42501 (no right), ServerErrorOther for any other.
int serverErrorNumber(const QString& sqlState);
constexpr int ServerErrorOther = 8000;

} // namespace vdn
