#pragma once

// The floors of the benchmark: the least work each measured operation could
// do, written against the bare libraries (SQLite's C API, C stdio, a bare
// QPainter), so that VORDAN's figure can be read against it.

#include "printing/recording_page_writer.h"

#include <QList>
#include <QString>

#include <map>
#include <string>

struct sqlite3;
struct sqlite3_stmt;
struct pg_conn;

namespace bench {

// The connection a floor runs its statements on, whichever the engine.
class FloorDatabase {
public:
    virtual ~FloorDatabase() = default;
    virtual bool ok() const = 0;

    // Runs a statement (values written ?1, ?2, …) with text values bound in
    // order and reads at most `rows` rows (all when negative), every column
    // as text. Returns the rows read, -1 on failure. The statement is
    // prepared once and kept, as a program reusing its statements would.
    virtual int firstRows(const char* sql, const QList<QByteArray>& values, int rows) = 0;
};

// A read-only connection of SQLite's C API on the database file.
class RawDatabase : public FloorDatabase {
public:
    explicit RawDatabase(const QString& path);
    ~RawDatabase() override;
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;
    bool ok() const override { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }

    // Steps the statement through its first `rows` rows.
    int firstRows(const char* sql, const QList<QByteArray>& values, int rows) override;

private:
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

// A libpq connection to a server database, given by its address (a
// postgresql:// URI, socket or TCP).
class RawServer : public FloorDatabase {
public:
    explicit RawServer(const QString& address);
    ~RawServer() override;
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;
    bool ok() const override { return conn_ != nullptr; }
    pg_conn* handle() const { return conn_; }
    // The server's words about the last failure.
    QString error() const;

    // The statement (its ?N written $N) with "LIMIT rows" when `rows` is not
    // negative, as the program asks a server for one page of a list: the
    // server sends those rows only.
    int firstRows(const char* sql, const QList<QByteArray>& values, int rows) override;

private:
    pg_conn* conn_ = nullptr;
    std::map<std::string, std::string> statements_; // text and limit -> prepared name
};

// The name search of the list, as the grid runs it, until its first rows.
int searchFloor(FloorDatabase& db, const QString& typed, int rows);
// The same for a typed number (searchDigits() not empty): names, phone,
// mobile and fax numbers, codes; the rows found sorted (`sorted`), or read in
// the order of the name index. Whichever is faster is the floor.
int numberSearchFloor(FloorDatabase& db, const QString& typed, int rows, bool sorted);

// The export written with C stdio: header then one line per customer of the
// list by name, eleven fields, Windows-1252, CR LF. Returns the lines written,
// -1 on failure.
int exportFloor(RawDatabase& db, const QString& path);
// On a server: the header, then the server's own CSV of the same columns in
// the list's order (COPY … TO STDOUT, client encoding WIN1252) written with
// fwrite as it arrives. Returns the lines written, -1 on failure.
int exportFloor(RawServer& db, const QString& path);

// Puts a file's written data on the disk. False on failure.
bool syncFile(const QString& path);

// A plain copy of a file (read, write, fsync). False on failure.
bool copyFloor(const QString& from, const QString& to);

// The server's own dump of a database: pg_dump (the newest installed under
// /usr/lib/postgresql, else the one on the PATH) writing the whole base in
// its plain format to /dev/null. Its time in ms, or a negative value with
// `error` set when it could not run.
double dumpFloor(const QString& address, QString* error);

// Draws the recorded operations with a bare QPainter on a QPdfWriter: the
// same texts, boxes, lines and pages, A4 landscape, in twips.
bool paintFloor(const QList<vdn::RecordingPageWriter::Op>& ops, const QString& pdf);

} // namespace bench
