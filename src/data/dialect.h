#pragma once

#include "data/data_error.h"
#include "data/row_reader.h"

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <span>

class QSqlDatabase;
class QSqlDriver;
class QSqlError;
class QSqlQuery;
struct sqlite3;

namespace vdn {

// An executed query read in bulk, one row at a time, by the fastest path its
// engine offers (on SQLite, straight from the engine's statement, with no
// variant per field), the whole result never held in memory. The fields read
// the row the source stands on. The query is finished once read to its end;
// the rows given before a failure stay given. The columns are the query's
// own: find their places once with query.record().indexOf().
class RowSource {
public:
    virtual ~RowSource() = default;

    // Moves to the next row (the first on the first call); false at the end
    // and after a failure, which status() then carries. A query that did not
    // run is a failure from the start.
    virtual bool next() = 0;
    const Status& status() const { return status_; }

    // The field as QSqlQuery::value() gives it.
    virtual QVariant value(int column) const = 0;
    // A text field's bytes as the engine holds them (UTF-8, not checked),
    // without a copy, valid until the next row or the field's value() (which
    // may convert the engine's copy: ask utf8() first). Nothing for a field
    // that is not text, or where the engine gives no direct access: value()
    // then says it.
    virtual std::optional<QByteArrayView> utf8(int column) const = 0;
    virtual bool isNull(int column) const = 0;
    // The fields at `columns` (-1: a field the query does not have, Absent)
    // as bytes, one per column in `out`, in one call for the row: the
    // engine's UTF-8 for a text as utf8() gives it, Absent for a null, Other
    // for the rest (value() says it).
    virtual void utf8Fields(std::span<const int> columns, FieldBytes* out) const;

protected:
    Status status_;
};

// The bulk read of an executed query, by the engine of its connection.
std::unique_ptr<RowSource> bulkRead(QSqlQuery& query);

// The SQL that differs between database engines, and nothing else.
//
// The stores write their statements in the SQL both engines share: bound
// values (`?`), LIMIT ? OFFSET ?, CAST to a number, substr(), length(),
// max(), coalesce(), and the functions val() and vdn_upper() called by name.
// What one engine spells its own way comes from the dialect of the
// connection (Dialect::of), never from a store:
//
//   need                        SQLite                      PostgreSQL (QPSQL)
//   insert skipping a taken key … ON CONFLICT DO NOTHING    the same
//   insert or update (upsert)   … ON CONFLICT (k) DO UPDATE the same
//   value an upsert proposed    excluded.f                  the same
//   a value as text             CAST(x AS TEXT)             the same
//   texts joined                a || b                      the same
//   order no index gives        column || ''                the same
//   text column of the schema   TEXT COLLATE NOCASE         TEXT COLLATE "C"
//   ordering key column         TEXT (BINARY)               TEXT COLLATE "C"
//   provisional keys on change  AFTER INSERT/UPDATE trigger a trigger function
//   compare ignoring ASCII case a = b COLLATE NOCASE        lower(a COLLATE "C") = lower(b …)
//   order of addition           rowid                       a serial column of the table
//   unique caseless value       UNIQUE (a, b) in the table  unique index on (a, lower(b))
//   "digits only" test          x NOT GLOB '*[^0-9]*'       x !~ '[^0-9]'
//   val(), vdn_upper()          registered on the handle    SQL functions of the schema
//   schema version              PRAGMA user_version         a one-row version table
//   tables present              sqlite_schema               pg_catalog.pg_tables
//   query plan                  EXPLAIN QUERY PLAN          EXPLAIN
//   per-connection settings     synchronous, cache size     none
//   write lock taken at BEGIN   BEGIN IMMEDIATE             BEGIN + transaction advisory lock
//   engine version              sqlite_version()            server_version_num
//   driver of Qt                QSQLITE                     QPSQL
//   usual port, password file   none                        5432, ~/.pgpass (PGPASSFILE)
//
// Beside the SQL, the dialect holds what else the engine does its own way:
// file or server, the bulk read, the sessions, how a lost connection is
// seen and reopened, the version check and the French causes of its error
// codes. Each engine is one subclass here and a branch in Dialect::of();
// besides, only data/ learns how it opens, how its failures read and how
// its tables are copied (docs/architecture.md, "Adding an engine"). No
// store changes. Last-insert ids are not used by
// any store (every key is given by the program), so the dialect has nothing
// to say about them.
class Dialect {
public:
    virtual ~Dialect() = default;

