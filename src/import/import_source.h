#pragma once

#include "import/import_text.h"
#include "import/sheet_conversion.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace vdn {

// A file chosen for import, read once: the bytes of a text file, or the
// sheets of a spreadsheet converted by LibreOffice.
struct ImportSource {
    QString path;
    bool spreadsheet = false;
    QByteArray bytes;             // a text file's bytes
    QList<ConvertedSheet> sheets; // a spreadsheet's sheets
    QString error;                // French; nothing was read when set
    bool cancelled = false;

    // The sheets' names (empty for a text file).
    QStringList sheetNames() const;
    // The sheet a user names by its number from 1 or by its name (any
    // case); none, with `error` in French, when the workbook has no such
    // sheet or the file is no workbook.
    std::optional<int> sheetNamed(const QString& wanted, QString& error) const;
    // The table of a sheet (0 = the first; ignored for a text file), read
    // with the options: a converted sheet is always UTF-8 with commas.
    TextTable table(int sheet, TextOptions options) const;
};

// Reads the file; a spreadsheet goes through LibreOffice (`keepGoing` as for
// convertSpreadsheet).
ImportSource loadImportSource(const QString& path, const std::function<bool()>& keepGoing = {});

} // namespace vdn
