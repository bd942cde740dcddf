#include "drilling/sheet_store.h"

#include "data/connection.h"
#include "data/schema.h"
#include "data/statement.h"
#include "drilling/sheet_history.h"

namespace vdn {

namespace {
const QString Table = QStringLiteral("strpercage");
const QString Key = QStringLiteral("per_code");

const QString SelectExists = QStringLiteral("SELECT 1 FROM strpercage WHERE per_code = ? LIMIT 1");

const QString& selectSheet() {
    static const QString sql =
        selectText(Table, sheetFields()) + QStringLiteral(" WHERE per_code = ?");
    return sql;
}

// One statement writes the whole row, so a failure leaves it as it was. A code
// that already has a row (entries out of date) is updated, not duplicated.
const QString& upsertSheet() {
    static const QString sql = upsertText(Table, sheetFields(), {Key});
    return sql;
}

} // namespace

Result<bool> SheetStore::exists(const QString& code) const {
    Statement q(db_, SelectExists);
    return q.bind(code).execFirst();
}

Result<std::optional<SheetRecord>> SheetStore::load(const QString& code) const {
    Statement q(db_, selectSheet());
    Result<bool> found = q.bind(code).execFirst();
    if (!found)
        return found.error();
    if (!*found)
        return std::optional<SheetRecord>();
    return std::optional<SheetRecord>(fromRow(q));
}

SheetRecord SheetStore::fromRow(const Statement& row) {
    // The fields in the order of sheetFields(): the code, the measures, then
    // the two comments and the three options.
    int at = 0;
    SheetRecord s;
    s.code = row.text(at++);
    for (int n : sheetMeasureNumbers())
        s.measures[n] = row.text(at++);
    for (QString* field :
         {&s.fingerComment, &s.thumbComment, &s.thumbSlug, &s.insertMaterial, &s.conicity})
        *field = row.text(at++);
    return s;
}

Status SheetStore::save(const SheetRecord& sheet, const SheetStamp& stamp) {
    Transaction t(db_);
    if (!t.started())
        return t.started();
    Statement q(db_, upsertSheet());
    q.bind(sheet.code);
    for (int n : sheetMeasureNumbers())
        q.bind(sheet.measures.value(n));
    for (const QString* field : {&sheet.fingerComment, &sheet.thumbComment, &sheet.thumbSlug,
                                 &sheet.insertMaterial, &sheet.conicity})
        q.bind(*field);
    if (Status s = q.exec(); !s)
        return s;
    if (Status s = SheetHistoryStore(db_).append(sheet, stamp); !s)
        return s;
    return t.commit();
}

Result<int> SheetStore::highestCode() const {
    Result<QVariant> highest = scalar(db_, highestNumberText(Dialect::of(db_), Table, Key));
    if (!highest)
        return highest.error();
    Result<int> history = SheetHistoryStore(db_).highestCode();
    if (!history)
        return history.error();
    return std::max(highest->toInt(), *history);
}

} // namespace vdn
