#pragma once

#include <QString>

#include <optional>

namespace vdn {

// The bowling hand, stored as one letter: "D" (droitier) or "G" (gaucher),
// in the customer's clt_dg and in each drilling's pb_main.
enum class Hand { Right, Left };

// The stored letter of a hand.
inline QString handCode(Hand hand) {
    return hand == Hand::Right ? QStringLiteral("D") : QStringLiteral("G");
}

// The hand a stored letter names, blanks around and either case, as another
// program may have written it; none for an empty or other text.
inline std::optional<Hand> handOfCode(const QString& stored) {
    const QString code = stored.trimmed().toUpper();
    if (code == QLatin1String("D"))
        return Hand::Right;
    if (code == QLatin1String("G"))
        return Hand::Left;
    return std::nullopt;
}

} // namespace vdn
