#pragma once

#include "data/ball_fields.h"
#include "data/data_error.h"
#include "session/report_rows.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

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

// The columns of the ball grid, in their order (BallFieldInfo::gridColumn).
enum class BallColumn {
    Line,    // MAT_LG "N° ordre"
    Bag,     // MAT_SAC "Sac"
    Brand,   // MAT_MARQUE
    Ball,    // MAT_BOULE
    Layout,  // MAT_LAYOUT
    Rg,      // MAT_RG
    Core,    // MAT_NOYAU
    Diff,    // MAT_DIFF
    Length,  // MAT_LENGTH
    Hook,    // MAT_HOOK
    Surface, // MAT_SURFACE1
    Serial,  // MAT_SERIE
    Date,    // MAT_DATE
    DateKey, // MAT_DATE_TRI, the sort key of the date
};
constexpr int BallColumnCount = 14;

// The field a grid column shows, as the column holds its name.
QString ballColumnField(BallColumn column);

// One row of the ball list: the owner and the texts of the fourteen columns
// (a null field reads as an empty text).
struct BallRow {
    QString code;
    QStringList cells;   // BallColumnCount texts, by BallColumn
    qint64 revision = 0; // the row version it was read at
    QString cell(BallColumn c) const { return cells.value(int(c)); }
};

// The statement of the ball list printout: every ball of one customer (bind
// the customer code), by the value of the bag number, then by line number,
// as the ball list's default order.
extern const QString BallPrintoutStatement;

// A line number as stored: three digits with leading zeros.
QString formatBallLine(int line);

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

    // The balls of a query: by the value of the bag number then by line
    // number, or, when a column is given, by that column's text. All balls
    // of a customer in the default order is also the order of the ball
    // printout.
    Result<QList<BallRow>> list(const BallListQuery& query,
                                std::optional<BallColumn> sortBy = std::nullopt) const;
    // One ball as a list row (for the grid while the ball is open).
    Result<QList<BallRow>> listOne(const QString& code, const QString& line) const;
    // Every ball of the customer for the ball list printout, in the
    // printout's order, handed over one at a time.
    Result<std::unique_ptr<BallRows>> printoutRows(const QString& code) const;
    // One ball with its row version, or nothing when there is none.
    Result<std::optional<BallRecord>> byKey(const QString& code, const QString& line) const;
    // The bag number of a new ball: "000", or the one the record holds (a
    // ball deleted elsewhere and created again as it was shown).
    enum class NewBag { Empty, AsGiven };
    // Creates the ball under its line number; a line that is taken is
    // refused (DataError::isDuplicateKey()).
    Status insert(const BallRecord& ball, NewBag bag = NewBag::Empty);
    // Creates the ball under its line number or, when another workstation
    // took that line meanwhile, under the next free one; returns the line used.
    Result<QString> insertUnderFreeLine(BallRecord ball, NewBag bag = NewBag::Empty);
    enum class Overwrite { No, Yes };
    // Writes every field of the ball's record to the existing ball, keeping its bag
    // number, and its lane condition when the record has none, in one
    // statement. Unless told to overwrite, only over the row version it was
    // read at; a ball changed or deleted since (or never there) is left as it
    // is and the failure is DataError::isChangedElsewhere().
    Status update(const BallRecord& ball, Overwrite overwrite = Overwrite::No);
    Status remove(const QString& code, const QString& line);
    // The bag number changed in the grid, only over the row version it was
    // read at; the version goes one up. A ball changed since is left as it
    // is (DataError::isChangedElsewhere()); one that no longer exists is a
    // failure of its own (errnum::NoCurrentRecord).
    Status setBag(const QString& code, const QString& line, const QString& bag, qint64 revision);

private:
    Result<QList<BallRow>> rows(const QString& sql, const QVariantList& values) const;

    QSqlDatabase db_;
};

} // namespace vdn
