#pragma once

#include "printing/print_job.h"
#include "session/report_rows.h"

#include <QString>

namespace vdn {

// The title the job carries in the print queue.
inline const QString CustomerListTitle = QStringLiteral("VORDAN - Liste des clients");

// The customer list printout (the list panel's print button): one framed
// block of two lines per customer (code and name, postal address, telephone,
// fax, e-mail; an empty field prints nothing) under the customer list header,
// on landscape pages of 15 blocks, then 14 on later pages. Each text is cut at
// a whole character 100 twips before the next item of its line (or the
// block's right edge), so that nothing prints over its neighbour.
//
// `rows` are the customers in the list's order. A list that could not be
// read is reported as the job's failure. An empty list shows "Aucun client
// à imprimer" and prints nothing. The header carries vdn::shop_name.
//
// The caller closes the customer window afterwards, whatever the outcome.
PrintOutcome printCustomerList(CustomerRows& rows, const Services& services, QWidget* owner);

// The same on any page writer (tests record the pages).
PrintOutcome printCustomerList(CustomerRows& rows, PageWriter& out, const Services& services,
                               QWidget* owner);

} // namespace vdn
