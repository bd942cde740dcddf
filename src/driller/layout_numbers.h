#pragma once

// Layout numbers as the shop writes them, read and written back.
//
// Pick-list texts are the shop's own: "45", "45°", "4 1/2", "4½", "4-1/2",
// "4,5", "4.5", "4 1/2\"", "4 1/2 po", "3 3/8", and with the inch mark
// before the fraction: "4\"1/2", "4''1/2", "4’’ ½", "4 po 1/2". A height may carry its
// direction: "1/2 ↑", "1/2 haut", "1/2 up", "+1/2" (up; a bare number is
// up) or "1/2 ↓", "1/2 bas", "1/2 down", "-1/2" (down). A text that cannot be
// read is never guessed at.

#include <QString>
#include <QStringView>

#include <optional>

namespace vdn::layout {

enum class Quantity {
    Angle,    // degrees; "°" may follow
    Distance, // inches; a unit ("po", "\"", "in") may follow; a sign gives a negative value
    Height,   // inches up, a direction may follow; down is negative
};

// The value of a text, or nothing when it cannot be read. An empty text
// cannot be read.
std::optional<double> readQuantity(QStringView text, Quantity quantity);

// What a user may type, for the messages: "45", "4 1/2 ou 4,5", ...
QString typingExample(Quantity quantity);

// "2 9/16": the nearest sixteenth of an inch, in lowest terms ("-1/2", "3").
QString nearestSixteenth(double inches);
// "2,592 po (≈ 2 9/16)": three decimals with a decimal comma, then the
// nearest sixteenth.
QString inchesText(double inches);
// A distance for the tape: "2 9/16 po" when it is a sixteenth, else
// inchesText().
QString tapeText(double inches);
// A distance the user typed, which is exact, for the page: "4 1/2 po" when
// it is a sixteenth, else its decimals ("4,56 po"); never "≈", which marks
// a computed value rounded.
QString typedInchesText(double inches);
// "4,007 po (≈ 4) au-dessus de la ligne médiane": a height above (positive)
// or below the midline.
QString heightText(double height);
// "44,62°": at most two decimals, no trailing zeros.
QString degreesText(double degrees);
// The same number without its unit, as an entry box takes it: "44,62".
QString plainNumber(double value, int decimals);

// Layout values as they are written into a ball's pick lists: angles in
// whole degrees; the distance in at most five characters, in eighths when
// it is one ("4 1/2", "4 5/8"), else with two decimals ("4,56").
QString storedAngle(double degrees);
QString storedDistance(double inches);

} // namespace vdn::layout
