#include "driller/layout_scene.h"

#include "driller/layout_numbers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vdn::layout {

namespace {

constexpr double Pi = std::numbers::pi;
// Steps of a drawn great circle and of the ball's outline.
constexpr int CircleSteps = 144;

Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator*(double k, Vec3 a) {
    return {k * a.x, k * a.y, k * a.z};
}
double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 unit(Vec3 a) {
    const double n = std::sqrt(dot(a, a));
    return n > 0 ? (1 / n) * a : a;
}
QPointF flat(Vec3 a) {
    return {a.x, a.y};
}
QPointF unitFlat(QPointF p) {
    const double n = std::hypot(p.x(), p.y());
    return n > 1e-9 ? p / n : QPointF(0, -1);
}
bool facing(Vec3 a) {
    return a.z >= -1e-9;
}

// From a to b along the sphere (or between two directions of one tangent
// plane), at fraction t.
Vec3 slerp(Vec3 a, Vec3 b, double t) {
    const double w = std::acos(std::clamp(dot(a, b), -1.0, 1.0));
    if (w < 1e-9)
        return a;
    const double s = std::sin(w);
    return (std::sin((1 - t) * w) / s) * a + (std::sin(t * w) / s) * b;
}

// The facing parts of a curve given by its points, one stroke each.
void addFacing(Scene& scene, Stroke::Kind kind, const QList<Vec3>& curve) {
    Stroke run{kind, {}};
    for (const Vec3& v : curve) {
        if (facing(v)) {
            run.points << flat(v);
        } else if (!run.points.isEmpty()) {
            if (run.points.size() > 1)
                scene.strokes << run;
            run.points.clear();
        }
    }
    if (run.points.size() > 1)
        scene.strokes << run;
}

// A great circle through `on`, going towards `towards` (at right angles).
QList<Vec3> greatCircle(Vec3 on, Vec3 towards) {
    QList<Vec3> points;
    for (int i = 0; i <= CircleSteps; ++i) {
        const double t = 2 * Pi * i / CircleSteps;
        points << std::cos(t) * on + std::sin(t) * towards;
    }
    return points;
}

QList<Vec3> arcBetween(Vec3 a, Vec3 b, int steps = 48) {
    QList<Vec3> points;
    for (int i = 0; i <= steps; ++i)
        points << unit(slerp(a, b, double(i) / steps));
    return points;
}

// The length of an arc written beside its middle, on the side away from
// the grip centre's side of the chord.
void measure(Scene& scene, Vec3 a, Vec3 b, const QString& text, QPointF side) {
    addFacing(scene, Stroke::Kind::Measure, arcBetween(a, b));
    const Vec3 middle = unit(slerp(a, b, 0.5));
    if (!facing(middle) || text.isEmpty())
        return;
    const QPointF chord = flat(b) - flat(a);
    QPointF normal = unitFlat(QPointF(-chord.y(), chord.x()));
    if (QPointF::dotProduct(normal, side) < 0)
        normal = -normal;
    scene.labels << Label{Label::Kind::Measure, flat(middle), normal, text};
}

// A small arc of `radius` (radians on the ball) round `at`, from one
// direction of its tangent plane to another, with its angle written.
void angle(Scene& scene, Vec3 at, Vec3 from, Vec3 to, const QString& text) {
    constexpr double Radius = 0.16;
    QList<Vec3> arc;
    for (int i = 0; i <= 24; ++i)
        arc << std::cos(Radius) * at + std::sin(Radius) * unit(slerp(from, to, i / 24.0));
    addFacing(scene, Stroke::Kind::Angle, arc);
    const Vec3 middle = std::cos(Radius) * at + std::sin(Radius) * unit(slerp(from, to, 0.5));
    if (facing(middle) && !text.isEmpty())
        scene.labels << Label{Label::Kind::Angle, flat(middle), unitFlat(flat(middle) - flat(at)),
                              text};
}

// The rectangle moved inside `bounds`, as far as it fits there.
QRectF within(QRectF r, const QRectF& bounds) {
    if (bounds.isEmpty())
        return r;
    r.moveLeft(
        std::clamp(r.left(), bounds.left(), std::max(bounds.left(), bounds.right() - r.width())));
    r.moveTop(
        std::clamp(r.top(), bounds.top(), std::max(bounds.top(), bounds.bottom() - r.height())));
    return r;
}

// The places a text may take round its point, best first: the side `away`,
// then the sides next to it, both ways round, then the same further out.
QList<QRectF> placesFor(const TextToPlace& t, double gap, const QRectF& bounds) {
    constexpr int Turns[] = {0, 45, -45, 90, -90, 135, -135, 180};
    constexpr int Rings = 3;
    QList<QRectF> places;
    for (int ring = 0; ring < Rings; ++ring)
        for (const int turn : Turns) {
            const double a = turn * Pi / 180;
            const QPointF way(t.away.x() * std::cos(a) - t.away.y() * std::sin(a),
                              t.away.x() * std::sin(a) + t.away.y() * std::cos(a));
            const QPointF corner = labelCorner(t.point, way, t.size.width(), t.size.height(),
                                               gap + ring * t.size.height());
            const QRectF place = within(QRectF(corner, t.size), bounds);
            // Two turns may give the same place; a text over its own point
            // hides the mark it names.
            if (!places.contains(place) && !place.contains(t.point))
                places << place;
        }
    return places;
}

bool overlapsAny(const QRectF& place, const QList<QRectF>& taken) {
    return std::any_of(taken.begin(), taken.end(),
                       [&](const QRectF& other) { return place.intersects(other); });
}

} // namespace

