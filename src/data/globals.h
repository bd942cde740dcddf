#pragma once

#include <QString>

// The few values that are global by nature: the record-mode flags shared by the
// customer record and the drilling sheet, and what start-up read.
namespace vdn {

// True while a new record (customer or drilling sheet) is being created.
extern bool en_ajout;
// True while an existing record (customer or drilling sheet) is being modified.
extern bool en_modif;
// Prefix of the database file name, first line of CHEMIN.QZ, trimmed.
extern QString chemin_base;
// Shop name from strspecif, shown in the title and on printed pages.
extern QString shop_name;

// The database file: chemin_base followed directly by "vordan.mdb".
QString databasePath(const QString& base);
inline QString databasePath() {
    return databasePath(chemin_base);
}

} // namespace vdn
