#include "app/import_command.h"
#include "platform/console.h"

#include "app/path_file.h"
#include "data/connection.h"
#include "data/database_lock.h"
#include "data/error_report.h"
#include "data/globals.h"
#include "drilling/sheet_store.h"
#include "import/import_source.h"
#include "import/import_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace vdn {

namespace {

void say(const QString& text) {
    console::write(stderr, text + QLatin1Char('\n'));
}

// The database that CHEMIN.QZ names; none when it cannot be read (said).
std::optional<QString> importBase(const QString& configFolder) {
    const QString pathFile = findPathFile(QCoreApplication::applicationDirPath(), configFolder);
    if (pathFile.isEmpty()) {
        say(QStringLiteral("Fichier introuvable : %1 (cherché dans %2 et dans %3) ; la base où "
                           "importer n'est pas connue.")
                .arg(PathFileName, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()),
                     QDir::toNativeSeparators(configFolder)));
        return std::nullopt;
    }
    Result<QString> base = readPathFile(pathFile);
    if (!base) {
        say(errorReportText(base.error()));
        return std::nullopt;
    }
    return *base;
}

// The sheet named (else the first) of the file as a table; none when it
// cannot be read or mixes two encodings (said).
std::optional<TextTable> importTable(const QString& file, const QString& sheetWanted) {
    const ImportSource source = loadImportSource(file);
    if (!source.error.isEmpty()) {
        say(source.error);
        return std::nullopt;
    }
    int sheet = 0;
    if (!sheetWanted.isEmpty()) {
        QString error;
        const std::optional<int> named = source.sheetNamed(sheetWanted, error);
        if (!named) {
            say(error);
            return std::nullopt;
        }
        sheet = *named;
    }
    TextTable table = source.table(sheet, TextOptions());
    if (!table.error.isEmpty()) {
        say(table.error);
        return std::nullopt;
    }
    // Nobody looks at the rows here: a file of two encodings is refused
    // rather than stored with accents read wrong (a dry run says the same).
    if (const QString mixed = mixedEncodingText(table); !mixed.isEmpty()) {
        say(mixed + QStringLiteral(" Rien n'a été importé : enregistrez-le dans un seul codage "
                                   "(UTF-8 de préférence), ou importez-le par la fenêtre "
                                   "« Importer des clients », qui montre ces lignes."));
        return std::nullopt;
    }
    return table;
}

// The mapping given, its missing columns ignored; else the columns kept for
// the table's header line; else the guess. Says which, column by column.
// None when no column gives the customers' name (said).
std::optional<ImportMapping> importMapping(const std::optional<ImportMapping>& given,
                                           const QString& mappingFile, const TextTable& table,
                                           const QString& configFolder) {
    ImportMapping mapping;
    QString from;
    if (given) {
        mapping = *given;
        while (mapping.columns.size() < table.columns.size())
            mapping.columns << ImportField::Ignored;
        from = QStringLiteral("le fichier %1").arg(QDir::toNativeSeparators(mappingFile));
    } else if (auto kept = keptMapping(configFolder, table.headerLine);
               kept && kept->columns.size() == table.columns.size()) {
        mapping = *kept;
        from = QStringLiteral("celle gardée pour cette ligne d'en-tête");
    } else {
        mapping.columns = guessMapping(table.columns, table.header);
        from = QStringLiteral("devinée d'après la ligne d'en-tête");
    }
    QStringList columns;
    for (qsizetype i = 0; i < mapping.columns.size() && i < table.columns.size(); ++i)
        if (mapping.columns.at(i) != ImportField::Ignored)
            columns << QStringLiteral("%1 (%2) → %3")
                           .arg(i + 1)
                           .arg(table.columns.at(i), fieldLabel(mapping.columns.at(i)));
    say(QStringLiteral("Correspondance : %1 ; colonnes : %2.")
            .arg(from, columns.isEmpty() ? QStringLiteral("aucune") : columns.join(", ")));
    if (!mapping.columns.contains(ImportField::Name)) {
        say(QStringLiteral("Aucune colonne ne donne le nom des clients : indiquez-la dans un "
                           "fichier de correspondance (--correspondance)."));
        return std::nullopt;
    }
    return mapping;
}

// Checks the rows against the database and, unless `dryRun`, writes them;
// says the report. The exit status.
int checkAndWrite(const QString& base, const QString& file, const TextTable& table,
                  const ImportMapping& mapping, bool dryRun) {
    // A real import checks and writes under the restore's lock: a restore
    // in between would put back customers the check never saw.
    std::shared_ptr<void> lock;
    if (!dryRun) {
        lock = takeRestoreLock(base);
        if (!lock) {
            say(restoreUnderWayText());
            return 1;
        }
    }
    Result<std::unique_ptr<Connection>> c = Connection::open(databasePath(base));
    if (!c) {
        say(errorReportText(c.error()));
        return 1;
    }
    QSqlDatabase db = (*c)->db();
    Result<ImportCheck> check = checkAgainst(db, table, mapping);
    if (!check) {
        say(errorReportText(check.error()));
        return 1;
    }
    if (dryRun) {
        say(reportText(*check, true));
        return 0;
    }
    Result<WriteOutcome> written =
        writeImport(db, SheetStore(db), *check, QFileInfo(file).fileName());
    if (!written) {
        say(errorReportText(written.error()));
        return 1;
    }
    say(reportText(*check, false));
    return 0;
}

} // namespace

std::shared_ptr<void> takeRestoreLock(const QString& base) {
    auto lock = std::make_shared<RestoreLock>(base);
    if (lock->acquire(RestoreLock::startWaitMs()) == RestoreLock::Outcome::Busy)
        return nullptr;
    return lock;
}

int runImportCommand(const ImportCommand& command) {
    const QString& file = command.file;
    const QString& mappingFile = command.mappingFile;
    const QString& duplicates = command.duplicates;
    const bool dryRun = command.dryRun;
    std::optional<DuplicateChoice> choice;
    if (!duplicates.isEmpty() && !(choice = duplicateChoiceOfKey(duplicates))) {
        say(QStringLiteral("--doublons attend ignorer, completer ou ajouter, pas « %1 ».")
                .arg(duplicates));
        return 1;
    }
    const QString configFolder = userConfigFolder();
    const std::optional<QString> base = importBase(configFolder);
    if (!base)
        return 1;
    std::optional<ImportMapping> given;
    if (!mappingFile.isEmpty()) {
        QString error;
        given = readMappingFile(mappingFile, error);
        if (!given) {
            say(error);
            return 1;
        }
    }
    const std::optional<TextTable> table = importTable(file, command.sheet);
    if (!table)
        return 1;
    std::optional<ImportMapping> mapping = importMapping(given, mappingFile, *table, configFolder);
    if (!mapping)
        return 1;
    if (choice)
        mapping->duplicates = *choice;
    say(QStringLiteral("Doublons : %1 ; codes du fichier : %2.")
            .arg(mapping->duplicates == DuplicateChoice::Add        ? QStringLiteral("ajoutés")
                 : mapping->duplicates == DuplicateChoice::Complete ? QStringLiteral("complétés")
                                                                    : QStringLiteral("ignorés"),
                 mapping->keepCodes ? QStringLiteral("gardés") : QStringLiteral("non gardés")));
    return checkAndWrite(*base, file, *table, *mapping, dryRun);
}

} // namespace vdn
