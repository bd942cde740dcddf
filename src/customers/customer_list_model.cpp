#include "customers/customer_list_model.h"

#include <QScopedValueRollback>

#include <array>

namespace vdn {

namespace {
const std::array<QString, CustomerColumnCount> Headings{
    QStringLiteral("Code"),  QStringLiteral("Nom"),          QStringLiteral("Adresse"), QString(),
    QStringLiteral("Ville"), QStringLiteral("N° Téléphone"), QStringLiteral("N° GSM"),  QString(),
};
} // namespace

CustomerListModel::CustomerListModel(const CustomerStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store) {}

QString CustomerListModel::heading(CustomerColumn column) {
    return Headings.at(static_cast<std::size_t>(column));
}

Status CustomerListModel::setQuery(const CustomerQuery& query) {
    Result<QList<CustomerListRow>> first = store_.page(query, 0, PageSize);
    if (!first)
        return first.error();
    beginResetModel();
    query_ = query;
    rows_ = std::move(*first);
    complete_ = rows_.size() < PageSize;
    headComplete_ = true;
    endResetModel();
    return {};
}

void CustomerListModel::clear() {
    beginResetModel();
    rows_.clear();
    complete_ = true;
    headComplete_ = true;
    endResetModel();
}

void CustomerListModel::showEnd() {
    if (complete_ || fetching_)
        return;
    Result<QList<CustomerListRow>> last = store_.pageFromEnd(query_, 0, PageSize);
    if (!last) {
        emit fetchFailed(last.error());
        return;
    }
    beginResetModel();
    rows_ = std::move(*last);
    complete_ = true;
    headComplete_ = rows_.size() < PageSize;
    endResetModel();
}

int CustomerListModel::fetchEarlier() {
    if (headComplete_ || fetching_)
        return 0;
    const QScopedValueRollback<bool> busy(fetching_, true);
    Result<QList<CustomerListRow>> before = store_.pageFromEnd(query_, int(rows_.size()), PageSize);
    if (!before) {
        headComplete_ = true;
        emit fetchFailed(before.error());
        return 0;
    }
    headComplete_ = before->size() < PageSize;
    if (before->isEmpty())
        return 0;
    const int n = int(before->size());
    beginInsertRows(QModelIndex(), 0, n - 1);
    before->append(rows_);
    rows_ = std::move(*before);
    endInsertRows();
    return n;
}

QString CustomerListModel::code(int row) const {
    if (row < 0 || row >= rows_.size())
        return QString();
    return rows_.at(row)[static_cast<std::size_t>(CustomerColumn::Code)].toString();
}

int CustomerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int CustomerListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : CustomerColumnCount;
}

QVariant CustomerListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return rows_.at(index.row())[std::size_t(index.column())];
}

QVariant CustomerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < CustomerColumnCount)
        return heading(static_cast<CustomerColumn>(section));
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool CustomerListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !complete_ && !fetching_;
}

void CustomerListModel::fetchMore(const QModelIndex& parent) {
    // Views may ask again while the rows of this page are being announced.
    if (parent.isValid() || complete_ || fetching_)
        return;
    const QScopedValueRollback<bool> busy(fetching_, true);
    Result<QList<CustomerListRow>> next = store_.page(query_, int(rows_.size()), PageSize);
    if (!next) {
        complete_ = true;
        emit fetchFailed(next.error());
        return;
    }
    complete_ = next->size() < PageSize;
    if (next->isEmpty())
        return;
    const int first = int(rows_.size());
    beginInsertRows(QModelIndex(), first, first + int(next->size()) - 1);
    rows_.append(*next);
    endInsertRows();
}

} // namespace vdn
