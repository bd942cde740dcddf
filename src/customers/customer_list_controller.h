#pragma once

#include "balls/ball_store.h"
#include "customers/customer_store.h"
#include "platform/services.h"

#include <QObject>

namespace vdn {

class CustomerListPanel;

// The work of the customer list panel Frame200: the name search, the sort by
// a column, the delete of a customer with its balls, the list printout and
// the export, and the list queries they share (req_sql, req_clt,
// req_edition). What follows on the window it asks for through its signals.
class CustomerListController : public QObject {
    Q_OBJECT
public:
    CustomerListController(const Services& services, CustomerStore& customers, BallStore& balls,
                           CustomerListPanel& panel, QObject* parent = nullptr);

    // Every customer by name, the search box emptied: the window's load and
    // its way back to the list.
    void showEveryoneAfresh();
    // Every customer by name; the search text and the other queries stay.
    void showEveryone();
    // Only this customer, as while a delete asks whether to keep the
    // customer. False when the list could not be read (reported).
    bool showOnly(const QString& code);
    // After customers were added or completed elsewhere (an import): the
    // list read again as it stands (search text, search and order kept),
    // with this customer shown and current even where the search would not
    // find it.
    void showAdded(const QString& code);

    // The customer query the list grid runs now.
    const CustomerQuery& lastQuery() const { return req_sql; }
    // The query the customer list printout and export run: the current
    // search in the order the list shows it.
    const CustomerQuery& editionQuery() const { return req_edition; }

signals:
    // cmdsupprime chose this customer: it becomes the current one.
    void customerChosen(const QString& code);
    // The delete is over, done or declined: the window goes back to the
    // full list.
    void deleteEnded();
    // The list printout ended, however it ended: the window closes.
    void closeRequested();

private:
    void search(const QString& typed);
    void sortDescending(CustomerColumn column);
    void deleteCustomer();
    void printList();
    void exportList();
    // Points the list grid at a query; reports a failure.
    bool pointList(const CustomerQuery& query);
    void report(const DataError& error, const QString& operation = {});

    Services services_;
    CustomerStore& customers_;
    BallStore& balls_;
    CustomerListPanel& panel_;
    CustomerQuery req_sql;
    CustomerQuery req_clt;
    CustomerQuery req_edition;
};

} // namespace vdn
