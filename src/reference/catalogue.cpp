#include "reference/catalogue.h"

#include "data/schema.h"

#include <QLocale>
#include <QRegularExpression>

namespace vdn {

QString ballGroupTitle() {
    return QStringLiteral("Paramètres pour le descriptif d'une boule");
}

QString sheetGroupTitle() {
    return QStringLiteral("Paramètres pour la fiche de percage ");
}

const QList<BallCode>& ballCodes() {
    static const QList<BallCode> codes{
        {0, QStringLiteral("0 - Marque de boules"), QStringLiteral("Marque : "),
         QStringLiteral("mat_marque"), QStringLiteral("Combo0"), ListOrder::Text,
         ListOrder::Numeric, 30, EntryBox::Txt0, 30, true, std::nullopt},
        {1, QStringLiteral("1 - Noyau"), QStringLiteral("Noyau : "), QStringLiteral("mat_noyau"),
         QStringLiteral("Combo1"), ListOrder::Text, ListOrder::Text, 15, EntryBox::Txt1, 15, false,
         std::nullopt},
        {2, QStringLiteral("2 - Différentiel"), QStringLiteral("Différentiel : "),
         QStringLiteral("mat_diff"), QStringLiteral("Combo2"), ListOrder::Numeric,
         ListOrder::Numeric, 0, EntryBox::Txt2, 0, false, NumericRule{2, {}, {}, {}}},
        {3, QStringLiteral("3 - Length"), QStringLiteral("Back End : "),
         QStringLiteral("mat_length"), QStringLiteral("Combo3"), ListOrder::Numeric,
         ListOrder::Numeric, 0, EntryBox::Txt2, 0, false,
         NumericRule{2, 1.0, 20.0, QStringLiteral("Cette valeur doit être >= 1 et <= 20")}},
        {4, QStringLiteral("4 - Hook"), QStringLiteral("hook: "), QStringLiteral("mat_hook"),
         QStringLiteral("Combo4"), ListOrder::Numeric, ListOrder::Numeric, 0, EntryBox::Txt2, 0,
         false, NumericRule{2, {}, 10.0, QStringLiteral("Cette valeur doit être <= 10")}},
        {5, QStringLiteral("5 - Layout 1er angle"), QStringLiteral("Layout Angle 1 : "),
         QStringLiteral("MAT_LAYOUT1"), QStringLiteral("Combo5"), ListOrder::Numeric,
         ListOrder::Numeric, 0, EntryBox::Txt2, 0, false,
         NumericRule{0, 10.0, 90.0, QStringLiteral("Cette valeur doit être >= 10 et <=90")}},
        {6, QStringLiteral("6 - Layout distance"), QStringLiteral("Layout Distance : "),
         QStringLiteral("MAT_LAYOUT2"), QStringLiteral("Combo6"), ListOrder::Numeric,
         ListOrder::Text, 5, EntryBox::Txt6, 5, false, std::nullopt},
        {7, QStringLiteral("7 - Layout 2ème angle"), QStringLiteral("Layout Angle 2 : "),
         QStringLiteral("MAT_LAYOUT3"), QStringLiteral("Combo7"), ListOrder::Text,
         ListOrder::Numeric, 0, EntryBox::Txt2, 0, false,
         NumericRule{0, 20.0, 70.0, QStringLiteral("Cette valeur doit être >= 20 et <=70")}},
    };
    return codes;
}

const BallCode* ballCode(int code) {
    for (const BallCode& c : ballCodes())
        if (c.code == code)
            return &c;
    return nullptr;
}

const QList<SheetField>& sheetFieldList() {
    static const QList<SheetField> fields = [] {
        QList<SheetField> out;
        for (int n : sheetMeasureNumbers()) {
            int list = n;
            if (n >= 25 && n <= 27)
                list = n - 3; // thumb insert colour, brand, shape share the finger lists
            else if (n == 33)
                list = 11;
            const int labelNumber = n == 33 ? 11 : n;
            const QString label = labelNumber == 8   ? QStringLiteral(" 8  : ")
                                  : labelNumber == 9 ? QStringLiteral(" 9 : ")
                                                     : QStringLiteral("%1 : ").arg(labelNumber);
            out.append({n, list, label, sheetMeasureField(n), QStringLiteral("Combo%1").arg(n)});
        }
        return out;
    }();
    return fields;
}

const SheetField* sheetFieldOf(int number) {
    for (const SheetField& f : sheetFieldList())
        if (f.number == number)
            return &f;
    return nullptr;
}

QList<int> sheetCheckOrder() {
    QList<int> order;
    for (int n = 8; n <= 22; ++n)
        order << n;
    order << 25 << 23 << 26 << 24 << 27;
    for (int n = 28; n <= 34; ++n)
        order << n;
    order << 36;
    return order;
}

const QList<SheetFillStep>& sheetFillSteps() {
    static const QList<SheetFillStep> steps = [] {
        QList<SheetFillStep> out{{8, {8}}, {9, {9}}, {10, {10}}, {11, {11, 33}}};
        for (int n = 12; n <= 21; ++n)
            out.append(SheetFillStep{n, {n}});
        out.append(SheetFillStep{22, {22, 25}});
        out.append(SheetFillStep{23, {23, 26}});
        out.append(SheetFillStep{24, {24, 27}});
        for (int n = 28; n <= 32; ++n)
            out.append(SheetFillStep{n, {n}});
        out.append(SheetFillStep{34, {34}});
        out.append(SheetFillStep{36, {36}});
        return out;
    }();
    return steps;
}

const QList<QPair<int, int>>& sheetExclusivePairs() {
    static const QList<QPair<int, int>> pairs{{9, 10}, {13, 14}, {16, 17}, {15, 18}};
    return pairs;
}

std::optional<int> sheetExclusivePartner(int number) {
    for (const auto& [a, b] : sheetExclusivePairs()) {
        if (a == number)
            return b;
        if (b == number)
            return a;
    }
    return std::nullopt;
}

QString unknownValueQuestion(const QString& promptLabel, const QString& shownValue) {
    return promptLabel + shownValue + QStringLiteral(" est inconnu, voulez-vous l'enregistrer ? ");
}

namespace {

struct Decimal {
    bool negative = false;
    QString whole; // digits, no leading zeros but at least "0"
    QString fraction;
};

std::optional<Decimal> parseDecimal(const QString& typed) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([+-]?)\\s*(\\d*)(?:[.,](\\d*))?\\s*$"));
    const QRegularExpressionMatch m = pattern.match(typed);
    if (!m.hasMatch())
        return std::nullopt;
    Decimal d;
    d.negative = m.captured(1) == QLatin1String("-");
    d.whole = m.captured(2);
    d.fraction = m.captured(3);
    if (d.whole.isEmpty() && d.fraction.isEmpty())
        return std::nullopt;
    // Only ASCII digits count; \d also matches other scripts' digits.
    for (const QString* part : {&d.whole, &d.fraction})
        for (QChar c : *part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
    while (d.whole.size() > 1 && d.whole.startsWith(QLatin1Char('0')))
        d.whole.remove(0, 1);
    if (d.whole.isEmpty())
        d.whole = QStringLiteral("0");
    return d;
}

// Adds one unit to a string of decimal digits.
QString incremented(QString digits) {
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != QLatin1Char('9')) {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = QLatin1Char('0');
    }
    return QLatin1Char('1') + digits;
}

// Rounds half away from zero to the given number of decimals, on the typed
// digits themselves so that 20,005 and 9,5 round the way a person expects.
Decimal rounded(Decimal d, int decimals) {
    QString fraction = d.fraction.leftJustified(decimals + 1, QLatin1Char('0'));
    const bool up = fraction.at(decimals) >= QLatin1Char('5');
    fraction.truncate(decimals);
    if (up) {
        QString all = incremented(d.whole + fraction);
        d.whole = all.left(all.size() - decimals);
        fraction = all.right(decimals);
    }
    d.fraction = fraction;
    const bool zero = d.whole == QLatin1String("0") &&
                      (fraction.isEmpty() || fraction.count(QLatin1Char('0')) == fraction.size());
    if (zero)
        d.negative = false;
    return d;
}

} // namespace

