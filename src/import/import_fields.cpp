#include "import/import_fields.h"

#include "data/french_text.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace vdn {

namespace {

// What the column choice says of a choice; the customer fields' come from
// CustomerFields.
struct FieldInfo {
    const char* label; // UTF-8
    const char* key;
    // Header names, folded (capitals, no accents, words separated by one
    // blank), separated by '|'.
    const char* headers;
};

constexpr FieldInfo IgnoredInfo{"(ne pas importer)", "ignorer", ""};
// The first name's place among the choices, after the name.
constexpr int FirstNameChoice = 3;
constexpr FieldInfo FirstNameInfo{
    "Prénom", "prenom",
    "PRENOM|PRENOM CLIENT|PRENOM DU CLIENT|FIRST NAME|FIRSTNAME|GIVEN NAME|FORENAME"};

FieldInfo infoOf(ImportField f) {
    if (f == ImportField::FirstName)
        return FirstNameInfo;
    if (const std::optional<CustomerField> field = f.field()) {
        const CustomerFieldInfo& c = vdn::infoOf(*field);
        return {c.importLabel, c.importKey, c.importHeaders};
    }
    return IgnoredInfo;
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
    for (const ImportField f : ImportField::choices()) {
        const QStringList names = QString::fromUtf8(infoOf(f).headers).split(QLatin1Char('|'));
        if (names.contains(folded))
            return f;
    }
    return std::nullopt;
}

const QString ColumnsGroup = QStringLiteral("colonnes");
const QString ChoicesGroup = QStringLiteral("choix");
const QString DuplicatesKey = QStringLiteral("doublons");
const QString KeepCodesKey = QStringLiteral("garder_codes");
const QString HeaderKey = QStringLiteral("entete");

void writeColumns(QSettings& s, const ImportMapping& m) {
    s.beginGroup(ColumnsGroup);
    s.remove(QString());
    for (int i = 0; i < m.columns.size(); ++i)
        s.setValue(QString::number(i + 1), fieldKey(m.columns.at(i)));
    s.endGroup();
}

void writeMapping(QSettings& s, const ImportMapping& m) {
    writeColumns(s, m);
    s.beginGroup(ChoicesGroup);
    s.setValue(DuplicatesKey, duplicateChoiceKey(m.duplicates));
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
    const QString dup =
        s.value(DuplicatesKey, duplicateChoiceKey(DuplicateChoice::Skip)).toString();
    if (const std::optional<DuplicateChoice> c = duplicateChoiceOfKey(dup)) {
        m.duplicates = *c;
    } else {
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

QString duplicateChoiceKey(DuplicateChoice choice) {
    switch (choice) {
    case DuplicateChoice::Add:
        return QStringLiteral("ajouter");
    case DuplicateChoice::Complete:
        return QStringLiteral("completer");
    case DuplicateChoice::Skip:
        break;
    }
    return QStringLiteral("ignorer");
}

std::optional<DuplicateChoice> duplicateChoiceOfKey(const QString& key) {
    for (DuplicateChoice c :
         {DuplicateChoice::Skip, DuplicateChoice::Add, DuplicateChoice::Complete})
        if (key.trimmed().compare(duplicateChoiceKey(c), Qt::CaseInsensitive) == 0)
            return c;
    return std::nullopt;
}

const QList<ImportField>& ImportField::choices() {
    static const QList<ImportField> list = [] {
        QList<ImportField> out{Ignored};
        for (int place = 1; place <= CustomerFieldCount + 1; ++place) {
            if (place == FirstNameChoice)
                out << FirstName;
            for (const CustomerFieldInfo& f : CustomerFields)
                if (f.importChoice == place)
                    out << ImportField(f.field);
        }
        return out;
    }();
    return list;
}

QString fieldLabel(ImportField field) {
    return QString::fromUtf8(infoOf(field).label);
}

QString fieldKey(ImportField field) {
    return QString::fromLatin1(infoOf(field).key);
}

std::optional<ImportField> fieldOfKey(const QString& key) {
    for (const ImportField f : ImportField::choices())
        if (key.compare(QLatin1String(infoOf(f).key), Qt::CaseInsensitive) == 0)
            return f;
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
    std::optional<ImportMapping> kept = readMapping(s, error);
    // Only the columns are kept: what becomes of duplicates and codes is
    // chosen for each import (an older file may still hold choices).
    if (kept)
        *kept = ImportMapping{kept->columns, DuplicateChoice::Skip, false};
    return kept;
}

void keepMapping(const QString& configFolder, const QString& headerLine,
                 const ImportMapping& mapping) {
    if (configFolder.isEmpty() || headerLine.isEmpty())
        return;
    QDir().mkpath(configFolder);
    QSettings s(keptFile(configFolder), QSettings::IniFormat);
    s.beginGroup(headerGroup(headerLine));
    s.setValue(HeaderKey, headerLine);
    writeColumns(s, mapping);
    s.remove(ChoicesGroup);
    s.endGroup();
}

} // namespace vdn
