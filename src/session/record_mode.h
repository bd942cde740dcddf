#pragma once

namespace vdn {

// The record mode the customer record and the drilling sheet share: which
// entry, if any, is under way. The customer window owns the one instance and
// hands it to the record controller and to the sheet panel; the new and
// modify actions of both set it, the customer's code check runs only while
// one flag is set, and the window clears it when it loads and when it goes
// back to the list.
struct RecordMode {
    // True while a new record (customer or drilling sheet) is being created.
    bool en_ajout = false;
    // True while an existing record (customer or drilling sheet) is being
    // modified.
    bool en_modif = false;

    bool entering() const { return en_ajout || en_modif; }
    void startCreate() {
        en_ajout = true;
        en_modif = false;
    }
    void startModify() {
        en_ajout = false;
        en_modif = true;
    }
    void clear() {
        en_ajout = false;
        en_modif = false;
    }
};

} // namespace vdn