    // The dialect of the connection's driver (SQLite for an invalid one, whose
    // statements then fail on the open check anyway).
    static const Dialect& of(const QSqlDatabase& db);
    static const Dialect& of(const QSqlDriver* driver);
    // The engine of a database location: a server address names the
    // server's engine, anything else (a folder prefix, a file) SQLite.
    static const Dialect& at(const QString& location);
    // The engine of a shop's server: the one the first start joins and the
    // help names.
    static const Dialect& server();

    // File or server: true when the engine's databases live on a server,
    // named by an address, rather than in a file of a folder (then lock
    // files, file copies and file checks apply).
    virtual bool isServer() const = 0;

    // Bulk read: see RowSource. By default, through the query's values.
    virtual std::unique_ptr<RowSource> bulkRead(QSqlQuery& query) const;

    // Qt's name of the engine's driver ("QSQLITE"), and the French message
    // when Qt has no such driver.
    virtual QString engine() const = 0;
    virtual QString driverMissing() const = 0;

    // Server login: the port the engine's servers listen on unless told
    // otherwise (0 for an engine of files); the file its client library
    // reads the passwords from (empty where there is none), and that file
    // as the help and the messages name it before it is known.
    virtual int defaultPort() const = 0;
    virtual QString loginFile() const = 0;
    virtual QString loginFileHint() const = 0;

    // Reconnection. A server's session can be lost under the program (the
    // server restarted, the network cut); the next statement then opens the
    // connection again (reconnectIfLost(), data/connection.h). A file's
    // connection is never lost: SQLite answers false and does nothing.
    //
    // True when the connection behind `driver` must be opened again before
    // its next statement: closed by the driver, `marked` lost by a statement
    // that met a connection failure (the client library may still call a
    // session whose server is gone healthy), or broken by the library's own
    // account.
    virtual bool connectionLost(const QSqlDriver* driver, bool marked) const;
    // True when the session behind `driver` is outside any transaction: a
    // statement that then meets a lost connection belonged to no transaction
    // of the program's, and may be run again on a new session.
    virtual bool sessionIdle(const QSqlDriver* driver) const;
    // Takes in and drops whatever the server still sends for the session's
    // last statement (the rows of a reading left unfinished), so that the
    // session is idle again.
    virtual void settleSession(const QSqlDriver* driver) const;
    // Whether reading the next row of the query running on the session
    // behind `driver` waits for the server (its rows come one by one); a
    // file engine never does.
    virtual bool readingWaits(const QSqlDriver* driver) const;
    // True when `error` says the session forgot a statement it had prepared,
    // which is then prepared again.
    virtual bool preparationForgotten(const QSqlError& error) const;

    // Version: the statement that reads the engine's version (one row, one
    // value), and the failure of a version the program does not run on,
    // nothing for one it runs on. A server's version is checked when a
    // connection opens; SQLite's is the library's the program runs with.
    virtual QString versionQuery() const = 0;
    virtual std::optional<DataError> refusedVersion(const QVariant& version) const = 0;
    // The version the engine told when the session started, as the version
    // query reads it, so that no statement asks it; invalid where the
    // engine tells none.
    virtual QVariant sessionVersion(const QSqlDatabase& db) const;
    // Runs the statements as one text, in one round trip, stopping at the
    // first failure: the last one's first value (null when it returns no
    // row), or nothing when one failed or where the engine takes one
    // statement at a time (the caller then runs each). The session is idle
    // again either way.
    virtual std::optional<QVariant> runAsOne(const QSqlDatabase& db,
                                             const QStringList& statements) const;

