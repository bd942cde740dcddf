#pragma once

#include "data/data_error.h"

#include <QMap>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace vdn {

// One drilling sheet as the panel shows it: every text, never null.
struct SheetRecord {
    QString code;                // per_code, the customer code
    QMap<int, QString> measures; // PER_08 ... PER_34, PER_36 by field number
    QString fingerComment;       // PER_COM_D
    QString thumbComment;        // PER_COM_P
    QString thumbSlug;           // PER_TYP_POUCE: "I" or "C"
    QString insertMaterial;      // PER_VIN_URE: "V" or "U"
    QString conicity;            // PER_OVAL_CON: "O" or "N"
};

// All SQL of table strpercage: one drilling sheet per customer code.
class SheetStore {
public:
    explicit SheetStore(QSqlDatabase db) : db_(std::move(db)) {}

    QSqlDatabase database() const { return db_; }

    // Whether the customer has a sheet.
    Result<bool> exists(const QString& code) const;
    // The highest whole-number customer code that holds a sheet, 0 when
    // there is none.
    Result<int> highestCode() const;
    // The customer's sheet, or nothing when there is none. A null stored value
    // comes back as an empty text.
    Result<std::optional<SheetRecord>> load(const QString& code) const;
    // Writes the whole sheet in one statement: a new row for a code without a
    // sheet, the existing row otherwise (never a second row for one code).
    Status save(const SheetRecord& sheet);

private:
    QSqlDatabase db_;
};

} // namespace vdn
