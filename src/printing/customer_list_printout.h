#pragma once

#include "printing/print_job.h"

#include <QString>

class QSqlQuery;

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
// `rows` is the executed customer list query, forward-only, in the list's
// order; the fields clt_cod, clt_nom, clt_ad1, clt_ad2, clt_ad3, clt_cp,
// clt_vil, clt_tel, clt_fax and clt_mail are read by name. A query that
// failed is reported as the job's failure. An empty list shows "Aucun client
// à imprimer" and prints nothing. The header carries vdn::shop_name.
//
// The caller closes the customer window afterwards, whatever the outcome.
PrintOutcome printCustomerList(QSqlQuery& rows, const Services& services, QWidget* owner);

// The same on any page writer (tests record the pages).
PrintOutcome printCustomerList(QSqlQuery& rows, PageWriter& out, const Services& services,
                               QWidget* owner);

} // namespace vdn
