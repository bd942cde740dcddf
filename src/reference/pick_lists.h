#pragma once

#include "data/data_error.h"
#include "reference/param_store.h"

#include <QList>

class QComboBox;
class QWidget;

namespace vdn {

struct Services;

// Makes a combo box a pick list: editable, text kept exactly as typed (no
// completer, nothing inserted into the list, no case fixing on focus-out).
void configurePickList(QComboBox* combo);

// Fills one or more pick lists with the values of one code, in the query's
// order, and sets each one's text to the first value. A code with no value at
// all is a failure: there is no first value to show.
Status fillPickLists(const ParamStore& store, int code, ListOrder order,
                     const QList<QComboBox*>& combos);

// Pick lists of several codes in French order, their values read in one
// statement; each as fillPickLists(store, code, ListOrder::Text, combos).
struct PickListFill {
    int code;
    QList<QComboBox*> combos;
    ListOrder order = ListOrder::Text;
};
Status fillTextPickLists(const ParamStore& store, const QList<PickListFill>& fills);
// Pick lists of several codes, each in its own order, their values read in
// one statement; each as fillPickLists(store, code, order, combos).
Status fillPickLists(const ParamStore& store, const QList<PickListFill>& fills);

// One pick list examined by the reference value check.
struct CheckedPickList {
    QComboBox* combo;
    int code;            // registration code
    QString promptLabel; // starts the question
    int cutLength;       // characters shown and registered; 0 = whole text
};

enum class CheckOutcome {
    Completed, // every value is known, possibly after registrations
    Declined,  // the user refused to register a value; focus is on its pick list
    Failed,    // the database failed; see the error
};

// The reference value check: each pick list in order is looked up with its
// text unchanged; an unknown value is offered for registration (cut to its
// length in the question, the registered row and the pick list). A No stops
// the check with the focus on that pick list; registrations already accepted
// stay. The known values of every list are read first, in one statement.
CheckOutcome checkReferenceValues(ParamStore& store, const QList<CheckedPickList>& lists,
                                  const Services& services, QWidget* parent,
                                  DataError* error = nullptr);

} // namespace vdn
