#include "import/import_text.h"

#include "data/french_text.h"
#include "import/import_fields.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <climits>

namespace vdn {

namespace {

// Windows-1252 from 0x80 to 0x9F; 0 where the code page defines nothing.
constexpr std::array<char16_t, 32> Cp1252High{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Mac Roman from 0x80 to 0xFF.
constexpr std::array<char16_t, 128> MacRomanHigh{
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// Whether the bytes read better as Mac Roman than as Windows-1252: more of
// them are French letters in Mac Roman (é 8E, è 8F, à 88, ç 8D, ê 90, ô 99,
// ù 9D, É 83…, all in 0x80-0x9F) than are letters in Windows-1252 (0xC0 to
// 0xFF, where Mac Roman has punctuation).
bool looksMacRoman(const QByteArray& bytes) {
    static constexpr std::array<unsigned char, 16> macLetters{0x82, 0x83, 0x88, 0x89, 0x8B, 0x8D,
                                                              0x8E, 0x8F, 0x90, 0x91, 0x94, 0x95,
                                                              0x99, 0x9D, 0x9E, 0x9F};
    qsizetype mac = 0, windows = 0;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (std::find(macLetters.begin(), macLetters.end(), b) != macLetters.end())
            ++mac;
        else if (b >= 0xC0 && b != 0xD7 && b != 0xF7)
            ++windows;
    }
    return mac > windows;
}

// ISO-8859-15 where it differs from ISO-8859-1.
char16_t iso885915(unsigned char b) {
    switch (b) {
    case 0xA4:
        return 0x20AC;
    case 0xA6:
        return 0x0160;
    case 0xA8:
        return 0x0161;
    case 0xB4:
        return 0x017D;
    case 0xB8:
        return 0x017E;
    case 0xBC:
        return 0x0152;
    case 0xBD:
        return 0x0153;
    case 0xBE:
        return 0x0178;
    default:
        return b;
    }
}

// Line (from 1) and byte within the line (from 1) of a byte of the file.
QString placeOf(const QByteArray& bytes, qsizetype at) {
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < at && i < bytes.size(); ++i)
        if (bytes[i] == '\n' ||
            (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
            ++line;
            lineStart = i + 1;
        }
    return QStringLiteral("ligne %1, octet %2").arg(line).arg(at - lineStart + 1);
}

QString nulError(const QByteArray& bytes, qsizetype at) {
    return QStringLiteral("Le fichier contient un caractère nul (%1) : ce n'est pas un fichier "
                          "texte.")
        .arg(placeOf(bytes, at));
}

// Where the bytes from `from` to `to` (the end when -1) stop being UTF-8, -1
// when they are UTF-8 throughout.
qsizetype firstBadUtf8(const QByteArray& b, qsizetype from, qsizetype to = -1) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData());
    const qsizetype n = to < 0 ? b.size() : to;
    qsizetype i = from;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            cp = c & 0x1F;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            cp = c & 0x0F;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            cp = c & 0x07;
            min = 0x10000;
        } else {
            return i;
        }
        for (int k = 1; k <= more; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        i += more + 1;
    }
    return -1;
}

