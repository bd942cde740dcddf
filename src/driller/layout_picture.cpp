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
    const QFontMetricsF metrics(font());
    const double margin = metrics.horizontalAdvance(QStringLiteral("Centre de prise")) * 0.6 + 8;
    const double radius = std::max(40.0, std::min(width(), height()) / 2.0 - margin);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const auto at = [&](QPointF v) { return centre + QPointF(v.x(), -v.y()) * radius; };

    for (const Stroke& s : scene_->strokes) {
        QPen pen(colour(strokeColour(s.kind)), s.kind == Stroke::Kind::Outline ? 2.0 : 1.6);
        if (s.kind == Stroke::Kind::Midline || s.kind == Stroke::Kind::Val)
            pen.setStyle(Qt::DashLine);
        g.setPen(pen);
        QPainterPath path;
        path.moveTo(at(s.points.first()));
        for (qsizetype i = 1; i < s.points.size(); ++i)
            path.lineTo(at(s.points.at(i)));
        g.drawPath(path);
    }
    for (const Label& l : scene_->labels) {
        const QPointF p = at(l.at);
        const QColor c = colour(markColour(l.kind));
        g.setPen(QPen(c, 2));
        switch (l.kind) {
        case Label::Kind::Grip:
            g.drawLine(p - QPointF(8, 0), p + QPointF(8, 0));
            g.drawLine(p - QPointF(0, 8), p + QPointF(0, 8));
            break;
        case Label::Kind::Pap:
        case Label::Kind::Pin:
            g.setBrush(c);
            g.drawEllipse(p, 5, 5);
            g.setBrush(Qt::NoBrush);
            break;
        case Label::Kind::Mb:
            g.setBrush(c);
            g.drawPolygon(QPolygonF(
                {p + QPointF(-6, 0), p + QPointF(0, -6), p + QPointF(6, 0), p + QPointF(0, 6)}));
            g.setBrush(Qt::NoBrush);
            break;
        default:
            break;
        }
        const QRectF box = metrics.boundingRect(l.text);
        const QPointF corner = layout::labelCorner(p, l.away, box.width(), box.height(), 8);
        // The pin's yellow is too light for its name.
        const QColor ink = l.kind == Label::Kind::Line  ? QColor(70, 70, 70)
                           : l.kind == Label::Kind::Pin ? QColor(140, 100, 0)
                                                        : c.darker(120);
        g.setPen(colour(ink));
        g.drawText(QRectF(corner, box.size()).adjusted(-1, 0, 1, 0), Qt::AlignCenter, l.text);
    }
}

} // namespace vdn
