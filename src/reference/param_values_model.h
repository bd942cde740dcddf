#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace vdn {

// The values of one reference table, one row each, as the maintenance grid
// shows them. Read-only.
class ParamValuesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ValeursPossibles = 0, ColumnCount };

    explicit ParamValuesModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setValues(const QStringList& values);
    const QStringList& values() const { return values_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList values_;
};

} // namespace vdn
