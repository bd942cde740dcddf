#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <span>

namespace vdn {

// The fields of a strclient row, in their stored order.
enum class CustomerField {
    Cod,
    Int,
    Nom,
    Ad1,
    Ad2,
    Ad3,
    Cp,
    Vil,
    Pays,
    Tel,
    Gsm,
    Fax,
    Mail,
    Memo,
    Nic,
    Tar,
    Dg,
    Poig,
    Lbs,
    Etat,
};

// How a field's value is made and checked, on the record and in an import.
enum class FieldRule {
    Code,   // the customer code: six digits, given by the program when empty
    Name,   // written in capitals (an import joins the first name to it)
    Text,   // one line, kept as typed
    Phone,  // a telephone number, kept as typed; an import flags a lost 0
    Memo,   // several lines, kept as typed
    Weight, // a number (isWeight()), 0 for a new customer
    Letter, // one letter of a set (`readings`), chosen on the record by options
};

// The control that shows a field on the customer record.
enum class FieldControl {
    Box,    // a text box
    Hidden, // a text box loaded from the row, never shown
    Memo,   // the observations box
};

// Everything the program knows of one customer field: its column, how the
// record shows and checks it, where the reports, the export and the import
// put it. One row per field, in CustomerField order.
struct CustomerFieldInfo {
    CustomerField field;
    const char* column; // in strclient
    // The field's name in the changed-elsewhere question (UTF-8).
    const char* caption;
    // The record's control (its object name) and its kind. Its place is the
    // record panel's layout table, whose row names it through controlName().
    const char* control;
    FieldControl kind = FieldControl::Box;
    // Entering the box selects its text, so that typing replaces it.
    bool selectsOnEntry = true;
    // The most characters typed or imported (0: no limit).
    int limit = 0;
    FieldRule rule = FieldRule::Text;
    // A new customer's value (nullptr: empty).
    const char* newValue = nullptr;
    // Read by the customer list printout and the export.
    bool reported = false;
    // The field's column in the export file, from 1 (0: not exported), and
    // its title in the file's first line.
    int exportColumn = 0;
    const char* exportTitle = nullptr;
    // The field's place in the import's column choice, from 1 (0: not
    // imported); place 0 is "not imported", and the first name has its own.
    int importChoice = 0;
    const char* importLabel = nullptr; // the choice's text (UTF-8)
    const char* importKey = nullptr;   // its name in a mapping file
    // Header names that choose it, folded (capitals, no accents, words
    // separated by one blank), separated by '|'.
    const char* importHeaders = "";
    // The field's name in the import's messages (UTF-8).
    const char* importName = nullptr;
    // A Letter field's readings: "D:D|R|DROITIER;G:G|L|GAUCHER" gives D for
    // the folded texts D, R and DROITIER, and G for the others.
    const char* readings = nullptr;
    // The import preview's column title (UTF-8) and place, from 1 after
    // "Ligne" and "État" (0: not shown).
    const char* previewTitle = nullptr;
    int previewColumn = 0;
    // The schema version that brought the column (1: the first table).
    int since = 1;
};

inline constexpr CustomerFieldInfo CustomerFields[] = {
    {.field = CustomerField::Cod,
     .column = "clt_cod",
     .caption = "N° client",
     .control = "Txtcod",
     .selectsOnEntry = false,
     .limit = 6,
     .rule = FieldRule::Code,
     .reported = true,
     .exportColumn = 1,
     .exportTitle = "Code",
     .importChoice = 1,
     .importLabel = "Code client",
     .importKey = "code",
     .importHeaders = "CODE|CODE CLIENT|N CLIENT|NO CLIENT|NUM CLIENT|NUMERO CLIENT|NUMERO|ID|"
                      "CLIENT ID|CUSTOMER ID|CUSTOMER NUMBER|CUSTOMER CODE|REFERENCE CLIENT|"
                      "REF CLIENT",
     .importName = "code",
     .previewTitle = "Code",
     .previewColumn = 1},
    {.field = CustomerField::Int,
     .column = "clt_int",
     .caption = "Sigle",
     .control = "txtint",
     .limit = 5,
     .importChoice = 4,
     .importLabel = "Sigle (civilité)",
     .importKey = "sigle",
     .importHeaders = "SIGLE|CIVILITE|TITRE|TITLE|SALUTATION|CIV|MR MME|M MME",
     .importName = "sigle",
     .previewTitle = "Sigle",
     .previewColumn = 2},
    {.field = CustomerField::Nom,
     .column = "clt_nom",
     .caption = "Nom",
     .control = "Txtnom",
     .limit = 30,
     .rule = FieldRule::Name,
     .reported = true,
     .exportColumn = 2,
     .exportTitle = "Nom",
     .importChoice = 2,
     .importLabel = "Nom",
     .importKey = "nom",
     .importHeaders = "NOM|NOM CLIENT|NOM DU CLIENT|NOM DE FAMILLE|LAST NAME|LASTNAME|SURNAME|"
                      "NAME|FAMILY NAME|CUSTOMER NAME|CLIENT|RAISON SOCIALE|NOM PATRONYMIQUE",
     .importName = "nom",
     .previewTitle = "Nom",
     .previewColumn = 3},
    {.field = CustomerField::Ad1,
     .column = "clt_ad1",
     .caption = "Adresse (ligne 1)",
     .control = "txtad1",
     .limit = 50,
     .reported = true,
     .exportColumn = 3,
     .exportTitle = "Adresse1",
     .importChoice = 5,
     .importLabel = "Adresse ligne 1",
     .importKey = "adresse1",
     .importHeaders = "ADRESSE|ADRESSE 1|ADRESSE1|ADR|ADR1|ADR 1|ADDRESS|ADDRESS 1|ADDRESS1|"
                      "ADDRESS LINE 1|RUE|STREET|VOIE",
     .importName = "adresse ligne 1",
     .previewTitle = "Adresse 1",
     .previewColumn = 4},
    {.field = CustomerField::Ad2,
     .column = "clt_ad2",
     .caption = "Adresse (ligne 2)",
     .control = "txtad2",
     .limit = 50,
     .reported = true,
     .exportColumn = 4,
     .exportTitle = "Adresse2",
     .importChoice = 6,
     .importLabel = "Adresse ligne 2",
     .importKey = "adresse2",
     .importHeaders = "ADRESSE 2|ADRESSE2|ADR2|ADR 2|ADDRESS 2|ADDRESS2|ADDRESS LINE 2|"
                      "COMPLEMENT|COMPLEMENT ADRESSE|COMPLEMENT D ADRESSE",
     .importName = "adresse ligne 2",
     .previewTitle = "Adresse 2",
     .previewColumn = 5},
    {.field = CustomerField::Ad3,
     .column = "clt_ad3",
     .caption = "Adresse (ligne 3)",
     .control = "txtad3",
     .limit = 50,
     .reported = true,
     .exportColumn = 5,
     .exportTitle = "Adresse3",
     .importChoice = 7,
     .importLabel = "Adresse ligne 3",
     .importKey = "adresse3",
     .importHeaders = "ADRESSE 3|ADRESSE3|ADR3|ADR 3|ADDRESS 3|ADDRESS3|ADDRESS LINE 3|LIEU DIT|"
                      "BOITE POSTALE|BP",
     .importName = "adresse ligne 3",
     .previewTitle = "Adresse 3",
     .previewColumn = 6},
    {.field = CustomerField::Cp,
     .column = "clt_cp",
     .caption = "Code postal",
     .control = "txtcp",
     .limit = 5,
     .reported = true,
     .exportColumn = 6,
     .exportTitle = "CP",
     .importChoice = 8,
     .importLabel = "Code postal",
     .importKey = "cp",
     .importHeaders =
         "CP|CODE POSTAL|CODEPOSTAL|C P|POSTCODE|POST CODE|POSTAL CODE|ZIP|ZIP CODE|ZIPCODE",
     .importName = "code postal",
     .previewTitle = "CP",
     .previewColumn = 7},
    {.field = CustomerField::Vil,
     .column = "clt_vil",
     .caption = "Ville",
     .control = "txtvil",
     .limit = 50,
     .reported = true,
     .exportColumn = 7,
     .exportTitle = "Ville",
     .importChoice = 9,
     .importLabel = "Ville",
     .importKey = "ville",
     .importHeaders = "VILLE|COMMUNE|LOCALITE|CITY|TOWN",
     .importName = "ville",
     .previewTitle = "Ville",
     .previewColumn = 8},
    {.field = CustomerField::Pays,
     .column = "clt_pays",
     .caption = "Pays",
     .control = "txtpays",
     .selectsOnEntry = false,
     .limit = 50,
     .reported = true,
     .exportColumn = 8,
     .exportTitle = "Pays",
     .importChoice = 10,
     .importLabel = "Pays",
     .importKey = "pays",
     .importHeaders = "PAYS|COUNTRY",
     .importName = "pays",
     .previewTitle = "Pays",
     .previewColumn = 9},
    {.field = CustomerField::Tel,
     .column = "clt_tel",
     .caption = "Téléphone",
     .control = "txttel",
     .limit = 15,
     .rule = FieldRule::Phone,
     .reported = true,
     .exportColumn = 9,
     .exportTitle = "Tel",
     .importChoice = 11,
     .importLabel = "Téléphone",
     .importKey = "telephone",
     .importHeaders = "TEL|TELEPHONE|TEL FIXE|TELEPHONE FIXE|FIXE|TEL DOMICILE|"
                      "TELEPHONE DOMICILE|PHONE|PHONE NUMBER|TELEPHONE NUMBER|HOME PHONE|TEL 1|"
                      "TELEPHONE 1",
     .importName = "téléphone",
     .previewTitle = "Téléphone",
     .previewColumn = 10},
    {.field = CustomerField::Gsm,
     .column = "clt_gsm",
     .caption = "Portable",
     .control = "txtgsm",
     .limit = 15,
     .rule = FieldRule::Phone,
     .reported = true,
     .exportColumn = 10,
     .exportTitle = "Gsm",
     .importChoice = 12,
     .importLabel = "Portable",
     .importKey = "portable",
     .importHeaders = "PORTABLE|MOBILE|GSM|TEL PORTABLE|TELEPHONE PORTABLE|TEL MOBILE|"
                      "TELEPHONE MOBILE|CELL|CELLULAR|CELL PHONE|MOBILE PHONE|TEL 2|TELEPHONE 2",
     .importName = "portable",
     .previewTitle = "Portable",
     .previewColumn = 11},
    {.field = CustomerField::Fax,
     .column = "clt_fax",
     .caption = "Fax",
     .control = "txtfax",
     .limit = 15,
     .rule = FieldRule::Phone,
     .reported = true,
     .importChoice = 13,
     .importLabel = "Fax",
     .importKey = "fax",
     .importHeaders = "FAX|TELECOPIE|N FAX|FAX NUMBER",
     .importName = "fax",
     .previewTitle = "Fax",
     .previewColumn = 12},
    {.field = CustomerField::Mail,
     .column = "clt_mail",
     .caption = "Mail",
     .control = "txtmail",
     .limit = 50,
     .reported = true,
     .importChoice = 14,
     .importLabel = "E-mail",
     .importKey = "mail",
     .importHeaders = "MAIL|E MAIL|EMAIL|COURRIEL|MEL|ADRESSE MAIL|ADRESSE E MAIL|ADRESSE EMAIL|"
                      "ADRESSE ELECTRONIQUE|EMAIL ADDRESS|E MAIL ADDRESS",
     .importName = "e-mail",
     .previewTitle = "E-mail",
     .previewColumn = 13},
    {.field = CustomerField::Memo,
     .column = "clt_memo",
     .caption = "Observations",
     .control = "txtmemo",
     .kind = FieldControl::Memo,
     .rule = FieldRule::Memo,
     .importChoice = 15,
     .importLabel = "Observations",
     .importKey = "memo",
     .importHeaders = "MEMO|OBSERVATIONS|OBSERVATION|OBS|REMARQUES|REMARQUE|NOTES|NOTE|"
                      "COMMENTAIRE|COMMENTAIRES|COMMENT|COMMENTS|INFO|INFOS",
     .importName = "observations",
     .previewTitle = "Observations",
     .previewColumn = 18},
    {.field = CustomerField::Nic,
     .column = "clt_nic",
     .caption = "N° TVA Intracommunautaire",
     .control = "txtnic",
     .limit = 20,
     .reported = true,
     .exportColumn = 11,
     .exportTitle = "NIC",
     .importChoice = 18,
     .importLabel = "N° TVA intracommunautaire",
     .importKey = "tva",
     .importHeaders = "TVA|N TVA|NO TVA|NUMERO TVA|NUMERO DE TVA|TVA INTRACOMMUNAUTAIRE|"
                      "N TVA INTRACOMMUNAUTAIRE|NUMERO TVA INTRACOMMUNAUTAIRE|NIC|VAT|VAT NUMBER|"
                      "VAT ID|VAT NO",
     .importName = "n° TVA",
     .previewTitle = "N° TVA",
     .previewColumn = 17},
    {.field = CustomerField::Tar,
     .column = "clt_tar",
     .caption = "Particulier / Entreprise",
     .control = "txttar",
     .kind = FieldControl::Hidden,
     .selectsOnEntry = false,
     .rule = FieldRule::Letter,
     .newValue = "T",
     .importChoice = 17,
     .importLabel = "Tarif (T/H)",
     .importKey = "tarif",
     .importHeaders =
         "TARIF|TARIFICATION|TYPE CLIENT|TYPE DE CLIENT|TYPE|CATEGORIE|PRICING|PRICE TYPE",
     .importName = "tarif",
     .readings = "T:T|TTC|PARTICULIER|PARTICULIER (TTC)|PRIVATE;"
                 "H:H|HT|ENTREPRISE|ENTREPRISE (HT)|PRO|PROFESSIONNEL|SOCIETE|BUSINESS",
     .previewTitle = "Tarif",
     .previewColumn = 15},
    {.field = CustomerField::Dg,
     .column = "clt_dg",
     .caption = "Droitier / Gaucher",
     .control = "txtdg",
     .kind = FieldControl::Hidden,
     .selectsOnEntry = false,
     .rule = FieldRule::Letter,
     .newValue = "D",
     .importChoice = 16,
     .importLabel = "Main (D/G)",
     .importKey = "main",
     .importHeaders = "MAIN|DG|D G|DROITIER GAUCHER|LATERALITE|HAND|HANDEDNESS|BOWLING HAND",
     .importName = "main",
     .readings = "D:D|R|DROITIER|DROITIERE|DROITE|RIGHT|RIGHT HANDED|DROIT;"
                 "G:G|L|GAUCHER|GAUCHERE|GAUCHE|LEFT|LEFT HANDED",
     .previewTitle = "Main",
     .previewColumn = 14},
    {.field = CustomerField::Poig,
     .column = "clt_poig",
     .caption = "Poignet",
     .control = "txtpoig",
     .kind = FieldControl::Hidden,
     .selectsOnEntry = false,
     .rule = FieldRule::Letter,
     .newValue = "S",
     .readings = "S:S;A:A"},
    {.field = CustomerField::Lbs,
     .column = "clt_lbs",
     .caption = "Poids Boule",
     .control = "txtlbs",
     .rule = FieldRule::Weight,
     .newValue = "0",
     .importChoice = 19,
     .importLabel = "Poids boule",
     .importKey = "poids",
     .importHeaders = "POIDS|POIDS BOULE|POIDS DE BOULE|POIDS DE LA BOULE|LBS|WEIGHT|BALL WEIGHT",
     .importName = "poids",
     .previewTitle = "Poids",
     .previewColumn = 16},
    {.field = CustomerField::Etat,
     .column = "clt_etat",
     .caption = "État",
     .control = "txtetat",
     .kind = FieldControl::Hidden,
     .selectsOnEntry = false},
};

constexpr int CustomerFieldCount = int(std::size(CustomerFields));

// The table holds every field once, in CustomerField order, and each
// numbering it keeps (export columns, import choices, preview columns) runs
// from 1 without a gap or a repeat.
namespace customer_fields_check {
constexpr bool inFieldOrder() {
    for (int i = 0; i < CustomerFieldCount; ++i)
        if (int(CustomerFields[i].field) != i)
            return false;
    return true;
}
template <class Place> constexpr bool numbered(Place place, int first = 1) {
    int count = 0;
    for (const CustomerFieldInfo& f : CustomerFields)
        count += place(f) > 0;
    for (int n = first; n < first + count; ++n) {
        int holders = 0;
        for (const CustomerFieldInfo& f : CustomerFields)
            holders += place(f) == n;
        if (holders != 1)
            return false;
    }
    return true;
}
} // namespace customer_fields_check
static_assert(customer_fields_check::inFieldOrder(),
              "CustomerFields holds one row per CustomerField, in its order");
static_assert(int(CustomerField::Etat) + 1 == CustomerFieldCount,
              "the last CustomerField has the last row of CustomerFields");
static_assert(customer_fields_check::numbered([](const CustomerFieldInfo& f) {
    return f.exportColumn;
}));
static_assert(customer_fields_check::numbered([](const CustomerFieldInfo& f) {
    return f.previewColumn;
}));
// Import choice 3 is the first name, which is no field of its own.
static_assert(customer_fields_check::numbered([](const CustomerFieldInfo& f) {
    return f.importChoice > 3 ? f.importChoice - 1 : f.importChoice;
}));

constexpr const CustomerFieldInfo& infoOf(CustomerField f) {
    return CustomerFields[std::size_t(f)];
}
// The object name of a field's control on the record panel.
constexpr const char* controlName(CustomerField f) {
    return infoOf(f).control;
}

// The columns of every field, in stored order.
inline constexpr std::array<const char*, CustomerFieldCount> CustomerColumns = [] {
    std::array<const char*, CustomerFieldCount> columns{};
    for (int i = 0; i < CustomerFieldCount; ++i)
        columns[std::size_t(i)] = CustomerFields[i].column;
    return columns;
}();

// The export file's fields, in the order of its columns.
inline constexpr auto ExportedFields = [] {
    constexpr std::size_t count = [] {
        std::size_t n = 0;
        for (const CustomerFieldInfo& f : CustomerFields)
            n += f.exportColumn > 0;
        return n;
    }();
    std::array<CustomerField, count> fields{};
    for (const CustomerFieldInfo& f : CustomerFields)
        if (f.exportColumn > 0)
            fields[std::size_t(f.exportColumn - 1)] = f.field;
    return fields;
}();

// The newest schema version a customer column came with.
constexpr int newestCustomerColumn() {
    int newest = 1;
    for (const CustomerFieldInfo& f : CustomerFields)
        newest = f.since > newest ? f.since : newest;
    return newest;
}

// The column names of every field, in stored order.
QStringList customerColumnNames();
// The column names of the fields that came with schema version `since`.
QStringList customerColumnsSince(int since);
// The export file's first line: the titles of its columns, separated by
// commas.
QString exportTitles();
// The fields the list printout and the export read, in stored order.
QStringList reportedCustomerColumns();
// A field's caption, import label, import name and new customer's value.
QString fieldCaption(CustomerField f);
QString newCustomerValue(CustomerField f);
// A weight as the record's weight box accepts it: digits with an optional
// sign and one decimal separator, blanks around.
bool isWeight(const QString& text);
// A Letter field's letters, in the order of its readings ("D", "G").
QStringList letters(CustomerField f);
// The letter a text reads as for a Letter field: the text folded (capitals,
// no accents) is one of its readings; an empty text reads as the new
// customer's value. Empty when it reads as none.
QString letterOf(CustomerField f, const QString& text);

} // namespace vdn
