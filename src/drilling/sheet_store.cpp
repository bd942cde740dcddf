#include "drilling/sheet_store.h"

#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vdn {

namespace {
const QString SelectHighestCode =
    QStringLiteral("SELECT max(CAST(per_code AS INTEGER)) FROM strpercage "
                   "WHERE length(per_code) BETWEEN 1 AND 6 AND per_code NOT GLOB '*[^0-9]*'");

const QString SelectExists = QStringLiteral("SELECT 1 FROM strpercage WHERE per_code = ? LIMIT 1");

// The column lists come from the schema's fixed field names, never from typed text.
const QString& selectSheet() {
    static const QString sql = QStringLiteral("SELECT %1 FROM strpercage WHERE per_code = ?")
                                   .arg(sheetFields().join(QStringLiteral(", ")));
    return sql;
}

// One statement writes the whole row, so a failure leaves it as it was. A code
// that already has a row (entries out of date) is updated, not duplicated.
const QString& upsertSheet() {
    static const QString sql = [] {
        const QStringList fields = sheetFields();
        QStringList marks, updates;
        for (const QString& f : fields) {
            marks << QStringLiteral("?");
            if (f != QLatin1String("per_code"))
                updates << QStringLiteral("%1 = excluded.%1").arg(f);
        }
        return QStringLiteral("INSERT INTO strpercage (%1) VALUES (%2) "
                              "ON CONFLICT (per_code) DO UPDATE SET %3")
            .arg(fields.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")),
                 updates.join(QStringLiteral(", ")));
    }();
    return sql;
}

QString text(const QVariant& v) {
    return v.isNull() ? QString(QLatin1String("")) : v.toString();
}

// Empty texts are stored as empty texts, not as nulls.
QString bound(const QString& s) {
    return s.isNull() ? QString(QLatin1String("")) : s;
}

} // namespace

Result<bool> SheetStore::exists(const QString& code) const {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(SelectExists))
        return DataError::fromQuery(q);
    q.addBindValue(bound(code));
    if (!q.exec())
        return DataError::fromQuery(q);
    return q.next();
}

Result<std::optional<SheetRecord>> SheetStore::load(const QString& code) const {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(selectSheet()))
        return DataError::fromQuery(q);
    q.addBindValue(bound(code));
    if (!q.exec())
        return DataError::fromQuery(q);
    if (!q.next()) {
        if (q.lastError().isValid())
            return DataError::fromQuery(q);
        return std::optional<SheetRecord>();
    }
    SheetRecord s;
    s.code = text(q.value(QStringLiteral("per_code")));
    for (int n : sheetMeasureNumbers())
        s.measures[n] = text(q.value(sheetMeasureField(n)));
    s.fingerComment = text(q.value(QStringLiteral("PER_COM_D")));
    s.thumbComment = text(q.value(QStringLiteral("PER_COM_P")));
    s.thumbSlug = text(q.value(QStringLiteral("PER_TYP_POUCE")));
    s.insertMaterial = text(q.value(QStringLiteral("PER_VIN_URE")));
    s.conicity = text(q.value(QStringLiteral("PER_OVAL_CON")));
    return std::optional<SheetRecord>(std::move(s));
}

Status SheetStore::save(const SheetRecord& sheet) {
    QSqlQuery q(db_);
    if (!q.prepare(upsertSheet()))
        return DataError::fromQuery(q);
    q.addBindValue(bound(sheet.code));
    for (int n : sheetMeasureNumbers())
        q.addBindValue(bound(sheet.measures.value(n)));
    q.addBindValue(bound(sheet.fingerComment));
    q.addBindValue(bound(sheet.thumbComment));
    q.addBindValue(bound(sheet.thumbSlug));
    q.addBindValue(bound(sheet.insertMaterial));
    q.addBindValue(bound(sheet.conicity));
    if (!q.exec())
        return DataError::fromQuery(q);
    return {};
}

Result<int> SheetStore::highestCode() const {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(SelectHighestCode))
        return DataError::fromQuery(q);
    if (!q.exec() || !q.next())
        return DataError::fromQuery(q);
    return q.value(0).toInt();
}

} // namespace vdn
