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

std::optional<int> ImportSource::sheetNamed(const QString& wanted, QString& error) const {
    if (!spreadsheet) {
        error = QStringLiteral("--feuille ne vaut que pour un classeur (ODS, XLSX, XLS).");
        return std::nullopt;
    }
    const QStringList names = sheetNames();
    bool number = false;
    const int n = wanted.trimmed().toInt(&number);
    if (number && n >= 1 && n <= names.size())
        return n - 1;
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).compare(wanted.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    error = QStringLiteral("Le classeur n'a pas de feuille « %1 » ; ses feuilles : %2.")
                .arg(wanted, names.join(QStringLiteral(", ")));
    return std::nullopt;
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
