#pragma once

#include "balls/ball_store.h"
#include "reference/pick_lists.h"

#include <QObject>

namespace vdn {

class BallPanel;
class BallRecordPanel;
class VdnClient;

// What the ball panel of the customer window does: the ball grid's row
// click, column sort and bag number edit, and the ball record's add, open,
// delete, validate and cancel, with the pick lists and the reference value
// check. The window keeps the shared state (current customer, working line
// number, ball list query) and the ball list load.
class BallActions : public QObject {
    Q_OBJECT
public:
    explicit BallActions(VdnClient& window);

    // cmdajout_mat: a new ball for the current customer.
    void addBall();
    // Row click of DBGrid2: opens the ball of that row.
    void openBall(int row);
    // cmdsupp_mat: deletes the ball of the grid's current row.
    void deleteBall();
    // cmdvalide3: checks the pick lists, then creates or updates the ball.
    void validate();
    // cmdannule3: reloads the list and closes the ball record.
    void cmdannule3();
    // Column head of DBGrid2: the list in that column's order.
    void sortBy(BallColumn column);
    // The reference value check of the eight pick lists. Reports a failure.
    CheckOutcome checkPickLists();
    // Shows every ball of the current customer, in the order of the ball
    // printout, whatever the status filter (until the next list load).
    // False when the list could not be read (reported).
    bool showPrintedList();

private:
    void writeBag(int row);
    void showInvalidDate();
    void report(const DataError& error, const QString& operation = {});
    BallPanel& panel() const;
    BallRecordPanel& record() const;

    VdnClient& window_;
    bool checking_ = false;
};

} // namespace vdn
