#pragma once

// The geometry of a ball layout: where the driller marks the ball, and what
// the layout means, from the Dual Angle numbers of the ball and the PAP of
// the bowler. Pure functions on numbers; no widget, no database.
//
// The ball is a sphere of circumference 27 in (the convention under which
// 6 3/4 in is a quarter turn); a distance on the ball is an arc of a great
// circle. The pin marks the top of the core, the CG lies below it, and the
// mass bias marker (MB, where the preferred spin axis is marked) lies on the
// pin-CG line at the maker's distance from the pin, 6 3/4 in by default.
//
// Convention: the ball is seen from outside with the CG straight below the
// pin. For a right-hander the PAP is found by turning the pin-CG line
// counter-clockwise by the drilling angle and following it for the pin-PAP
// distance; the upper half of the VAL (vertical axis line) is found by
// turning the PAP-pin line clockwise by the VAL angle. The midline goes
// through the grip centre at right angles to the VAL; the PAP lies "up"
// above it, measured along the VAL (below when "up" is negative), and
// "over" to the right of the grip centre, measured along the midline. The
// grip centre is thus left of the VAL, on the pin's side for the usual
// layouts. A left-hander's layout is the mirror image, at the same
// distances.

#include "data/hand.h"

#include <QList>

namespace vdn::layout {

inline constexpr double Circumference = 27.0;
inline constexpr double QuarterTurn = Circumference / 4;
inline constexpr double HalfTurn = Circumference / 2;
inline constexpr double DefaultPinToMb = QuarterTurn;

// The radius of the ball, in inches.
double ballRadius();

// The hand the layout is drilled for (its stored letter: data/hand.h).
using Hand = vdn::Hand;

// The line the drilling angle is turned from at the pin: towards the CG on a
// symmetric ball, towards the mass bias (MB) the maker marks on an
// asymmetric one. Both are drawn and measured alike.
enum class Core { Symmetric, Asymmetric };

// The name of that line's far end on the drawing and in the marking steps.
inline const char* referenceName(Core core) {
    return core == Core::Asymmetric ? "MB" : "CG";
}

// A Dual Angle layout: the drilling angle at the pin (between the pin-CG and
// pin-PAP lines, pin-MB on an asymmetric ball), the pin-PAP distance, the VAL angle at the PAP
// (between the PAP-pin line and the upper half of the VAL). Angles in degrees, distances in inches.
struct DualAngle {
    double drillingAngle = 0;
    double pinToPap = 0;
    double valAngle = 0;
};

// Where the bowler's PAP lies from the grip centre, in inches.
struct Pap {
    double over = 0;
    double up = 0;
};

// The same layout in the VLS system: pin to PAP, PSA to PAP, pin buffer
// (the pin's distance from the VAL).
struct Vls {
    double pinToPap = 0;
    double psaToPap = 0;
    double pinBuffer = 0;
};

// What the layout means, in inches.
double pinBuffer(const DualAngle& layout);
// From the MB to the PAP; with the MB at 6 3/4 in, the VLS PSA-PAP distance.
double mbToPap(const DualAngle& layout, double pinToMb);
// The pin's height above the midline; negative below.
double pinHeight(const DualAngle& layout, const Pap& pap);
double pinToGrip(const DualAngle& layout, const Pap& pap);

Vls toVls(const DualAngle& layout, double pinToMb);

// The Dual Angle layouts that give three VLS numbers (VAL angle from 0 to
// 180 degrees). Two layouts answer when the pin may lie above or below the
// PAP's level at the same buffer: the one with the smaller VAL angle comes
// first. None answers when the buffer is wider than the pin-PAP distance
// allows, or when the PSA-PAP distance cannot be reached from that pin
// distance: `reachFrom` and `reachTo` then give the PSA-PAP distances that
// can.
struct FromVls {
    enum class Problem { None, BufferTooWide, PsaOutOfReach };
    Problem problem = Problem::None;
    double reachFrom = 0;
    double reachTo = 0;
    QList<DualAngle> answers;
};
FromVls fromVls(const Vls& vls, double pinToMb);

// A point or a direction in the view of the ball from the grip side: the
// grip centre at (0, 0, 1), x to the right and y up as the driller sees the
// ball from outside, z towards him; unit length.
struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

// The marks of a layout in that view, for the drawing.
struct LayoutMarks {
    Vec3 grip;
    Vec3 pap;
    Vec3 pin;
    Vec3 mb;
    // Where the midline meets the VAL, and where the pin's perpendicular
    // meets the VAL (the ends of the pin buffer).
    Vec3 valFoot;
    Vec3 bufferFoot;
    // Directions along the ball's surface: from the pin towards the CG and
    // towards the PAP, from the PAP towards the pin and up the VAL.
    Vec3 pinToCg;
    Vec3 pinToPap;
    Vec3 papToPin;
    Vec3 valUp;
    // The poles of the VAL's and the midline's great circles.
    Vec3 valPole;
    Vec3 midlinePole;
};
LayoutMarks layoutMarks(const DualAngle& layout, double pinToMb, const Pap& pap, Hand hand);

} // namespace vdn::layout
