#include "import/import_rows.h"

#include "data/french_text.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <climits>
#include <optional>

namespace vdn {

namespace {

using CF = CustomerField;
using IF = ImportField;

// A field's name in the import's messages.
QString fieldName(CF f) {
    return QString::fromUtf8(infoOf(f).importName);
}

int characters(const QString& s) {
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        if (!s.at(i).isLowSurrogate())
            ++n;
    return n;
}

// A cell as a one-line value: line breaks become blanks, blanks around go.
QString oneLine(const QString& cell) {
    QString v = cell;
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return v.trimmed();
}

// A telephone number that a spreadsheet kept as a number: nine digits
// without the leading zero, or written in scientific notation.
bool lostLeadingZero(const QString& phone) {
    static const QRegularExpression nine(QStringLiteral("^[1-9][0-9]{8}$"));
    static const QRegularExpression scientific(
        QStringLiteral("^[0-9]+([.,][0-9]+)?[eE][+]?[0-9]+$"));
    return nine.match(phone).hasMatch() || scientific.match(phone).hasMatch();
}

// A French number written the international way, "+33 6 12 34 56 78" or
// "0033 (0)6 12 34 56 78", written the French way ("06 12 34 56 78"); any
// other number as it is.
QString frenchPhone(const QString& phone) {
    static const QRegularExpression international(
        QStringLiteral("^(\\+|00)\\s*33\\s*(\\(0\\)\\s*)?(?=[1-9])"));
    const QRegularExpressionMatch m = international.match(phone);
    return m.hasMatch() ? QLatin1Char('0') + phone.mid(m.capturedEnd(0)) : phone;
}

// A weight followed by its unit, "15 lbs", "15 lb", "15 livres": the number.
QString withoutPoundUnit(const QString& weight) {
    static const QRegularExpression unit(QStringLiteral("^(.*?)\\s*(lbs?|livres?)\\.?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = unit.match(weight);
    return m.hasMatch() && isWeight(m.captured(1)) ? m.captured(1) : weight;
}

// A title too long for the sigle's five characters written as the shop
// writes it ("Monsieur" as "M.", "M. et Mme" as "M/Mme"); any other as it is.
QString shortTitle(const QString& title) {
    if (characters(title) <= infoOf(CF::Int).limit)
        return title;
    static const QHash<QString, QString> titles{
        {QStringLiteral("MONSIEUR"), QStringLiteral("M.")},
        {QStringLiteral("MADAME"), QStringLiteral("Mme")},
        {QStringLiteral("MADEMOISELLE"), QStringLiteral("Mlle")},
        {QStringLiteral("M ET MME"), QStringLiteral("M/Mme")},
        {QStringLiteral("MR ET MME"), QStringLiteral("M/Mme")},
        {QStringLiteral("MONSIEUR ET MADAME"), QStringLiteral("M/Mme")},
        {QStringLiteral("MR AND MRS"), QStringLiteral("M/Mme")},
        {QStringLiteral("MR & MRS"), QStringLiteral("M/Mme")},
        {QStringLiteral("DOCTEUR"), QStringLiteral("Dr")},
        {QStringLiteral("MAITRE"), QStringLiteral("Me")},
    };
    return titles.value(foldForSearch(title).remove(QLatin1Char('.')).simplified(), title);
}

// A postcode a spreadsheet kept as a number: four digits, in France (or no
// country given), where every postcode has five.
bool postcodeLostZero(const CustomerRecord& r) {
    static const QRegularExpression four(QStringLiteral("^[0-9]{4}$"));
    const QString country = foldForSearch(r.text(CF::Pays)).simplified();
    return four.match(r.text(CF::Cp)).hasMatch() &&
           (country.isEmpty() || country == QLatin1String("FRANCE"));
}

// The customer fields in the order of their import choices.
const QList<CF>& importedFields() {
    static const QList<CF> fields = [] {
        QList<CF> out;
        for (const ImportField f : ImportField::choices())
            if (f.field())
                out << *f.field();
        return out;
    }();
    return fields;
}

QString foldedName(const CustomerRecord& r) {
    return foldForSearch(r.text(CF::Nom)).simplified();
}

// The keys that make two customers the same: the folded name with each of
// its numbers and its e-mail address; with its town when it has none (two
// people of one name in two towns are two customers).
QStringList matchKeys(const CustomerRecord& r) {
    const QString name = foldedName(r);
    if (name.isEmpty())
        return {};
    QStringList keys;
    for (const CF f : {CF::Tel, CF::Gsm}) {
        const QString digits = phoneDigits(r.text(f));
        if (digits.size() >= 4)
            keys << name + QStringLiteral("\x1FP") + digits;
    }
    const QString mail = r.text(CF::Mail).trimmed().toLower();
    if (!mail.isEmpty())
        keys << name + QStringLiteral("\x1FM") + mail;
    // Neither number nor address: the same as another of that name without
    // any either.
    if (keys.isEmpty() && phoneDigits(r.text(CF::Tel)).isEmpty() &&
        phoneDigits(r.text(CF::Gsm)).isEmpty())
        keys << name + QStringLiteral("\x1F-") + foldForSearch(r.text(CF::Vil)).simplified();
    return keys;
}

// Whether `key` is the one of a customer with neither number nor address.
bool byNameAndTown(const QString& key) {
    return key.contains(QStringLiteral("\x1F-"));
}

// The file's code as a customer code, or empty when it is not a number.
QString fileCode(const CheckedRow& row) {
    const QString code = row.record.text(CF::Cod);
    return isCustomerNumber(code) ? formatCustomerCode(code) : QString();
}

// The text of each import field in a row of cells (of several columns
// mapped to one field: the first).
using FieldValues = std::array<std::optional<QString>, ImportField::Count>;
FieldValues fieldValues(const QStringList& cells, const ImportMapping& mapping) {
    FieldValues of;
    for (qsizetype i = 0; i < mapping.columns.size() && i < cells.size(); ++i) {
        auto& slot = of[mapping.columns.at(i).index()];
        if (!slot)
            slot = cells.at(i);
    }
    return of;
}

// Puts a value the file gives into the record; a value that is not empty
// counts as given.
void give(CheckedRow& row, CF f, const QString& v) {
    row.record.set(f, v);
    if (!v.isEmpty())
        row.given.set(std::size_t(f));
}

// The file's value of a field read as its rule says: a value the rule
// cannot read is a problem of the row. The code and the name have rules of
// their own.
void readValue(CheckedRow& row, CF f, const QString& v) {
    switch (infoOf(f).rule) {
    case FieldRule::Code:
    case FieldRule::Name:
        break;
    case FieldRule::Text:
        give(row, f, f == CF::Int ? shortTitle(oneLine(v)) : oneLine(v));
        break;
    case FieldRule::Phone:
        give(row, f, frenchPhone(oneLine(v)));
        break;
    case FieldRule::Memo:
        give(row, f, v.trimmed());
        break;
    case FieldRule::Letter:
        if (const QString letter = letterOf(f, v); !letter.isEmpty())
            give(row, f, letter);
        else
            row.problems << QStringLiteral("%1 illisible : « %2 » (%3)")
                                .arg(fieldName(f), oneLine(v),
                                     letters(f).join(QStringLiteral(" ou ")));
        break;
    case FieldRule::Weight:
        if (oneLine(v).isEmpty())
            break;
        if (const QString w = withoutPoundUnit(oneLine(v)); isWeight(w))
            give(row, f, w);
        else
            row.problems
                << QStringLiteral("%1 non conforme : « %2 »").arg(fieldName(f), oneLine(v));
        break;
    }
}

// The faults of the record as a whole: an empty name, values too long,
// phone numbers a spreadsheet made into numbers, a VAT number on a private
// customer and, when the file's codes are kept, a code that is no customer
// number.
void checkRecord(CheckedRow& row, const QString& lastName, bool keepCodes) {
    const CustomerRecord& r = row.record;
    // A first name alone is no name.
    if (lastName.isEmpty())
        row.problems << QStringLiteral("nom vide");
    for (int i = 0; i < CustomerFieldCount; ++i) {
        const CF f = CF(i);
        const int limit = infoOf(f).limit;
        if (f == CF::Cod || limit == 0)
            continue;
        if (const int n = characters(r.text(f)); n > limit)
            row.problems << QStringLiteral("%1 trop long : %2 caractères pour %3 au plus")
                                .arg(fieldName(f))
                                .arg(n)
                                .arg(limit);
    }
    for (const CustomerFieldInfo& f : CustomerFields)
        if (f.rule == FieldRule::Phone && lostLeadingZero(r.text(f.field)))
            row.problems << QStringLiteral("%1 « %2 » enregistré comme un nombre : le zéro du "
                                           "début est perdu")
                                .arg(fieldName(f.field), r.text(f.field));
    if (postcodeLostZero(r))
        row.problems << QStringLiteral("code postal « %1 » enregistré comme un nombre : le zéro "
                                       "du début est perdu (0%1 ?)")
                            .arg(r.text(CF::Cp));
    if (!r.text(CF::Nic).isEmpty() && r.text(CF::Tar) == QLatin1String("T"))
        row.problems << QStringLiteral("n° TVA sur un client particulier (tarif T)");
    // An empty code takes the next free one.
    if (keepCodes && !r.text(CF::Cod).isEmpty() && !isCustomerNumber(r.text(CF::Cod)))
        row.problems << QStringLiteral("code « %1 » non conforme (un nombre de 1 à 6 chiffres)")
                            .arg(r.text(CF::Cod));
}

} // namespace

int restoreLostZeros(TextTable& table, const ImportMapping& mapping) {
    static const QRegularExpression nine(QStringLiteral("^[1-9][0-9]{8}$"));
    int changed = 0;
    for (QStringList& cells : table.rows) {
        const FieldValues of = fieldValues(cells, mapping);
        CustomerRecord place;
        place.set(CF::Cp, oneLine(of[ImportField::Postcode.index()].value_or(QString())));
        place.set(CF::Pays, oneLine(of[ImportField::Country.index()].value_or(QString())));
        for (qsizetype c = 0; c < cells.size() && c < mapping.columns.size(); ++c) {
            const std::optional<CF> f = mapping.columns.at(c).field();
            const QString cell = oneLine(cells.at(c));
            const bool phone =
                f && infoOf(*f).rule == FieldRule::Phone && nine.match(cell).hasMatch();
            // The postcode's first column only: the one the row is read from.
            const bool postcode = f == CF::Cp &&
                                  mapping.columns.indexOf(ImportField::Postcode) == c &&
                                  postcodeLostZero(place);
            if (phone || postcode) {
                cells[c] = QLatin1Char('0') + cell;
                ++changed;
            }
        }
    }
    return changed;
}

CheckedRow buildRow(const QStringList& cells, const ImportMapping& mapping) {
    CheckedRow row;
    row.cells = cells;
    const FieldValues of = fieldValues(cells, mapping);
    const auto value = [&](ImportField f) { return of[f.index()]; };
    CustomerRecord& r = row.record;

    // A new customer's record, then what the file gives.
    for (int i = 0; i < CustomerFieldCount; ++i)
        r.set(CF(i), newCustomerValue(CF(i)));

    if (value(IF::Code))
        r.set(CF::Cod, oneLine(*value(IF::Code)));
    const QString lastName = oneLine(value(IF::Name).value_or(QString()));
    const QString name =
        (lastName + QLatin1Char(' ') + oneLine(value(IF::FirstName).value_or(QString())))
            .simplified()
            .toUpper();
    give(row, CF::Nom, name);
    for (const CF f : importedFields())
        if (const std::optional<QString> v = value(ImportField(f)))
            readValue(row, f, *v);

    checkRecord(row, lastName, mapping.keepCodes);
    if (!row.problems.isEmpty())
        row.outcome = RowOutcome::Refused;
    return row;
}

ImportCheck checkImport(const TextTable& table, const ImportMapping& mapping,
                        QList<CustomerRecord> existing) {
    const auto everyone = [&](const QStringList&, const QStringList&) {
        return Result<QList<CustomerRecord>>(existing);
    };
    const qsizetype rows = std::max<qsizetype>(1, table.rows.size());
    return *checkImport(table, mapping, everyone, int(std::min<qsizetype>(rows, INT_MAX)));
}

Result<ImportCheck> checkImport(const TextTable& table, const ImportMapping& mapping,
                                const ExistingLookup& lookup, int batchSize,
                                const CheckProgress& progress) {
    ImportCheck check;
    check.keepCodes = mapping.keepCodes;
    check.skipped = table.skipped;
    const bool codes = mapping.columns.contains(IF::Code);
    QHash<QString, int> fileByKey, fileByCode; // to the line of the first row
    QHash<QString, int> met;                   // an existing code to its place in check.existing
    QHash<QString, int> metOnLine;             // an existing code to the line that met it first

    check.rows.reserve(table.rows.size());
    for (qsizetype first = 0; first < table.rows.size(); first += std::max(1, batchSize)) {
        if (progress && !progress(first, table.rows.size())) {
            check.cancelled = true;
            return check;
        }
        const qsizetype end = std::min(table.rows.size(), first + std::max(1, batchSize));
        // The batch's rows built, with their code and keys, and what the
        // database is asked for them.
        struct Built {
            CheckedRow row;
            QString code;
            QStringList keys;
        };
        QList<Built> batch;
        QStringList askCodes, askNames;
        for (qsizetype i = first; i < end; ++i) {
            Built b{buildRow(table.rows.at(i), mapping), {}, {}};
            b.row.line = i < table.lines.size() ? table.lines.at(i) : int(i) + 1;
            // Another program's number is no code of VORDAN's unless kept.
            if (!mapping.keepCodes)
                b.row.record.set(CF::Cod, QString(QLatin1String("")));
            if (b.row.outcome != RowOutcome::Refused) {
                // The file's numbers are another program's: they say who a
                // row is only when they are kept as VORDAN's codes.
                b.code = codes && mapping.keepCodes ? fileCode(b.row) : QString();
                b.row.record.set(CF::Cod, mapping.keepCodes ? b.code : QString(QLatin1String("")));
                b.keys = matchKeys(b.row.record);
                if (!b.code.isEmpty())
                    askCodes << b.code;
                if (!b.keys.isEmpty())
                    askNames << foldedName(b.row.record);
            }
            batch << b;
        }
        askCodes.removeDuplicates();
        askNames.removeDuplicates();
        Result<QList<CustomerRecord>> found = lookup(askCodes, askNames);
        if (!found)
            return found.error();
        const QList<CustomerRecord>& existing = *found;
        // Of the customers of one key, the last one added.
        QHash<QString, int> existingByKey, existingByCode;
        for (int i = 0; i < existing.size(); ++i) {
            const CustomerRecord& e = existing.at(i);
            existingByCode.insert(e.text(CF::Cod), i);
            for (const QString& k : matchKeys(e))
                existingByKey.insert(k, i);
        }

        for (Built& b : batch) {
            CheckedRow& row = b.row;
            const QString& code = b.code;
            if (row.outcome == RowOutcome::Refused) {
                check.rows << row;
                continue;
            }
            int earlier = code.isEmpty() ? -1 : fileByCode.value(code, -1);
            for (const QString& k : std::as_const(b.keys))
                if (earlier < 0)
                    earlier = fileByKey.value(k, -1);
            if (earlier >= 0) {
                row.outcome = RowOutcome::DuplicateInFile;
                row.duplicateOf = QStringLiteral("ligne %1").arg(earlier);
                check.rows << row;
                continue;
            }
            if (!code.isEmpty())
                fileByCode.insert(code, row.line);
            for (const QString& k : std::as_const(b.keys))
                fileByKey.insert(k, row.line);

            int same = code.isEmpty() ? -1 : existingByCode.value(code, -1);
            // A kept code that is another person's is not that person:
            // shown to the user, never merged.
            if (same >= 0 && foldedName(existing.at(same)) != foldedName(row.record)) {
                row.outcome = RowOutcome::Refused;
                row.problems << QStringLiteral("code %1 déjà pris par %2 : un autre nom")
                                    .arg(code, existing.at(same).text(CF::Nom));
                check.rows << row;
                continue;
            }
            for (const QString& k : std::as_const(b.keys))
                if (same < 0 && (same = existingByKey.value(k, -1)) >= 0)
                    row.possible = byNameAndTown(k);
            if (same >= 0) {
                const CustomerRecord& e = existing.at(same);
                auto place = met.constFind(e.text(CF::Cod));
                if (place == met.cend()) {
                    place = met.insert(e.text(CF::Cod), int(check.existing.size()));
                    check.existing << e;
                }
                // Two rows that are the same customer of VORDAN are the same
                // customer: the second is a duplicate of the first (two
                // completions of one customer would also clash on its row
                // version).
                if (const int first = metOnLine.value(e.text(CF::Cod), -1); first >= 0) {
                    row.outcome = RowOutcome::DuplicateInFile;
                    row.duplicateOf = QStringLiteral("ligne %1").arg(first);
                    row.existing = *place;
                    check.rows << row;
                    continue;
                }
                metOnLine.insert(e.text(CF::Cod), row.line);
                row.outcome = RowOutcome::DuplicateExisting;
                row.existing = *place;
                row.duplicateOf = e.text(CF::Cod);
                row.choice = mapping.duplicates;
                // Added under the file's code, it would take the existing one's.
                if (mapping.keepCodes && row.choice == DuplicateChoice::Add &&
                    existingByCode.contains(code)) {
                    row.outcome = RowOutcome::Refused;
                    row.problems << QStringLiteral("code %1 déjà pris").arg(code);
                }
            } else if (mapping.keepCodes && existingByCode.contains(code)) {
                row.outcome = RowOutcome::Refused;
                row.problems << QStringLiteral("code %1 déjà pris").arg(code);
            }
            check.rows << row;
        }
    }
    return check;
}

CustomerRecord completed(const CustomerRecord& existing, const CheckedRow& row) {
    CustomerRecord out = existing;
    for (int i = 0; i < CustomerFieldCount; ++i) {
        const CF f = CF(i);
        if (f == CF::Cod || f == CF::Etat || !row.given.test(std::size_t(i)))
            continue;
        if (existing.text(f).trimmed().isEmpty())
            out.set(f, row.record.text(f));
    }
    // A VAT number belongs to a business customer only.
    if (out.text(CF::Tar) != QLatin1String("H"))
        out.set(CF::Nic, existing.text(CF::Nic));
    return out;
}

namespace {

// Whether a duplicate chosen for completion has anything to complete.
bool completes(const ImportCheck& check, const CheckedRow& row) {
    if (row.existing < 0)
        return false;
    const CustomerRecord& e = check.existing.at(row.existing);
    if (e.text(CF::Etat) == QLatin1String("SUPPRIME"))
        return false;
    const CustomerRecord c = completed(e, row);
    for (int i = 0; i < CustomerFieldCount; ++i)
        if (c.text(CF(i)) != e.text(CF(i)))
            return true;
    return false;
}

QString reasonOf(const ImportCheck& check, const CheckedRow& row) {
    switch (row.outcome) {
    case RowOutcome::Refused:
        return row.problems.join(QStringLiteral(" ; "));
    case RowOutcome::DuplicateInFile:
        if (row.existing >= 0)
            return QStringLiteral("doublon de la %1 du fichier (même client %2)")
                .arg(row.duplicateOf, check.existing.at(row.existing).text(CF::Cod));
        return QStringLiteral("doublon de la %1 du fichier").arg(row.duplicateOf);
    case RowOutcome::DuplicateExisting:
        if (row.choice == DuplicateChoice::Complete && row.existing >= 0 &&
            check.existing.at(row.existing).text(CF::Etat) == QLatin1String("SUPPRIME"))
            return QStringLiteral("client %1 supprimé : non complété").arg(row.duplicateOf);
        if (row.choice == DuplicateChoice::Complete)
            return QStringLiteral("client %1 déjà complet").arg(row.duplicateOf);
        if (row.existing >= 0)
            return QStringLiteral("%1 (client %2 : %3)")
                .arg(row.possible ? QStringLiteral("doublon possible, même nom et même ville")
                                  : QStringLiteral("déjà dans VORDAN"),
                     row.duplicateOf, check.existing.at(row.existing).text(CF::Nom));
        return QStringLiteral("déjà dans VORDAN (client %1)").arg(row.duplicateOf);
    case RowOutcome::New:
        break;
    }
    return {};
}

// Whether the row is written: a new customer, one added anyway, or a
// completion that changes something.
bool written(const ImportCheck& check, const CheckedRow& row) {
    switch (row.outcome) {
    case RowOutcome::New:
        return true;
    case RowOutcome::DuplicateExisting:
        return row.choice == DuplicateChoice::Add ||
               (row.choice == DuplicateChoice::Complete && completes(check, row));
    default:
        return false;
    }
}

QByteArray csvCell(const QString& text) {
    QString t = text;
    if (t.contains(QLatin1Char(';')) || t.contains(QLatin1Char('"')) ||
        t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r'))) {
        t.replace(QLatin1String("\""), QLatin1String("\"\""));
        t = QLatin1Char('"') + t + QLatin1Char('"');
    }
    return t.toUtf8();
}

} // namespace

ImportCounts countOutcomes(const ImportCheck& check) {
    ImportCounts c;
    c.skipped = int(check.skipped.size());
    for (const CheckedRow& row : check.rows) {
        if (row.outcome == RowOutcome::Refused) {
            ++c.refused;
        } else if (written(check, row)) {
            ++c.imported;
            if (row.outcome == RowOutcome::DuplicateExisting &&
                row.choice == DuplicateChoice::Complete)
                ++c.completed;
        } else {
            ++c.ignored;
        }
    }
    return c;
}

QString countsLine(const ImportCounts& c) {
    const QString line = QStringLiteral("%1 clients importés, %2 ignorés (doublons), %3 refusés")
                             .arg(c.imported)
                             .arg(c.ignored)
                             .arg(c.refused);
    if (c.skipped == 0)
        return line;
    return line + QStringLiteral(" ; %1 lignes écartées (titres, totaux…)").arg(c.skipped);
}

QString reportText(const ImportCheck& check, bool dryRun) {
    const ImportCounts c = countOutcomes(check);
    QStringList lines;
    if (dryRun)
        lines << QStringLiteral("Essai : rien n'a été écrit. L'import donnerait :");
    lines << countsLine(c);
    if (c.completed > 0)
        lines << QStringLiteral("dont %1 clients existants complétés").arg(c.completed);
    for (const SkippedRow& s : check.skipped)
        lines << QStringLiteral("Ligne %1 écartée : %2").arg(s.line).arg(s.reason);
    for (const CheckedRow& row : check.rows)
        if (row.outcome == RowOutcome::Refused || !written(check, row))
            lines << QStringLiteral("Ligne %1 (%2) : %3")
                         .arg(row.line)
                         .arg(row.record.text(CF::Nom).isEmpty() ? QStringLiteral("sans nom")
                                                                 : row.record.text(CF::Nom),
                              reasonOf(check, row));
    return lines.join(QLatin1Char('\n'));
}

QByteArray rejectedRowsCsv(const ImportCheck& check, const QStringList& columns) {
    QByteArray out("\xEF\xBB\xBF");
    const auto line = [&out](const QStringList& cells) {
        QList<QByteArray> parts;
        for (const QString& c : cells)
            parts << csvCell(c);
        out += parts.join(';') + "\r\n";
    };
    // The reason first: it is what the reader looks for.
    line(QStringList{QStringLiteral("Motif"), QStringLiteral("Ligne")} + columns);
    QList<std::pair<int, QStringList>> rows;
    for (const SkippedRow& s : check.skipped)
        rows.append({s.line, QStringList{s.reason, QString::number(s.line)} + s.cells});
    for (const CheckedRow& row : check.rows)
        if (row.outcome == RowOutcome::Refused || !written(check, row))
            rows.append({row.line,
                         QStringList{reasonOf(check, row), QString::number(row.line)} + row.cells});
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& r : rows)
        line(r.second);
    return out;
}

bool isWritten(const ImportCheck& check, const CheckedRow& row) {
    return written(check, row);
}

QString firstWrittenCode(const ImportCheck& check) {
    for (const CheckedRow& row : check.rows) {
        if (!written(check, row))
            continue;
        if (row.outcome == RowOutcome::DuplicateExisting && row.choice == DuplicateChoice::Complete)
            return check.existing.at(row.existing).text(CF::Cod);
        return row.record.text(CF::Cod);
    }
    return {};
}

} // namespace vdn
