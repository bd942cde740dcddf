#pragma once

#include "balls/ball_store.h"
#include "platform/services.h"
#include "reference/pick_lists.h"
#include "session/current_customer.h"
#include "widgets/changed_elsewhere.h"

#include <QObject>

namespace vdn {

class BallPanel;
class BallRecordPanel;

// The work of the ball panel Frame300 and its ball record Frame8: the ball
// list load, the grid's row click, column sort and bag number edit, the
// record's add, open, delete, validate and cancel with the pick lists and the
// reference value check, and the customer's ball list printout. It acts on
// the current customer it was last given, and only on grid rows of that
// customer. What follows on the window (cancel, back to the ball panel) it
// asks for through its signals.
// The names of the fields that differ between two readings of a ball, as
// the ball record's captions give them.
QStringList changedBallFields(const BallRecord& before, const BallRecord& now);
// The same for a row of the ball grid, named by the grid's headings.
QStringList changedBallRowFields(const BallRow& before, const BallRow& now);
// Every field of the ball record as shown, typed and stored; the type last.
QList<FieldReadings> ballReadings(const BallRecord& shown, const BallRecord& typed,
                                  const BallRecord& stored);
// Copies into `typed` the stored value of each field (in ballReadings' order)
// marked in `takeStored`.
void takeStoredBallFields(BallRecord& typed, const BallRecord& stored,
                          const QList<bool>& takeStored);
// A ball as a row of the ball grid shows it.
BallRow ballRowOf(const BallRecord& ball);
// Told after a new ball was saved under another line number than its own,
// which another workstation took meanwhile.
QString movedLineMessage(const QString& line, const QString& used);

class BallController : public QObject {
    Q_OBJECT
public:
    BallController(const Services& services, BallStore& balls, BallPanel& panel,
                   QObject* parent = nullptr);

    // The customer the panel works on from now on.
    void setCustomer(const CurrentCustomer& customer) { customer_ = customer; }
    const CurrentCustomer& customer() const { return customer_; }

    // The ball list load: working line number and ball query of the current
    // customer with the chosen status filter.
    void loadBallList();

    // cmdajout_mat: a new ball for the current customer.
    void addBall();
    // Row click of DBGrid2: opens the ball of that row.
    void openBall(int row);
    // cmdsupp_mat: deletes the ball of the grid's current row.
    void deleteBall();
    // cmdvalide3: checks the pick lists, then creates or updates the ball.
    void validate();
    // Whether the ball record is open with an entry differing from the ball
    // as it was opened (or from the empty new ball).
    bool hasUnsavedEntry() const;
    // cmdannule3: reloads the list and closes the ball record.
    void cmdannule3();
    // Column head of DBGrid2: the list in that column's order.
    void sortBy(BallColumn column);
    // The reference value check of the eight pick lists. Reports a failure.
    CheckOutcome checkPickLists();
    // cmdimp_mat: the customer's ball list printout, then the grid shows
    // every ball in the printout's order.
    void printBalls();
    // Shows every ball of the current customer, in the order of the ball
    // printout, whatever the status filter (until the next list load).
    // False when the list could not be read (reported).
    bool showPrintedList();
    // The open ball as it was read (none for a new ball), and its line.
    const std::optional<BallRecord>& openedBall() const { return opened_; }
    // True when an open ball's record holds no change since it was shown.
    bool openBallUnchanged() const;
    // Names the open ball's last drilling in the record's lblpercage.
    void showLastDrilling();

signals:
    // A deleted customer's new ball was refused: the window's cancel is due.
    void cancelRequested();
    // The ball record closed: the window shows the ball panel.
    void ballPanelRequested();

private:
    // The grid row's line number when the row is the current customer's.
    std::optional<int> lineOf(int row) const;
    // Empties the ball grid and the working line number after a failed load.
    void clearBallList();
    void writeBag(int row);
    void showInvalidDate();
    void report(const DataError& error, const QString& operation = {});
    BallRecordPanel& record() const;
    // The ball entry emptied and its pick lists filled; false after reporting
    // a failure.
    bool emptyEntry();
    // Writes a new ball, under the next free line when its own was taken
    // meanwhile; false when nothing was written.
    bool insertNew(const BallRecord& ball, BallStore::NewBag bag = BallStore::NewBag::Empty);
    // The bag number the screen shows for the ball of that line.
    QString bagOnScreen(const QString& line) const;
    // Writes a changed ball over the row version it was read at; when
    // another workstation changed or deleted it since, the user chooses.
    // False when nothing was written (the entry stays on screen).
    bool updateChecked(BallRecord ball);

    Services services_;
    BallStore& balls_;
    BallPanel& panel_;
    CurrentCustomer customer_;
    BallListQuery req_mat;
    // The working ball line number: the customer's highest line number
    // after a ball list load, the open ball's line, or a new ball's.
    int txtmat_lg = 0;
    // The open ball as it was read (none for a new ball): what the entry
    // started from.
    std::optional<BallRecord> opened_;
    // The record as it was opened (or started empty), to tell a typed entry.
    BallRecord entryAtStart_;
    bool checking_ = false;
    bool writingBag_ = false;
};

} // namespace vdn
