#include "driller/layout_numbers.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdlib>
#include <numeric>

namespace vdn::layout {

namespace {

// Longer texts are no layout number.
constexpr qsizetype MostCharacters = 64;

// The value of a Unicode vulgar fraction, or 0.
double vulgar(QChar c) {
    switch (c.unicode()) {
    case 0x00BC:
        return 0.25;
    case 0x00BD:
        return 0.5;
    case 0x00BE:
        return 0.75;
    case 0x215B:
        return 0.125;
    case 0x215C:
        return 0.375;
    case 0x215D:
        return 0.625;
    case 0x215E:
        return 0.875;
    default:
        return 0;
    }
}

// Takes one of `words` off the end of the text (ignoring case), blanks
// before it included. True when one was there.
bool takeSuffix(QString& text, std::initializer_list<const char*> words) {
    for (const char* w : words) {
        const QString word = QString::fromUtf8(w);
        if (text.endsWith(word, Qt::CaseInsensitive)) {
            const QString rest = text.chopped(word.size());
            // A letter word must stand apart from the number's letters: "po"
            // is no suffix of "typo".
            if (word.at(0).isLetter() && !rest.isEmpty() && rest.back().isLetter())
                continue;
            text = rest.trimmed();
            return true;
        }
    }
    return false;
}

// The number without sign, unit or direction: "4", "4,5", ".5", "4 1/2",
// "4-1/2", "1/2", "4½", "4 ½".
std::optional<double> readMagnitude(const QString& body) {
    static const QRegularExpression decimal(QStringLiteral("^(\\d{1,6})?(?:[.,](\\d{1,9}))?$"));
    static const QRegularExpression fraction(
        QStringLiteral("^(?:(\\d{1,6})(?: +| *- *))?(\\d{1,6})[/\\x{2044}](\\d{1,6})$"));
    static const QRegularExpression withVulgar(QStringLiteral("^(?:(\\d{1,6}) *-? *)?(.)$"));
    if (body.isEmpty())
        return std::nullopt;
    if (const QRegularExpressionMatch m = decimal.match(body); m.hasMatch()) {
        if (m.capturedLength(1) == 0 && m.capturedLength(2) == 0)
            return std::nullopt;
        QString digits = m.captured(1).isEmpty() ? QStringLiteral("0") : m.captured(1);
        if (m.capturedLength(2) > 0)
            digits += QLatin1Char('.') + m.captured(2);
        return digits.toDouble();
    }
    if (const QRegularExpressionMatch m = fraction.match(body); m.hasMatch()) {
        const double whole = m.captured(1).toDouble();
        const double num = m.captured(2).toDouble();
        const double den = m.captured(3).toDouble();
        // Never guessed: a zero denominator, or "4 5/4" that might be a typo.
        if (den == 0 || (m.capturedLength(1) > 0 && num >= den))
            return std::nullopt;
        return whole + num / den;
    }
    if (const QRegularExpressionMatch m = withVulgar.match(body); m.hasMatch()) {
        const double part = vulgar(m.captured(2).at(0));
        if (part == 0)
            return std::nullopt;
        return m.captured(1).toDouble() + part;
    }
    return std::nullopt;
}

QString withComma(QString number) {
    number.replace(QLatin1Char('.'), QLatin1Char(','));
    return number;
}

// "4 1/2" from a count of 1/denominator parts, in lowest terms.
QString fractionText(long long parts, long long denominator) {
    const bool negative = parts < 0;
    parts = std::llabs(parts);
    const long long whole = parts / denominator;
    long long num = parts % denominator;
    long long den = denominator;
    const long long d = std::gcd(num, den);
    if (d > 0) {
        num /= d;
        den /= d;
    }
    QString out;
    if (whole > 0 || num == 0)
        out = QString::number(whole);
    if (num > 0) {
        if (!out.isEmpty())
            out += QLatin1Char(' ');
        out += QStringLiteral("%1/%2").arg(num).arg(den);
    }
    if (negative && parts > 0)
        out.prepend(QLatin1Char('-'));
    return out;
}

// The French way of writing inches puts the mark between the whole inches
// and the fraction: "4"1/2", "4''1/2", "4’’ ½", "4 po 1/2". The mark is
// taken out ("4 1/2"); only a fraction may follow it, never a decimal
// ("4"5" says nothing certain).
void takeInnerInchMark(QString& text) {
    static const QRegularExpression inner(
        QStringLiteral(
            "^([+\\-\\x{2212}]? *\\d{1,6}) *(?:\"|\\x{2033}|''|\\x{2019}\\x{2019}|po\\.?) *"
            "(\\d{1,6}[/\\x{2044}]\\d{1,6}|[\\x{00BC}-\\x{00BE}\\x{215B}-\\x{215E}])"
            "(?![\\d/])(.*)$"),
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = inner.match(text); m.hasMatch())
        text = m.captured(1) + QLatin1Char(' ') + m.captured(2) + m.captured(3);
}

} // namespace

std::optional<double> readQuantity(QStringView raw, Quantity quantity) {
    if (raw.size() > MostCharacters)
        return std::nullopt;
    QString text = raw.toString();
    // Blanks of any kind, as a word processor or a web page leaves them.
    for (QChar& c : text)
        if (c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F) || c == QChar(0x2009))
            c = QLatin1Char(' ');
    text = text.trimmed();
    if (quantity != Quantity::Angle)
        takeInnerInchMark(text);

