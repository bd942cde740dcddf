#include "platform/spreadsheet.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <windows.h>

#include <shlwapi.h>

namespace vdn {

namespace {

// The program Windows opens files of this extension with, as a double click
// in the Explorer would; empty when there is none.
QString associatedProgram(const wchar_t* extension) {
    wchar_t path[MAX_PATH * 2];
    DWORD size = DWORD(std::size(path));
    if (AssocQueryStringW(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, extension, L"open", path, &size) !=
        S_OK)
        return {};
    const QString program = QString::fromWCharArray(path);
    return QFileInfo(program).isFile() ? program : QString();
}

} // namespace

SpreadsheetProgram systemSpreadsheet() {
    const QString program = associatedProgram(L".csv");
    if (program.isEmpty()) {
        // Nothing opens CSV files but something opens workbooks: it is
        // handed the workbook.
        const QString books = associatedProgram(L".xlsx");
        if (books.isEmpty())
            return {};
        SpreadsheetProgram p{books, {}, false};
        p.workbook = true;
        return p;
    }
    const QString name = QFileInfo(program).baseName().toLower();
    const bool libreOffice = name == QLatin1String("scalc") || name == QLatin1String("soffice");
    SpreadsheetProgram p{program, {}, libreOffice};
    if (name == QLatin1String("soffice"))
        p.options << QStringLiteral("--calc");
    if (!libreOffice) {
        // Excel, or another program that cannot be told to read the CSV's
        // columns as text, is given a workbook, opened by whatever Windows
        // opens workbooks with.
        p.workbook = true;
        const QString books = associatedProgram(L".xlsx");
        if (!books.isEmpty())
            p.program = books;
    }
    return p;
}

QString noSpreadsheetReason(const QString& variable) {
    return QStringLiteral(
               "Aucun programme de ce poste n'ouvre les fichiers .csv ni .xlsx (Excel ou "
               "LibreOffice). Installez un tableur, ou indiquez la commande à "
               "utiliser dans la variable d'environnement %1.")
        .arg(variable);
}

QString installedLibreOffice() {
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (!onPath.isEmpty())
        return onPath;
    for (const char* variable : {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)"}) {
        const QString folder = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (folder.isEmpty())
            continue;
        const QString program = folder + QStringLiteral("/LibreOffice/program/soffice.exe");
        if (QFileInfo(program).isFile())
            return program;
    }
    return {};
}

QString libreOfficeMissingHint() {
    return QStringLiteral("pour importer un classeur, ouvrez-le dans Excel et enregistrez la "
                          "feuille des clients au format « CSV (séparateur : point-virgule) » "
                          "(Fichier > Enregistrer sous), ou installez LibreOffice.");
}

} // namespace vdn
