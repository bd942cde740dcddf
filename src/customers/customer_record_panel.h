#pragma once

#include "customers/customer_store.h"
#include "platform/services.h"

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vdn {

// The customer record panel Frame100: the view of one customer's entry and
// its field rules (the limits of the boxes, the VAT number box that only a
// business customer shows, the weight check). Its controls are placed from
// one table in twips. Checking the entry and writing it is the work of
// CustomerRecordController, which the panel's signals start.
class CustomerRecordPanel : public QWidget {
    Q_OBJECT
public:
    explicit CustomerRecordPanel(const Services& services, QWidget* parent = nullptr);

    // Empties every box and selects the first choice of each option group.
    // The code emptied is no change of the code: whoever clears the panel
    // knows what becomes of the current customer.
    void efface_client();
    // Clears the panel, then shows the customer: a null field keeps the
    // cleared value. Shown by the owner of the current customer, the code is
    // not signalled back as changed.
    void display(const CustomerRecord& customer);
    // The customer as the boxes show it (hand, wrist support and tariff from
    // the hidden code boxes), for the summary.
    CustomerRecord shown() const;
    // The customer as display() last showed it, with its row version: what
    // the entry started from (empty, version 0, for a new customer).
    const CustomerRecord& loaded() const { return loaded_; }
    // Takes what the boxes show as the entry's starting point.
    void markUnchanged() { baseline_ = shown(); }
    // Whether a box shows something else than at the starting point.
    bool hasChanges() const;
    // The row to write: code on six digits, name in capitals, the tariff,
    // hand and wrist support from the option buttons. The VAT number is
    // emptied first for a private customer.
    CustomerRecord ecrit_client();

    // The code the entry shows: the text of Txtcod.
    QString code() const;
    // Puts a code in Txtcod; codeChanged() tells the window.
    void setCode(const QString& code);
    // Editable for a new customer; fixed while an existing one is modified.
    void setCodeEditable(bool editable);
    // The name box's text as typed.
    QString name() const;
    // Puts the focus in the first box of the entry.
    void focusFirstField();
    // Puts the focus in the code box, or in the name box.
    void focusCode();
    void focusName();

signals:
    // cmdvalide was clicked.
    void validateClicked();
    // The user left Txtcod (not by leaving the window or hiding the panel).
    void codeLeft();
    // cmdannule: back to the list, nothing saved.
    void cancelRequested();
    // Txtcod now shows another code than the one displayed: typed, formatted
    // by the code check, or moved by a save. The window's current customer
    // follows it.
    void codeChanged(const QString& code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CustomerRecord loaded_;
    CustomerRecord baseline_;
    // Set while efface_client() or display() fill the boxes.
    bool filling_ = false;

    // The text box of each field (none for the observations), named by
    // CustomerFields.
    std::array<QLineEdit*, CustomerFieldCount> boxes_{};
    QGroupBox* addressGroup = nullptr; // "Adresse du Client"
    QRadioButton* Option1_0 = nullptr;
    QRadioButton* Option1_1 = nullptr;
    QLabel* Label4 = nullptr;
    QRadioButton* Option2_0 = nullptr;
    QRadioButton* Option2_1 = nullptr;
    QRadioButton* Option3_0 = nullptr;
    QRadioButton* Option3_1 = nullptr;
    QGroupBox* memoGroup = nullptr; // "Observations sur ce client"
    QPlainTextEdit* txtmemo = nullptr;
    QGroupBox* validationGroup = nullptr; // "Validation des modifications "
    QPushButton* cmdvalide = nullptr;
    QPushButton* cmdannule = nullptr;

    void build();
    void tariffChoice(int index);
    // Shows or hides the VAT number line; the address frame makes room for
    // it and the observations give up as much height.
    void showVatNumber(bool shown);
    void weightCheck();
    QLineEdit* box(CustomerField field) const;

    Services services_;
    QButtonGroup* Option1 = nullptr;
    QButtonGroup* Option2 = nullptr;
    QButtonGroup* Option3 = nullptr;
};

} // namespace vdn
