#pragma once

#include "data/data_error.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

struct sqlite3;

namespace vdn {

class Progress;

// One connection with its own Qt connection name: to an SQLite file (the
// val() function registered, synchronous writes and a busy timeout), or to
// a database on a PostgreSQL server when the path is a server address
// (data/server_address.h). Closed and unregistered when destroyed.
class Connection {
public:
    // ExistingOnly: a VORDAN database, brought to the current schema.
    // CreateNew: a new database with the current schema (a new file, or a
    // server database without VORDAN's tables). Blank: the same new database
    // left without tables, for a caller that writes them in its own
    // transaction (schemaStatements()).
    enum class Mode { ExistingOnly, CreateNew, Blank };

    // Milliseconds a statement waits for a lock held by another process.
    static constexpr int BusyTimeoutMs = 5000;
    // The wait in force: BusyTimeoutMs, or the whole number of milliseconds
    // (0 to 600000) in the environment variable VORDAN_BUSY_TIMEOUT_MS, which
    // tests use to meet a lock without waiting five seconds.
    static int busyTimeoutMs();

    // Page cache of each connection, in KiB. The customer list, its sorts,
    // printout and export read the customer table through the name index, one
    // row here and one there: with the whole table and its indexes in the
    // cache of a large shop (100,000 customers: about 20 MiB) a page is read
    // from the file once instead of once per row.
    static constexpr int CacheKiB = 32768;

    // Opens an existing VORDAN database (never creates a missing file and never
    // writes to a file that is not one of ours), or creates a new empty file.
    // An existing database of an older schema is upgraded, its progress
    // reported to `progress` (see checkAndMigrate()).
    static Result<std::unique_ptr<Connection>>
    open(const QString& path, Mode mode = Mode::ExistingOnly, Progress* progress = nullptr);

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase& db() { return db_; }
    const QString& path() const { return path_; }
    // The SQLite handle; null on a server.
    sqlite3* handle() const;
    bool onServer() const;

    // Runs one statement without bound values (schema, pragmas).
    Status execute(const QString& sql);

private:
    Connection(QString name, QString path);
    static Result<std::unique_ptr<Connection>> openServer(const QString& address, Mode mode,
                                                          Progress* progress);
    QString name_;
    QString path_;
    QSqlDatabase db_;
};

// A server connection that was lost (server restarted, network cut) is
// opened again, so that the next action after the server is back works; the
// action that met the loss has failed with its error. A reopened session
// whose settings fail is reported (and opened again next time). Nothing for
// SQLite.
Status reconnectIfLost(const QSqlDatabase& db);

// Told true just before the program waits for a server to accept a
// connection (at opening, and when a lost connection is opened again), and
// false once the wait is over, so that the window can say "Connexion au
// serveur…" during a wait of up to the connection's time-out. Null: nothing
// shown (the command line, the tests).
using ServerWaitNotice = void (*)(bool waiting);
void setServerWaitNotice(ServerWaitNotice notice);

// Commits on commit(); rolls back when it goes out of scope without one, so
// that writes that belong together land together or not at all.
class Transaction {
public:
    explicit Transaction(QSqlDatabase& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    const Status& started() const { return started_; }
    Status commit();

private:
    QSqlDatabase& db_;
    Status started_;
    bool done_ = false;
};

// A write transaction that holds the database's write lock from its start
// (Dialect::beginLocked): other writers wait until it ends. Rolled back when
// it goes out of scope without a commit.
class LockedTransaction {
public:
    explicit LockedTransaction(QSqlDatabase& db);
    ~LockedTransaction();
    LockedTransaction(const LockedTransaction&) = delete;
    LockedTransaction& operator=(const LockedTransaction&) = delete;

    const Status& started() const { return started_; }
    Status commit();

private:
    QSqlDatabase& db_;
    Status started_;
    bool open_ = false;
};

} // namespace vdn