    int direction = 0; // +1 up, -1 down, 0 not said
    const auto takeDirection = [&] {
        if (quantity != Quantity::Height || direction != 0)
            return;
        if (takeSuffix(text, {"\u2191", "en haut", "haut", "up"}))
            direction = 1;
        else if (takeSuffix(text, {"\u2193", "en bas", "bas", "down"}))
            direction = -1;
    };
    takeDirection();
    if (quantity == Quantity::Angle)
        takeSuffix(text, {"\u00B0", "\u00BA", "degrés", "degres", "deg"});
    else
        takeSuffix(text,
                   {"\"", "\u2033", "''", "\u2019\u2019", "pouces", "pouce", "po.", "po", "in"});
    takeDirection();

    int sign = 1;
    bool signed_ = false;
    if (!text.isEmpty() && (text.front() == QLatin1Char('+') || text.front() == QLatin1Char('-') ||
                            text.front() == QChar(0x2212))) {
        sign = text.front() == QLatin1Char('+') ? 1 : -1;
        signed_ = true;
        text = text.mid(1).trimmed();
    }
    // "+1/2 bas" or "-1/2 haut" says two things: not read.
    if (signed_ && direction != 0)
        return std::nullopt;
    const std::optional<double> magnitude = readMagnitude(text);
    if (!magnitude || !std::isfinite(*magnitude))
        return std::nullopt;
    return (direction < 0 ? -1 : 1) * sign * *magnitude;
}

QString typingExample(Quantity quantity) {
    switch (quantity) {
    case Quantity::Angle:
        return QStringLiteral("45");
    case Quantity::Distance:
        return QStringLiteral("4 1/2 ou 4,5");
    case Quantity::Height:
        return QStringLiteral("1/2, 1/2 haut ou 1/2 bas");
    }
    return {};
}

QString nearestSixteenth(double inches) {
    return fractionText(std::llround(inches * 16), 16);
}

QString inchesText(double inches) {
    QString fixed = QString::number(inches, 'f', 3);
    if (fixed == QLatin1String("-0.000"))
        fixed = QStringLiteral("0.000");
    return withComma(fixed) + QStringLiteral(" po (\u2248 ") + nearestSixteenth(inches) +
           QLatin1Char(')');
}

QString tapeText(double inches) {
    if (std::fabs(inches * 16 - std::round(inches * 16)) < 0.002)
        return nearestSixteenth(inches) + QStringLiteral(" po");
    return inchesText(inches);
}

QString typedInchesText(double inches) {
    if (std::fabs(inches * 16 - std::round(inches * 16)) < 1e-6)
        return nearestSixteenth(inches) + QStringLiteral(" po");
    return plainNumber(inches, 6) + QStringLiteral(" po");
}

QString heightText(double height) {
    return inchesText(std::fabs(height)) +
           (height >= 0 ? QStringLiteral(" au-dessus de la ligne médiane")
                        : QStringLiteral(" au-dessous de la ligne médiane"));
}

QString plainNumber(double value, int decimals) {
    QString fixed = QString::number(value, 'f', decimals);
    if (fixed.contains(QLatin1Char('.'))) {
        while (fixed.endsWith(QLatin1Char('0')))
            fixed.chop(1);
        if (fixed.endsWith(QLatin1Char('.')))
            fixed.chop(1);
    }
    if (fixed == QLatin1String("-0"))
        fixed = QStringLiteral("0");
    return withComma(fixed);
}

QString degreesText(double degrees) {
    return plainNumber(degrees, 2) + QStringLiteral("\u00B0");
}

QString storedAngle(double degrees) {
    return QString::number(std::llround(degrees));
}

QString storedDistance(double inches) {
    const double eighths = inches * 8;
    // Within half a thousandth of an inch of an eighth.
    if (std::fabs(eighths - std::round(eighths)) < 0.004)
        return fractionText(std::llround(eighths), 8);
    return plainNumber(inches, 2);
}

} // namespace vdn::layout
