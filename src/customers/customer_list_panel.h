#pragma once

#include "customers/customer_store.h"

#include <QWidget>

#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vdn {

class CustomerListModel;

// The customer list panel Frame200: the name search, the customer grid and
// the buttons of "Votre choix". It runs the queries it is given and reports
// what the user does; the window decides what follows.
class CustomerListPanel : public QWidget {
    Q_OBJECT
public:
    CustomerListPanel(CustomerStore& store, QWidget* parent = nullptr);

    // Points the grid at a query; on failure the grid keeps what it showed.
    // The first row, if any, becomes the current row.
    Status runQuery(const CustomerQuery& query);
    // The same with one customer shown whatever the query (see
    // CustomerListModel::setQueryShowing), as the current row.
    Status runQueryShowing(const CustomerQuery& query, const QString& code);
    // The query the grid shows.
    const CustomerQuery& shownQuery() const;
    // Column Code of the grid's current row; nothing when there is none.
    std::optional<QString> currentCode() const;

    // Empties the search box without running a search.
    void clearSearch();
    // Drops the grid's rows.
    void release();

    CustomerListModel* model() const { return model_; }

signals:
    void searchChanged(const QString& typed);
    void headingClicked(vdn::CustomerColumn column);
    void rowClicked(const QString& code);
    // The buttons of "Votre choix": cmdajout, cmdsupprime, cmdimp, cmdexcel.
    void newCustomerClicked();
    void deleteCustomerClicked();
    void printClicked();
    void exportClicked();

private:
    int currentColumn() const;

    QLabel* Label1 = nullptr;
    QLineEdit* selnom = nullptr;
    QGroupBox* gridGroup = nullptr; // "LES CLIENTS"
    QTableView* DBGrid1 = nullptr;
    QGroupBox* choiceGroup = nullptr; // "Votre choix"
    QPushButton* cmdajout = nullptr;
    QPushButton* cmdsupprime = nullptr;
    QPushButton* cmdimp = nullptr;
    QPushButton* cmdexcel = nullptr;

    CustomerStore& store_;
    CustomerListModel* model_ = nullptr;
};

} // namespace vdn