bool startsWith(const QByteArray& b, std::initializer_list<unsigned char> prefix) {
    if (b.size() < qsizetype(prefix.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char c : prefix)
        if (static_cast<unsigned char>(b[i++]) != c)
            return false;
    return true;
}

std::optional<QString> decodeUtf16(const QByteArray& bytes, QString& error) {
    const bool bigEndian = startsWith(bytes, {0xFE, 0xFF});
    if ((bytes.size() - 2) % 2 != 0) {
        error = QStringLiteral("Le fichier UTF-16 se termine par un octet isolé.");
        return std::nullopt;
    }
    QString out;
    out.reserve((bytes.size() - 2) / 2);
    int line = 1;
    int unitInLine = 0;
    for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        const char16_t u = char16_t((hi << 8) | lo);
        ++unitInLine;
        const QString where =
            QStringLiteral("ligne %1, octet %2").arg(line).arg(unitInLine * 2 - 1);
        if (u == 0) {
            error = QStringLiteral("Le fichier contient un caractère nul (%1) : ce n'est pas un "
                                   "fichier texte.")
                        .arg(where);
            return std::nullopt;
        }
        if (QChar::isHighSurrogate(u)) {
            char16_t next = 0;
            if (i + 3 < bytes.size()) {
                const auto h2 = static_cast<unsigned char>(bytes[bigEndian ? i + 2 : i + 3]);
                const auto l2 = static_cast<unsigned char>(bytes[bigEndian ? i + 3 : i + 2]);
                next = char16_t((h2 << 8) | l2);
            }
            if (!QChar::isLowSurrogate(next)) {
                error = QStringLiteral("Caractère UTF-16 incomplet (%1).").arg(where);
                return std::nullopt;
            }
            out += QChar(u);
            out += QChar(next);
            i += 2;
            ++unitInLine;
            continue;
        }
        if (QChar::isLowSurrogate(u)) {
            error = QStringLiteral("Caractère UTF-16 incomplet (%1).").arg(where);
            return std::nullopt;
        }
        if (u == u'\n') {
            ++line;
            unitInLine = 0;
        }
        out += QChar(u);
    }
    return out;
}

// The bytes from `from` to `to` in a one-byte encoding, added to `out`.
bool decodeSingleByte(const QByteArray& bytes, qsizetype from, qsizetype to, TextEncoding encoding,
                      QString& out, QString& error) {
    const qsizetype start = out.size();
    out.resize(start + to - from);
    QChar* d = out.data() + start - from;
    for (qsizetype i = from; i < to; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t u = b;
        if (b == 0) {
            error = nulError(bytes, i);
            return false;
        }
        if (encoding == TextEncoding::Windows1252 && b >= 0x80 && b <= 0x9F) {
            u = Cp1252High[b - 0x80];
            if (u == 0) {
                const QString hex = QString::number(b, 16).toUpper();
                error = QStringLiteral("L'octet 0x%1 n'a pas de sens en Windows-1252 (%2) : "
                                       "choisissez le codage du fichier.")
                            .arg(hex, placeOf(bytes, i));
                return false;
            }
        } else if (encoding == TextEncoding::Iso885915) {
            u = iso885915(b);
        } else if (encoding == TextEncoding::MacRoman && b >= 0x80) {
            u = MacRomanHigh[b - 0x80];
        }
        d[i] = QChar(u);
    }
    return true;
}

std::optional<QString> decodeSingleByte(const QByteArray& bytes, TextEncoding encoding,
                                        QString& error) {
    QString out;
    if (!decodeSingleByte(bytes, 0, bytes.size(), encoding, out, error))
        return std::nullopt;
    return out;
}

qsizetype utf8BomSize(const QByteArray& b) {
    return startsWith(b, {0xEF, 0xBB, 0xBF}) ? 3 : 0;
}

// Calls `line(number, from, to, end)` for each line of the bytes: its
// number (from 1), its bytes without the line break, and where the next one
// starts. A line ends at LF, CR LF or CR, as the CSV reading counts lines.
template <class F> void forEachLine(const QByteArray& bytes, F line) {
    const qsizetype n = bytes.size();
    int number = 1;
    qsizetype from = 0;
    while (from < n) {
        qsizetype to = from;
        while (to < n && bytes[to] != '\n' && bytes[to] != '\r')
            ++to;
        qsizetype end = to;
        if (end < n)
            end += (bytes[end] == '\r' && end + 1 < n && bytes[end + 1] == '\n') ? 2 : 1;
        line(number++, from, to, end);
        from = end;
    }
}

bool hasHighByte(const QByteArray& b, qsizetype from, qsizetype to) {
    for (qsizetype i = from; i < to; ++i)
        if (static_cast<unsigned char>(b[i]) >= 0x80)
            return true;
    return false;
}

// The lines with accents in UTF-8, and the lines that are not UTF-8.
struct LineKinds {
    QList<int> utf8;
    QList<int> other;
};
LineKinds lineKinds(const QByteArray& bytes) {
    LineKinds kinds;
    const qsizetype bom = utf8BomSize(bytes);
    forEachLine(bytes, [&](int number, qsizetype from, qsizetype to, qsizetype) {
        from = std::max(from, bom);
        if (!hasHighByte(bytes, from, to))
            return;
        (firstBadUtf8(bytes, from, to) < 0 ? kinds.utf8 : kinds.other) << number;
    });
    return kinds;
}

