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

namespace bench {

// A read-only connection of the C API on the database file.
class RawDatabase {
public:
    explicit RawDatabase(const QString& path);
    ~RawDatabase();
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;
    bool ok() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }

    // Runs a statement with text values bound in order and steps through at
    // most `rows` rows (all when negative), reading every column as text.
    // Returns the rows read, -1 on failure. The statement is prepared once
    // and kept, as a program reusing its statements would.
    int firstRows(const char* sql, const QList<QByteArray>& values, int rows);

private:
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

// The name search of the list, as the grid runs it, until its first rows.
int searchFloor(RawDatabase& db, const QString& typed, int rows);
// The same for a typed number (searchDigits() not empty): names, phone,
// mobile and fax numbers, codes.
int numberSearchFloor(RawDatabase& db, const QString& typed, int rows);

// The export written with C stdio: header then one line per customer of the
// list by name, eleven fields, Windows-1252, CR LF. Returns the lines written,
// -1 on failure.
int exportFloor(RawDatabase& db, const QString& path);

// Puts a file's written data on the disk. False on failure.
bool syncFile(const QString& path);

// A plain copy of a file (read, write, fsync). False on failure.
bool copyFloor(const QString& from, const QString& to);

// Draws the recorded operations with a bare QPainter on a QPdfWriter: the
// same texts, boxes, lines and pages, A4 landscape, in twips.
bool paintFloor(const QList<vdn::RecordingPageWriter::Op>& ops, const QString& pdf);

} // namespace bench
