#include "driller/layout_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vdn::layout {

namespace {

constexpr double Degree = std::numbers::pi / 180;

// Rounding of the closed forms may put a cosine a hair past 1.
double clampedAcos(double c) {
    return std::acos(std::clamp(c, -1.0, 1.0));
}
double clampedAsin(double s) {
    return std::asin(std::clamp(s, -1.0, 1.0));
}

// A distance on the ball as the angle it subtends at the centre.
double turn(double inches) {
    return inches / ballRadius();
}
double inches(double angle) {
    return angle * ballRadius();
}

Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator*(double k, Vec3 a) {
    return {k * a.x, k * a.y, k * a.z};
}
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 unit(Vec3 a) {
    const double n = std::sqrt(dot(a, a));
    return n > 0 ? (1 / n) * a : a;
}
Vec3 mirrored(Vec3 a) {
    return {-a.x, a.y, a.z};
}

// Spherical triangles with a vertex at the pin and at the PAP, solved by the
// cosine and sine rules; c is the cosine, s the sine of the sides.
struct Sides {
    double cp, sp; // pin-PAP
    double cb, sb; // cosine and sine of the VAL angle
    double ca;     // cosine of the drilling angle
    explicit Sides(const DualAngle& l)
        : cp(std::cos(turn(l.pinToPap))), sp(std::sin(turn(l.pinToPap))),
          cb(std::cos(l.valAngle * Degree)), sb(std::sin(l.valAngle * Degree)),
          ca(std::cos(l.drillingAngle * Degree)) {}
};

} // namespace

double ballRadius() {
    return Circumference / (2 * std::numbers::pi);
}

double pinBuffer(const DualAngle& layout) {
    // The right triangle pin - foot on the VAL - PAP.
    const Sides s(layout);
    return inches(clampedAsin(s.sp * s.sb));
}

double mbToPap(const DualAngle& layout, double pinToMb) {
    // The triangle MB - pin - PAP, with the drilling angle at the pin.
    const Sides s(layout);
    const double m = turn(pinToMb);
    return inches(clampedAcos(s.cp * std::cos(m) + s.sp * std::sin(m) * s.ca));
}

double pinHeight(const DualAngle& layout, const Pap& pap) {
    const Sides s(layout);
    const double h = turn(pap.up);
    return inches(clampedAsin(s.cp * std::sin(h) + s.sp * s.cb * std::cos(h)));
}

double pinToGrip(const DualAngle& layout, const Pap& pap) {
    const Sides s(layout);
    const double h = turn(pap.up);
    const double g = turn(pap.over);
    return inches(clampedAcos(std::cos(g) * (s.cp * std::cos(h) - s.sp * s.cb * std::sin(h)) +
                              std::sin(g) * s.sp * s.sb));
}

Vls toVls(const DualAngle& layout, double pinToMb) {
    return {layout.pinToPap, mbToPap(layout, pinToMb), pinBuffer(layout)};
}

FromVls fromVls(const Vls& vls, double pinToMb) {
    // Rounding of numbers typed to a thousandth of an inch is no reason to
    // refuse a layout.
    constexpr double Slack = 1e-9;
    FromVls out;
    const double p = turn(vls.pinToPap);
    const double m = turn(pinToMb);
    const double sp = std::sin(p);
    const double sinBeta = std::sin(turn(vls.pinBuffer)) / sp;
    if (!(sp > 0) || sinBeta > 1 + Slack || vls.pinBuffer < 0) {
        out.problem = FromVls::Problem::BufferTooWide;
        return out;
    }
    // The PSA-PAP distance runs from |p - m| (drilling angle 0) to p + m, or
    // round the ball the other way (drilling angle 180).
    out.reachFrom = inches(clampedAcos(std::cos(p - m)));
    out.reachTo = inches(clampedAcos(std::cos(p + m)));
    const double cosAlpha =
        (std::cos(turn(vls.psaToPap)) - std::cos(p) * std::cos(m)) / (sp * std::sin(m));
    if (!(std::fabs(cosAlpha) <= 1 + Slack)) {
        out.problem = FromVls::Problem::PsaOutOfReach;
        return out;
    }
    const double alpha = clampedAcos(cosAlpha) / Degree;
    const double beta = clampedAsin(sinBeta) / Degree;
    out.answers.append({alpha, vls.pinToPap, beta});
    // The pin below the PAP's level gives the same buffer.
    if (90 - beta > 1e-6)
        out.answers.append({alpha, vls.pinToPap, 180 - beta});
    return out;
}

LayoutMarks layoutMarks(const DualAngle& layout, double pinToMb, const Pap& pap, Hand hand) {
    // Built for a right-hander from the grip centre: along the midline to
    // the right by "over" to the VAL's foot, up the VAL by "up" to the PAP,
    // from there towards the pin. A left-hander's view is its mirror image.
    const double g = turn(pap.over);
    const double h = turn(pap.up);
    const double p = turn(layout.pinToPap);
    const double m = turn(pinToMb);
    const double a = layout.drillingAngle * Degree;
    const double b = layout.valAngle * Degree;

    LayoutMarks k;
    k.grip = {0, 0, 1};
    k.midlinePole = {0, 1, 0};
    k.valFoot = {std::sin(g), 0, std::cos(g)};
    k.valPole = {std::cos(g), 0, -std::sin(g)}; // to the right, across the VAL
    k.pap = std::cos(h) * k.valFoot + std::sin(h) * k.midlinePole;
    k.valUp = -std::sin(h) * k.valFoot + std::cos(h) * k.midlinePole;
    // The VAL angle turns the way to the pin counter-clockwise from the
    // VAL's upper half: up and to the left.
    k.papToPin = std::cos(b) * k.valUp + (-std::sin(b)) * k.valPole;
    k.pin = std::cos(p) * k.pap + std::sin(p) * k.papToPin;
    k.pinToPap = std::sin(p) * k.pap + (-std::cos(p)) * k.papToPin;
    // The PAP lies counter-clockwise from the CG by the drilling angle: the
    // CG is clockwise from the PAP.
    k.pinToCg = std::cos(a) * k.pinToPap + (-std::sin(a)) * cross(k.pin, k.pinToPap);
    k.mb = std::cos(m) * k.pin + std::sin(m) * k.pinToCg;
    k.bufferFoot = unit(k.pin + (-dot(k.pin, k.valPole)) * k.valPole);
    if (hand == Hand::Left)
        for (Vec3* v : {&k.grip, &k.pap, &k.pin, &k.mb, &k.valFoot, &k.bufferFoot, &k.pinToCg,
                        &k.pinToPap, &k.papToPin, &k.valUp, &k.valPole, &k.midlinePole})
            *v = mirrored(*v);
    return k;
}

} // namespace vdn::layout
