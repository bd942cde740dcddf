#include "data/row_reader.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QVariant>

#include <sqlite3.h>

namespace vdn {

namespace {

// The SQLite statement behind a query, or null on another driver.
sqlite3_stmt* statementOf(const QSqlQuery& rows) {
    const QSqlResult* result = rows.result();
    if (!result)
        return nullptr;
    const QVariant handle = result->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3_stmt*") == 0)
        return *static_cast<sqlite3_stmt* const*>(handle.constData());
    return nullptr;
}

// A field of the statement's current row as the driver would have given it:
// text through UTF-16 as the driver decodes it, numbers and blobs as its
// variants print them.
QString statementField(sqlite3_stmt* statement, int column,
                       QSql::NumericalPrecisionPolicy precision) {
    QVariant value;
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_TEXT:
        return QString(reinterpret_cast<const QChar*>(sqlite3_column_text16(statement, column)),
                       sqlite3_column_bytes16(statement, column) / qsizetype(sizeof(QChar)));
    case SQLITE_INTEGER:
        value = qint64(sqlite3_column_int64(statement, column));
        break;
    case SQLITE_FLOAT:
        switch (precision) {
        case QSql::LowPrecisionInt32:
            value = sqlite3_column_int(statement, column);
            break;
        case QSql::LowPrecisionInt64:
            value = qint64(sqlite3_column_int64(statement, column));
            break;
        case QSql::LowPrecisionDouble:
        case QSql::HighPrecision:
        default:
            value = sqlite3_column_double(statement, column);
            break;
        }
        break;
    default: // SQLITE_BLOB
        value = QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                           sqlite3_column_bytes(statement, column));
        break;
    }
    return value.toString();
}

} // namespace

bool RowText::utf8(const char*& data, int& size) const {
    if (column_ < 0 || !reader_->stepping_ ||
        sqlite3_column_type(reader_->statement_, column_) != SQLITE_TEXT)
        return false;
    data = reinterpret_cast<const char*>(sqlite3_column_text(reader_->statement_, column_));
    size = sqlite3_column_bytes(reader_->statement_, column_);
    return true;
}

bool RowText::isAbsent() const {
    return column_ < 0 ||
           (reader_->stepping_ && sqlite3_column_type(reader_->statement_, column_) == SQLITE_NULL);
}

QString RowText::toString() const {
    if (column_ < 0)
        return {};
    if (reader_->stepping_)
        return statementField(reader_->statement_, column_,
                              reader_->rows_.numericalPrecisionPolicy());
    return reader_->rows_.value(column_).toString();
}

RowReader::RowReader(QSqlQuery& rows, std::span<const char* const> columns) : rows_(rows) {
    // The fields' places, found once: a look-up by name on every row would
    // cost more than the rest of a report.
    const QSqlRecord record = rows.record();
    places_.reserve(columns.size());
    for (const char* name : columns)
        places_.push_back(record.indexOf(QString::fromLatin1(name)));
    if (!rows.isActive())
        status_ = DataError::fromQuery(rows);
    statement_ = statementOf(rows);
}

bool RowReader::fail(const DataError& error) {
    status_ = error;
    done_ = true;
    stepping_ = false;
    return false;
}

bool RowReader::next() {
    if (done_)
        return false;
    if (!started_ || !statement_) {
        started_ = true;
        // The driver reads the first row when the query runs.
        if (rows_.next())
            return true;
        if (rows_.lastError().isValid())
            return fail(DataError::fromQuery(rows_));
        done_ = true;
        return false;
    }
    // The statement stands on the row read last; the next ones are stepped
    // here.
    if (!rows_.isValid()) {
        done_ = true;
        return false;
    }
    const int step = sqlite3_step(statement_);
    if (step == SQLITE_ROW) {
        stepping_ = true;
        return true;
    }
    stepping_ = false;
    done_ = true;
    if (step != SQLITE_DONE) {
        const DataError error = DataError::fromStatement(rows_, step);
        rows_.finish();
        return fail(error);
    }
    // Read to the end: the query is done with, as after its last row.
    rows_.finish();
    return false;
}

} // namespace vdn
