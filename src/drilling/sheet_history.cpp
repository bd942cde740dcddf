#include "drilling/sheet_history.h"

#include "data/schema.h"
#include "data/statement.h"

namespace vdn {

namespace {

const QString DateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

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
    return when.toString(DateFormat);
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
        v.when = QDateTime::fromString(v.storedDate, DateFormat);
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
    return std::optional<SheetRecord>(SheetStore::fromRow(q));
}

Status SheetHistoryStore::append(const SheetRecord& sheet, const SheetStamp& stamp) {
    // The customer's next number; a number that another program wrote as
    // anything but digits is passed over.
    Statement highest(
        db_, highestNumberText(Dialect::of(db_), sheetHistoryTable(), QStringLiteral("his_num")) +
                 QStringLiteral(" AND per_code = ?"));
    Result<bool> found = highest.bind(sheet.code).execFirst();
    if (!found)
        return found.error();
    const int next = (*found ? highest.value(0).toInt() : 0) + 1;

    static const QString insert = insertText(sheetHistoryTable(), sheetHistoryFields());
    Statement q(db_, insert);
    q.bind(sheet.code)
        .bind(QStringLiteral("%1").arg(next, 6, 10, QLatin1Char('0')))
        .bind(storedDate(stamp.when))
        .bind(stamp.driller);
    for (int n : sheetMeasureNumbers())
        q.bind(sheet.measures.value(n));
    for (const QString* field : {&sheet.fingerComment, &sheet.thumbComment, &sheet.thumbSlug,
                                 &sheet.insertMaterial, &sheet.conicity})
        q.bind(*field);
    return q.exec();
}

Result<int> SheetHistoryStore::highestCode() const {
    Result<QVariant> highest = scalar(
        db_, highestNumberText(Dialect::of(db_), sheetHistoryTable(), QStringLiteral("per_code")));
    if (!highest)
        return highest.error();
    return highest->toInt();
}

} // namespace vdn
