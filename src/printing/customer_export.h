#pragma once

#include "data/data_error.h"
#include "printing/csv_line.h"
#include "session/report_rows.h"

#include <QByteArray>
#include <QDate>
#include <QString>

class QWidget;

namespace vdn {

struct Services;

// The export file of a day: `base` + "Client_" + yyyymmdd + ".csv", `base`
// being the database folder prefix exactly as stored.
QString customerExportPath(const QString& base, const QDate& day);

// The first line of the export file.
inline const QString CustomerExportHeader = exportTitles();

// The workbook handed to a spreadsheet program in place of the export file
// `exportPath`: the same name, ending in ".xlsx".
QString customerWorkbookPath(const QString& exportPath);

// Writes the header line and one line per customer of `rows` (code, name,
// three address lines, postal code, town, country, telephone, mobile, NIC),
// in Windows-1252 with CR LF line ends. A file of that name is replaced. The
// file is closed on every path; after a failure it holds what was written so
// far.
Status writeCustomerExport(CustomerRows& rows, const QString& path);

enum class ExportOutcome {
    Opened,        // written, then opened in the spreadsheet program and closed there
    NoSpreadsheet, // written, but no spreadsheet program could be started
    Cancelled,     // stopped from the progress window: no file left, no message
    Failed,        // the data-access error report was shown
};

// The customer export (the list panel's export button): writes the file of
// the day beside the database (vdn::chemin_base), shows "FICHIER " + path +
// "TERMINE", then hands the file to the spreadsheet program and waits until
// the user closes it (a program that would read the codes as numbers is
// handed a workbook of the same rows, every cell text, written beside it); "Acces Excel impossible
// " and the reason when none can be started. A failure shows the data-access error report. A long
// export shows its progress; "Annuler" there stops it and removes the file.
ExportOutcome exportCustomerList(CustomerRows& rows, const Services& services, QWidget* owner);

} // namespace vdn
