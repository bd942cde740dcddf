#pragma once

#include "data/data_error.h"

#include <QSqlDatabase>
#include <QString>

namespace vdn {

// The ball status filter of the ball panel.
enum class BallFilter {
    All,     // every ball
    Current, // bag number up to 100
    History, // bag number above 100
};

// The balls the ball list shows: those of one customer, through a filter.
struct BallListQuery {
    QString code;
    BallFilter filter = BallFilter::All;
    bool operator==(const BallListQuery&) const = default;
};

// All SQL of table strmateriel.
class BallStore {
public:
    explicit BallStore(QSqlDatabase db) : db_(std::move(db)) {}

    QSqlDatabase database() const { return db_; }

    // The highest line number among the customer's balls, 0 when it has none.
    Result<int> highestLine(const QString& code) const;
    // Deletes every ball of the customer (inside the caller's transaction,
    // when there is one).
    Status removeAllOf(const QString& code);

private:
    QSqlDatabase db_;
};

} // namespace vdn