QList<QRectF> placeLabels(const QList<TextToPlace>& texts, double gap, const QRectF& bounds) {
    QList<QRectF> taken;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const TextToPlace& t = texts.at(i);
        // The marks of the other labels' points; a text never covers its own.
        const auto clear = [&](const QRectF& place) {
            for (qsizetype j = 0; j < texts.size(); ++j)
                if (j != i && !texts.at(j).mark.isEmpty() && place.intersects(texts.at(j).mark))
                    return false;
            return !overlapsAny(place, taken);
        };
        const QList<QRectF> places = placesFor(t, gap, bounds);
        const auto free = std::find_if(places.begin(), places.end(), clear);
        if (free != places.end())
            taken << *free;
        else if (!places.isEmpty())
            taken << places.first();
        else
            taken << within(
                QRectF(labelCorner(t.point, t.away, t.size.width(), t.size.height(), gap), t.size),
                bounds);
    }
    return taken;
}

Scene layoutScene(const LayoutMarks& k, const SceneTexts& texts) {
    Scene scene;
    QList<Vec3> outline;
    for (int i = 0; i <= CircleSteps; ++i) {
        const double t = 2 * Pi * i / CircleSteps;
        outline << Vec3{std::cos(t), std::sin(t), 0};
    }
    addFacing(scene, Stroke::Kind::Outline, outline);

    // The midline through the grip centre, the VAL through its foot.
    const Vec3 along = unit(cross(k.midlinePole, k.grip));
    addFacing(scene, Stroke::Kind::Midline, greatCircle(k.grip, along));
    addFacing(scene, Stroke::Kind::Val, greatCircle(k.valFoot, unit(cross(k.valPole, k.valFoot))));
    const QPointF sideOfPap = unitFlat(flat(k.pap));
    scene.labels << Label{Label::Kind::Line, QPointF(-sideOfPap.x() * 0.97, 0),
                          QPointF(sideOfPap.x(), -1), QStringLiteral("Ligne médiane")};
    // The VAL's name at its upper end on the facing half.
    const Vec3 valTop = unit(cross(k.valPole, Vec3{0, 0, 1}));
    const Vec3 top = dot(valTop, k.valUp) >= 0 ? valTop : -1 * valTop;
    scene.labels << Label{Label::Kind::Line, flat(unit(0.985 * top + 0.17 * Vec3{0, 0, 1})),
                          QPointF(sideOfPap.x(), 0), QStringLiteral("VAL")};

    // The three VLS distances along their arcs.
    measure(scene, k.pin, k.pap, texts.pinToPap, -1 * unitFlat(flat(k.valUp)));
    measure(scene, k.pin, k.bufferFoot, texts.pinBuffer, unitFlat(flat(k.valUp)));
    measure(scene, k.mb, k.pap, texts.mbToPap, sideOfPap);

    // The way to the CG (or the MB), with its arrow head on the page.
    constexpr double CgLength = 0.3;
    QList<Vec3> cg;
    for (int i = 0; i <= 12; ++i)
        cg << std::cos(CgLength * i / 12) * k.pin + std::sin(CgLength * i / 12) * k.pinToCg;
    addFacing(scene, Stroke::Kind::Cg, cg);
    if (facing(cg.last()) && facing(cg.at(cg.size() - 2))) {
        const QPointF tip = flat(cg.last());
        const QPointF back = unitFlat(flat(cg.at(cg.size() - 2)) - tip) * 0.05;
        const QPointF across(-back.y() * 0.5, back.x() * 0.5);
        scene.strokes << Stroke{Stroke::Kind::Cg, {tip + back + across, tip, tip + back - across}};
        scene.labels << Label{Label::Kind::Line, tip, unitFlat(tip - flat(k.pin)), texts.reference};
    }

    angle(scene, k.pin, k.pinToCg, k.pinToPap, texts.drillingAngle);
    angle(scene, k.pap, k.papToPin, k.valUp, texts.valAngle);

    const struct {
        Label::Kind kind;
        Vec3 at;
        QString text;
    } points[] = {
        {Label::Kind::Grip, k.grip, QStringLiteral("Centre de prise")},
        {Label::Kind::Pap, k.pap, QStringLiteral("PAP")},
        {Label::Kind::Pin, k.pin, QStringLiteral("Pin")},
        {Label::Kind::Mb, k.mb, texts.mbName},
    };
    for (const auto& p : points)
        if (facing(p.at)) {
            // Away from the grip centre; the grip centre's name goes below.
            const QPointF away =
                p.kind == Label::Kind::Grip ? QPointF(-sideOfPap.x(), -1) : unitFlat(flat(p.at));
            scene.labels << Label{p.kind, flat(p.at), unitFlat(away), p.text};
        }
    // The order the texts are placed in: a point's name keeps its place
    // before a number, a number before a line's name.
    const auto rank = [](const Label& l) {
        return l.kind == Label::Kind::Line                                      ? 2
               : l.kind == Label::Kind::Measure || l.kind == Label::Kind::Angle ? 1
                                                                                : 0;
    };
    std::stable_sort(scene.labels.begin(), scene.labels.end(),
                     [&](const Label& a, const Label& b) { return rank(a) < rank(b); });
    return scene;
}

