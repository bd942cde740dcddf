#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vdn {

// What a column of an imported file brings to the customer record.
enum class ImportField {
    Ignored,
    Code,
    Name,
    FirstName,
    Civility,
    Address1,
    Address2,
    Address3,
    Postcode,
    Town,
    Country,
    Phone,
    Mobile,
    Fax,
    Mail,
    Memo,
    Hand,
    Tariff,
    Vat,
    Weight,
};
constexpr int ImportFieldCount = 20;

// The French label shown in the column choice ("Nom", "Prénom"…).
QString fieldLabel(ImportField field);
// The name written in a mapping file ("nom", "prenom"…) and read back.
QString fieldKey(ImportField field);
std::optional<ImportField> fieldOfKey(const QString& key);

// The field a header cell names, in French or English, with or without
// accents and whatever the case ("NOM CLIENT", "Last name", "Tél.", "CP",
// "Courriel"); Ignored when none.
ImportField guessField(const QString& header);

// The field of each column; a field named by two columns goes to the first.
// Without a header, every column is left out.
QList<ImportField> guessMapping(const QStringList& headers, bool hasHeader);

// What a user chooses for a file beyond the columns.
enum class DuplicateChoice { Skip, Add, Complete };

// A mapping kept for next time or written for the command line.
struct ImportMapping {
    QList<ImportField> columns;
    DuplicateChoice duplicates = DuplicateChoice::Skip;
    bool keepCodes = false;
};

// A mapping file: an INI file with the columns by their number from 1
// ([colonnes] 1=nom, 2=prenom…) and the choices ([choix] doublons=ignorer|
// ajouter|completer, garder_codes=oui|non). Reading fails (French `error`) on
// a field or choice it does not know.
bool writeMappingFile(const QString& path, const ImportMapping& mapping);
std::optional<ImportMapping> readMappingFile(const QString& path, QString& error);

// The mapping kept for files of this header line, in the user's
// configuration folder (its file "correspondances-import.ini").
std::optional<ImportMapping> keptMapping(const QString& configFolder, const QString& headerLine);
void keepMapping(const QString& configFolder, const QString& headerLine,
                 const ImportMapping& mapping);

} // namespace vdn
