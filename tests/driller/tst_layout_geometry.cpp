// The layout geometry against an independent construction: the test lays
// the layout out on a ball turned any which way by rotating 3-D vectors
// (Rodrigues' formula), the way a driller marks it, and measures the arcs;
// the program's closed forms must agree within 0.001 in and 0.01 degree.

#include "driller/layout_geometry.h"

#include <QTest>

#include <cmath>
#include <numbers>

using namespace vdn::layout;

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Inch = 0.001;   // tolerance on distances
constexpr double Degrees = 0.01; // tolerance on angles

struct V {
    double x, y, z;
};
V operator+(V a, V b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V operator*(double k, V a) {
    return {k * a.x, k * a.y, k * a.z};
}
double dot(V a, V b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V cross(V a, V b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V unit(V a) {
    return (1 / std::sqrt(dot(a, a))) * a;
}
// Rodrigues: v turned by `angle` about the unit axis k, counter-clockwise
// seen from the tip of k.
V rotate(V v, V k, double angle) {
    return std::cos(angle) * v + std::sin(angle) * cross(k, v) +
           (dot(k, v) * (1 - std::cos(angle))) * k;
}
double arc(V a, V b) {
    return std::atan2(std::sqrt(dot(cross(a, b), cross(a, b))), dot(a, b)) * Circumference /
           (2 * Pi);
}
// Moves a point of the ball along the surface, towards a tangent direction.
V walk(V from, V towards, double inches) {
    return rotate(from, unit(cross(from, towards)), inches * 2 * Pi / Circumference);
}

// The layout laid out on the ball by hand, and what a tape would measure.
struct Laid {
    V pin, cg, pap, valUp, foot, footUp, grip, mb;
    double buffer, mbPap, height, pinGrip;
};

Laid layOut(double alpha, double p, double beta, double over, double up, double m, Hand hand) {
    const double turn = hand == Hand::Right ? 1 : -1; // counter-clockwise for a right-hander
    const double deg = Pi / 180;
    Laid l;
    l.pin = unit({0.31, -0.52, 0.79});
    l.cg = unit(cross(l.pin, {0.2, 0.9, 0.1})); // any direction from the pin
    l.pap = walk(l.pin, rotate(l.cg, l.pin, turn * alpha * deg), p);
    const V toPin = rotate(l.pap, unit(cross(l.pap, l.pin)), Pi / 2);
    l.valUp = rotate(toPin, l.pap, -turn * beta * deg);
    const V valAxis = unit(cross(l.pap, l.valUp));
    l.foot = rotate(l.pap, valAxis, -up * 2 * Pi / Circumference);
    l.footUp = rotate(l.valUp, valAxis, -up * 2 * Pi / Circumference);
    // The grip centre: from the foot, along the midline, away from the PAP's
    // side of the VAL.
    l.grip = walk(l.foot, rotate(l.footUp, l.foot, turn * Pi / 2), over);
    l.mb = walk(l.pin, l.cg, m);
    l.buffer = arc(l.pin, unit(l.pin + (-dot(l.pin, valAxis)) * valAxis));
    l.mbPap = arc(l.mb, l.pap);
    const double above = dot(l.pin, l.footUp);
    l.height = std::copysign(arc(l.pin, unit(l.pin + (-above) * l.footUp)), above);
    l.pinGrip = arc(l.pin, l.grip);
    return l;
}

// A point of the laid-out ball in the program's view: the grip centre
// towards the viewer, the VAL's upper half up.
V inView(const Laid& l, V point) {
    const V right = cross(l.footUp, l.grip);
    return {dot(point, right), dot(point, l.footUp), dot(point, l.grip)};
}

bool near(V a, Vec3 b) {
    return arc(unit(a), unit({b.x, b.y, b.z})) < Inch;
}

} // namespace

class TestLayoutGeometry : public QObject {
    Q_OBJECT
private slots:
    void agreesWithTheBallLaidOut_data();
    void agreesWithTheBallLaidOut();
    void vlsAnswers_data();
    void vlsAnswers();
};

void TestLayoutGeometry::agreesWithTheBallLaidOut_data() {
    QTest::addColumn<Hand>("hand");
    QTest::addColumn<double>("pinToMb");
    QTest::newRow("right-hander, MB at 6 3/4") << Hand::Right << 6.75;
    QTest::newRow("left-hander, MB at 6 3/4") << Hand::Left << 6.75;
    QTest::newRow("right-hander, MB at 5") << Hand::Right << 5.0;
    QTest::newRow("left-hander, MB at 5") << Hand::Left << 5.0;
}

void TestLayoutGeometry::agreesWithTheBallLaidOut() {
    QFETCH(Hand, hand);
    QFETCH(double, pinToMb);
    const Pap paps[] = {{5.25, 0.5}, {4.75, -0.375}, {6, 1}};
    int cases = 0;
    for (int alpha = 10; alpha <= 90; alpha += 10)
        for (int beta = 10; beta <= 90; beta += 10)
            for (double p = 1; p <= 6.5; p += 0.5)
                for (const Pap& pap : paps) {
                    const DualAngle da{double(alpha), p, double(beta)};
                    const Laid l = layOut(alpha, p, beta, pap.over, pap.up, pinToMb, hand);
                    const QByteArray at = QStringLiteral("%1 / %2 / %3, PAP %4 / %5")
                                              .arg(alpha)
                                              .arg(p)
                                              .arg(beta)
                                              .arg(pap.over)
                                              .arg(pap.up)
                                              .toUtf8();
                    QVERIFY2(std::fabs(pinBuffer(da) - l.buffer) < Inch, at);
                    QVERIFY2(std::fabs(mbToPap(da, pinToMb) - l.mbPap) < Inch, at);
                    QVERIFY2(std::fabs(pinHeight(da, pap) - l.height) < Inch, at);
                    QVERIFY2(std::fabs(pinToGrip(da, pap) - l.pinGrip) < Inch, at);

                    const LayoutMarks k = layoutMarks(da, pinToMb, pap, hand);
                    QVERIFY2(near({0, 0, 1}, k.grip), at);
                    QVERIFY2(near(inView(l, l.pin), k.pin), at);
                    QVERIFY2(near(inView(l, l.pap), k.pap), at);
                    QVERIFY2(near(inView(l, l.mb), k.mb), at);
                    QVERIFY2(near(inView(l, l.foot), k.valFoot), at);
                    // Directions on the surface: a step along each.
                    QVERIFY2(near(inView(l, walk(l.pin, l.cg, 1)),
                                  {k.pin.x + std::tan(1 / ballRadius()) * k.pinToCg.x,
                                   k.pin.y + std::tan(1 / ballRadius()) * k.pinToCg.y,
                                   k.pin.z + std::tan(1 / ballRadius()) * k.pinToCg.z}),
                             at);
                    QVERIFY2(near(inView(l, walk(l.pap, l.valUp, 1)),
                                  {k.pap.x + std::tan(1 / ballRadius()) * k.valUp.x,
                                   k.pap.y + std::tan(1 / ballRadius()) * k.valUp.y,
                                   k.pap.z + std::tan(1 / ballRadius()) * k.valUp.z}),
                             at);

                    // To VLS and back gives the same layout.
                    const FromVls back = fromVls(toVls(da, pinToMb), pinToMb);
                    QVERIFY2(back.problem == FromVls::Problem::None && !back.answers.isEmpty(), at);
                    const DualAngle& first = back.answers.first();
                    QVERIFY2(std::fabs(first.drillingAngle - alpha) < Degrees, at);
                    QVERIFY2(std::fabs(first.valAngle - beta) < Degrees, at);
                    QCOMPARE(first.pinToPap, p);
                    ++cases;
                }
    QCOMPARE(cases, 9 * 9 * 12 * 3);
}

void TestLayoutGeometry::vlsAnswers_data() {
    QTest::addColumn<double>("pinToPap");
    QTest::addColumn<double>("psaToPap");
    QTest::addColumn<double>("buffer");
    QTest::addColumn<int>("answers"); // -1: buffer too wide, -2: PSA out of reach
    QTest::newRow("usual, pin above or below the PAP") << 4.5 << 6.0 << 2.0 << 2;
    QTest::newRow("buffer equal to the pin distance") << 3.0 << 5.0 << 3.0 << 1;
    QTest::newRow("buffer 0: VAL through the pin") << 3.0 << 5.0 << 0.0 << 2;
    QTest::newRow("buffer wider than the pin distance") << 3.0 << 5.0 << 3.5 << -1;
    QTest::newRow("PSA too far") << 2.0 << 9.0 << 1.0 << -2;
    QTest::newRow("PSA too near") << 2.0 << 4.5 << 1.0 << -2;
}

void TestLayoutGeometry::vlsAnswers() {
    QFETCH(double, pinToPap);
    QFETCH(double, psaToPap);
    QFETCH(double, buffer);
    QFETCH(int, answers);
    const FromVls f = fromVls({pinToPap, psaToPap, buffer}, DefaultPinToMb);
    if (answers == -1) {
        QCOMPARE(f.problem, FromVls::Problem::BufferTooWide);
    } else if (answers == -2) {
        QCOMPARE(f.problem, FromVls::Problem::PsaOutOfReach);
        // Along one great circle the distances add and subtract.
        QVERIFY(std::fabs(f.reachFrom - (DefaultPinToMb - pinToPap)) < Inch);
        QVERIFY(std::fabs(f.reachTo - (DefaultPinToMb + pinToPap)) < Inch);
    } else {
        QCOMPARE(f.problem, FromVls::Problem::None);
        QCOMPARE(f.answers.size(), answers);
        // Each answer, laid out by hand, gives back the three VLS numbers.
        for (const DualAngle& a : f.answers) {
            const Laid l = layOut(a.drillingAngle, a.pinToPap, a.valAngle, 5, 0.5, DefaultPinToMb,
                                  Hand::Right);
            QVERIFY(std::fabs(l.buffer - buffer) < Inch);
            QVERIFY(std::fabs(l.mbPap - psaToPap) < Inch);
            QVERIFY(a.valAngle >= 0 && a.valAngle <= 180);
        }
        QVERIFY(f.answers.first().valAngle <= 90);
    }
}

QTEST_GUILESS_MAIN(TestLayoutGeometry)
#include "tst_layout_geometry.moc"
