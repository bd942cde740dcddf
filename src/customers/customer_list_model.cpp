#include "customers/customer_list_model.h"

#include <array>

namespace vdn {

namespace {
const std::array<QString, CustomerColumnCount> Headings{
    QStringLiteral("Code"),  QStringLiteral("Nom"),          QStringLiteral("Adresse"), QString(),
    QStringLiteral("Ville"), QStringLiteral("N° Téléphone"), QStringLiteral("N° GSM"),  QString(),
};
} // namespace

CustomerListModel::CustomerListModel(QObject* parent) : QSqlQueryModel(parent) {}

QString CustomerListModel::heading(CustomerColumn column) {
    return Headings.at(static_cast<std::size_t>(column));
}

QVariant CustomerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < CustomerColumnCount)
        return heading(static_cast<CustomerColumn>(section));
    return QSqlQueryModel::headerData(section, orientation, role);
}

void CustomerListModel::setRows(QSqlQuery&& query) {
    setQuery(std::move(query));
}

QString CustomerListModel::code(int row) const {
    return data(index(row, static_cast<int>(CustomerColumn::Code))).toString();
}

} // namespace vdn
