#pragma once

#include "printing/print_job.h"
#include "session/report_rows.h"

#include <QString>

namespace vdn {

// The title the job carries in the print queue.
inline QString ballListTitle(const QString& customerName) {
    return QStringLiteral("VORDAN - Matériel de ") + customerName;
}

// Bag numbers above this value mark a history ball.
constexpr double LastCurrentBag = 100;

// The ball list printout (the ball panel's "Edition du matériel du joueur"):
// a ruled table of the customer's balls on landscape pages under the ball
// list header (23 rows on page 1, 24 on later pages). A band of column titles
// opens the table and is repeated above every history ball. Each text is cut
// at a whole character 100 twips before its column's rule (the last column
// before the table's right edge).
//
// `balls` are one customer's balls by the value of the bag number then by
// line number (the ball store's printout rows). `customerName` is the customer's display
// name (title and name joined by a blank, trimmed). A query that failed is
// reported as the job's failure; no ball shows "Aucune boule pour ce joueur"
// and prints nothing. A long printout shows its progress; "Annuler" there
// sends nothing.
PrintOutcome printBallList(BallRows& balls, const QString& customerName, const Services& services,
                           QWidget* owner);

// The same on any page writer (tests record the pages).
PrintOutcome printBallList(BallRows& balls, const QString& customerName, PageWriter& out,
                           const Services& services, QWidget* owner);

} // namespace vdn
