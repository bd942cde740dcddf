#include "drilling/sheet_store.h"

#include "data/schema.h"
#include "data/statement.h"

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
    // The fields in the order of sheetFields(): the code, the measures, then
    // the two comments and the three options.
    int at = 0;
    SheetRecord s;
    s.code = q.text(at++);
    for (int n : sheetMeasureNumbers())
        s.measures[n] = q.text(at++);
    for (QString* field :
         {&s.fingerComment, &s.thumbComment, &s.thumbSlug, &s.insertMaterial, &s.conicity})
        *field = q.text(at++);
    return std::optional<SheetRecord>(std::move(s));
}

Status SheetStore::save(const SheetRecord& sheet) {
    Statement q(db_, upsertSheet());
    q.bind(sheet.code);
    for (int n : sheetMeasureNumbers())
        q.bind(sheet.measures.value(n));
    for (const QString* field : {&sheet.fingerComment, &sheet.thumbComment, &sheet.thumbSlug,
                                 &sheet.insertMaterial, &sheet.conicity})
        q.bind(*field);
    return q.exec();
}

Result<int> SheetStore::highestCode() const {
    Result<QVariant> highest = scalar(db_, highestNumberText(Dialect::of(db_), Table, Key));
    if (!highest)
        return highest.error();
    return highest->toInt();
}

} // namespace vdn
