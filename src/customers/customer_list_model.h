#pragma once

#include "customers/customer_store.h"

#include <QAbstractTableModel>

namespace vdn {

// The rows of a customer list query, in the columns of CustomerColumn with
// their headings. Rows come from the store a page at a time, as the view
// scrolls down to them; no read is left open on the database in between.
class CustomerListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // A little more than the grid shows at its usual height: the window's
    // load and each keystroke of the search read only these rows (a name
    // search through the name index stops there; a number search that reads
    // that index in order scans a quarter of what 256 rows would need).
    static constexpr int PageSize = 64;

    explicit CustomerListModel(const CustomerStore& store, QObject* parent = nullptr);

    // Shows the first page of a query. On failure the rows shown stay. When
    // the page is the very rows shown (a blank typed after a number, a
    // letter that finds the same customers), they stay without a reset:
    // the grid has nothing to repaint.
    Status setQuery(const CustomerQuery& query);
    // The same, with one customer shown whatever the query: in its place
    // when the first page holds it, else in front of the query's rows (and
    // not again where the query puts it). Returns its row, -1 when there is
    // no such customer.
    Result<int> setQueryShowing(const CustomerQuery& query, const QString& code);
    const CustomerQuery& query() const { return query_; }
    // Drops every row.
    void clear();
    // Shows the end of the list: its last page, read from the end, so that
    // the rows in between are not read. Nothing is read when the last row
    // is shown already. A failure is told by fetchFailed(); the rows shown
    // stay.
    void showEnd();
    // Whether rows come before the first row shown (after showEnd()), read
    // by fetchEarlier() as the view scrolls up to them.
    bool canFetchEarlier() const { return !headComplete_; }
    // Puts the page before the first row shown in front of it; returns how
    // many rows came. A failure is told by fetchFailed().
    int fetchEarlier();
    // The customer code of a row (column Code).
    QString code(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    static QString heading(CustomerColumn column);

signals:
    // A further page could not be read; the list stops where it is.
    void fetchFailed(const vdn::DataError& error);

private:
    const CustomerStore& store_;
    CustomerQuery query_;
    QList<CustomerListRow> rows_;
    int read_ = 0;             // rows of the query read (the customer in front is not one)
    QString front_;            // the code of the customer shown in front of the query's rows
    bool complete_ = true;     // no row after the last one shown
    bool headComplete_ = true; // no row before the first one shown
    bool fetching_ = false;
};

} // namespace vdn
