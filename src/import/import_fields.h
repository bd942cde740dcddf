#pragma once

#include "data/customer_fields.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>

namespace vdn {

// What a column of an imported file brings to the customer record: nothing,
// the first name (joined to the name), or one of the customer fields that
// CustomerFields gives an import choice.
class ImportField {
public:
    // Not imported.
    constexpr ImportField() = default;
    constexpr explicit ImportField(CustomerField field) : code_(int(field)) {}

    // The field written, if any.
    constexpr std::optional<CustomerField> field() const {
        return code_ >= 0 ? std::optional<CustomerField>(CustomerField(code_)) : std::nullopt;
    }
    // A place from 0 for every choice, for tables of one value per choice.
    constexpr std::size_t index() const { return std::size_t(code_ + 2); }
    static constexpr std::size_t Count = std::size_t(CustomerFieldCount) + 2;

    friend constexpr bool operator==(const ImportField&, const ImportField&) = default;

    // Every choice, in the order the column choice lists them.
    static const QList<ImportField>& choices();

    static const ImportField Ignored;
    static const ImportField FirstName;
    static const ImportField Code;
    static const ImportField Name;
    static const ImportField Civility;
    static const ImportField Address1;
    static const ImportField Address2;
    static const ImportField Address3;
    static const ImportField Postcode;
    static const ImportField Town;
    static const ImportField Country;
    static const ImportField Phone;
    static const ImportField Mobile;
    static const ImportField Fax;
    static const ImportField Mail;
    static const ImportField Memo;
    static const ImportField Hand;
    static const ImportField Tariff;
    static const ImportField Vat;
    static const ImportField Weight;

private:
    constexpr explicit ImportField(int code) : code_(code) {}
    int code_ = -2; // -2 not imported, -1 the first name, else a CustomerField
};

inline constexpr ImportField ImportField::Ignored{};
inline constexpr ImportField ImportField::FirstName{-1};
inline constexpr ImportField ImportField::Code{CustomerField::Cod};
inline constexpr ImportField ImportField::Name{CustomerField::Nom};
inline constexpr ImportField ImportField::Civility{CustomerField::Int};
inline constexpr ImportField ImportField::Address1{CustomerField::Ad1};
inline constexpr ImportField ImportField::Address2{CustomerField::Ad2};
inline constexpr ImportField ImportField::Address3{CustomerField::Ad3};
inline constexpr ImportField ImportField::Postcode{CustomerField::Cp};
inline constexpr ImportField ImportField::Town{CustomerField::Vil};
inline constexpr ImportField ImportField::Country{CustomerField::Pays};
inline constexpr ImportField ImportField::Phone{CustomerField::Tel};
inline constexpr ImportField ImportField::Mobile{CustomerField::Gsm};
inline constexpr ImportField ImportField::Fax{CustomerField::Fax};
inline constexpr ImportField ImportField::Mail{CustomerField::Mail};
inline constexpr ImportField ImportField::Memo{CustomerField::Memo};
inline constexpr ImportField ImportField::Hand{CustomerField::Dg};
inline constexpr ImportField ImportField::Tariff{CustomerField::Tar};
inline constexpr ImportField ImportField::Vat{CustomerField::Nic};
inline constexpr ImportField ImportField::Weight{CustomerField::Lbs};

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

// The word of a choice in a mapping file and on the command line
// ("ignorer", "ajouter", "completer"), and the choice of a word (any case).
QString duplicateChoiceKey(DuplicateChoice choice);
std::optional<DuplicateChoice> duplicateChoiceOfKey(const QString& key);

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

// The columns kept for files of this header line, in the user's
// configuration folder (its file "correspondances-import.ini"); the
// mapping's other choices are not kept (duplicates skipped, codes not kept).
std::optional<ImportMapping> keptMapping(const QString& configFolder, const QString& headerLine);
void keepMapping(const QString& configFolder, const QString& headerLine,
                 const ImportMapping& mapping);

} // namespace vdn
