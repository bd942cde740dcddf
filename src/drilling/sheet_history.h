#pragma once

#include "data/data_error.h"
#include "drilling/sheet_store.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace vdn {

// Who validated a sheet, and when: what each history entry is stamped with.
struct SheetStamp {
    QDateTime when;
    QString driller;
};

// One dated version of a customer's sheet, as the version list shows it.
struct SheetVersion {
    QString number;  // his_num, six digits, 000001 the oldest
    QDateTime when;  // invalid when the stored text is not a date
    QString driller; // empty for a version made by an upgrade
    QString storedDate;

    // "08/12/2026 14:30:05" (two versions of one minute told apart), or the
    // stored text when it is not a date.
    QString dateText() const;
    // The version's number without its leading zeros ("3" for 000003).
    QString numberText() const;
};

// All SQL of table strpercage_hist: the versions of every drilling sheet, one
// row per validation, never changed nor deleted once written. The history is
// read by nothing but the version list of the drilling sheet panel and the
// next customer code.
class SheetHistoryStore {
public:
    explicit SheetHistoryStore(QSqlDatabase db) : db_(std::move(db)) {}

    // The versions of a customer's sheet, newest first.
    Result<QList<SheetVersion>> versions(const QString& code) const;
    // One version of a customer's sheet, nothing when there is no such version.
    Result<std::optional<SheetRecord>> load(const QString& code, const QString& number) const;
    // Adds the sheet as the customer's next version. Runs inside the caller's
    // transaction: on its own it is one statement after one read.
    Status append(const SheetRecord& sheet, const SheetStamp& stamp);
    // The highest whole-number customer code that has a history, 0 when none.
    Result<int> highestCode() const;

    // The stored form of a version's date and time.
    static QString storedDate(const QDateTime& when);

private:
    QSqlDatabase db_;
};

} // namespace vdn