QPointF labelCorner(QPointF point, QPointF away, double width, double height, double gap) {
    const QPointF towards(away.x(), -away.y());
    const QPointF anchor = point + towards * gap;
    const double x = towards.x() > 0.3    ? anchor.x()
                     : towards.x() < -0.3 ? anchor.x() - width
                                          : anchor.x() - width / 2;
    const double y = towards.y() > 0.3    ? anchor.y()
                     : towards.y() < -0.3 ? anchor.y() - height
                                          : anchor.y() - height / 2;
    return {x, y};
}

Scene layoutScene(const DualAngle& layout, double pinToMb, const Pap& pap, Hand hand, Core core) {
    const LayoutMarks marks = layoutMarks(layout, pinToMb, pap, hand);
    SceneTexts texts;
    texts.pinToPap = nearestSixteenth(layout.pinToPap);
    texts.pinBuffer = nearestSixteenth(pinBuffer(layout));
    texts.mbToPap = nearestSixteenth(mbToPap(layout, pinToMb));
    texts.drillingAngle = degreesText(layout.drillingAngle);
    texts.valAngle = degreesText(layout.valAngle);
    texts.mbName = pinToMb == DefaultPinToMb ? QStringLiteral("PSA") : QStringLiteral("MB");
    texts.reference = QString::fromLatin1(referenceName(core));
    return layoutScene(marks, texts);
}

} // namespace vdn::layout
