#pragma once

#include <QMap>
#include <QString>

#include <optional>

namespace vdn {

class Statement;

// One drilling sheet as the panel shows it: every text, never null.
struct SheetRecord {
    QString code;                // per_code, the customer code
    QMap<int, QString> measures; // PER_08 ... PER_34, PER_36 by field number
    QString fingerComment;       // PER_COM_D
    QString thumbComment;        // PER_COM_P
    QString thumbSlug;           // PER_TYP_POUCE: "I" or "C"
    QString insertMaterial;      // PER_VIN_URE: "V" or "U"
    QString conicity;            // PER_OVAL_CON: "O" or "N"
    // The row version the sheet was read at; none for a sheet the customer
    // did not have when the entry began.
    std::optional<qint64> revision;
};

// The values of a sheet after its code, bound in the stored order of the
// sheet's fields: the measures by number, the two comments, the three options.
// The sheet's row and each of its versions hold them alike.
void bindSheetValues(Statement& q, const SheetRecord& sheet);
// A sheet from a row that holds the sheet's fields (code first) in their
// stored order, from the first column on.
SheetRecord sheetFromRow(const Statement& row);

} // namespace vdn
