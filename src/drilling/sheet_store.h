#pragma once

#include "data/data_error.h"
#include "drilling/sheet_row.h"
#include "widgets/changed_elsewhere.h"

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

namespace vdn {

struct SheetStamp;

// A measure of the sheet as the user finds it there: the caption beside its
// box ("Couleur des inserts de doigts", "PAP (case de gauche)"), or its
// place on the diagram ("Case au-dessus du doigt gauche").
QString sheetMeasureName(int number);
// The names of the fields that differ between two readings of a sheet: the
// measures (sheetMeasureName), then the comments and options.
QStringList changedSheetFields(const SheetRecord& before, const SheetRecord& now);
// Every field of a sheet as shown, typed and stored: the measures
// (sheetMeasureName), then the comments and options.
QList<FieldReadings> sheetReadings(const SheetRecord& shown, const SheetRecord& typed,
                                   const SheetRecord& stored);
// Copies into `typed` the stored value of each field (in sheetReadings'
// order) marked in `takeStored`.
void takeStoredSheetFields(SheetRecord& typed, const SheetRecord& stored,
                           const QList<bool>& takeStored);

// All SQL of table strpercage: one drilling sheet per customer code.
class SheetStore {
public:
    explicit SheetStore(QSqlDatabase db) : db_(std::move(db)) {}

    QSqlDatabase database() const { return db_; }

    // Whether the customer has a sheet.
    Result<bool> exists(const QString& code) const;
    // The highest whole-number customer code that holds a sheet or a sheet
    // history, 0 when there is none: a new customer never finds a stranger's.
    Result<int> highestCode() const;
    // The customer's sheet, or nothing when there is none. A null stored value
    // comes back as an empty text.
    Result<std::optional<SheetRecord>> load(const QString& code) const;
    enum class Overwrite { No, Yes };
    // Writes the whole sheet in one statement: a new row when the record has
    // no row version, the existing row read at that version otherwise (never
    // a second row for one code); and, in the same transaction, the sheet as
    // the customer's next dated version. Both are written or neither. A sheet
    // another workstation created, changed or removed since is left as it is
    // (DataError::isChangedElsewhere()), unless told to overwrite: then the
    // sheet is written whatever its row holds. `written`, when given,
    // receives the row version the sheet holds once written (what a later
    // save of it starts from).
    Status save(const SheetRecord& sheet, const SheetStamp& stamp,
                Overwrite overwrite = Overwrite::No, qint64* written = nullptr);

private:
    QSqlDatabase db_;
};

} // namespace vdn
