#pragma once

#include "data/data_error.h"

#include <QString>

namespace vdn {

struct StartupInfo {
    QString chemin_app;      // the program's folder
    QString pathFile;        // the CHEMIN.QZ that was read
    QString chemin_base;     // its first line, trimmed
    QString chemin_fichiers; // with a server database, its second line
    QString shopCode, shopName, licence;
    QString title;
};

// The main window's title, with its exact blanks.
QString mainTitle(const QString& shopName, const QString& licence);

// Start-up: find and read CHEMIN.QZ, open the database (never creating it),
// read the shop identity from the first strspecif row and close it again.
Result<StartupInfo> startUp(const QString& programFolder, const QString& configFolder);

} // namespace vdn
