#pragma once

#include "data/data_error.h"
#include "printing/csv_line.h"

#include <QByteArray>
#include <QDate>
#include <QString>

class QSqlQuery;
class QWidget;

namespace vdn {

struct Services;

// The export file of a day: `base` + "Client_" + yyyymmdd + ".csv", `base`
// being the database folder prefix exactly as stored.
QString customerExportPath(const QString& base, const QDate& day);

// The first line of the export file.
inline const QString CustomerExportHeader =
    QStringLiteral("Code,Nom,Adresse1,Adresse2,Adresse3,CP,Ville,Pays,Tel,Gsm,NIC");

// Writes the header line and one line per row of `rows` (an executed,
// forward-only customer list query; clt_cod, clt_nom, clt_ad1, clt_ad2,
// clt_ad3, clt_cp, clt_vil, clt_pays, clt_tel, clt_gsm and clt_nic are read by
// name), in Windows-1252 with CR LF line ends. A file of that name is
// replaced. The file is closed on every path; after a failure it holds what
// was written so far. On SQLite the rows after the first are stepped on the
// query's statement itself, and the query is finished once read.
Status writeCustomerExport(QSqlQuery& rows, const QString& path);

enum class ExportOutcome {
    Opened,        // written, then opened in the spreadsheet program and closed there
    NoSpreadsheet, // written, but no spreadsheet program could be started
    Failed,        // the data-access error report was shown
};

// The customer export (the list panel's export button): writes the file of
// the day beside the database (vdn::chemin_base), shows "FICHIER " + path +
// "TERMINE", then hands the file to the spreadsheet program and waits until
// the user closes it; "Acces Excel impossible " and the reason when none can
// be started. A failure shows the data-access error report.
ExportOutcome exportCustomerList(QSqlQuery& rows, const Services& services, QWidget* owner);

} // namespace vdn
