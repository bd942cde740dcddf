#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace vdn {

// Whether the file is a spreadsheet that LibreOffice converts (ODS, XLSX,
// XLS, flat ODS), by its name.
bool isSpreadsheetFile(const QString& path);

// The LibreOffice program, or empty when it is not installed.
QString libreOfficeProgram();

// LibreOffice's CSV export filter with its options: comma, double quote,
// UTF-8, cells as shown (so that 01000 and +33… keep their look), formulas'
// results, every sheet to a file of its own.
QString csvExportFilter();

struct ConvertedSheet {
    QString name;
    QByteArray csv; // UTF-8, comma-separated
};

struct SheetConversion {
    QList<ConvertedSheet> sheets; // in the workbook's order
    QString error;                // French; set when nothing was converted
    bool cancelled = false;
};

// Converts every sheet of the spreadsheet to CSV with LibreOffice run
// headless, in a private profile and a temporary folder removed afterwards.
// `keepGoing` is called several times a second while it runs; false stops
// it. Gives up after `timeoutMs`.
SheetConversion convertSpreadsheet(const QString& path, const std::function<bool()>& keepGoing,
                                   int timeoutMs = 180000);

} // namespace vdn
