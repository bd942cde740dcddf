#include "data/french_text.h"

#include <QList>

#include <array>
#include <utility>

namespace vdn {

namespace {

// Keys are stored: an empty text gives an empty key, never a null one, which
// Qt would bind as NULL.
QString nonNull(QString text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}

// Combining marks that are accents on Latin, Greek and Cyrillic letters: the
// general diacritics and their supplements. Other combining marks (Hebrew
// points, Indic vowel signs) are part of their letters and stay.
bool isAccent(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F);
}

// Letters with no decomposition that a French reader treats as two letters
// or as the plain letter, and the typographic forms of the apostrophe and the
// hyphen that word processors put into names.
const char* plainFormOf(char32_t c) {
    switch (c) {
    case U'Œ':
    case U'œ':
        return "OE";
    case U'Æ':
    case U'æ':
        return "AE";
    case U'ß':
    case U'ẞ':
        return "SS";
    case U'Ø':
    case U'ø':
        return "O";
    case U'Ł':
    case U'ł':
        return "L";
    case U'Đ':
    case U'đ':
        return "D";
    case U'\u2018': // left single quotation mark
    case U'\u2019': // right single quotation mark, the typographic apostrophe
    case U'\u02BC': // modifier letter apostrophe
        return "'";
    case U'\u2010': // hyphen
    case U'\u2012': // figure dash
    case U'\u2013': // en dash
    case U'\u2014': // em dash
    case U'\u2212': // minus sign
        return "-";
    default:
        return nullptr;
    }
}

void appendCodePoint(QString& out, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        out.append(QChar(QChar::highSurrogate(c)));
        out.append(QChar(QChar::lowSurrogate(c)));
    } else {
        out.append(QChar(char16_t(c)));
    }
}

// Calls f on each code point of a text; a lone surrogate reads as U+FFFD.
template <typename F> void forEachCodePoint(const QString& text, F f) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
        } else if (c.isSurrogate()) {
            f(U'\uFFFD');
        } else {
            f(char32_t(c.unicode()));
        }
    }
}

// One character of a BMP text folded: capitals, no accents, plain forms.
void appendFoldedPiece(QString& out, char32_t c) {
    if (isAccent(c))
        return;
    if (const char* plain = plainFormOf(c)) {
        out.append(QLatin1String(plain));
        return;
    }
    if (c < 0x80) {
        out.append(QChar(char16_t(c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c)));
        return;
    }
    // Full case mapping: the capital may be longer, and may carry an accent.
    forEachCodePoint(QString(QChar(char16_t(c))).toUpper(), [&](char32_t u) {
        if (!isAccent(u))
            appendCodePoint(out, u);
    });
}

bool isLetterOrDigit(char32_t c) {
    if (c < 0x80)
        return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

// Class marks of the first key. Both sort before the digit 0, after the blank.
constexpr char16_t AsciiSymbolMark = u'!';
constexpr char16_t OtherSymbolMark = u'"';

// The first key of a text already folded.
QString encodeKey1(const QString& folded) {
    QString key;
    key.reserve(folded.size() + 4);
    forEachCodePoint(folded, [&](char32_t c) {
        if (c == U' ' || isLetterOrDigit(c)) {
            appendCodePoint(key, c);
            return;
        }
        key.append(QChar(c < 0x80 ? AsciiSymbolMark : OtherSymbolMark));
        appendCodePoint(key, c);
    });
    return nonNull(key);
}

// The accents in the order of a French dictionary (é, è, ĕ, ê, ě, å, ë, ő, ã,
// ė, ç, ę, ē, then the others by code point).
constexpr std::array<char32_t, 14> AccentOrder{0x0301, 0x0300, 0x0306, 0x0302, 0x030C,
                                               0x030A, 0x0308, 0x030B, 0x0303, 0x0307,
                                               0x0327, 0x0328, 0x0304, 0x0323};

// An accent in the second key: a character of the last private use plane,
// above any letter a name holds, so that a plain letter sorts first.
char32_t accentWeight(char32_t accent) {
    for (std::size_t i = 0; i < AccentOrder.size(); ++i)
        if (AccentOrder[i] == accent)
            return 0x100000 + char32_t(i) + 1;
    return 0x100000 + 0x100 + accent;
}

int codePointCount(const QString& text) {
    int n = 0;
    forEachCodePoint(text, [&](char32_t) { ++n; });
    return n;
}

// The smallest text greater than every text beginning with `text`; empty when
// there is none.
QString successor(const QString& text) {
    QList<char32_t> points;
    forEachCodePoint(text, [&](char32_t c) { points.append(c); });
    while (!points.isEmpty()) {
        char32_t last = points.takeLast();
        if (last >= 0x10FFFF)
            continue; // nothing follows it: carry into the character before
        ++last;
        if (last == 0xD800)
            last = 0xE000; // surrogates are no characters
        QString out;
        for (char32_t c : points)
            appendCodePoint(out, c);
        appendCodePoint(out, last);
        return out;
    }
    return QString();
}

// What a number text holds: its digits, whether it began with '+', and
// whether it held anything else.
struct TypedNumber {
    QString digits;
    bool plus = false;
    bool valid = false;
};

TypedNumber readTypedNumber(const QString& typed) {
    TypedNumber n;
    QString text = typed.trimmed();
    if (text.startsWith(QLatin1Char('+'))) {
        n.plus = true;
        text.remove(0, 1);
    }
    for (const QChar c : std::as_const(text)) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            n.digits.append(c);
        else if (!c.isSpace() && c != QLatin1Char('.') && c != QLatin1Char('-'))
            return {};
    }
    n.valid = n.digits.size() >= 2;
    return n;
}