    // Error causes. The engine's table has one row per code a shop meets:
    // the code as the engine gives it (SQLite's primary result code in
    // decimal, a server's SQLSTATE or its class, the first two characters),
    // the cause in French as a sentence that tells the user what to do, and
    // the number the data-access error report shows for it (none on SQLite,
    // whose report shows the engine's own code).
    struct Cause {
        const char* code;
        const char* text;
        int number = 0;
    };
    virtual std::span<const Cause> causes() const = 0;
    // The cause of a failure from its code. A five-character code (a
    // SQLSTATE) without a row of its own takes the row of its class; a code
    // without a row gets a general cause.
    QString errorCause(const QString& code) const;
    // The number the report shows for a failure known by its code (a
    // server's SQLSTATE): its row's, or OtherErrorNumber.
    int errorNumber(const QString& code) const;
    static constexpr int OtherErrorNumber = 8000;
    // A failure as the program reports it (DataError): the engine's code
    // read from Qt's error (and from the engine where Qt's error lacks it),
    // the French cause, the report's number. A server failure that lost the
    // session marks it lost, so that the next statement opens a new one.
    virtual DataError failure(const QSqlError& error, const QSqlDriver* driver,
                              const QString& statement) const = 0;

    // Schema: the declaration of a text column. Keys are never null and
    // compare exactly unless said caseless; other texts compare without regard
    // to ASCII letter case.
    enum class Column { Key, CaselessKey, Text };
    virtual QString textColumn(const QString& name, Column kind) const = 0;
    // The declaration of an ordering key column added to a table: nullable
    // text (null: not computed yet) compared byte by byte.
    virtual QString sortKeyColumn(const QString& name) const = 0;
    // The statements that make the triggers named `trigger`_*, which keep
    // the ordering keys of `table` (its rows found by the `key` column)
    // usable whatever program writes a row. A row inserted without keys, or
    // whose `texts` or `others` change, gets provisional keys in plain SQL:
    // each text's key 1 its raw text in capitals (so it sorts and is found
    // by its raw text), its key 2 and every key of `others` null, which
    // marks the row for the program to compute them.
    struct KeySource {
        QString text;
        QString key1;
        QString key2;
    };
    struct KeyOf {
        QString source;
        QString key;
    };
    virtual QStringList keyTriggers(const QString& trigger, const QString& table,
                                    const QString& key, const QList<KeySource>& texts,
                                    const QList<KeyOf>& others) const = 0;
    // What a new database holds before its tables: the engine's own version
    // table and SQL functions (none for SQLite, whose functions live in the
    // program).
    virtual QStringList schemaPreamble() const = 0;
    // Extra columns of every table, after the fields (the order of addition).
    virtual QString tableExtras() const = 0;
    // Within a table's declaration, after the columns: a constraint that
    // keeps (`key`, `caseless`) unique with `caseless` compared ignoring ASCII
    // case; and the statements after the table that do it when the engine
    // needs an index instead.
    virtual QString caselessUniqueClause(const QString& key, const QString& caseless) const = 0;
    virtual QStringList caselessUniqueIndex(const QString& index, const QString& table,
                                            const QString& key, const QString& caseless) const = 0;
    // `left = right`, ignoring the case of ASCII letters.
    virtual QString caselessEquals(const QString& left, const QString& right) const = 0;
    // An expression that orders rows as they were added.
    virtual QString additionOrder() const = 0;
    // What makes reading a table in that order a walk rather than a sort
    // (none where the order is the table's own).
    virtual QStringList additionOrderIndex(const QString& table) const = 0;
    // A condition: the expression holds only the digits 0 to 9 (or nothing).
    virtual QString onlyDigits(const QString& expression) const = 0;

    // Statement forms. SQLite and PostgreSQL spell them alike, as written
    // here; an engine that speaks another SQL (no ON CONFLICT, `||` read as
    // OR) overrides each of them.
    //
    // `insert` (INSERT INTO t (…) VALUES (…), or … SELECT …) made to write
    // nothing, and fail nothing, when the row's key is taken (a failed
    // statement would end a server transaction).
    virtual QString insertIgnoringDuplicate(const QString& insert) const;
    // `insert` (INSERT INTO t (…) VALUES (…)) made to change the row whose
    // `keys` are taken instead: `updates` are "field = value", the value
    // the insert proposed for a field written proposedValue(field).
    virtual QString upsert(const QString& insert, const QStringList& keys,
                           const QStringList& updates) const;
    virtual QString proposedValue(const QString& field) const;
    // `expression` as a text: a bound value (`?`) where the engine cannot
    // tell its type from its place (a value of a SELECT list; the server
    // must know it), a number written in digits.
    virtual QString asText(const QString& expression) const;
    // The texts one after the other, as one text.
    virtual QString concatenation(const QStringList& parts) const;
    // An order term that sorts by the text `column` but that the engine
    // does not read through an index of it (an expression, not the column):
    // the rows found are sorted.
    virtual QString unindexedOrder(const QString& column) const;

