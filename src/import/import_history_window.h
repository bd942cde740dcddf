#pragma once

#include "import/import_history.h"
#include "platform/services.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace vdn {

// "Historique des importations": every import of customers, newest first,
// and "Annuler cette importation" for the one chosen.
class ImportHistoryWindow : public QDialog {
    Q_OBJECT
public:
    ImportHistoryWindow(const Services& services, QSqlDatabase db, QWidget* parent = nullptr);

    // Reads the history again; false when it cannot (reported).
    bool reload();
    // Undoes the chosen import after asking.
    void undoChosen();

signals:
    // Customers were removed: lists showing customers read them again.
    void customersRemoved();

private:
    void choiceChanged();

    const Services& services_;
    QSqlDatabase db_;
    QList<ImportEntry> entries_;
    QTableWidget* grdimports = nullptr;
    QPushButton* cmdannuler_import = nullptr;
    QPushButton* cmdfermer = nullptr;
};

} // namespace vdn
