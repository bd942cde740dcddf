#pragma once

// The reports run on an executed query the test keeps, read as the stores
// hand rows to the windows' reports.

#include "data/ball_fields.h"
#include "data/customer_fields.h"
#include "printing/ball_list_printout.h"
#include "printing/customer_export.h"
#include "printing/customer_list_printout.h"
#include "session/query_rows.h"

namespace vdn {

// Any executed query of customer or ball rows the test keeps, read as the
// stores read theirs.
inline std::unique_ptr<CustomerRows> customerRowsOf(QSqlQuery& rows) {
    return std::make_unique<QueryRows<CustomerReportRow>>(rows, CustomerColumns);
}
inline std::unique_ptr<BallRows> ballRowsOf(QSqlQuery& rows) {
    return std::make_unique<QueryRows<BallReportRow>>(rows, BallPrintoutColumns);
}

inline Status writeCustomerExport(QSqlQuery& rows, const QString& path) {
    return writeCustomerExport(*customerRowsOf(rows), path);
}
inline ExportOutcome exportCustomerList(QSqlQuery& rows, const Services& services, QWidget* owner) {
    return exportCustomerList(*customerRowsOf(rows), services, owner);
}
inline PrintOutcome printCustomerList(QSqlQuery& rows, PageWriter& out, const Services& services,
                                      QWidget* owner) {
    return printCustomerList(*customerRowsOf(rows), out, services, owner);
}
inline PrintOutcome printCustomerList(QSqlQuery& rows, const Services& services, QWidget* owner) {
    return printCustomerList(*customerRowsOf(rows), services, owner);
}
inline PrintOutcome printBallList(QSqlQuery& balls, const QString& customerName, PageWriter& out,
                                  const Services& services, QWidget* owner) {
    return printBallList(*ballRowsOf(balls), customerName, out, services, owner);
}
inline PrintOutcome printBallList(QSqlQuery& balls, const QString& customerName,
                                  const Services& services, QWidget* owner) {
    return printBallList(*ballRowsOf(balls), customerName, services, owner);
}

} // namespace vdn
