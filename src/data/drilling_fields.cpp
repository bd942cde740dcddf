#include "data/drilling_fields.h"

#include <QRegularExpression>

#include <cmath>

namespace vdn {

namespace {
QStringList textsWhere(const BallDrilling& d, bool DrillingFieldInfo::*flag) {
    QStringList texts;
    for (const DrillingFieldInfo& f : DrillingFields)
        if (f.*flag)
            texts << d.*(f.member);
    return texts;
}
} // namespace

QStringList drillingColumnNames() {
    QStringList names;
    for (const DrillingFieldInfo& f : DrillingFields)
        names << QLatin1String(f.column);
    return names;
}

QStringList drillingColumnsSince(int since) {
    QStringList names;
    for (const DrillingFieldInfo& f : DrillingFields)
        if (f.since == since)
            names << QLatin1String(f.column);
    return names;
}

QStringList drillingContent(const BallDrilling& d) {
    return textsWhere(d, &DrillingFieldInfo::content);
}

QStringList drillingTypedEntry(const BallDrilling& d) {
    return textsWhere(d, &DrillingFieldInfo::typedEntry);
}

QString storedInches(double inches) {
    if (!std::isfinite(inches))
        return {};
    // Rounded to the thousandth first: -0.0004 is stored "0", not "-0".
    const double thousandths = std::round(inches * 1000);
    QString text = QString::number(thousandths == 0 ? 0.0 : thousandths / 1000, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

std::optional<QString> inchesFromShown(const QString& text) {
    // The number, its unit, then the nearest sixteenth in brackets; each
    // part after the number may be missing.
    static const QRegularExpression shown(QStringLiteral(
        "^\\s*(-?\\d{1,6}(?:[.,]\\d{1,9})?)\\s*(?:po)?\\s*(?:\\(\\x{2248}[ 0-9/-]*\\))?\\s*$"));
    if (text.trimmed().isEmpty())
        return QString();
    const QRegularExpressionMatch m = shown.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    QString number = m.captured(1);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    return storedInches(number.toDouble());
}

} // namespace vdn
