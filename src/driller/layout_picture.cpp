#include "driller/layout_picture.h"

#include <QPainter>
#include <QPainterPath>

namespace vdn {

namespace {

using layout::Label;
using layout::Stroke;

QColor strokeColour(Stroke::Kind kind) {
    switch (kind) {
    case Stroke::Kind::Outline:
        return QColor(60, 60, 70);
    case Stroke::Kind::Midline:
        return QColor(30, 90, 200);
    case Stroke::Kind::Val:
        return QColor(200, 40, 40);
    case Stroke::Kind::Measure:
        return QColor(20, 140, 60);
    case Stroke::Kind::Cg:
        return QColor(20, 20, 20);
    case Stroke::Kind::Angle:
        return QColor(220, 130, 0);
    }
    return Qt::black;
}

QColor markColour(Label::Kind kind) {
    switch (kind) {
    case Label::Kind::Grip:
        return QColor(20, 20, 20);
    case Label::Kind::Pap:
        return QColor(200, 40, 40);
    case Label::Kind::Pin:
        return QColor(230, 180, 0);
    case Label::Kind::Mb:
        return QColor(30, 90, 200);
    default:
        return strokeColour(kind == Label::Kind::Measure ? Stroke::Kind::Measure
                            : kind == Label::Kind::Angle ? Stroke::Kind::Angle
                                                         : Stroke::Kind::Cg);
    }
}

QColor greyed(QColor c) {
    const int g = qGray(c.rgb());
    return QColor(160 + g / 4, 160 + g / 4, 160 + g / 4);
}

// The drawing's place in the picture: the ball's outline round the centre,
// with room left round it for the names.
struct Frame {
    QPointF centre;
    double radius;
    QPointF at(QPointF view) const { return centre + QPointF(view.x(), -view.y()) * radius; }
};

Frame frameFor(QSizeF size, const QFontMetricsF& metrics) {
    const double margin = metrics.horizontalAdvance(QStringLiteral("Centre de prise")) * 0.6 + 8;
    const double radius = std::max(40.0, std::min(size.width(), size.height()) / 2.0 - margin);
    return {QPointF(size.width() / 2.0, size.height() / 2.0), radius};
}

// The space between a point and its name, in pixels.
constexpr double LabelGap = 8;

// The marks' sizes from their point, in pixels, drawn with a 2-pixel pen.
constexpr double GripArm = 8;
constexpr double DotRadius = 5;
constexpr double DiamondRadius = 6;

void drawMark(QPainter& g, const Label& l, QPointF p, QColor c) {
    g.setPen(QPen(c, 2));
    switch (l.kind) {
    case Label::Kind::Grip:
        g.drawLine(p - QPointF(GripArm, 0), p + QPointF(GripArm, 0));
        g.drawLine(p - QPointF(0, GripArm), p + QPointF(0, GripArm));
        break;
    case Label::Kind::Pap:
    case Label::Kind::Pin:
        g.setBrush(c);
        g.drawEllipse(p, DotRadius, DotRadius);
        g.setBrush(Qt::NoBrush);
        break;
    case Label::Kind::Mb: {
        const double d = DiamondRadius;
        g.setBrush(c);
        g.drawPolygon(QPolygonF(
            {p + QPointF(-d, 0), p + QPointF(0, -d), p + QPointF(d, 0), p + QPointF(0, d)}));
        g.setBrush(Qt::NoBrush);
        break;
    }
    default:
        break;
    }
}

// The square a label's mark covers, pen included; empty for no mark.
QRectF markBox(Label::Kind kind, QPointF p) {
    const double r = kind == Label::Kind::Grip                              ? GripArm
                     : kind == Label::Kind::Pap || kind == Label::Kind::Pin ? DotRadius
                     : kind == Label::Kind::Mb                              ? DiamondRadius
                                                                            : -1;
    return r < 0 ? QRectF() : QRectF(p, p).adjusted(-r - 1, -r - 1, r + 1, r + 1);
}

// The ink of a label's text, its mark being drawn in `mark`.
QColor textColour(Label::Kind kind, QColor mark) {
    // The pin's yellow is too light for its name.
    return kind == Label::Kind::Line  ? QColor(70, 70, 70)
           : kind == Label::Kind::Pin ? QColor(140, 100, 0)
                                      : mark.darker(120);
}

} // namespace

LayoutPicture::LayoutPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picimplantation"));
    setMinimumSize(360, 360);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LayoutPicture::setScene(layout::Scene scene) {
    scene_ = std::move(scene);
    update();
}

QList<QRectF> LayoutPicture::labelBoxes(const layout::Scene& scene, QSizeF size,
                                        const QFont& font) {
    const QFontMetricsF metrics(font);
    const Frame frame = frameFor(size, metrics);
    QList<layout::TextToPlace> texts;
    for (const Label& l : scene.labels) {
        const QPointF p = frame.at(l.at);
        texts << layout::TextToPlace{p, l.away, metrics.boundingRect(l.text).size(),
                                     markBox(l.kind, p)};
    }
    return layout::placeLabels(texts, LabelGap, QRectF(QPointF(0, 0), size));
}

void LayoutPicture::paintEvent(QPaintEvent*) {
    QPainter g(this);
    g.fillRect(rect(), Qt::white);
    g.setRenderHint(QPainter::Antialiasing);
    const bool live = isEnabled();
    const auto colour = [&](QColor c) { return live ? c : greyed(c); };
    if (!scene_) {
        g.setPen(QColor(120, 120, 120));
        g.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                   QStringLiteral("Le dessin attend des valeurs lisibles."));
        return;
    }
    const Frame frame = frameFor(size(), QFontMetricsF(font()));
    for (const Stroke& s : scene_->strokes) {
        QPen pen(colour(strokeColour(s.kind)), s.kind == Stroke::Kind::Outline ? 2.0 : 1.6);
        if (s.kind == Stroke::Kind::Midline || s.kind == Stroke::Kind::Val)
            pen.setStyle(Qt::DashLine);
        g.setPen(pen);
        QPainterPath path;
        path.moveTo(frame.at(s.points.first()));
        for (qsizetype i = 1; i < s.points.size(); ++i)
            path.lineTo(frame.at(s.points.at(i)));
        g.drawPath(path);
    }
    for (const Label& l : scene_->labels)
        drawMark(g, l, frame.at(l.at), colour(markColour(l.kind)));
    const QList<QRectF> boxes = labelBoxes(*scene_, size(), font());
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        const Label& l = scene_->labels.at(i);
        g.setPen(colour(textColour(l.kind, colour(markColour(l.kind)))));
        g.drawText(boxes.at(i).adjusted(-1, 0, 1, 0), Qt::AlignCenter, l.text);
    }
}

} // namespace vdn
