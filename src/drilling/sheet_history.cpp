#include "drilling/sheet_history.h"

#include "data/schema.h"
#include "data/statement.h"
#include "data/stored_moment.h"
#include "drilling/sheet_row.h"

namespace vdn {

namespace {

const QString& selectVersions() {
    static const QString sql = QStringLiteral("SELECT his_num, his_date, his_perceur FROM %1 "
                                              "WHERE per_code = ? ORDER BY his_num DESC")
                                   .arg(sheetHistoryTable());
    return sql;
}

const QString& selectVersion() {
    static const QString sql = selectText(sheetHistoryTable(), sheetFields()) +
                               QStringLiteral(" WHERE per_code = ? AND his_num = ?");
    return sql;
}

// The sheet as the customer's next version, numbered in the same statement:
// one more than the highest number of his versions (a number another
// program wrote as anything but digits is passed over), on six digits.
// Bound: the code, date, driller, the sheet's values, then the code again.
QString appendVersion(const Dialect& d) {
    const QString bound = d.asText(QStringLiteral("?"));
    const QString number = d.asText(QStringLiteral("n"));
    QStringList values{bound,
                       QStringLiteral("substr(%1, length(%2), 6)")
                           .arg(d.concatenation({QStringLiteral("'00000'"), number}), number)};
    for (qsizetype i = 2; i < sheetHistoryFields().size(); ++i)
        values << bound;
    return QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM (SELECT coalesce((%4 AND per_code = "
                          "?), 0) + 1 AS n) next_number")
        .arg(sheetHistoryTable(), sheetHistoryFields().join(QStringLiteral(", ")),
             values.join(QStringLiteral(", ")),
             highestNumberText(d, sheetHistoryTable(), QStringLiteral("his_num")));
}

} // namespace

QString SheetVersion::dateText() const {
    return when.isValid() ? when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : storedDate;
}

QString SheetVersion::numberText() const {
    bool ok = false;
    const int n = number.toInt(&ok);
    return ok ? QString::number(n) : number;
}

QString SheetHistoryStore::storedDate(const QDateTime& when) {
    return storedMoment(when);
}

Result<QList<SheetVersion>> SheetHistoryStore::versions(const QString& code) const {
    Statement q(db_, selectVersions());
    if (Status s = q.bind(code).exec(); !s)
        return s.error();
    QList<SheetVersion> out;
    while (q.next()) {
        SheetVersion v;
        v.number = q.text(0);
        v.storedDate = q.text(1);
        v.when = readStoredMoment(v.storedDate);
        v.driller = q.text(2);
        out.append(std::move(v));
    }
    if (Status s = q.finished(); !s)
        return s.error();
    return out;
}

Result<std::optional<SheetRecord>> SheetHistoryStore::load(const QString& code,
                                                           const QString& number) const {
    Statement q(db_, selectVersion());
    Result<bool> found = q.bind(code).bind(number).execFirst();
    if (!found)
        return found.error();
    if (!*found)
        return std::optional<SheetRecord>();
    return std::optional<SheetRecord>(sheetFromRow(q));
}

Status SheetHistoryStore::append(const SheetRecord& sheet, const SheetStamp& stamp) {
    Statement q(db_, appendVersion(Dialect::of(db_)));
    q.bind(sheet.code).bind(storedDate(stamp.when)).bind(stamp.driller);
    bindSheetValues(q, sheet);
    q.bind(sheet.code);
    return q.exec();
}

Result<int> SheetHistoryStore::highestCode() const {
    Result<QVariant> highest = scalar(
        db_, highestCodeText(Dialect::of(db_), sheetHistoryTable(), QStringLiteral("per_code")));
    if (!highest)
        return highest.error();
    return highest->toInt();
}

} // namespace vdn
