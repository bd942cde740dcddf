#pragma once

// Texts a user can type or paste that have broken programs before: quotes,
// SQL wildcards and statements, backslashes, accents, characters beyond the
// Basic Multilingual Plane, tabs and line breaks, a very long text and an
// empty one.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace vdn::test {

struct BadInput {
    const char* name;
    QString text;
};

inline QString longText() {
    // 10,000 characters (11,000 UTF-16 units): an accent, a quote and an
    // emoji in every ten.
    QString unit = QStringLiteral("abcdé'fgh");
    unit += QString::fromUcs4(U"\U0001F3B3", 1);
    return unit.repeated(1000);
}

inline QList<BadInput> badInputs() {
    return {
        {"quotes", QStringLiteral("l'axe \"central\" d'O'Neil ''")},
        {"backslashes", QStringLiteral("C:\\Boules\\n\\t\\\\ \\'")},
        {"percent and underscore", QStringLiteral("100% _PRO_ %_")},
        {"sql statement", QStringLiteral("'; DROP TABLE strclient; --")},
        {"accents", QStringLiteral("Éloïse Çà œŒ ß Ññ ÿ € ’ …")},
        {"beyond the BMP", QString::fromUcs4(U"\U0001F3B3 strike \U0001D11E\U0001F600")},
        // A character beyond the BMP across each box limit (5, 15, 20, 30, 50
        // units): its two halves fall on either side.
        {"emoji at the limits",
         [] {
             const QString bowl = QString::fromUcs4(U"\U0001F3B3", 1);
             return QStringLiteral("A").repeated(4) + bowl + QStringLiteral("B").repeated(8) +
                    bowl + QStringLiteral("C").repeated(3) + bowl +
                    QStringLiteral("D").repeated(8) + bowl + QStringLiteral("E").repeated(18) +
                    bowl + QStringLiteral("F").repeated(5);
         }()},
        {"tab and line breaks", QStringLiteral("a\tb\nc\r\nd\re")},
        {"10000 characters", longText()},
        {"empty", QString(QLatin1String(""))},
    };
}

// Reads a comma-separated file as a spreadsheet does (fields between double
// quotes may hold commas, quotes doubled and line breaks); nullopt when a
// quote is left open or stray text follows a closing quote.
inline std::optional<QList<QList<QByteArray>>> parseCsv(const QByteArray& bytes) {
    QList<QList<QByteArray>> lines;
    QList<QByteArray> fields;
    QByteArray field;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        field.clear();
        if (bytes[i] == '"') {
            ++i;
            for (;;) {
                if (i >= n)
                    return std::nullopt;
                if (bytes[i] == '"') {
                    if (i + 1 < n && bytes[i + 1] == '"') {
                        field.append('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.append(bytes[i++]);
            }
        } else {
            while (i < n && bytes[i] != ',' && bytes[i] != '\r' && bytes[i] != '\n') {
                if (bytes[i] == '"')
                    return std::nullopt;
                field.append(bytes[i++]);
            }
        }
        fields << field;
        if (i < n && bytes[i] == ',') {
            ++i;
            continue;
        }
        if (i + 1 < n && bytes[i] == '\r' && bytes[i + 1] == '\n') {
            i += 2;
            lines << fields;
            fields.clear();
            continue;
        }
        return std::nullopt; // a bare CR or LF, or text after a closing quote
    }
    if (!fields.isEmpty())
        return std::nullopt; // last line without its CR LF
    return lines;
}

} // namespace vdn::test
