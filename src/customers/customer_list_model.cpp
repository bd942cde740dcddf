#include "customers/customer_list_model.h"

#include <QScopedValueRollback>

#include <array>
#include <optional>

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
    if (*first == rows_ && front_.isEmpty() && headComplete_ && read_ == rows_.size() &&
        complete_ == (first->size() < PageSize)) {
        query_ = query;
        return {};
    }
    beginResetModel();
    query_ = query;
    rows_ = std::move(*first);
    read_ = int(rows_.size());
    front_.clear();
    complete_ = rows_.size() < PageSize;
    headComplete_ = true;
    endResetModel();
    return {};
}

Result<int> CustomerListModel::setQueryShowing(const CustomerQuery& query, const QString& code) {
    Result<QList<CustomerListRow>> first = store_.page(query, 0, PageSize);
    if (!first)
        return first.error();
    const auto codeOf = [](const CustomerListRow& r) {
        return r[static_cast<std::size_t>(CustomerColumn::Code)].toString();
    };
    int row = -1;
    for (int i = 0; i < first->size() && row < 0; ++i)
        if (codeOf(first->at(i)) == code)
            row = i;
    std::optional<CustomerListRow> front;
    if (row < 0 && !code.isEmpty()) {
        Result<QList<CustomerListRow>> own = store_.page(CustomerQuery::one(code), 0, 1);
        if (!own)
            return own.error();
        if (!own->isEmpty()) {
            front = own->first();
            row = 0;
        }
    }
    beginResetModel();
    query_ = query;
    read_ = int(first->size());
    complete_ = first->size() < PageSize;
    headComplete_ = true;
    rows_ = std::move(*first);
    front_.clear();
    if (front) {
        rows_.prepend(*front);
        front_ = code;
    }
    endResetModel();
    return row;
}

void CustomerListModel::clear() {
    beginResetModel();
    rows_.clear();
    read_ = 0;
    front_.clear();
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
    read_ = int(rows_.size());
    front_.clear();
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
    Result<QList<CustomerListRow>> next = store_.page(query_, read_, PageSize);
    if (!next) {
        complete_ = true;
        emit fetchFailed(next.error());
        return;
    }
    complete_ = next->size() < PageSize;
    read_ += int(next->size());
    // The customer shown in front is not listed twice.
    if (!front_.isEmpty())
        next->removeIf([this](const CustomerListRow& r) {
            return r[static_cast<std::size_t>(CustomerColumn::Code)].toString() == front_;
        });
    if (next->isEmpty())
        return;
    const int first = int(rows_.size());
    beginInsertRows(QModelIndex(), first, first + int(next->size()) - 1);
    rows_.append(*next);
    endInsertRows();
}

} // namespace vdn
