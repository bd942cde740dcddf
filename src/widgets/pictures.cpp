#include "widgets/pictures.h"

#include <QLineF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <initializer_list>

namespace vdn::pictures {

namespace {

QPen strokePen(QColor colour, int size) {
    return QPen(colour, size * 0.14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A square icon of round-capped strokes; the lines are given as fractions of its side.
QPixmap strokes(int size, QColor colour, std::initializer_list<QLineF> lines) {
    return painted(QSize(size, size), [&](QPainter& g) {
        g.setPen(strokePen(colour, size));
        for (const QLineF& line : lines)
            g.drawLine(QPointF(line.p1() * size), QPointF(line.p2() * size));
    });
}

void drawPin(QPainter& g, QRectF r) {
    QPainterPath path;
    const double w = r.width(), h = r.height(), x = r.x(), y = r.y();
    path.moveTo(x + w * 0.5, y);
    path.cubicTo(x + w * 0.85, y, x + w * 0.8, y + h * 0.25, x + w * 0.65, y + h * 0.32);
    path.cubicTo(x + w * 1.05, y + h * 0.55, x + w * 0.95, y + h * 0.9, x + w * 0.7, y + h);
    path.lineTo(x + w * 0.3, y + h);
    path.cubicTo(x + w * 0.05, y + h * 0.9, x - w * 0.05, y + h * 0.55, x + w * 0.35, y + h * 0.32);
    path.cubicTo(x + w * 0.2, y + h * 0.25, x + w * 0.15, y, x + w * 0.5, y);
    g.setPen(QPen(QColor(90, 90, 90), 1));
    g.setBrush(QColor(250, 250, 245));
    g.drawPath(path);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(200, 30, 30));
    g.drawRect(QRectF(x + w * 0.3, y + h * 0.22, w * 0.4, h * 0.04));
    g.drawRect(QRectF(x + w * 0.28, y + h * 0.28, w * 0.44, h * 0.04));
}

} // namespace

QPixmap painted(QSize size, const std::function<void(QPainter&)>& draw) {
    QPixmap p(size);
    p.fill(Qt::transparent);
    {
        QPainter g(&p);
        g.setRenderHint(QPainter::Antialiasing);
        draw(g);
    }
    return p;
}

QPixmap bowlingBall(int size, QColor colour) {
    return painted(QSize(size, size), [&](QPainter& g) {
        QRadialGradient shade(size * 0.35, size * 0.3, size * 0.7);
        shade.setColorAt(0, colour.lighter(170));
        shade.setColorAt(1, colour.darker(160));
        g.setBrush(shade);
        g.setPen(Qt::NoPen);
        g.drawEllipse(QRectF(1, 1, size - 2, size - 2));
        g.setBrush(QColor(20, 20, 20));
        const double hole = size * 0.09;
        g.drawEllipse(QPointF(size * 0.42, size * 0.32), hole, hole);
        g.drawEllipse(QPointF(size * 0.58, size * 0.32), hole, hole);
        g.drawEllipse(QPointF(size * 0.5, size * 0.56), hole * 1.3, hole * 1.3);
    });
}

QPixmap pins(QSize size) {
    return painted(size, [&](QPainter& g) {
        const double w = size.width() / 3.4;
        for (int i = 0; i < 3; ++i)
            drawPin(g, QRectF(i * w * 1.15, i == 1 ? 0 : size.height() * 0.08, w,
                              size.height() * (i == 1 ? 1.0 : 0.92) - 1));
    });
}

QPixmap customers(QSize size) {
    return painted(size, [&](QPainter& g) {
        const double w = size.width(), h = size.height();
        const QColor colours[] = {QColor(40, 90, 160), QColor(60, 130, 200)};
        for (int i = 0; i < 2; ++i) {
            const double x = i == 0 ? w * 0.05 : w * 0.4;
            g.setPen(Qt::NoPen);
            g.setBrush(colours[i]);
            g.drawEllipse(QRectF(x + w * 0.12, h * 0.08, w * 0.3, w * 0.3));
            g.drawRoundedRect(QRectF(x, h * 0.5, w * 0.55, h * 0.48), 8, 8);
        }
    });
}

QPixmap drill(QSize size) {
    return painted(size, [&](QPainter& g) {
        const double w = size.width(), h = size.height();
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(110, 110, 120));
        g.drawRect(QRectF(w * 0.15, h * 0.05, w * 0.6, h * 0.12));
        g.drawRect(QRectF(w * 0.6, h * 0.05, w * 0.15, h * 0.9));
        g.drawRect(QRectF(w * 0.1, h * 0.88, w * 0.8, h * 0.1));
        g.setBrush(QColor(200, 160, 40));
        g.drawRect(QRectF(w * 0.2, h * 0.17, w * 0.25, h * 0.2));
        g.setBrush(QColor(170, 170, 180));
        g.drawRect(QRectF(w * 0.3, h * 0.37, w * 0.05, h * 0.2));
        g.drawPixmap(QPointF(w * 0.12, h * 0.55), bowlingBall(int(h * 0.33), QColor(120, 30, 160)));
    });
}

QPixmap lane(QSize size) {
    return painted(size, [&](QPainter& g) {
        const double w = size.width(), h = size.height();
        QLinearGradient wood(0, 0, w, 0);
        wood.setColorAt(0, QColor(205, 160, 100));
        wood.setColorAt(1, QColor(230, 190, 130));
        QPolygonF floor;
        floor << QPointF(w * 0.4, 0) << QPointF(w * 0.6, 0) << QPointF(w, h) << QPointF(0, h);
        g.setBrush(wood);
        g.setPen(Qt::NoPen);
        g.drawPolygon(floor);
        g.setPen(QPen(QColor(150, 100, 50), 1));
        for (int i = 1; i < 6; ++i)
            g.drawLine(QPointF(w * (0.4 + 0.2 * i / 6.0), 0), QPointF(w * i / 6.0, h));
        g.drawPixmap(QPointF(w * 0.42, 0), pins(QSize(int(w * 0.16), int(h * 0.25))));
    });
}

QPixmap validate(int size) {
    return painted(QSize(size, size), [&](QPainter& g) {
        g.setPen(strokePen(QColor(30, 140, 60), size));
        QPolygonF tick;
        tick << QPointF(size * 0.18, size * 0.55) << QPointF(size * 0.42, size * 0.78)
             << QPointF(size * 0.82, size * 0.24);
        g.drawPolyline(tick);
    });
}

QPixmap cancel(int size) {
    return strokes(size, QColor(200, 40, 40), {{0.25, 0.25, 0.75, 0.75}, {0.75, 0.25, 0.25, 0.75}});
}

QPixmap add(int size) {
    return strokes(size, QColor(30, 140, 60), {{0.5, 0.2, 0.5, 0.8}, {0.2, 0.5, 0.8, 0.5}});
}

QPixmap remove(int size) {
    return strokes(size, QColor(200, 40, 40), {{0.2, 0.5, 0.8, 0.5}});
}

} // namespace vdn::pictures
