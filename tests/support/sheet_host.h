#pragma once

#include "drilling/drilling_sheet_panel.h"

#include <QPushButton>
#include <QVariantMap>
#include <QWidget>

namespace vdn::test {

// A stand-in for the customer window around the drilling sheet panel: a ball
// panel Frame300 with the two sheet entries of Frame9, the panel Frame400, and
// the window's side of the panel's signals (heights, panel switching, entries
// brought up to date, cancel action counted).
class SheetHost {
public:
    SheetHost(const Services& services, QSqlDatabase db);

    // The customer shown on the ball panel.
    void setCustomer(const QString& code, const QString& name, const QString& state);
    // Shows the entry matching whether the customer has a sheet.
    void refreshEntries();
    // The customer `code` (any name, no state) shown, then a click on the
    // entry that creates the sheet.
    void startNewSheet(const QString& code);
    // Shows the window and waits until it is active (focus-out rules need it).
    bool showActive();
    // The window's close box while the sheet is open: back to the ball panel.
    void closeSheet();

    QWidget window;
    QWidget* Frame300;
    QPushButton* cmdajout_fiche;
    QPushButton* cmdmodif_fiche;
    DrillingSheetPanel* panel;
    int cancelActions = 0;
    int saves = 0;

private:
    void showPanel();

    QSqlDatabase db_;
    QString code_;
    QString name_;
    QString state_;
};

// Writes a strpercage row directly, with only the given fields (the others
// stay null, as a row written by another program may have them).
bool insertSheetRow(QSqlDatabase db, const QString& code, const QVariantMap& fields);

// The stored sheet row of a code as field -> value (its fields, not the row
// version the program counts with), empty when there is none.
QVariantMap sheetRow(QSqlDatabase db, const QString& code);

} // namespace vdn::test
