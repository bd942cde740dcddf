#include "customers/customer_list_controller.h"

#include "customers/customer_list_model.h"
#include "customers/customer_list_panel.h"
#include "platform/message_boxes.h"
#include "printing/customer_export.h"
#include "printing/customer_list_printout.h"
#include "session/error_box.h"
#include "widgets/long_task.h"

#include <QSqlQuery>

namespace vdn {

CustomerListController::CustomerListController(const Services& services, CustomerStore& customers,
                                               BallStore& balls, CustomerListPanel& panel,
                                               QObject* parent)
    : QObject(parent), services_(services), customers_(customers), balls_(balls), panel_(panel) {
    connect(&panel, &CustomerListPanel::searchChanged, this, &CustomerListController::search);
    connect(&panel, &CustomerListPanel::headingClicked, this,
            &CustomerListController::sortDescending);
    connect(&panel, &CustomerListPanel::deleteCustomerClicked, this,
            &CustomerListController::deleteCustomer);
    connect(&panel, &CustomerListPanel::printClicked, this, &CustomerListController::printList);
    connect(&panel, &CustomerListPanel::exportClicked, this, &CustomerListController::exportList);
    // Reported once the view has finished asking for rows.
    connect(
        panel.model(), &CustomerListModel::fetchFailed, this,
        [this](const DataError& error) {
            report(error, QStringLiteral("Lecture de la liste des clients"));
        },
        Qt::QueuedConnection);
}

void CustomerListController::report(const DataError& error, const QString& operation) {
    erreur_donnees(error, services_, panel_.window(), operation);
}

bool CustomerListController::pointList(const CustomerQuery& query) {
    const Status s = panel_.runQuery(query);
    if (!s) {
        report(s.error());
        return false;
    }
    req_sql = query;
    return true;
}

void CustomerListController::showEveryoneAfresh() {
    panel_.clearSearch();
    req_clt = CustomerQuery::all().unordered();
    req_edition = CustomerQuery::all();
    pointList(CustomerQuery::all());
}

void CustomerListController::showEveryone() {
    pointList(CustomerQuery::all());
}

void CustomerListController::showAdded(const QString& code) {
    const CustomerQuery shown = panel_.shownQuery();
    if (const Status s = panel_.runQueryShowing(shown, code); !s)
        report(s.error());
}

bool CustomerListController::showOnly(const QString& code) {
    return pointList(CustomerQuery::one(code));
}

void CustomerListController::search(const QString& typed) {
    req_clt = CustomerQuery::search(typed).unordered();
    req_edition = req_clt.byName();
    pointList(req_edition);
}

void CustomerListController::sortDescending(CustomerColumn column) {
    // Always Z to A, within the current search. The printout and the export
    // list the customers in the order the list shows them.
    req_edition = req_clt.descendingBy(column);
    pointList(req_edition);
}

void CustomerListController::deleteCustomer() {
    const std::optional<QString> code = panel_.currentCode();
    if (!code)
        return;
    emit customerChosen(*code);
    if (!services_.boxes->question(panel_.window(),
                                   QStringLiteral("Etes-vous sûr de vouloir supprimer la "
                                                  "fiche : ") +
                                       *code + QStringLiteral(" et son matériel ? "))) {
        emit deleteEnded();
        return;
    }
    const CustomerQuery before = panel_.shownQuery();
    if (!showOnly(*code))
        return;
    const bool keep = services_.boxes->question(
        panel_.window(), QStringLiteral("Voulez-vous conserver la fiche pour de la consultation "
                                        "du matériel ? "));
    const Status done =
        keep ? customers_.markDeleted(*code) : customers_.removeWithBalls(*code, balls_);
    if (!done) {
        report(done.error());
        pointList(before);
        return;
    }
    emit deleteEnded();
}

void CustomerListController::printList() {
    {
        // Closes asked during the printout wait for its end.
        const LongTask task;
        // Read and released before the window goes.
        Result<std::unique_ptr<CustomerRows>> rows = customers_.printoutRows(req_edition);
        if (rows)
            printCustomerList(**rows, services_, panel_.window());
        else
            report(rows.error());
    }
    // Done, cancelled or failed: the window closes.
    emit closeRequested();
}

void CustomerListController::exportList() {
    // Closes asked during the task, or its end message, wait for its end.
    const LongTask task;
    Result<std::unique_ptr<CustomerRows>> rows = customers_.printoutRows(req_edition);
    if (!rows) {
        report(rows.error());
        return;
    }
    exportCustomerList(**rows, services_, panel_.window());
}

} // namespace vdn
