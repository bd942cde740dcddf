#include "reference/param_values_model.h"

namespace vdn {

void ParamValuesModel::setValues(const QStringList& values) {
    beginResetModel();
    values_ = values;
    endResetModel();
}

int ParamValuesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(values_.size());
}

int ParamValuesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ParamValuesModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (index.column() == ValeursPossibles && (role == Qt::DisplayRole || role == Qt::EditRole))
        return values_.at(index.row());
    return {};
}

QVariant ParamValuesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section == ValeursPossibles ? QVariant(QStringLiteral("Valeurs Possibles"))
                                           : QVariant();
    return section + 1;
}

} // namespace vdn