    // The statement that reads the schema version (one row, one number) and
    // the one that writes it.
    virtual QString readSchemaVersion() const = 0;
    virtual QString writeSchemaVersion(int version) const = 0;
    // The statements that open the transaction of a schema upgrade, taken by
    // one program at a time (others wait for it): an immediate transaction
    // on SQLite, a transaction holding the upgrade's advisory lock on a
    // server.
    virtual QStringList beginUpgrade() const = 0;
    // Run once a session has checked the schema, held until it ends: a
    // server session marks itself as open on the database (a shared
    // advisory lock that an upgrade looks for). Nothing for SQLite, whose
    // programs hold lock files.
    virtual QStringList openSessionMarks() const = 0;
    // Rows of one text: the sessions marked open on this database other
    // than the connection's own, or than `own` (ownSessions()) when given,
    // each named for a French message; empty where the engine has none.
    virtual QString otherOpenSessions(const QStringList& own = {}) const = 0;
    // The engine's names of this program's open connections, as
    // otherOpenSessions() leaves them out; empty where the engine has none.
    virtual QStringList ownSessions() const = 0;
    // Bulk copy into a new database: rows of (type, name, statement) of the
    // indexes and triggers worth making only once the rows are in (none
    // where the engine gains nothing), and the settings that speed making
    // them.
    virtual QString deferredSchemaObjects() const = 0;
    virtual QStringList deferredObjectSettings() const = 0;
    // The statements that empty the named tables at once (counters of the
    // order of addition started again).
    virtual QStringList emptyTables(const QStringList& tables) const = 0;
    // The statements that, inside a transaction, keep every other session
    // from reading or writing the named tables until it ends, waiting at
    // most `waitMs` for the sessions using them now: ACCESS EXCLUSIVE locks
    // on a server; nothing on SQLite, whose whole file is held by the
    // transaction's own lock.
    virtual QStringList holdTables(const QStringList& tables, int waitMs) const = 0;
    // One row, one number: how many of the named tables exist.
    virtual QString countTables(const QStringList& names) const = 0;

    // The plan of a statement, and the column of each plan row that describes
    // the step.
    virtual QString explainPlan(const QString& statement) const = 0;
    virtual int planDetailColumn() const = 0;
    // Whether an EXPLAIN takes bound values; the server prepares no EXPLAIN,
    // its plans are asked with the values written in by the driver.
    virtual bool bindsPlanValues() const = 0;

    // What every new connection needs before its first statement: our SQL
    // functions (false when they cannot be made) and the settings statements.
    virtual bool registerFunctions(QSqlDatabase& db) const = 0;
    // The statements that open a write transaction holding the write lock
    // from its start, so that what it reads first (the next free code) stays
    // true until its commit: another writer waits, within the busy timeout,
    // until it ends.
    virtual QStringList beginLocked() const = 0;
    virtual QStringList sessionSettings() const = 0;
};

// The dialect of SQLite, the default engine.
const Dialect& sqliteDialect();
// The dialect of a PostgreSQL server (version 13 or later).
const Dialect& postgresDialect();

// The SQLite handle behind a Qt driver; null for any other driver.
sqlite3* sqliteHandle(const QSqlDriver* driver);

// While it lives, the file beside a database file that tells the other
// programs on it that an import is writing: their wait for the write lock,
// should it run out, is then said to be that import's. Nothing on a server,
// where the import keeps the lock too briefly for a wait to run out. A mark
// left by a program that stopped is ignored after an hour.
class ImportMark {
public:
    explicit ImportMark(const QSqlDatabase& db);
    ~ImportMark();
    ImportMark(const ImportMark&) = delete;
    ImportMark& operator=(const ImportMark&) = delete;

private:
    QString file_;
};

// What another program's import under way makes of a wait run out.
QString importUnderWayText();

} // namespace vdn
