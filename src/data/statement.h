#pragma once

#include "data/data_error.h"
#include "data/dialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class QSqlDriver;

namespace vdn {

// The one rule for texts written to the database: a text is never bound as
// NULL, an absent or null text is written as the empty text.
QString boundText(const QString& text);
QString boundText(const std::optional<QString>& text);
// The text of a value read back: NULL reads as the empty text.
inline QString readText(const QVariant& value) {
    return value.isNull() ? QString(QLatin1String("")) : value.toString();
}

// An explicit NULL text, for the few fields where "never written" means
// something (a ball's lane condition).
struct NullText {};

// One SQL statement run the same way by every store: the connection's open
// check, prepare, values bound in order, exec, and every failure turned into
// the DataError that the data-access error report shows. A statement that
// failed to prepare keeps its failure and does nothing more; exec() returns
// it.
//
//     Statement q(db_, SelectOne);
//     q.bind(code).bind(line);
//     if (Status s = q.exec(); !s) return s.error();
//     while (q.next()) … q.text(0) …
//     if (Status s = q.finished(); !s) return s.error();
//
// The prepared statement may be executed again with new values (bulk
// writers). Rows are read by position, straight from the engine's query
// (no copy per row).
//
// A text is prepared once per connection and kept: the next Statement of the
// same text on that connection runs the kept preparation (a server then
// sees one round trip per run, not a preparation, a run and a release). A
// text still in use by a Statement alive (a reading not finished) is
// prepared apart for the second user. The kept preparations of a connection
// are dropped when it is closed or opened again after a loss.
class Statement {
public:
    Statement(const QSqlDatabase& db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;

    // The preparation's outcome (the open check included).
    const Status& prepared() const { return status_; }
    const Dialect& dialect() const { return *dialect_; }

    // Binds the next value: texts by the null-to-empty rule, anything else as
    // it is. Values bound after an exec() start again from the first place.
    Statement& bind(const QString& text);
    Statement& bind(const std::optional<QString>& text);
    Statement& bind(const char* text) = delete; // say QStringLiteral
    Statement& bind(NullText);
    Statement& bind(int number);
    Statement& bind(const QVariant& value);
    Statement& bindAll(const QVariantList& values);

    // Runs the statement with the values bound since the last run.
    Status exec();
    // Runs it and moves to the first row: whether there is one.
    Result<bool> execFirst();

    // Rows of a query, by position.
    bool next();
    QVariant value(int column) const { return query_->value(column); }
    QString text(int column) const { return readText(query_->value(column)); }
    bool isNull(int column) const { return query_->isNull(column); }
    // The place of a field in the rows, -1 when not selected (find it once,
    // before the loop).
    int indexOf(const QString& field) const;
    // After the last next(): a failure that ended the reading early.
    Status finished() const;
    // Rows written by the last exec().
    int rowsAffected() const { return query_->numRowsAffected(); }

    // The failure of the last step, as the error report shows it.
    DataError error() const;

    // The executed query, for readers that go through it row by row and
    // report its failure themselves (printouts, export). The preparation is
    // no longer kept for the connection.
    QSqlQuery release() &&;

    struct Prepared;

private:
    bool prepare(const QString& sql);
    void keep(const QString& sql);
    void keepOnNewSession(const QSqlDriver* driver);
    std::shared_ptr<Prepared> entry_;
    QSqlQuery* query_ = nullptr;
    bool kept_ = false; // entry_ is the connection's kept preparation
    const Dialect* dialect_;
    Status status_;
    int next_ = 0;
    bool ran_ = false;
};

// What went to the engines since the program started, for the benchmark and
// the tests of the statement budget of each action: statements run (a round
// trip each on a server; BEGIN and COMMIT included) and preparations (one
// more round trip each, and one to release it).
struct StatementTally {
    quint64 run = 0;
    quint64 prepared = 0;
};
StatementTally statementTally();
// Counts a statement run outside Statement and run() (a transaction's
// begin, commit or rollback).
void countStatementRun();
// The number of preparations kept for the connection behind `driver`.
int keptPreparations(const QSqlDriver* driver);
// Drops the preparations kept for the connection behind `driver`: called
// before it is closed or opened again. Those in use are dropped by their
// Statement.
void forgetPreparations(const QSqlDriver* driver);

// Runs one statement that returns no rows.
Status run(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// The first column of the first row (an invalid QVariant when there is no row).
Result<QVariant> scalar(const QSqlDatabase& db, const QString& sql,
                        const QVariantList& values = {});

// The engine's plan of a statement with its values, a line per step (for
// checks that a query reads the index meant for it).
Result<QStringList> queryPlan(const QSqlDatabase& db, const QString& sql,
                              const QVariantList& values);

// Statement texts derived from a table's field list (the schema's), so that
// each list is written once. Field names come from the program, never from
// typed text.
//
// "SELECT a, b FROM t"
QString selectText(const QString& table, const QStringList& fields);
// "INSERT INTO t (a, b) VALUES (?, ?)"
QString insertText(const QString& table, const QStringList& fields);
// "UPDATE t SET a = ?, b = ? WHERE k = ?": every field, then the keys.
QString updateText(const QString& table, const QStringList& fields, const QStringList& keys);
// The update of a row that carries a row version, the version one up:
// "UPDATE t SET a = ?, b = ?, vdn_rev = vdn_rev + 1 WHERE k = ?", and the
// same written only over the version that was read ("… AND vdn_rev = ?",
// bound last). A field of `keptWhenNull` keeps its value when bound null.
struct RevisedUpdate {
    QString any;     // whatever the row's version
    QString checked; // only over the version read
};
RevisedUpdate revisedUpdateText(const QString& table, const QStringList& fields,
                                const QStringList& keys, const QStringList& keptWhenNull = {});

// A field of an upsert that does not take the usual course (a bound value
// on insert, the new value on conflict).
struct UpsertRule {
    QString field;
    QString inserted; // the inserted value's SQL; empty: a bound value
    QString updated;  // the value kept on conflict (Dialect::proposedValue() for
                      // the new one); empty: the field is left alone
};
// "INSERT INTO t (…) VALUES (…)", made by the engine to change every non-key
// field of the existing row when the keys are taken (Dialect::upsert): a
// new row or the existing one changed, in one statement. Values are bound
// in field order, skipping fields whose rule gives an inserted value.
QString upsertText(const Dialect& d, const QString& table, const QStringList& fields,
                   const QStringList& keys, const QList<UpsertRule>& rules = {});
// "INSERT INTO t (a, b) VALUES (?, ?)" made by the engine to write nothing
// when the key is taken (Dialect::insertIgnoringDuplicate).
QString insertIfNewText(const Dialect& d, const QString& table, const QStringList& fields);
// One row, one number: the highest whole number of one to six digits held in
// the text column (customer numbers), null when there is none.
QString highestNumberText(const Dialect& d, const QString& table, const QString& column);
// The same over a whole table, read through the column's index where the
// column leads one (a key): a table of more than 99999 codes is not read
// row by row.
QString highestCodeText(const Dialect& d, const QString& table, const QString& column);

} // namespace vdn
