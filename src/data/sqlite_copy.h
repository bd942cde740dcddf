#pragma once

#include <QString>

struct sqlite3;

namespace vdn {

class Progress;

// The outcome of a database copy made with SQLite's backup API.
struct DatabaseCopy {
    enum class Outcome {
        Copied,
        Busy,        // another connection is writing and holds the file past the wait
        WriteFailed, // the copy could not be made or written
        BadCopy,     // the finished copy does not hold every page of the source
        Cancelled,   // the user stopped it; the unfinished copy is removed
    };
    Outcome outcome = Outcome::Copied;
    int code = 0;        // the engine's result code of the failure
    int systemError = 0; // the system's error number behind it, 0 when none
    QString detail;      // the engine's own text
    bool ok() const { return outcome == Outcome::Copied; }
};

// Copies the database open on `source` into the file `target` (new or empty)
// with SQLite's backup API: one step that copies every page inside one read
// transaction of the source, so the copy is one committed state even while
// other connections use the file. The file itself is read by the engine only,
// never through a descriptor of ours (closing one would drop the engine's
// locks on it). The copy is then checked (it opens and holds every page) and
// flushed to the disk. A lock held by another writer is waited for as long
// as the source connection's busy timeout allows.
// With `progress`, the pages are copied a slice at a time, each reported,
// still inside one read transaction of the source held from the first slice
// to the last; when the user stops it, `target` is removed.
DatabaseCopy copyDatabase(sqlite3* source, const QString& target, Progress* progress = nullptr);
// The same from the SQLite database open on `source`.
class Connection;
DatabaseCopy copyDatabase(const Connection& source, const QString& target,
                          Progress* progress = nullptr);

} // namespace vdn
