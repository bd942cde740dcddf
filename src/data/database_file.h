#pragma once

#include <QString>

#include <optional>

namespace vdn {

// Questions about an SQLite database file asked without a connection of the
// program (no migration, no lock file, no SQL function): what a restore asks
// of a backup's copy and of the database it replaces.

// What the engine makes of a file's pages and schema version. Read only: a
// journal left beside it by a crashed write is never played or removed.
struct FileCheck {
    enum class State {
        Sound,      // every page intact, a schema this program reads
        Damaged,    // damaged pages, not a database, or an unfinished write's journal
        Busy,       // another program holds it past the wait
        Newer,      // made by a newer VORDAN (text: "version N")
        Unreadable, // cannot be opened or read for another reason
    };
    State state = State::Sound;
    QString text; // the first problem found, or the engine's message
};
// With `progress`, the check reports that it goes on (how far is not known:
// step(0, -1)) every few million steps of the engine; it is never stopped.
class Progress;
FileCheck checkDatabaseFile(const QString& path, Progress* progress = nullptr);

// Copies every page of the database file `from` into `to` (made when
// `createTarget`) with the engine's online backup, in one write transaction
// on `to`. Empty, or why it failed. With `progress`, the pages are copied a
// slice at a time and reported; the copy cannot be stopped once it writes.
QString copyDatabaseFile(const QString& from, const QString& to, bool createTarget,
                         Progress* progress = nullptr);

// What replaceDatabaseContent() did when it failed: nothing is changed
// either way, `saving` tells whether the current content could not be read
// and saved, or the new content could not be written.
struct ContentReplacement {
    bool saving = false;
    QString text; // empty when the content was replaced
    bool ok() const { return text.isEmpty(); }
};

// Saves the content of the database file `live` into the new file `previous`
// and puts the content of the database file `from` in its place, under one
// exclusive transaction of one connection on `live`, held from before its
// content is read until the new content is committed: a write another
// program commits is either in the saved content or waits for the
// replacement and lands in the restored database (or, past its own wait, is
// refused to it). Tables, rows, indexes, triggers, views and the schema
// version are copied; the pages are the engine's to arrange. Every change,
// the saved file's included, is committed at once or not at all (`previous`
// is then removed). The rows copied are reported to `saving`, then to
// `writing`, table by table.
ContentReplacement replaceDatabaseContent(const QString& live, const QString& from,
                                          const QString& previous, Progress* saving = nullptr,
                                          Progress* writing = nullptr);

// The number of customers of a VORDAN database file, or nothing when it
// cannot be read.
std::optional<int> customersInFile(const QString& path);

} // namespace vdn
