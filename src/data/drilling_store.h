#pragma once

#include "data/data_error.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace vdn {

// One drilling of a ball (a row of strperc_boule): every value a text, the
// numbers as the layout window shows them.
struct BallDrilling {
    QString code;   // MAT_CODE
    QString line;   // MAT_LG
    QString number; // pb_num, "000001" for the ball's first
    QString date;   // "yyyy-MM-dd HH:mm:ss"
    QString driller;
    QString sheetVersion; // his_num of the sheet drilled with; empty without a sheet
    QString drillingAngle, pinToPap, valAngle, pinToMb, psaToPap, pinBuffer;
    QString over, up, hand; // the PAP used; "D" or "G"
    QString pounds;
    QString grippingHoles, thumbless, thumbHole; // "O"/"N" for yes/no
    QString ventHoles, ventDiameter;
    QString millHole, millDiameter, millDepth;
    QString balanceHole;
    QString topBottom, side, fingerThumb; // ounces, signed
    QString profile, verdict, comment;
    // Read, not stored: the date of that sheet version ("yyyy-MM-dd
    // HH:mm:ss"), empty without one.
    QString sheetDate;

    // "dd/MM/yyyy" of the stored date (the stored text when it is not one).
    QString dayText() const;
    // The sheet version by its number and the moment it was validated, since
    // a sheet may be validated twice a day: "n° 2 du 01/12/2026 à 16:45"
    // ("n° 2" when its date is gone); empty without a sheet.
    QString sheetText() const;
};

// All SQL of table strperc_boule.
class DrillingStore {
public:
    explicit DrillingStore(QSqlDatabase db) : db_(std::move(db)) {}

    // The ball's drillings, newest first, each with its sheet version's date.
    Result<QList<BallDrilling>> list(const QString& code, const QString& line) const;

    // Writes a drilling in one transaction: the ball must still hold the row
    // version `revision` (the saved ball the window was opened on, else
    // DataError::isChangedElsewhere()); the drilling takes the ball's next
    // free number and the customer's latest sheet version. Returns the
    // drilling as written.
    Result<BallDrilling> record(BallDrilling drilling, qint64 revision);

    // Whether drillings are stored under the customer code (a customer
    // deleted for good leaves them).
    Result<bool> exists(const QString& code) const;
    // The highest customer code that has drillings (0 for none).
    Result<int> highestCode() const;
    // The highest line of the customer's balls that have drillings.
    Result<int> highestLine(const QString& code) const;

private:
    QSqlDatabase db_;
};

} // namespace vdn
