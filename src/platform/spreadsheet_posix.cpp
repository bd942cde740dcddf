#include "platform/spreadsheet.h"

#include <QStandardPaths>

namespace vdn {

SpreadsheetProgram systemSpreadsheet() {
    struct Known {
        const char* program;
        const char* option;
        bool libreOffice;
    };
    // Looked for in this order.
    static constexpr Known Programs[] = {
        {"localc", nullptr, true},
        {"libreoffice", "--calc", true},
        {"soffice", "--calc", true},
        {"gnumeric", nullptr, false},
    };
    for (const Known& k : Programs) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(k.program));
        if (found.isEmpty())
            continue;
        SpreadsheetProgram p{found, {}, k.libreOffice};
        if (k.option)
            p.options << QString::fromLatin1(k.option);
        return p;
    }
    return {};
}

QString noSpreadsheetReason(const QString& variable) {
    return QStringLiteral("Aucun tableur n'est installé (LibreOffice Calc ou Gnumeric). "
                          "La variable d'environnement %1 peut indiquer la commande "
                          "à utiliser.")
        .arg(variable);
}

QString installedLibreOffice() {
    for (const char* name : {"soffice", "libreoffice", "localc"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QString libreOfficeMissingHint() {
    return QStringLiteral("installez le paquet libreoffice-calc pour importer un classeur ODS ou "
                          "XLSX.");
}

} // namespace vdn
