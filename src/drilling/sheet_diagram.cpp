#include "drilling/sheet_diagram.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace vdn {

const QList<DiagramBox>& diagramBoxes() {
    // Places of the measurements on the diagram, and the way each box's arrow
    // points (up and down for the pitches, left and right for the thumb).
    static const QList<DiagramBox> boxes{
        {8, 3720, 360, 1095, Arrow::Down},   {9, 2160, 1200, 1095, Arrow::Up},
        {10, 2160, 2160, 1095, Arrow::Down}, {11, 2160, 4320, 1935, Arrow::None},
        {12, 5640, 360, 1095, Arrow::Down},  {13, 7200, 1200, 1095, Arrow::Up},
        {14, 7200, 2160, 1095, Arrow::Down}, {15, 4680, 6720, 1095, Arrow::Up},
        {16, 2760, 8040, 1095, Arrow::Left}, {17, 6720, 8040, 1095, Arrow::Right},
        {18, 4800, 9720, 1095, Arrow::Down}, {19, 2520, 4800, 1215, Arrow::None},
        {20, 6600, 5040, 1215, Arrow::None}, {32, 3720, 1680, 1095, Arrow::None},
        {33, 6240, 4320, 1935, Arrow::None}, {34, 5640, 1680, 1095, Arrow::None},
        {36, 4800, 8280, 1095, Arrow::None},
    };
    return boxes;
}

namespace {

// A box's rectangle in picture pixels: the pick list's place, less the
// picture's offset in the frame, with a small margin around it.
QRectF boxRect(const DiagramBox& b) {
    const QRect r = twipsRect(b.left - DiagramLeft, b.top - DiagramTop, b.width, SheetComboHeight);
    return QRectF(r).adjusted(-4, -4, 4, 4);
}

QPointF centreOf(int number) {
    for (const DiagramBox& b : diagramBoxes())
        if (b.number == number)
            return boxRect(b).center();
    return {};
}

void drawArrow(QPainter& g, const QRectF& box, Arrow arrow) {
    if (arrow == Arrow::None)
        return;
    constexpr double Stem = 9, Head = 6;
    QPointF base, dir;
    switch (arrow) {
    case Arrow::Up:
        base = QPointF(box.right() - 12, box.top());
        dir = QPointF(0, -1);
        break;
    case Arrow::Down:
        base = QPointF(box.right() - 12, box.bottom());
        dir = QPointF(0, 1);
        break;
    case Arrow::Left:
        base = QPointF(box.left(), box.center().y());
        dir = QPointF(-1, 0);
        break;
    case Arrow::Right:
        base = QPointF(box.right(), box.center().y());
        dir = QPointF(1, 0);
        break;
    case Arrow::None:
        return;
    }
    const QPointF tip = base + dir * (Stem + Head);
    const QPointF neck = base + dir * Stem;
    const QPointF side(-dir.y(), dir.x());
    const QColor blue(30, 60, 220);
    g.setPen(QPen(blue, 2));
    g.drawLine(base, neck);
    g.setPen(Qt::NoPen);
    g.setBrush(blue);
    g.drawPolygon(QPolygonF{tip, neck + side * Head * 0.7, neck - side * Head * 0.7});
}

// The point where the segment from a circle's centre towards a target leaves
// the circle.
QPointF rim(QPointF centre, double radius, QPointF towards) {
    const QPointF d = towards - centre;
    const double len = std::hypot(d.x(), d.y());
    return len > 0 ? centre + d * (radius / len) : centre;
}

} // namespace

QPixmap drillingDiagram() {
    QPixmap p(DiagramWidth, DiagramHeight);
    p.fill(Qt::white);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);

    // The holes are centred on the pick lists that sit inside them.
    const QPointF leftFinger = centreOf(32);
    const QPointF rightFinger = centreOf(34);
    const QPointF thumb = centreOf(36);
    constexpr double FingerRadius = 50, ThumbRadius = 66;
    const QPen thin(QColor(40, 40, 40), 1);
    const QColor grey(190, 190, 190);

    // Lines from the thumb up to each finger hole, and the line just above
    // the thumb.
    g.setPen(thin);
    g.drawLine(rim(thumb, ThumbRadius, leftFinger), rim(leftFinger, FingerRadius, thumb));
    g.drawLine(rim(thumb, ThumbRadius, rightFinger), rim(rightFinger, FingerRadius, thumb));
    const double aboveThumb = thumb.y() - ThumbRadius - 10;
    g.drawLine(QPointF(thumb.x() - 170, aboveThumb), QPointF(thumb.x() + 170, aboveThumb));

    // The holes.
    g.setPen(thin);
    g.setBrush(grey);
    g.drawEllipse(leftFinger, FingerRadius, FingerRadius);
    g.drawEllipse(rightFinger, FingerRadius, FingerRadius);
    g.drawEllipse(thumb, ThumbRadius, ThumbRadius);
    const double d = ThumbRadius / std::sqrt(2.0);
    g.drawLine(thumb + QPointF(-d, -d), thumb + QPointF(d, d));

    // The boxes, empty, with their arrows.
    for (const DiagramBox& b : diagramBoxes()) {
        const QRectF r = boxRect(b);
        g.setPen(thin);
        g.setBrush(Qt::white);
        g.drawRect(r);
        drawArrow(g, r, b.arrow);
    }
    return p;
}

QPixmap printerPicture(int size) {
    QPixmap p(size, size);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QPen outline(QColor(50, 50, 60), std::max(1.0, s / 40));
    // Paper going in at the back.
    g.setPen(outline);
    g.setBrush(Qt::white);
    g.drawRect(QRectF(s * 0.28, s * 0.08, s * 0.44, s * 0.34));
    // The body.
    QLinearGradient body(0, s * 0.35, 0, s * 0.75);
    body.setColorAt(0, QColor(200, 200, 210));
    body.setColorAt(1, QColor(120, 120, 135));
    g.setBrush(body);
    g.drawRoundedRect(QRectF(s * 0.08, s * 0.36, s * 0.84, s * 0.36), s * 0.06, s * 0.06);
    g.setBrush(QColor(60, 200, 90));
    g.drawEllipse(QPointF(s * 0.8, s * 0.46), s * 0.035, s * 0.035);
    // The printed sheet coming out at the front.
    g.setBrush(Qt::white);
    g.drawRect(QRectF(s * 0.24, s * 0.6, s * 0.52, s * 0.32));
    g.setPen(QPen(QColor(90, 90, 90), std::max(1.0, s / 60)));
    for (int i = 0; i < 3; ++i) {
        const double y = s * (0.7 + i * 0.07);
        g.drawLine(QPointF(s * 0.3, y), QPointF(s * 0.7, y));
    }
    return p;
}

GuideLine::GuideLine(QPoint from, QPoint to, QWidget* parent) : QWidget(parent) {
    const QRect bounds = QRect(from, to).normalized().adjusted(-1, -1, 1, 1);
    setGeometry(bounds);
    from_ = from - bounds.topLeft();
    to_ = to - bounds.topLeft();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void GuideLine::paintEvent(QPaintEvent*) {
    QPainter g(this);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(20, 20, 20), 1));
    g.drawLine(from_, to_);
}

} // namespace vdn
