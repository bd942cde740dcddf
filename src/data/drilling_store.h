#pragma once

#include "data/data_error.h"
#include "data/drilling_fields.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace vdn {

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
