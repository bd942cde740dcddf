#include "import/import_fields.h"

#include "data/french_text.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace vdn {

namespace {

struct FieldInfo {
    ImportField field;
    const char* label; // UTF-8
    const char* key;
    // Header names, folded (capitals, no accents, words separated by one
    // blank), separated by '|'.
    const char* headers;
};

using F = ImportField;
// In ImportField order.
constexpr FieldInfo Fields[] = {
    {F::Ignored, "(ne pas importer)", "ignorer", ""},
    {F::Code, "Code client", "code",
     "CODE|CODE CLIENT|N CLIENT|NO CLIENT|NUM CLIENT|NUMERO CLIENT|NUMERO|ID|CLIENT ID|"
     "CUSTOMER ID|CUSTOMER NUMBER|CUSTOMER CODE|REFERENCE CLIENT|REF CLIENT"},
    {F::Name, "Nom", "nom",
     "NOM|NOM CLIENT|NOM DU CLIENT|NOM DE FAMILLE|LAST NAME|LASTNAME|SURNAME|NAME|FAMILY NAME|"
     "CUSTOMER NAME|CLIENT|RAISON SOCIALE|NOM PATRONYMIQUE"},
    {F::FirstName, "Prénom", "prenom",
     "PRENOM|PRENOM CLIENT|PRENOM DU CLIENT|FIRST NAME|FIRSTNAME|GIVEN NAME|FORENAME"},
    {F::Civility, "Sigle (civilité)", "sigle",
     "SIGLE|CIVILITE|TITRE|TITLE|SALUTATION|CIV|MR MME|M MME"},
    {F::Address1, "Adresse ligne 1", "adresse1",
     "ADRESSE|ADRESSE 1|ADRESSE1|ADR|ADR1|ADR 1|ADDRESS|ADDRESS 1|ADDRESS1|ADDRESS LINE 1|RUE|"
     "STREET|VOIE"},
    {F::Address2, "Adresse ligne 2", "adresse2",
     "ADRESSE 2|ADRESSE2|ADR2|ADR 2|ADDRESS 2|ADDRESS2|ADDRESS LINE 2|COMPLEMENT|"
     "COMPLEMENT ADRESSE|COMPLEMENT D ADRESSE"},
    {F::Address3, "Adresse ligne 3", "adresse3",
     "ADRESSE 3|ADRESSE3|ADR3|ADR 3|ADDRESS 3|ADDRESS3|ADDRESS LINE 3|LIEU DIT|BOITE POSTALE|BP"},
    {F::Postcode, "Code postal", "cp",
     "CP|CODE POSTAL|CODEPOSTAL|C P|POSTCODE|POST CODE|POSTAL CODE|ZIP|ZIP CODE|ZIPCODE"},
    {F::Town, "Ville", "ville", "VILLE|COMMUNE|LOCALITE|CITY|TOWN"},
    {F::Country, "Pays", "pays", "PAYS|COUNTRY"},
    {F::Phone, "Téléphone", "telephone",
     "TEL|TELEPHONE|TEL FIXE|TELEPHONE FIXE|FIXE|TEL DOMICILE|TELEPHONE DOMICILE|PHONE|"
     "PHONE NUMBER|TELEPHONE NUMBER|HOME PHONE|TEL 1|TELEPHONE 1"},
    {F::Mobile, "Portable", "portable",
     "PORTABLE|MOBILE|GSM|TEL PORTABLE|TELEPHONE PORTABLE|TEL MOBILE|TELEPHONE MOBILE|CELL|"
     "CELLULAR|CELL PHONE|MOBILE PHONE|TEL 2|TELEPHONE 2"},
    {F::Fax, "Fax", "fax", "FAX|TELECOPIE|N FAX|FAX NUMBER"},
    {F::Mail, "E-mail", "mail",
     "MAIL|E MAIL|EMAIL|COURRIEL|MEL|ADRESSE MAIL|ADRESSE E MAIL|ADRESSE EMAIL|"
     "ADRESSE ELECTRONIQUE|EMAIL ADDRESS|E MAIL ADDRESS"},
    {F::Memo, "Observations", "memo",
     "MEMO|OBSERVATIONS|OBSERVATION|OBS|REMARQUES|REMARQUE|NOTES|NOTE|COMMENTAIRE|COMMENTAIRES|"
     "COMMENT|COMMENTS|INFO|INFOS"},
    {F::Hand, "Main (D/G)", "main",
     "MAIN|DG|D G|DROITIER GAUCHER|LATERALITE|HAND|HANDEDNESS|BOWLING HAND"},
    {F::Tariff, "Tarif (T/H)", "tarif",
     "TARIF|TARIFICATION|TYPE CLIENT|TYPE DE CLIENT|TYPE|CATEGORIE|PRICING|PRICE TYPE"},
    {F::Vat, "N° TVA intracommunautaire", "tva",
     "TVA|N TVA|NO TVA|NUMERO TVA|NUMERO DE TVA|TVA INTRACOMMUNAUTAIRE|N TVA INTRACOMMUNAUTAIRE|"
     "NUMERO TVA INTRACOMMUNAUTAIRE|NIC|VAT|VAT NUMBER|VAT ID|VAT NO"},
    {F::Weight, "Poids boule", "poids",
     "POIDS|POIDS BOULE|POIDS DE BOULE|POIDS DE LA BOULE|LBS|WEIGHT|BALL WEIGHT"},
};
static_assert(std::size(Fields) == ImportFieldCount);

const FieldInfo& infoOf(ImportField f) {
    return Fields[static_cast<int>(f)];
}

// Capitals without accents, every run of other characters one blank.
QString foldHeader(const QString& text) {
    const QString folded = foldForSearch(text);
    QString out;
    out.reserve(folded.size());
    for (const QChar c : folded)
        out += c.isLetterOrNumber() ? c : QLatin1Char(' ');
    return out.simplified();
}

// Words a header may add to a field's name without changing it.
const QStringList& fillerWords() {
    static const QStringList words{QStringLiteral("DU"),     QStringLiteral("DE"),
                                   QStringLiteral("LA"),     QStringLiteral("LE"),
                                   QStringLiteral("CLIENT"), QStringLiteral("CUSTOMER"),
                                   QStringLiteral("THE"),    QStringLiteral("OF")};
    return words;
}

std::optional<ImportField> exactField(const QString& folded) {
    if (folded.isEmpty())
        return std::nullopt;
    for (const FieldInfo& info : Fields) {
        const QStringList names = QString::fromUtf8(info.headers).split(QLatin1Char('|'));
        if (names.contains(folded))
            return info.field;
    }
    return std::nullopt;
}

const QString ColumnsGroup = QStringLiteral("colonnes");
const QString ChoicesGroup = QStringLiteral("choix");
const QString DuplicatesKey = QStringLiteral("doublons");
const QString KeepCodesKey = QStringLiteral("garder_codes");
const QString HeaderKey = QStringLiteral("entete");

QString choiceKey(DuplicateChoice c) {
    switch (c) {
    case DuplicateChoice::Add:
        return QStringLiteral("ajouter");
    case DuplicateChoice::Complete:
        return QStringLiteral("completer");
    case DuplicateChoice::Skip:
        break;
    }
    return QStringLiteral("ignorer");
}

void writeMapping(QSettings& s, const ImportMapping& m) {
    s.beginGroup(ColumnsGroup);
    s.remove(QString());
    for (int i = 0; i < m.columns.size(); ++i)
        s.setValue(QString::number(i + 1), fieldKey(m.columns.at(i)));
    s.endGroup();
    s.beginGroup(ChoicesGroup);
    s.setValue(DuplicatesKey, choiceKey(m.duplicates));
    s.setValue(KeepCodesKey, m.keepCodes ? QStringLiteral("oui") : QStringLiteral("non"));
    s.endGroup();
}

std::optional<ImportMapping> readMapping(QSettings& s, QString& error) {
    ImportMapping m;
    s.beginGroup(ColumnsGroup);
    const QStringList keys = s.childKeys();
    int count = 0;
    for (const QString& k : keys) {
        bool ok = false;
        const int n = k.toInt(&ok);
        if (!ok || n < 1 || n > 1000) {
            error = QStringLiteral("Numéro de colonne incorrect : %1").arg(k);
            return std::nullopt;
        }
        count = std::max(count, n);
    }
    m.columns = QList<ImportField>(count, ImportField::Ignored);
    for (const QString& k : keys) {
        const QString value = s.value(k).toString().trimmed();
        const std::optional<ImportField> f = fieldOfKey(value);
        if (!f) {
            error = QStringLiteral("Champ inconnu pour la colonne %1 : %2").arg(k, value);
            return std::nullopt;
        }
        m.columns[k.toInt() - 1] = *f;
    }
    s.endGroup();
    s.beginGroup(ChoicesGroup);
    const QString dup = s.value(DuplicatesKey, choiceKey(DuplicateChoice::Skip)).toString();
    bool known = false;
    for (DuplicateChoice c :
         {DuplicateChoice::Skip, DuplicateChoice::Add, DuplicateChoice::Complete})
        if (dup.trimmed().compare(choiceKey(c), Qt::CaseInsensitive) == 0) {
            m.duplicates = c;
            known = true;
        }
    if (!known) {
        error = QStringLiteral("Choix inconnu pour les doublons : %1 (ignorer, ajouter ou "
                               "completer)")
                    .arg(dup);
        return std::nullopt;
    }
    const QString keep = s.value(KeepCodesKey, QStringLiteral("non")).toString().trimmed();
    if (keep.compare(QLatin1String("oui"), Qt::CaseInsensitive) != 0 &&
        keep.compare(QLatin1String("non"), Qt::CaseInsensitive) != 0) {
        error = QStringLiteral("garder_codes attend oui ou non : %1").arg(keep);
        return std::nullopt;
    }
    m.keepCodes = keep.compare(QLatin1String("oui"), Qt::CaseInsensitive) == 0;
    s.endGroup();
    return m;
}

QString keptFile(const QString& configFolder) {
    return QDir(configFolder).filePath(QStringLiteral("correspondances-import.ini"));
}

QString headerGroup(const QString& headerLine) {
    return QString::fromLatin1(
        QCryptographicHash::hash(headerLine.toUtf8(), QCryptographicHash::Sha1).toHex());
}

} // namespace

