#pragma once

#include <QString>

// The few values that are global by nature: what start-up read.
namespace vdn {

// Prefix of the database file name, first line of CHEMIN.QZ, trimmed; or
// the address of a server database.
extern QString chemin_base;
// Shop name from strspecif, shown in the title and on printed pages.
extern QString shop_name;

// With a server database: the folder of the files VORDAN keeps beside the
// database (customer export, VDN_*.MDB files), the path file's second line,
// trimmed; empty when there is none.
extern QString chemin_fichiers;

// The prefix of the files kept beside the database: `base` itself for an
// SQLite database; for a server database chemin_fichiers with a final "/",
// else the folder "VORDAN" of the user's documents folder, made when missing.
QString filesBase(const QString& base);
inline QString filesBase() {
    return filesBase(chemin_base);
}

// The database file: chemin_base followed directly by "vordan.mdb"; a
// server address (data/server_address.h) names its database itself.
QString databasePath(const QString& base);
inline QString databasePath() {
    return databasePath(chemin_base);
}

} // namespace vdn
