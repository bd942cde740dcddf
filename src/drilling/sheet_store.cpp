#include "drilling/sheet_store.h"

#include "data/connection.h"
#include "data/drilling_store.h"
#include "data/schema.h"
#include "data/statement.h"
#include "drilling/sheet_history.h"

namespace vdn {

namespace {
const QString Table = QStringLiteral("strpercage");
const QString Key = QStringLiteral("per_code");

const QString SelectExists = QStringLiteral("SELECT 1 FROM strpercage WHERE per_code = ? LIMIT 1");

// Every field, then the row version.
const QString& selectSheet() {
    static const QString sql = selectText(Table, sheetFields() + QStringList{revisionField()}) +
                               QStringLiteral(" WHERE per_code = ?");
    return sql;
}

// A sheet another workstation created meanwhile writes nothing and fails
// nothing (a failed statement would end a server transaction).
QString insertSheet(const Dialect& d) {
    static const QString insert = insertText(Table, sheetFields());
    return d.insertIgnoringDuplicate(insert);
}
// Every field but the code, the row version one more; bound: the fields,
// then the code (and, checked, the version read).
const RevisedUpdate& updateSheets() {
    static const RevisedUpdate sql = revisedUpdateText(Table, sheetFields().mid(1), {Key});
    return sql;
}
const QString& updateSheet() {
    return updateSheets().any;
}
const QString& checkedUpdateSheet() {
    return updateSheets().checked;
}

const QString& selectRevision() {
    static const QString sql =
        QStringLiteral("SELECT %1 FROM strpercage WHERE per_code = ?").arg(revisionField());
    return sql;
}

// The row version of the customer's sheet as it stands.
Status readRevision(const QSqlDatabase& db, const QString& code, qint64* revision) {
    Statement q(db, selectRevision());
    Result<bool> found = q.bind(code).execFirst();
    if (!found)
        return found.error();
    *revision = *found ? q.value(0).toLongLong() : 0;
    return {};
}

Status changedElsewhere(const QString& code) {
    return DataError::other(errnum::ChangedElsewhere,
                            QStringLiteral("La fiche de perçage du client %1 a été modifiée sur "
                                           "un autre poste")
                                .arg(code));
}

// Writes the row of the sheet as the record and `overwrite` say; the
// failure of a checked write is isChangedElsewhere(). `written`, when
// given, receives the row's version after the write (a new row's is 0, the
// schema's default).
Status writeRow(const QSqlDatabase& db, const SheetRecord& sheet, SheetStore::Overwrite overwrite,
                qint64* written) {
    const bool checked = overwrite == SheetStore::Overwrite::No;
    if (written)
        *written = 0;
    if (!checked || sheet.revision) {
        Statement q(db, checked ? checkedUpdateSheet() : updateSheet());
        bindSheetValues(q, sheet);
        q.bind(sheet.code);
        if (checked)
            q.bind(QVariant(*sheet.revision));
        if (Status s = q.exec(); !s)
            return s;
        if (q.rowsAffected() > 0) {
            if (written && checked)
                *written = *sheet.revision + 1;
            else if (written)
                return readRevision(db, sheet.code, written);
            return {};
        }
        if (checked)
            return changedElsewhere(sheet.code);
    }
    // A new sheet, or one written over a row that is gone.
    Statement q(db, insertSheet(Dialect::of(db)));
    q.bind(sheet.code);
    bindSheetValues(q, sheet);
    if (Status s = q.exec(); !s)
        return s;
    if (q.rowsAffected() < 1)
        return changedElsewhere(sheet.code);
    return {};
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
    SheetRecord sheet = sheetFromRow(q);
    sheet.revision = q.value(int(sheetFields().size())).toLongLong();
    return std::optional<SheetRecord>(sheet);
}

QString sheetMeasureName(int number) {
    // By number; the notice after a merge lists names between commas.
    static const QMap<int, QString> names{
        {8, QStringLiteral("Case au-dessus du doigt gauche")},
        {9, QStringLiteral("Case à gauche du doigt gauche (flèche en haut)")},
        {10, QStringLiteral("Case à gauche du doigt gauche (flèche en bas)")},
        {11, QStringLiteral("Ligne du pouce au doigt gauche")},
        {12, QStringLiteral("Case au-dessus du doigt droit")},
        {13, QStringLiteral("Case à droite du doigt droit (flèche en haut)")},
        {14, QStringLiteral("Case à droite du doigt droit (flèche en bas)")},
        {15, QStringLiteral("Case au-dessus du pouce")},
        {16, QStringLiteral("Case à gauche du pouce")},
        {17, QStringLiteral("Case à droite du pouce")},
        {18, QStringLiteral("Case au-dessous du pouce")},
        {19, QStringLiteral("CUT SPAN gauche")},
        {20, QStringLiteral("CUT SPAN droit")},
        {21, QStringLiteral("Taille de l'insert de pouce")},
        {22, QStringLiteral("Couleur des inserts de doigts")},
        {23, QStringLiteral("Marque des inserts de doigts")},
        {24, QStringLiteral("Forme des inserts de doigts")},
        {25, QStringLiteral("Couleur de l'insert de pouce")},
        {26, QStringLiteral("Marque de l'insert de pouce")},
        {27, QStringLiteral("Forme de l'insert de pouce")},
        {28, QStringLiteral("Ovalisation horizontale")},
        {29, QStringLiteral("Ovalisation verticale")},
        {30, QStringLiteral("PAP (case de gauche)")},
        {31, QStringLiteral("PAP (case de droite)")},
        {32, QStringLiteral("Dans le trou du doigt gauche")},
        {33, QStringLiteral("Ligne du pouce au doigt droit")},
        {34, QStringLiteral("Dans le trou du doigt droit")},
        {36, QStringLiteral("Dans le trou du pouce")},
    };
    return names.value(number, QStringLiteral("Case %1").arg(number));
}

QStringList changedSheetFields(const SheetRecord& before, const SheetRecord& now) {
    QStringList names;
    for (int n : sheetMeasureNumbers())
        if (before.measures.value(n) != now.measures.value(n))
            names << sheetMeasureName(n);
    const QList<std::pair<QString, QString SheetRecord::*>> others{
        {QStringLiteral("Commentaire doigts"), &SheetRecord::fingerComment},
        {QStringLiteral("Commentaire pouce"), &SheetRecord::thumbComment},
        {QStringLiteral("Slug"), &SheetRecord::thumbSlug},
        {QStringLiteral("Vinyl / Uréthane"), &SheetRecord::insertMaterial},
        {QStringLiteral("Conique"), &SheetRecord::conicity},
    };
    for (const auto& [name, member] : others)
        if (before.*member != now.*member)
            names << name;
    return names;
}

namespace {
const QList<std::pair<QString, QString SheetRecord::*>>& sheetTexts() {
    static const QList<std::pair<QString, QString SheetRecord::*>> texts{
        {QStringLiteral("Commentaire doigts"), &SheetRecord::fingerComment},
        {QStringLiteral("Commentaire pouce"), &SheetRecord::thumbComment},
        {QStringLiteral("Slug"), &SheetRecord::thumbSlug},
        {QStringLiteral("Vinyl / Uréthane"), &SheetRecord::insertMaterial},
        {QStringLiteral("Conique"), &SheetRecord::conicity},
    };
    return texts;
}
} // namespace

QList<FieldReadings> sheetReadings(const SheetRecord& shown, const SheetRecord& typed,
                                   const SheetRecord& stored) {
    QList<FieldReadings> fields;
    for (int n : sheetMeasureNumbers())
        fields.append({sheetMeasureName(n), shown.measures.value(n), typed.measures.value(n),
                       stored.measures.value(n)});
    for (const auto& [name, member] : sheetTexts())
        fields.append({name, shown.*member, typed.*member, stored.*member});
    return fields;
}

void takeStoredSheetFields(SheetRecord& typed, const SheetRecord& stored,
                           const QList<bool>& takeStored) {
    qsizetype at = 0;
    for (int n : sheetMeasureNumbers())
        if (takeStored.value(at++))
            typed.measures[n] = stored.measures.value(n);
    for (const auto& [name, member] : sheetTexts())
        if (takeStored.value(at++))
            typed.*member = stored.*member;
}

Status SheetStore::save(const SheetRecord& sheet, const SheetStamp& stamp, Overwrite overwrite,
                        qint64* written) {
    Transaction t(db_);
    if (!t.started())
        return t.started();
    if (Status s = writeRow(db_, sheet, overwrite, written); !s)
        return s;
    if (Status s = SheetHistoryStore(db_).append(sheet, stamp); !s)
        return s;
    return t.commit();
}

Result<int> SheetStore::highestCode() const {
    Result<QVariant> highest = scalar(db_, highestCodeText(Dialect::of(db_), Table, Key));
    if (!highest)
        return highest.error();
    Result<int> history = SheetHistoryStore(db_).highestCode();
    if (!history)
        return history.error();
    // Drillings, like the sheet history, outlive a customer deleted for good.
    Result<int> drilled = DrillingStore(db_).highestCode();
    if (!drilled)
        return drilled.error();
    return std::max({highest->toInt(), *history, *drilled});
}

} // namespace vdn