// Each line in UTF-8 when it is valid UTF-8, else in Windows-1252.
std::optional<QString> decodePerLine(const QByteArray& bytes, QString& error) {
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) {
        error = nulError(bytes, nul);
        return std::nullopt;
    }
    QString out;
    out.reserve(bytes.size());
    bool ok = true;
    const qsizetype bom = utf8BomSize(bytes);
    forEachLine(bytes, [&](int, qsizetype from, qsizetype to, qsizetype end) {
        if (!ok)
            return;
        from = std::max(from, bom);
        if (firstBadUtf8(bytes, from, to) < 0) {
            out += QString::fromUtf8(bytes.constData() + from, to - from);
            out += QString::fromLatin1(bytes.constData() + to, end - to);
        } else {
            ok = decodeSingleByte(bytes, from, end, TextEncoding::Windows1252, out, error);
        }
    });
    if (!ok)
        return std::nullopt;
    return out;
}

// "ligne 3", "lignes 2, 5", "lignes 2, 3, … (40 lignes)".
QString lineList(const QList<int>& lines) {
    constexpr int Named = 10;
    QStringList numbers;
    for (qsizetype i = 0; i < lines.size() && i < Named; ++i)
        numbers << QString::number(lines.at(i));
    if (lines.size() == 1)
        return QStringLiteral("ligne %1").arg(numbers.first());
    QString text = QStringLiteral("lignes ") + numbers.join(QStringLiteral(", "));
    if (lines.size() > Named)
        text += QStringLiteral(", … (%1 lignes)").arg(lines.size());
    return text;
}

QString mixedText(const QList<int>& utf8, const QList<int>& other) {
    return QStringLiteral("Le fichier mélange deux codages : UTF-8 (%1) et Windows-1252 (%2).")
        .arg(lineList(utf8), lineList(other));
}

// What the user is told of a file that mixes encodings, read as `encoding`.
QString mixedWarning(const LineKinds& kinds, TextEncoding encoding) {
    if (encoding == TextEncoding::PerLine)
        return mixedText(kinds.utf8, kinds.other) +
               QStringLiteral(" Chaque ligne est lue dans le sien : vérifiez les accents des "
                              "lignes signalées dans l'aperçu avant d'importer.");
    const QString lines = lineList(kinds.utf8);
    return QStringLiteral("%1 %2 écrite%3 en UTF-8 : lue%3 en %4, %5 accents seront faux "
                          "(« Ã© » pour « é »). Choisissez le codage « Automatique » pour lire "
                          "chaque ligne dans son codage.")
        .arg(kinds.utf8.size() == 1 ? QStringLiteral("La") : QStringLiteral("Les"),
             kinds.utf8.size() == 1 ? lines + QStringLiteral(" semble")
                                    : lines + QStringLiteral(" semblent"),
             kinds.utf8.size() == 1 ? QString() : QStringLiteral("s"), encodingName(encoding),
             kinds.utf8.size() == 1 ? QStringLiteral("ses") : QStringLiteral("leurs"));
}

bool containsIn(const QList<int>& sorted, int first, int last) {
    const auto it = std::lower_bound(sorted.begin(), sorted.end(), first);
    return it != sorted.end() && *it <= last;
}

std::optional<QString> decodeUtf8(const QByteArray& bytes, QString& error) {
    const qsizetype from = utf8BomSize(bytes);
    if (const qsizetype bad = firstBadUtf8(bytes, from); bad >= 0) {
        error = QStringLiteral("Le fichier n'est pas en UTF-8 (%1) : choisissez son codage.")
                    .arg(placeOf(bytes, bad));
        return std::nullopt;
    }
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) {
        error = nulError(bytes, nul);
        return std::nullopt;
    }
    return QString::fromUtf8(bytes.constData() + from, bytes.size() - from);
}

