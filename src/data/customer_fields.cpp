#include "data/customer_fields.h"

#include "data/french_text.h"

#include <QRegularExpression>

namespace vdn {

QStringList customerColumnNames() {
    QStringList names;
    for (const char* column : CustomerColumns)
        names << QLatin1String(column);
    return names;
}

QStringList customerColumnsSince(int since) {
    QStringList names;
    for (const CustomerFieldInfo& f : CustomerFields)
        if (f.since == since)
            names << QLatin1String(f.column);
    return names;
}

QStringList reportedCustomerColumns() {
    QStringList names;
    for (const CustomerFieldInfo& f : CustomerFields)
        if (f.reported)
            names << QLatin1String(f.column);
    return names;
}

QString exportTitles() {
    QStringList titles;
    for (const CustomerField f : ExportedFields)
        titles << QString::fromUtf8(infoOf(f).exportTitle);
    return titles.join(QLatin1Char(','));
}

QString fieldCaption(CustomerField f) {
    return QString::fromUtf8(infoOf(f).caption);
}

QString newCustomerValue(CustomerField f) {
    // An empty text, not a null one: a new customer's field is written.
    return QString(QLatin1String(infoOf(f).newValue ? infoOf(f).newValue : ""));
}

bool isWeight(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*[+-]?([0-9]+([.,][0-9]*)?|[.,][0-9]+)\\s*$"));
    return re.match(text).hasMatch();
}

namespace {

// The readings of a Letter field: each letter with the texts read as it.
QList<std::pair<QString, QStringList>> readingsOf(CustomerField f) {
    QList<std::pair<QString, QStringList>> out;
    const char* readings = infoOf(f).readings;
    if (!readings)
        return out;
    for (const QString& letter :
         QString::fromUtf8(readings).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString code = letter.section(QLatin1Char(':'), 0, 0);
        out.append({code, letter.section(QLatin1Char(':'), 1).split(QLatin1Char('|'))});
    }
    return out;
}

} // namespace

QStringList letters(CustomerField f) {
    QStringList out;
    for (const auto& [letter, texts] : readingsOf(f))
        out << letter;
    return out;
}

QString letterOf(CustomerField f, const QString& text) {
    const QString folded = foldForSearch(text).trimmed();
    if (folded.isEmpty())
        return newCustomerValue(f);
    for (const auto& [letter, texts] : readingsOf(f))
        if (texts.contains(folded))
            return letter;
    return QString();
}

} // namespace vdn
