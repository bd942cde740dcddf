#pragma once

#include "printing/print_job.h"

#include <QString>

class QSqlQuery;

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
// `balls` is an executed forward-only query of one customer's strmateriel
// rows, by the value of the bag number then by line number (the ball store's
// printout rows); MAT_SAC, mat_marque, mat_boule,
// mat_serie, mat_layout, mat_rg, mat_diff, mat_noyau, mat_length, mat_hook
// and mat_surface1 are read by name. `customerName` is the customer's display
// name (title and name joined by a blank, trimmed). A query that failed is
// reported as the job's failure; no ball shows "Aucune boule pour ce joueur"
// and prints nothing.
PrintOutcome printBallList(QSqlQuery& balls, const QString& customerName, const Services& services,
                           QWidget* owner);

// The same on any page writer (tests record the pages).
PrintOutcome printBallList(QSqlQuery& balls, const QString& customerName, PageWriter& out,
                           const Services& services, QWidget* owner);

} // namespace vdn