// How many cells each of the first records has, read with a separator.
QList<int> cellCounts(const QString& text, QChar separator, int records) {
    QList<int> counts;
    int cells = 1;
    bool quoted = false;
    bool lineHasText = false;
    for (qsizetype i = 0; i < text.size() && counts.size() < records; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                    ++i;
                else
                    quoted = false;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            lineHasText = true;
        } else if (c == separator) {
            ++cells;
            lineHasText = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (lineHasText)
                counts << cells;
            cells = 1;
            lineHasText = false;
        } else {
            lineHasText = true;
        }
    }
    if (lineHasText && counts.size() < records)
        counts << cells;
    return counts;
}

} // namespace

QString encodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Guess:
        return QStringLiteral("Automatique");
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf16:
        return QStringLiteral("UTF-16");
    case TextEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    case TextEncoding::Iso885915:
        return QStringLiteral("ISO-8859-15");
    case TextEncoding::PerLine:
        return QStringLiteral("UTF-8 et Windows-1252, ligne par ligne");
    case TextEncoding::MacRoman:
        return QStringLiteral("Mac Roman");
    }
    return {};
}

std::optional<QString> decodeText(const QByteArray& bytes, TextEncoding& encoding, QString& error) {
    const bool utf16Bom = startsWith(bytes, {0xFF, 0xFE}) || startsWith(bytes, {0xFE, 0xFF});
    if (encoding == TextEncoding::Guess) {
        if (firstBadUtf8(bytes, 0) < 0)
            encoding = TextEncoding::Utf8;
        else if (utf16Bom)
            encoding = TextEncoding::Utf16;
        else if (!lineKinds(bytes).utf8.isEmpty())
            encoding = TextEncoding::PerLine;
        else if (looksMacRoman(bytes))
            encoding = TextEncoding::MacRoman;
        else
            encoding = TextEncoding::Windows1252;
    }
    switch (encoding) {
    case TextEncoding::Utf16:
        if (!utf16Bom) {
            error = QStringLiteral("Le fichier ne commence pas par la marque d'ordre des octets "
                                   "de l'UTF-16 : choisissez un autre codage.");
            return std::nullopt;
        }
        return decodeUtf16(bytes, error);
    case TextEncoding::Windows1252:
    case TextEncoding::Iso885915:
    case TextEncoding::MacRoman:
        return decodeSingleByte(bytes, encoding, error);
    case TextEncoding::PerLine:
        return decodePerLine(bytes, error);
    case TextEncoding::Guess:
    case TextEncoding::Utf8:
        break;
    }
    return decodeUtf8(bytes, error);
}

std::optional<QList<QStringList>> parseDelimited(const QString& text, QChar separator,
                                                 QList<int>* lines, QString& error) {
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;     // inside double quotes
    bool cellQuoted = false; // the cell began with a quote
    bool rowHasText = false;
    int line = 1;
    int rowLine = 1;
    int quoteLine = 1;
    const auto endRow = [&] {
        row << cell;
        cell.clear();
        cellQuoted = false;
        if (rowHasText || row.size() > 1) {
            rows << row;
            if (lines)
                lines->append(rowLine);
        }
        row.clear();
        rowHasText = false;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n') ||
                    (c == QLatin1Char('\r') && (i + 1 >= n || text.at(i + 1) != QLatin1Char('\n'))))
                    ++line;
                cell += c;
            }
            continue;
        }
        if (c == separator) {
            row << cell;
            cell.clear();
            cellQuoted = false;
            rowHasText = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            endRow();
            ++line;
            rowLine = line;
        } else if (c == QLatin1Char('"') && cell.isEmpty() && !cellQuoted) {
            quoted = true;
            cellQuoted = true;
            rowHasText = true;
            quoteLine = line;
        } else {
            if (!rowHasText && row.isEmpty() && cell.isEmpty())
                rowLine = line;
            cell += c;
            if (!c.isSpace())
                rowHasText = true;
        }
    }
    if (quoted) {
        error = QStringLiteral("Guillemet ouvert à la ligne %1 et jamais refermé.").arg(quoteLine);
        return std::nullopt;
    }
    if (!cell.isEmpty() || !row.isEmpty() || cellQuoted)
        endRow();
    return rows;
}

