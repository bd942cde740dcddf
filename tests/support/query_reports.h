#pragma once

// The reports run on an executed query the test keeps, read as the stores
// hand rows to the windows' reports.

#include "balls/ball_store.h"
#include "customers/customer_store.h"
#include "printing/ball_list_printout.h"
#include "printing/customer_export.h"
#include "printing/customer_list_printout.h"

namespace vdn {

inline Status writeCustomerExport(QSqlQuery& rows, const QString& path) {
    return writeCustomerExport(*CustomerStore::reportRowsOf(rows), path);
}
inline ExportOutcome exportCustomerList(QSqlQuery& rows, const Services& services, QWidget* owner) {
    return exportCustomerList(*CustomerStore::reportRowsOf(rows), services, owner);
}
inline PrintOutcome printCustomerList(QSqlQuery& rows, PageWriter& out, const Services& services,
                                      QWidget* owner) {
    return printCustomerList(*CustomerStore::reportRowsOf(rows), out, services, owner);
}
inline PrintOutcome printCustomerList(QSqlQuery& rows, const Services& services, QWidget* owner) {
    return printCustomerList(*CustomerStore::reportRowsOf(rows), services, owner);
}
inline PrintOutcome printBallList(QSqlQuery& balls, const QString& customerName, PageWriter& out,
                                  const Services& services, QWidget* owner) {
    return printBallList(*BallStore::printoutRowsOf(balls), customerName, out, services, owner);
}
inline PrintOutcome printBallList(QSqlQuery& balls, const QString& customerName,
                                  const Services& services, QWidget* owner) {
    return printBallList(*BallStore::printoutRowsOf(balls), customerName, services, owner);
}

} // namespace vdn