// The French national form: '+' is the international prefix 00, and a call to
// France (0033, with or without the national 0 after it) is the 0 number.
QString nationalForm(const QString& digits, bool plus) {
    QString d = plus ? QStringLiteral("00") + digits : digits;
    if (d.startsWith(QLatin1String("0033"))) {
        d.remove(0, 4);
        if (d.startsWith(QLatin1Char('0')))
            d.remove(0, 1);
        d.prepend(QLatin1Char('0'));
    }
    return d;
}

} // namespace

QString foldForSearch(const QString& text) {
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c) {
        if (c == 0)
            return;
        if (c < 0x80) {
            appendFoldedPiece(out, c);
        } else if (QChar::requiresSurrogates(c)) {
            appendCodePoint(out, c); // beyond the BMP: kept as it is
        } else {
            // Compatibility decomposition: accents apart, ligatures and
            // presentation forms written out, odd blanks made plain blanks.
            const QString decomposed =
                QString(QChar(char16_t(c))).normalized(QString::NormalizationForm_KD);
            forEachCodePoint(decomposed, [&](char32_t d) { appendFoldedPiece(out, d); });
        }
    });
    return nonNull(out);
}

QString sortKey1(const QString& text) {
    return encodeKey1(foldForSearch(text));
}

QString sortKey2(const QString& text) {
    QString capitals;
    capitals.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c) {
        if (c == 0)
            return;
        if (QChar::requiresSurrogates(c))
            appendCodePoint(capitals, c);
        else
            capitals.append(QString(QChar(char16_t(c))).toUpper());
    });
    QString key;
    key.reserve(capitals.size() + 4);
    forEachCodePoint(capitals.normalized(QString::NormalizationForm_D),
                     [&](char32_t c) { appendCodePoint(key, isAccent(c) ? accentWeight(c) : c); });
    return nonNull(key);
}

bool KeyRange::contains(const QString& key) const {
    const QByteArray k = key.toUtf8();
    return k >= low.toUtf8() && (high.isEmpty() || k < high.toUtf8());
}

KeyRange searchRange(const QString& folded) {
    const QString trimmed = folded.trimmed();
    const QString key = encodeKey1(trimmed);
    // Blanks around the text make the compared length longer than the text:
    // only a name equal to it matches. No character's code in a key begins
    // below the blank, so `key` followed by U+0001 is above the key itself
    // and below any longer key beginning with it.
    if (trimmed.isEmpty() || codePointCount(trimmed) < codePointCount(folded))
        return {key, key + QChar(1)};
    return {key, successor(key)};
}

KeyRange prefixRange(const QString& digits) {
    return {digits, successor(digits)};
}

QString searchDigits(const QString& typed) {
    const TypedNumber n = readTypedNumber(typed);
    return n.valid ? nationalForm(n.digits, n.plus) : QString();
}

QString codeDigits(const QString& typed) {
    const TypedNumber n = readTypedNumber(typed);
    return n.valid && !n.plus && n.digits.size() <= 6 ? n.digits : QString();
}

QString phoneDigits(const QString& stored) {
    const qsizetype size = stored.size();
    const auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    qsizetype i = 0;
    while (i < size && !isDigit(stored.at(i)) && stored.at(i) != QLatin1Char('+'))
        ++i;
    bool plus = false;
    if (i < size && stored.at(i) == QLatin1Char('+')) {
        plus = true;
        ++i;
    }
    QString digits;
    while (i < size) {
        const QChar c = stored.at(i);
        if (isDigit(c)) {
            digits.append(c);
        } else if (c == QLatin1Char('(') && stored.mid(i, 3) == QLatin1String("(0)") &&
                   !digits.isEmpty() && (plus || digits.startsWith(QLatin1String("00")))) {
            i += 3; // the national 0 written after the country code
            continue;
        } else if (!c.isSpace() && c != QLatin1Char('.') && c != QLatin1Char('-') &&
                   c != QLatin1Char('(') && c != QLatin1Char(')')) {
            break;
        }
        ++i;
    }
    if (digits.isEmpty())
        return nonNull(QString());
    return nationalForm(digits, plus);
}

} // namespace vdn
