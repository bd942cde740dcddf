#pragma once

#include "reference/param_store.h"

#include <QList>
#include <QString>

#include <optional>

namespace vdn {

// The reference value catalogue: every table code of strparam, its titles,
// prompt labels, listing orders and entry rules. The single source for the
// pick lists, the registration of unknown values and the maintenance window.

// Group titles, as the maintenance window lists them.
QString ballGroupTitle();  // codes 0 to 7
QString sheetGroupTitle(); // codes 8 to 36

// Entry box of the maintenance window in which a code's new values are typed.
enum class EntryBox { Txt0, Txt1, Txt6, Txt2 };

// Range and format of a numeric code (entered in txt2).
struct NumericRule {
    int decimals;              // "0.00" -> 2, "00" -> 0 (at least two digits)
    std::optional<double> min; // bounds included
    std::optional<double> max;
    QString outOfRangeMessage; // empty when there are no bounds
};

// One code of the ball description group (0 to 7).
struct BallCode {
    int code;
    QString title;       // maintenance window table list, e.g. "0 - Marque de boules"
    QString promptLabel; // starts the unknown-value question, e.g. "Marque : "
    QString field;       // strmateriel field
    QString comboName;   // pick list of the ball record, e.g. "Combo0"
    ListOrder pickOrder; // order of the pick list on the ball record
    ListOrder maintenanceOrder;
    int registeredLength; // characters kept when registering; 0 = whole text
    EntryBox entryBox;
    int entryMaxLength; // most characters of the entry box; 0 = no limit
    bool upperCase;     // stored in capitals (brands)
    std::optional<NumericRule> numeric;
};

const QList<BallCode>& ballCodes();
const BallCode* ballCode(int code);

// One numbered field of the drilling sheet (8 to 34 and 36).
struct SheetField {
    int number;          // 8 .. 36 (no 35)
    int listCode;        // reference table filling the list and registering
    QString promptLabel; // " 8  : ", " 9 : ", "10 : " ... ("11 : " for 33)
    QString field;       // PER_08 ...
    QString comboName;   // Combo8 ...
};

// Values registered from the drilling sheet keep this many characters.
constexpr int SheetRegisteredLength = 10;

const QList<SheetField>& sheetFieldList(); // in field-number order
const SheetField* sheetFieldOf(int number);
QList<int> sheetCheckOrder(); // 8..22, 25, 23, 26, 24, 27, 28..34, 36
// Fill steps of the drilling sheet lists: a code and the fields it fills
// ({11: 11, 33}, {22: 22, 25}, ...), in fill order. Every sheet list is in text order.
struct SheetFillStep {
    int code;
    QList<int> fields;
};
const QList<SheetFillStep>& sheetFillSteps();

// Exclusive pairs of drilling sheet fields: a non-empty value in one empties
// the other when the focus leaves it.
const QList<QPair<int, int>>& sheetExclusivePairs();
std::optional<int> sheetExclusivePartner(int number);

// The question asked for an unknown value.
QString unknownValueQuestion(const QString& promptLabel, const QString& shownValue);

// The numeric entry rule of a code, run when the user leaves txt2.
struct NumericEntry {
    enum class Outcome { Accepted, NotNumeric, OutOfRange };
    Outcome outcome;
    QString formatted; // the text written back into the box (Accepted, OutOfRange)
    QString message;   // the message to show (NotNumeric, OutOfRange)
};
// Accepts the French decimal comma and the period. The formatted number uses
// the comma, which is how numeric values are stored.
NumericEntry applyNumericRule(const NumericRule& rule, const QString& typed);

// Reads a number typed the French way ("0,5", "-3", "1 000,25") or with a
// period. Returns nothing when the text is not a number.
std::optional<double> parseTypedNumber(const QString& typed);

} // namespace vdn
