#pragma once

#include "balls/ball_store.h"

#include <QAbstractTableModel>

#include <optional>

namespace vdn {

// The ball grid's rows: a customer's balls read in full (they are a few
// dozen at most), so that no read stays open on the database. Only the
// "Sac" column can be edited; the edited value waits in the model until the
// grid writes it, when the user leaves the row.
class BallListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows these rows instead of the ones shown; any waiting bag number is
    // dropped (write it first).
    void setRows(QList<BallRow> rows);
    const QList<BallRow>& rows() const { return rows_; }
    const BallRow& row(int r) const { return rows_.at(r); }

    // The row whose bag number was edited and not written yet.
    std::optional<int> pendingRow() const { return pending_; }
    // The bag number was written: nothing waits any more.
    void clearPending() { pending_.reset(); }
    // The bag number was written over the row's version, which went one up.
    void bagWritten();
    // The row as another workstation left it (read again after a change
    // made elsewhere); nothing waits on it any more.
    void replaceRow(int r, BallRow row);
    // The bag number could not be written: the row shows its stored value.
    void revertPending();
    // The bag number typed waits again in its row, over the row as shown:
    // the user keeps it on screen after a question.
    void keepPending(int r, const QString& typed);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    static QString heading(BallColumn column);

private:
    QList<BallRow> rows_;
    std::optional<int> pending_;
    QString storedBag_; // the pending row's bag number as stored
};

} // namespace vdn