QString fieldLabel(ImportField field) {
    return QString::fromUtf8(infoOf(field).label);
}

QString fieldKey(ImportField field) {
    return QString::fromLatin1(infoOf(field).key);
}

std::optional<ImportField> fieldOfKey(const QString& key) {
    for (const FieldInfo& info : Fields)
        if (key.compare(QLatin1String(info.key), Qt::CaseInsensitive) == 0)
            return info.field;
    return std::nullopt;
}

ImportField guessField(const QString& header) {
    const QString folded = foldHeader(header);
    if (const auto f = exactField(folded))
        return *f;
    QStringList words = folded.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    words.removeIf([](const QString& w) { return fillerWords().contains(w); });
    if (const auto f = exactField(words.join(QLatin1Char(' '))))
        return *f;
    return ImportField::Ignored;
}

QList<ImportField> guessMapping(const QStringList& headers, bool hasHeader) {
    QList<ImportField> out;
    for (const QString& h : headers) {
        ImportField f = hasHeader ? guessField(h) : ImportField::Ignored;
        if (f != ImportField::Ignored && out.contains(f))
            f = ImportField::Ignored;
        out << f;
    }
    return out;
}

bool writeMappingFile(const QString& path, const ImportMapping& mapping) {
    QFile::remove(path);
    QSettings s(path, QSettings::IniFormat);
    writeMapping(s, mapping);
    s.sync();
    return s.status() == QSettings::NoError;
}

