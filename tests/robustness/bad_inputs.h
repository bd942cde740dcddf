#pragma once

// Texts a user can type or paste that have broken programs before: quotes,
// SQL wildcards and statements, backslashes, accents, characters beyond the
// Basic Multilingual Plane, tabs and line breaks, a very long text and an
// empty one.

#include <QString>

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

} // namespace vdn::test