QChar guessSeparator(const QString& text) {
    constexpr int Records = 30;
    QChar best = QLatin1Char(';');
    int bestAgreeing = -1;
    int bestCells = 0;
    for (const QChar sep : {QChar(u';'), QChar(u'\t'), QChar(u',')}) {
        const QList<int> counts = cellCounts(text, sep, Records);
        if (counts.isEmpty())
            continue;
        // The most frequent count above one, and how many records have it.
        int cells = 0, agreeing = 0;
        for (const int c : counts) {
            if (c < 2)
                continue;
            const int k = int(counts.count(c));
            if (k > agreeing || (k == agreeing && c > cells)) {
                agreeing = k;
                cells = c;
            }
        }
        if (agreeing > bestAgreeing || (agreeing == bestAgreeing && cells > bestCells)) {
            best = sep;
            bestAgreeing = agreeing;
            bestCells = cells;
        }
    }
    return best;
}

namespace {

// Rows whose cells are all blank (";;;" lines) hold nothing to import.
void dropBlankRows(QList<QStringList>& rows, QList<int>& lines) {
    for (qsizetype i = rows.size() - 1; i >= 0; --i)
        if (std::all_of(rows.at(i).cbegin(), rows.at(i).cend(),
                        [](const QString& c) { return c.trimmed().isEmpty(); })) {
            rows.removeAt(i);
            lines.removeAt(i);
        }
}

int knownCells(const QStringList& row) {
    return int(std::count_if(row.cbegin(), row.cend(), [](const QString& c) {
        return guessField(c) != ImportField::Ignored;
    }));
}

// The header among the first rows: the first naming the most fields, two
// at least when a row names two.
std::optional<qsizetype> headerRow(const QList<QStringList>& rows) {
    constexpr qsizetype Looked = 20;
    int most = 0;
    for (qsizetype i = 0; i < rows.size() && i < Looked; ++i)
        most = std::max(most, knownCells(rows.at(i)));
    if (most == 0)
        return std::nullopt;
    for (qsizetype i = 0; i < rows.size() && i < Looked; ++i)
        if (knownCells(rows.at(i)) >= std::min(most, 2))
            return i;
    return std::nullopt;
}

// A total a spreadsheet adds below the data: "TOTAL", "Total : 6",
// "Sous-total 12", "Total général" as the row's first cell that is not blank.
bool isTotal(const QStringList& row) {
    static const QRegularExpression total(
        QStringLiteral("^(SOUS[- ]?)?TOTAL( GENERAL)?\\s*:?\\s*[0-9 ]*$"));
    for (const QString& c : row)
        if (!c.trimmed().isEmpty())
            return total.match(foldForSearch(c).simplified()).hasMatch();
    return false;
}

void skipTotalsAndHeaders(QList<QStringList>& rows, QList<int>& lines, TextTable& t) {
    const auto folded = [](const QStringList& row) {
        QStringList out;
        for (const QString& c : row)
            out << foldForSearch(c).simplified();
        while (!out.isEmpty() && out.last().isEmpty())
            out.removeLast();
        return out;
    };
    const QStringList header = t.header ? folded(t.columns) : QStringList();
    for (qsizetype i = 0; i < rows.size();) {
        QString reason;
        if (isTotal(rows.at(i)))
            reason = QStringLiteral("ligne de total");
        else if (!header.isEmpty() && folded(rows.at(i)) == header)
            reason = QStringLiteral("en-tête répété");
        if (reason.isEmpty()) {
            ++i;
            continue;
        }
        t.skipped << SkippedRow{lines.at(i), rows.takeAt(i), reason};
        lines.removeAt(i);
    }
}

} // namespace

