#pragma once

#include "balls/ball_store.h"
#include "customers/customer_store.h"
#include "data/connection.h"
#include "drilling/sheet_store.h"
#include "platform/services.h"
#include "session/current_customer.h"
#include "session/record_mode.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace vdn {

class BallController;
class BallPanel;
class CustomerListController;
class CustomerListPanel;
class CustomerRecordController;
class CustomerRecordPanel;
class DrillingSheetPanel;

// The customer window "Gestion des Clients". It stacks four panels in one
// place and shows one at a time: the customer list Frame200, the customer
// record Frame100, the ball panel Frame300 and the drilling sheet Frame400.
// It holds what they share: the connection and its stores, the record mode
// of the customer record and the drilling sheet, and the current customer.
// A selection makes current the record the store fetched; a code the record
// panel signals (typed, formatted, moved by a save) becomes the current code.
// The window tells the controllers and panels that act on the customer;
// none of them asks it back, from a grid or a box. Each panel's own work is
// done by the panel's controller; the window moves between the panels.
class VdnClient : public QWidget {
    Q_OBJECT
public:
    enum class Panel { List, Record, Balls, Sheet };

    explicit VdnClient(const Services& services, QWidget* parent = nullptr);
    ~VdnClient() override;

    // Opens the window's connection, lists every customer by name and shows
    // the list.
    void load();
    // Back to the full customer list (search cleared), leaving any entry.
    void retour_liste();
    // Customers were imported: the list is read again with its search as it
    // stands, the first one imported (this code) shown and current.
    void showImported(const QString& code);
    // Closes the window, whatever panel it shows.
    void ferme_fenetre();
    // The record's cancel: every customer by name, back to the list panel;
    // the search text, the queries and the record mode stay as they are.
    void cancel();
    // What became of an entry that differs from what is stored.
    enum class EntryOutcome {
        None,  // nothing typed, or the entry dropped: the caller goes on
        Saved, // validated through the panel's own button
        Kept,  // Annuler, or a validation that refused: the entry stays
    };
    // Which entries settleEntry() asks about: the panel shown only (the
    // close box steps back one panel), or every entry the window holds (the
    // window goes: quit, restore), such as a ball being typed under the
    // drilling sheet.
    enum class Reach { Shown, Everything };
    // An entry differing from what is stored asks "Enregistrer les
    // modifications de ... ?" (Oui / Non / Annuler), the sheet's before the
    // ball's under it. Every way this window's entries go (the close box of
    // the record, the sheet or the ball panel, the program's end) leaves
    // them unsaved, so Enter answers Non and Escape Annuler.
    EntryOutcome settleEntry(Reach reach = Reach::Shown);
    // Shows one panel and hides the others, at the window's usual height.
    void showPanel(Panel panel);
    // The panel the window shows.
    Panel shownPanel() const;

    // The customer the window works on: the one Txtcod shows.
    const CurrentCustomer& currentCustomer() const { return current_; }
    // Which entry, of the customer record or the drilling sheet, is under
    // way.
    const RecordMode& recordMode() const { return mode_; }
    QString currentCode() const { return current_.code; }
    // The customer query the list grid runs now.
    const CustomerQuery& lastQuery() const;
    // The query the customer list printout and export run: the current
    // search in the order the list shows it.
    const CustomerQuery& editionQuery() const;

    const Services& services() const { return services_; }
    // The window's connection; invalid when the load could not open it.
    QSqlDatabase database() const;
    CustomerStore& customers() { return customers_; }
    BallStore& balls() { return balls_; }
    SheetStore& sheets() { return sheets_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The question about one entry, when `unsaved`; Oui validates it.
    EntryOutcome settle(const QString& what, const std::function<bool()>& unsaved,
                        const std::function<void()>& validate);
    // The ball being typed in the ball panel's record, shown or not.
    EntryOutcome settleBallEntry();
    // Makes a customer the current one and tells whoever acts on it.
    void setCurrent(const CurrentCustomer& customer);
    // Txtcod shows another code (typed, formatted, moved by a save): the
    // current customer takes it; its name and state stay those the record
    // panel shows.
    void followCode(const QString& code);
    // Loads a customer into the record panel and the summary, and makes it
    // the current one.
    void affiche_client(const CustomerRecord& customer);
    // Shows the drilling sheet entry that fits the current customer. False
    // when the look-up failed (reported).
    bool updateSheetEntries();
    void selectCustomer(const QString& code);
    void newCustomer();
    void modifie_client();
    // The customer of a code; reports a failure or a missing customer.
    std::optional<CustomerRecord> fetchCustomer(const QString& code);
    // The data-access error report, naming the operation when given.
    void report(const DataError& error, const QString& operation = {});
    void setUsualHeight();
    // Puts a drilling sheet panel working on this connection in Frame400's
    // place (the panel keeps its connection for its life).
    void installSheetPanel(QSqlDatabase db);
    // The drilling sheet entries of Frame9: create, view / modify.
    void createSheet();
    void openSheet();
    // Shows the drilling sheet panel alone, at its own height.
    void showSheetPanel();
    // Back from the drilling sheet to the ball panel, its entries brought up
    // to date (after a save and by the close box).
    void closeSheet();
    // cmdimplantation: the layout window of the open ball, with the
    // customer's hand and PAP, modal to this window.
    void openLayout();

    Services services_;
    std::unique_ptr<Connection> connection_;
    CustomerStore customers_;
    BallStore balls_;
    SheetStore sheets_;
    CurrentCustomer current_;
    RecordMode mode_;

    CustomerListPanel* Frame200 = nullptr;
    CustomerRecordPanel* Frame100 = nullptr;
    BallPanel* Frame300 = nullptr;
    DrillingSheetPanel* Frame400 = nullptr;
    CustomerListController* listController_ = nullptr;
    CustomerRecordController* recordController_ = nullptr;
    BallController* ballController_ = nullptr;
    bool closing_ = false;
};

} // namespace vdn
