#pragma once

#include "customers/customer_store.h"
#include "platform/services.h"
#include "session/current_customer.h"
#include "widgets/changed_elsewhere.h"

#include <QObject>

namespace vdn {

class CustomerRecordPanel;
class SheetStore;
struct RecordMode;

// The names of the fields that differ between two readings of a customer,
// in their stored order, as the record's captions give them.
QStringList changedCustomerFields(const CustomerRecord& before, const CustomerRecord& now);
// Every field of a customer as shown, typed and stored, in the stored order.
QList<FieldReadings> customerReadings(const CustomerRecord& shown, const CustomerRecord& typed,
                                      const CustomerRecord& stored);
// Told after a new customer was saved under another code than the one
// proposed, which another workstation took meanwhile.
QString movedCodeMessage(const QString& proposed, const QString& used);

// The work of the customer record panel Frame100: the code check on leaving
// Txtcod and the validation, which checks the entry and writes the customer
// shown through the customer store. The window tells it the current customer
// and shares with it the record mode (new or modified entry). What follows on
// the window (back to the list) it asks for through its signal.
class CustomerRecordController : public QObject {
    Q_OBJECT
public:
    CustomerRecordController(const Services& services, CustomerStore& customers,
                             const SheetStore& sheets, CustomerRecordPanel& panel,
                             const RecordMode& mode, QObject* parent = nullptr);

    // The customer the entry is about, as the window holds it.
    void setCustomer(const CurrentCustomer& customer) { customer_ = customer; }

    // The code proposed for a new customer. Left as it is, it moves to the
    // next free code when another workstation takes it meanwhile; a code the
    // user typed never moves.
    void setProposedCode(const QString& code) { proposedCode_ = code; }

    // cmdvalide: checks the entry and writes the customer.
    void validate();
    // Leaving Txtcod during an entry: the code on six digits, and a new
    // customer's code must not be taken.
    void codeCheck();

signals:
    // The entry is over: the customer was written, or the validation refused
    // it for good (a deleted or vanished customer). The window goes back to
    // the list.
    void entryEnded();

private:
    // Shows the refusal with the usual pointer, then puts the focus back on
    // the box to mend, if any.
    using FocusCall = void (CustomerRecordPanel::*)();
    void refuse(const QString& message, FocusCall focus);

    // Writes a new customer, under the next free code when the proposed one
    // was taken meanwhile; false when nothing was written.
    bool insertNew(const CustomerRecord& row);
    // Writes a changed customer over the row version it was read at; when
    // another workstation changed it since, the user chooses. False when
    // nothing was written (the entry stays on screen).
    bool updateChecked(CustomerRecord row);
    // The customer being modified is gone, deleted for good on another
    // workstation: says so and offers to save what was typed as a new
    // customer. True when the entry is over (saved so, or dropped as the
    // user chose); false when it stays on screen after a failure.
    bool keepAsNewCustomer(CustomerRecord row);

    Services services_;
    CustomerStore& customers_;
    const SheetStore& sheets_;
    CustomerRecordPanel& panel_;
    const RecordMode& mode_;
    CurrentCustomer customer_;
    QString proposedCode_;
};

} // namespace vdn
