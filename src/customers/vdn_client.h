#pragma once

#include "balls/ball_store.h"
#include "customers/customer_store.h"
#include "data/connection.h"
#include "drilling/sheet_store.h"
#include "platform/services.h"

#include <QWidget>

#include <memory>
#include <optional>

namespace vdn {

class BallActions;
class BallPanel;
class CustomerListPanel;
class CustomerRecordPanel;
class DrillingSheetPanel;

// The customer window "Gestion des Clients". It stacks four panels in one
// place and shows one at a time: the customer list Frame200, the customer
// record Frame100, the ball panel Frame300 and the drilling sheet Frame400.
// It holds what they share: the connection and its stores, the current
// customer (the text of Txtcod), the list queries and the ball query, and it
// moves between the panels.
class VdnClient : public QWidget {
    Q_OBJECT
public:
    enum class Panel { List, Record, Balls, Sheet };

    explicit VdnClient(const Services& services, QWidget* parent = nullptr);
    ~VdnClient() override;

    // Opens the window's connection, lists every customer by name and shows
    // the list.
    void load();
    // Back to the full customer list (search cleared), leaving any entry.
    void retour_liste();
    // Closes the window, whatever panel it shows.
    void ferme_fenetre();
    // The record's cancel: every customer by name, back to the list panel;
    // the search text, the queries and the record mode stay as they are.
    void cancel();
    // Shows one panel and hides the others, at the window's usual height.
    void showPanel(Panel panel);

    // Loads a customer into the record panel and the summary.
    void affiche_client(const CustomerRecord& customer);
    // The ball list load: working line number and ball query of the current
    // customer with the chosen status filter.
    void loadBallList();
    // Shows the drilling sheet entry that fits the current customer. False
    // when the look-up failed (reported).
    bool updateSheetEntries();

    // The current customer's code: the text of Txtcod.
    QString currentCode() const;
    // The customer query the list grid runs now.
    const CustomerQuery& lastQuery() const { return req_sql; }
    // The list query without order: the current search.
    const CustomerQuery& listQuery() const { return req_clt; }
    // The query the customer list printout and export run: the current
    // search in the order the list shows it.
    const CustomerQuery& editionQuery() const { return req_edition; }
    // The ball list query (customer and status filter) without order.
    const BallListQuery& ballQuery() const { return req_mat; }
    // The working ball line number: the customer's highest line number
    // after a ball list load.
    int workingLine() const { return txtmat_lg; }
    void setWorkingLine(int line) { txtmat_lg = line; }

    const Services& services() const { return services_; }
    // The window's connection; invalid when the load could not open it.
    QSqlDatabase database() const;
    CustomerStore& customers() { return customers_; }
    BallStore& balls() { return balls_; }
    SheetStore& sheets() { return sheets_; }
    // What the ball panel's grid and ball record do.
    BallActions* ballActions() const { return ballActions_; }

    CustomerListPanel* Frame200 = nullptr;
    CustomerRecordPanel* Frame100 = nullptr;
    BallPanel* Frame300 = nullptr;
    DrillingSheetPanel* Frame400 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Empties the ball grid and the working line number after a failed load.
    void clearBallList();
    void search(const QString& typed);
    void sortDescending(CustomerColumn column);
    void selectCustomer(const QString& code);
    void newCustomer();
    void modifie_client();
    void deleteCustomer();
    // Points the list grid at a query; reports a failure.
    bool pointList(const CustomerQuery& query);
    // The customer of a code; reports a failure or a missing customer.
    std::optional<CustomerRecord> fetchCustomer(const QString& code);
    // The data-access error report, naming the operation when given.
    void report(const DataError& error, const QString& operation = {});
    void setUsualHeight();
    // Puts a drilling sheet panel working on this connection in Frame400's
    // place (the panel keeps its connection for its life).
    void installSheetPanel(QSqlDatabase db);
    // Whose sheet it is: the sigle and the name of the record panel.
    QString sheetName() const;
    // The drilling sheet entries of Frame9: create, view / modify.
    void createSheet();
    void openSheet();
    // Shows the drilling sheet panel alone, at its own height.
    void showSheetPanel();
    // Back from the drilling sheet to the ball panel, its entries brought up
    // to date (after a save and by the close box).
    void closeSheet();
    // cmdimp_mat: the customer's ball list printout, then the grid shows
    // every ball in the printout's order.
    void printBalls();
    // cmdimp: the customer list printout, then the window closes.
    void printList();
    // cmdexcel: the customer export.
    void exportList();

    Services services_;
    std::unique_ptr<Connection> connection_;
    CustomerStore customers_;
    BallStore balls_;
    SheetStore sheets_;

    CustomerQuery req_sql;
    CustomerQuery req_clt;
    CustomerQuery req_edition;
    BallListQuery req_mat;
    int txtmat_lg = 0;
    BallActions* ballActions_ = nullptr;
    bool closing_ = false;
};

} // namespace vdn