std::optional<ImportMapping> readMappingFile(const QString& path, QString& error) {
    if (!QFileInfo(path).isFile()) {
        error = QStringLiteral("Fichier de correspondance introuvable : %1")
                    .arg(QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    QSettings s(path, QSettings::IniFormat);
    if (s.status() != QSettings::NoError) {
        error = QStringLiteral("Fichier de correspondance illisible : %1")
                    .arg(QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    return readMapping(s, error);
}

std::optional<ImportMapping> keptMapping(const QString& configFolder, const QString& headerLine) {
    if (configFolder.isEmpty() || headerLine.isEmpty())
        return std::nullopt;
    QSettings s(keptFile(configFolder), QSettings::IniFormat);
    const QString group = headerGroup(headerLine);
    if (!s.childGroups().contains(group))
        return std::nullopt;
    s.beginGroup(group);
    QString error;
    return readMapping(s, error);
}

void keepMapping(const QString& configFolder, const QString& headerLine,
                 const ImportMapping& mapping) {
    if (configFolder.isEmpty() || headerLine.isEmpty())
        return;
    QDir().mkpath(configFolder);
    QSettings s(keptFile(configFolder), QSettings::IniFormat);
    s.beginGroup(headerGroup(headerLine));
    s.setValue(HeaderKey, headerLine);
    writeMapping(s, mapping);
    s.endGroup();
}

} // namespace vdn
