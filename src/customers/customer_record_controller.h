#pragma once

#include "customers/customer_store.h"
#include "platform/services.h"

#include <QObject>

namespace vdn {

class CustomerRecordPanel;

// The work of the customer record panel Frame100: the code check on leaving
// Txtcod and the validation, which checks the entry and writes the customer
// shown through the customer store. It acts on the customer whose code the
// panel's Txtcod shows, which the window keeps as its current customer. What
// follows on the window (back to the list) it asks for through its signal.
class CustomerRecordController : public QObject {
    Q_OBJECT
public:
    CustomerRecordController(const Services& services, CustomerStore& customers,
                             CustomerRecordPanel& panel, QObject* parent = nullptr);

    // cmdvalide: checks the entry and writes the customer.
    void validate();
    // Leaving Txtcod during an entry: the code on six digits, and a new
    // customer's code must not be taken.
    void codeCheck();

signals:
    // The validation ended (written, or refused for good): back to the list.
    void cancelRequested();

private:
    // Shows the refusal with the usual pointer, then puts the focus back on
    // the box to mend, if any.
    using FocusCall = void (CustomerRecordPanel::*)();
    void refuse(const QString& message, FocusCall focus);

    Services services_;
    CustomerStore& customers_;
    CustomerRecordPanel& panel_;
};

} // namespace vdn
