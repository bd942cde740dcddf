#pragma once

#include "data/data_error.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

struct sqlite3;

namespace vdn {

// One SQLite connection with its own Qt connection name, the val() function
// registered, synchronous writes and a busy timeout. Closed and unregistered
// when destroyed.
class Connection {
public:
    enum class Mode { ExistingOnly, CreateNew };

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
    static Result<std::unique_ptr<Connection>> open(const QString& path,
                                                    Mode mode = Mode::ExistingOnly);

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase& db() { return db_; }
    const QString& path() const { return path_; }
    sqlite3* handle() const;

    // Runs one statement without bound values (schema, pragmas).
    Status execute(const QString& sql);

private:
    Connection(QString name, QString path);
    QString name_;
    QString path_;
    QSqlDatabase db_;
};

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

} // namespace vdn
