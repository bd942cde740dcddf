#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <utility>
#include <variant>

class QSqlDatabase;
class QSqlQuery;
class QSqlError;

namespace vdn {

// One entry of the database engine's error list.
struct EngineError {
    int code = 0;         // primary SQLite result code
    int extendedCode = 0; // extended SQLite result code
    QString message;
    QString statement;
    QString state{}; // a server's SQLSTATE (its code above is then VORDAN's number)
};

// A failure reported to the user by the data-access error report. A database
// failure carries the engine's primary code as its number and fills the engine
// list; any other failure (file, printer, drive) has its own number and an
// empty list.
struct DataError {
    int number = 0;
    QString text;
    QList<EngineError> engineErrors;
    // The statement was cut after the server left it unanswered past the
    // time limit (data/server_watch.h): it is not tried again at once.
    bool unanswered = false;

    static DataError fromQuery(const QSqlQuery& query);
    static DataError fromDatabase(const QSqlDatabase& db, const QString& statement = {});
    // A failure of the engine (SQLite result code `code`) while the rows of
    // `query` were stepped on its SQLite statement directly, worded as the
    // driver words a row it cannot fetch.
    static DataError fromStatement(const QSqlQuery& query, int code);
    static DataError fromSqlError(const QSqlError& error, const QSqlDatabase& db,
                                  const QString& statement);
    static DataError other(int number, const QString& text) { return {number, text, {}}; }

    // Whether the write was refused because a row of the same key (or unique
    // index) exists: errnum::KeyTaken, SQLite's constraint codes, a server's
    // 23505.
    bool isDuplicateKey() const;
    // The database is held by another program past the wait (SQLite).
    bool isBusy() const;
    // Whether a checked write found the row changed or deleted elsewhere.
    bool isChangedElsewhere() const;
};

// Numbers of failures that do not come from the database engine. They keep the
// numbers users of the older program know from its run-time messages.
namespace errnum {
constexpr int FileNotFound = 53;
constexpr int FileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int NotText = 3011;
constexpr int NoCurrentRecord = 3021;
constexpr int DatabaseNotFound = 3024;
constexpr int UnrecognizedFormat = 3343;
constexpr int SchemaTooNew = 3447;
constexpr int PrintFailure = 482;
constexpr int CopyFailure = 3040;
constexpr int SpreadsheetFailure = 429;
constexpr int InvalidValue = 13; // "type mismatch": a value the field cannot take
// A row changed or deleted by another workstation (or another program on the
// same file) since it was read: the write was not made.
constexpr int ChangedElsewhere = 3197;
// A new row whose key (a customer code, a ball's line) another workstation
// holds already: nothing was written.
constexpr int KeyTaken = 3022;
// The database is in use by other programs for an operation that needs it
// alone (a restore under way, a schema upgrade while others have it open).
constexpr int InUse = 3045;
} // namespace errnum

// Outcome of an operation that returns nothing but may fail.
class Status {
public:
    Status() = default;
    Status(DataError error) : error_(std::move(error)) {} // NOLINT: implicit on purpose
    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const DataError& error() const { return *error_; }

private:
    std::optional<DataError> error_;
};

// Outcome of an operation that returns a value or fails.
template <class T> class Result {
public:
    Result(T value) : v_(std::move(value)) {}         // NOLINT: implicit on purpose
    Result(DataError error) : v_(std::move(error)) {} // NOLINT: implicit on purpose
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    // On a temporary, hand the value out by value so that
    // `for (auto& x : *store.values(...))` does not read a destroyed result.
    T value() && { return std::move(std::get<0>(v_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const DataError& error() const { return std::get<1>(v_); }
    Status status() const { return ok() ? Status() : Status(error()); }

private:
    std::variant<T, DataError> v_;
};

} // namespace vdn
