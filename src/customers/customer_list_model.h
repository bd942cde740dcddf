#pragma once

#include "customers/customer_store.h"

#include <QSqlQueryModel>

namespace vdn {

// The rows of a customer list query, in the columns of CustomerColumn with
// their headings. Rows are fetched from the query as the view needs them.
class CustomerListModel : public QSqlQueryModel {
    Q_OBJECT
public:
    explicit CustomerListModel(QObject* parent = nullptr);

    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Shows the rows of an executed query.
    void setRows(QSqlQuery&& query);
    // The customer code of a row (column Code).
    QString code(int row) const;

    static QString heading(CustomerColumn column);
};

} // namespace vdn
