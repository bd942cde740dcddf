#include "import/import_source.h"

#include <QDir>
#include <QFile>

namespace vdn {

QStringList ImportSource::sheetNames() const {
    QStringList names;
    for (const ConvertedSheet& s : sheets)
        names << s.name;
    return names;
}

TextTable ImportSource::table(int sheet, TextOptions options) const {
    if (!spreadsheet)
        return readTextTable(bytes, options);
    if (sheet < 0 || sheet >= sheets.size()) {
        TextTable t;
        t.error = QStringLiteral("Le classeur n'a pas de feuille %1.").arg(sheet + 1);
        return t;
    }
    options.encoding = TextEncoding::Utf8;
    options.separator = QLatin1Char(',');
    return readTextTable(sheets.at(sheet).csv, options);
}

ImportSource loadImportSource(const QString& path, const std::function<bool()>& keepGoing) {
    ImportSource s;
    s.path = path;
    s.spreadsheet = isSpreadsheetFile(path);
    if (s.spreadsheet) {
        SheetConversion c = convertSpreadsheet(path, keepGoing);
        s.sheets = std::move(c.sheets);
        s.error = c.error;
        s.cancelled = c.cancelled;
        return s;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        s.error = QStringLiteral("Impossible de lire le fichier %1 : %2")
                      .arg(QDir::toNativeSeparators(path), f.errorString());
        return s;
    }
    s.bytes = f.readAll();
    return s;
}

} // namespace vdn
