#pragma once

#include <QString>

namespace vdn {

// Names of the database engines, as Qt's drivers are named.
inline const QString SqliteEngine = QStringLiteral("QSQLITE");

// The cause of a database engine's failure in French, as a sentence that
// tells the user what to do ("La base de données est utilisée par un autre
// programme : fermez-le puis réessayez."). Keyed by the engine and its own
// code: SQLite's primary result code in decimal. For a five-character code
// (PostgreSQL's SQLSTATE) with no entry of its own, the entry of its class,
// the first two characters, serves. A code with no entry gets a general cause.
QString engineCause(const QString& engine, const QString& code);

} // namespace vdn
