#pragma once

// The bowling rules a drilled ball is checked against, for the rule
// profile the shop chose. The check warns; it never refuses a drilling.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vdn::drilling {

enum class Profile { Usbc, Ibf };

// "USBC" / "IBF (ex-World Bowling)" as the window offers them, and the
// stored words "USBC" / "IBF".
QString profileName(Profile p);
QString profileCode(Profile p);
Profile profileOf(const QString& code);

// What was drilled beyond the layout: holes in inches, static weights in
// ounces after drilling (the sign names the heavy side), the ball in pounds
// (none when not noted: the static weight limits depend on it).
struct Holes {
    int grippingHoles = 0;
    bool thumbless = false;
    bool thumbHole = false;
    int ventHoles = 0;
    double largestVent = 0;
    bool millHole = false;
    double millDiameter = 0;
    double millDepth = 0;
    bool balanceHole = false;
    // The widest and the deepest gripping hole, thumb and fingers together
    // (a removable thumb's hole included).
    double widestGrip = 0;
    double deepestGrip = 0;
    double topBottom = 0;
    double side = 0;
    double fingerThumb = 0;
    std::optional<double> ballPounds;
};

// One rule: the profiles it binds, its short name for the verdict, the
// line shown when it fails, and where it is written.
struct Rule {
    bool usbc;
    bool ibf;
    const char* shortName;
    const char* message;
    const char* source;
    bool (*broken)(const Holes&);
};

// Every rule, in the order the window lists the failed ones.
const std::vector<Rule>& rules();

struct Check {
    // One French line per failed rule, with its source and date.
    QStringList failures;
    // Lines that remind what cannot be checked from the numbers.
    QStringList reminders;
    // "Conforme USBC" / "Non conforme USBC : trou d'équilibrage, ..."; never
    // "Conforme" without the ball's weight: "Poids non vérifiés (USBC) :
    // poids de la boule non noté", or "Non conforme USBC : ... ; poids non
    // vérifiés".
    QString verdict;
};

Check check(const Holes& holes, Profile profile);

} // namespace vdn::drilling
