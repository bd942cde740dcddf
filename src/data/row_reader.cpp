#include "data/row_reader.h"

#include "data/dialect.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace vdn {

bool RowText::utf8(const char*& data, int& size) const {
    if (column_ < 0)
        return false;
    const std::optional<QByteArrayView> bytes = source_->utf8(column_);
    if (!bytes)
        return false;
    data = bytes->data();
    size = int(bytes->size());
    return true;
}

bool RowText::isAbsent() const {
    return column_ < 0 || source_->isNull(column_);
}

QString RowText::toString() const {
    return column_ < 0 ? QString() : source_->value(column_).toString();
}

RowReader::RowReader(QSqlQuery& rows, std::span<const char* const> columns)
    : source_(bulkRead(rows)) {
    // The fields' places, found once: a look-up by name on every row would
    // cost more than the rest of a report.
    const QSqlRecord record = rows.record();
    places_.reserve(columns.size());
    for (const char* name : columns)
        places_.push_back(record.indexOf(QString::fromLatin1(name)));
}

RowReader::~RowReader() = default;

bool RowReader::next() {
    return source_->next();
}

void RowReader::bytes(std::span<const int> places, FieldBytes* out) const {
    source_->utf8Fields(places, out);
}

const Status& RowReader::status() const {
    return source_->status();
}

} // namespace vdn
