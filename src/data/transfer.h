#pragma once

#include "data/data_error.h"

#include <QList>
#include <QString>

namespace vdn {

class Progress;

namespace errnum {
// The user stopped a long copy; nothing was written.
constexpr int Cancelled = 3059;
} // namespace errnum

// The rows copied into one table.
struct TableCount {
    QString table;
    qint64 rows = 0;
};

// The database named by `location` as the first line of the path file names
// it: a server address is itself; a folder prefix ("/data/") gives its
// vordan.mdb, and an existing folder written without its final "/" is taken
// as that folder.
QString databaseAt(const QString& location);

// Copies a whole VORDAN database, every row of its tables with their
// stored keys, from `source` to `destination` (each a folder prefix or a
// server address; any engine to any engine). The destination must be empty:
// a folder without vordan.mdb (the file is then created) or a server
// database without VORDAN's tables; otherwise nothing is written. Everything
// lands on the destination in one transaction: a failure leaves it as it
// was (a created file is removed). Rows keep the order they were added in.
// With `progress`, the copied rows are reported; stopped there, the copy
// fails with errnum::Cancelled and leaves the destination as it was.
Result<QList<TableCount>> transferDatabase(const QString& source, const QString& destination,
                                           Progress* progress = nullptr);

// The fields of a table that a transfer or a snapshot copies, in the order
// it copies them: every field, with the customers' ordering keys.
QStringList transferredFields(const QString& table);

class Connection;

// Writes a consistent snapshot of the database open on `from` (all its
// tables read in one REPEATABLE READ transaction on a server) into the new
// SQLite file `file`, flushed to the disk. A failure, or the user stopping
// it through `progress`, removes the file.
Status snapshotToFile(Connection& from, const QString& file, Progress* progress = nullptr);

// The restore of the VORDAN file `from` over the server database `to`: its
// current content saved into the new SQLite file `previous` (`saved` says
// it was), then every row of VORDAN's tables replaced by the file's, all in
// one transaction that holds the tables ACCESS EXCLUSIVE from before the
// saved content is read until the new content is committed. A write another
// session commits is in the saved file or in the restored base; a session
// waiting past its own time limit gets an error. Refused, with nothing
// written, while another VORDAN has the database open or while the tables
// stay in use past the connection's busy wait.
Result<QList<TableCount>> restoreServerContent(Connection& from, Connection& to,
                                               const QString& previous, bool* saved = nullptr,
                                               Progress* saving = nullptr,
                                               Progress* writing = nullptr);

} // namespace vdn