std::optional<double> parseTypedNumber(const QString& typed) {
    const std::optional<Decimal> d = parseDecimal(typed);
    if (!d)
        return std::nullopt;
    QString text = (d->negative ? QStringLiteral("-") : QString()) + d->whole;
    if (!d->fraction.isEmpty())
        text += QLatin1Char('.') + d->fraction;
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    if (!ok) // beyond the range of a double
        return d->negative ? -HUGE_VAL : HUGE_VAL;
    return v;
}

NumericEntry applyNumericRule(const NumericRule& rule, const QString& typed) {
    const std::optional<Decimal> parsed = parseDecimal(typed);
    if (!parsed)
        return {NumericEntry::Outcome::NotNumeric, typed,
                QStringLiteral("cette valeur doit être numérique")};
    Decimal d = rounded(*parsed, rule.decimals);
    QString whole = d.whole;
    if (rule.decimals == 0 && whole.size() < 2)
        whole.prepend(QLatin1Char('0'));
    QString formatted = (d.negative ? QStringLiteral("-") : QString()) + whole;
    if (rule.decimals > 0)
        formatted += QLatin1Char(',') + d.fraction;
    const double value = parseTypedNumber(formatted).value_or(0.0);
    if ((rule.min && value < *rule.min) || (rule.max && value > *rule.max))
        return {NumericEntry::Outcome::OutOfRange, formatted, rule.outOfRangeMessage};
    return {NumericEntry::Outcome::Accepted, formatted, {}};
}

} // namespace vdn