TextTable readTextTable(const QByteArray& bytes, const TextOptions& options) {
    TextTable t;
    TextEncoding encoding = options.encoding;
    const std::optional<QString> text = decodeText(bytes, encoding, t.error);
    t.encoding = encoding;
    if (!text)
        return t;
    // Lines of two encodings: said, whichever way the file is read.
    if (encoding == TextEncoding::PerLine || encoding == TextEncoding::Windows1252 ||
        encoding == TextEncoding::Iso885915 || encoding == TextEncoding::MacRoman) {
        LineKinds kinds = lineKinds(bytes);
        if (!kinds.utf8.isEmpty() && !kinds.other.isEmpty()) {
            t.warning = mixedWarning(kinds, encoding);
            t.utf8Lines = std::move(kinds.utf8);
            t.otherLines = std::move(kinds.other);
        }
    }
    t.separator = options.separator.isNull() ? guessSeparator(*text) : options.separator;
    QList<int> lines;
    std::optional<QList<QStringList>> rows = parseDelimited(*text, t.separator, &lines, t.error);
    if (!rows)
        return t;
    if (rows->isEmpty()) {
        t.error = QStringLiteral("Le fichier ne contient aucune ligne.");
        return t;
    }
    dropBlankRows(*rows, lines);
    if (rows->isEmpty()) {
        t.error = QStringLiteral("Le fichier ne contient aucune ligne.");
        return t;
    }
    qsizetype width = 0;
    for (const QStringList& r : *rows)
        width = std::max(width, r.size());
    // Where the data begin, and the header row above them: the row found
    // naming fields; else, asked for a header, the row just above the data.
    qsizetype data = 0;
    std::optional<qsizetype> headerAt;
    if (options.firstDataLine) {
        while (data < rows->size() && lines.at(data) < *options.firstDataLine)
            ++data;
        if (options.header.value_or(true))
            headerAt = headerRow(rows->mid(0, data));
        if (!headerAt && options.header.value_or(false) && data > 0)
            headerAt = data - 1;
    } else if (options.header.value_or(true)) {
        headerAt = headerRow(*rows);
        if (!headerAt && options.header.value_or(false))
            headerAt = 0;
        data = headerAt ? *headerAt + 1 : 0;
    }
    t.header = headerAt.has_value();
    for (qsizetype i = 0; i < data; ++i) {
        if (headerAt && i == *headerAt)
            continue;
        t.skipped << SkippedRow{lines.at(i), rows->at(i),
                                headerAt && i < *headerAt
                                    ? QStringLiteral("au-dessus de l'en-tête")
                                    : QStringLiteral("au-dessus des données")};
    }
    if (headerAt) {
        t.headerLine = rows->at(*headerAt).join(t.separator);
        t.headerFileLine = lines.at(*headerAt);
        t.columns = rows->at(*headerAt);
    }
    rows->remove(0, data);
    lines.remove(0, data);
    // The line just below the header, even when it is a total: chosen
    // again, it gives the same reading.
    t.firstDataLine = lines.isEmpty() ? 0 : lines.first();
    skipTotalsAndHeaders(*rows, lines, t);
    for (qsizetype i = t.columns.size(); i < width; ++i)
        t.columns << QStringLiteral("Colonne %1").arg(i + 1);
    for (int i = 0; i < t.columns.size(); ++i)
        if (t.columns[i].trimmed().isEmpty())
            t.columns[i] = QStringLiteral("Colonne %1").arg(i + 1);
    for (QStringList& r : *rows)
        while (r.size() < width)
            r << QString();
    t.rows = std::move(*rows);
    t.lines = std::move(lines);
    return t;
}

QString mixedEncodingText(const TextTable& table) {
    if (table.utf8Lines.isEmpty() || table.otherLines.isEmpty())
        return {};
    return mixedText(table.utf8Lines, table.otherLines);
}

QString encodingNote(const TextTable& table, qsizetype row) {
    if (table.utf8Lines.isEmpty() || row < 0 || row >= table.lines.size())
        return {};
    const int first = table.lines.at(row);
    const int last = row + 1 < table.lines.size() ? table.lines.at(row + 1) - 1 : INT_MAX;
    const bool utf8 = containsIn(table.utf8Lines, first, last);
    if (table.encoding != TextEncoding::PerLine)
        return utf8 ? QStringLiteral("semble en UTF-8") : QString();
    const bool other = containsIn(table.otherLines, first, last);
    if (utf8 && other)
        return QStringLiteral("lue en UTF-8 et en Windows-1252");
    if (utf8)
        return QStringLiteral("lue en UTF-8");
    return other ? QStringLiteral("lue en Windows-1252") : QString();
}

} // namespace vdn
