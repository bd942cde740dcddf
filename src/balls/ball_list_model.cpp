#include "balls/ball_list_model.h"

#include <array>

namespace vdn {

QString BallListModel::heading(BallColumn column) {
    return QString::fromUtf8(infoOf(ballGridField(int(column))).gridHeading);
}

void BallListModel::setRows(QList<BallRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    for (BallRow& r : rows_)
        while (r.cells.size() < BallColumnCount)
            r.cells << QString();
    pending_.reset();
    endResetModel();
}

void BallListModel::revertPending() {
    if (!pending_)
        return;
    const int r = *pending_;
    pending_.reset();
    if (r < 0 || r >= rows_.size())
        return;
    rows_[r].cells[int(BallColumn::Bag)] = storedBag_;
    const QModelIndex i = index(r, int(BallColumn::Bag));
    emit dataChanged(i, i);
}

void BallListModel::keepPending(int r, const QString& typed) {
    if (r < 0 || r >= rows_.size())
        return;
    setData(index(r, int(BallColumn::Bag)), typed);
}

void BallListModel::bagWritten() {
    if (pending_ && *pending_ >= 0 && *pending_ < rows_.size())
        ++rows_[*pending_].revision;
    pending_.reset();
}

void BallListModel::replaceRow(int r, BallRow row) {
    if (pending_ == r)
        pending_.reset();
    if (r < 0 || r >= rows_.size())
        return;
    while (row.cells.size() < BallColumnCount)
        row.cells << QString();
    rows_[r] = std::move(row);
    emit dataChanged(index(r, 0), index(r, BallColumnCount - 1));
}

int BallListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int BallListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : BallColumnCount;
}

QVariant BallListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return rows_.at(index.row()).cells.value(index.column());
}

bool BallListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != int(BallColumn::Bag) ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    const int r = index.row();
    const QString typed = value.toString();
    QString& bag = rows_[r].cells[int(BallColumn::Bag)];
    if (typed == bag)
        return true;
    if (!pending_ || *pending_ != r)
        storedBag_ = bag;
    pending_ = r;
    bag = typed;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags BallListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == int(BallColumn::Bag))
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant BallListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= BallColumnCount)
        return {};
    return heading(BallColumn(section));
}

} // namespace vdn
