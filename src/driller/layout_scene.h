#pragma once

// The drawing of a layout, as lines and labels, for the screen and the page
// alike: the ball seen from the grip side, an orthographic view centred on
// the grip centre. Coordinates are the view's: the ball's outline is the
// circle of radius 1 round (0, 0), x to the right, y up. Only the half of
// the ball facing the driller is drawn.

#include "driller/layout_geometry.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace vdn::layout {

struct Stroke {
    enum class Kind {
        Outline, // the ball's edge
        Midline,
        Val,
        Measure, // an arc whose length is written beside it
        Cg,      // the way from the pin to the CG, with its arrow head
        Angle,   // the drilling angle and the VAL angle
    };
    Kind kind;
    QList<QPointF> points; // one polyline
};

struct Label {
    enum class Kind { Grip, Pap, Pin, Mb, Line, Measure, Angle };
    Kind kind;
    QPointF at;   // the point labelled
    QPointF away; // which way from the point the text goes (unit)
    QString text;
};

struct Scene {
    QList<Stroke> strokes;
    // In the order their texts are placed (placeLabels()): the points'
    // names, the numbers, the lines' names.
    QList<Label> labels;
};

// The texts written on the drawing.
struct SceneTexts {
    QString pinToPap;
    QString pinBuffer;
    QString mbToPap;
    QString drillingAngle;
    QString valAngle;
    QString mbName;    // "PSA" or "MB"
    QString reference; // the line from the pin: "CG", or "MB" on an asymmetric ball
};

Scene layoutScene(const LayoutMarks& marks, const SceneTexts& texts);
// The drawing of a layout, its MB at `pinToMb` from the pin (a PSA at the
// default distance), for the PAP and hand given, with its measures written
// and the line from the pin named after the ball's core.
Scene layoutScene(const DualAngle& layout, double pinToMb, const Pap& pap, Hand hand,
                  Core core = Core::Symmetric);

// Where a label's text goes, given its size, so that it lies beside the
// point on the side `away` points to: the top-left corner, in a target
// whose y axis points down. `point` is the labelled point in the target.
QPointF labelCorner(QPointF point, QPointF away, double width, double height, double gap);

// A label's text to be placed in a target whose y axis points down: the
// labelled point there, the label's `away`, the text's size measured with
// the target's font, and the mark drawn at the point (empty for none).
struct TextToPlace {
    QPointF point;
    QPointF away;
    QSizeF size;
    QRectF mark;
};

// Where each text goes, in order, so that no text lies over another or over
// another label's mark: each in turn takes the first of the places round its
// point that is clear of the texts placed before it and of the marks: on its
// side `away` first, then on the sides next to it, turning both ways round
// the point, then the same a line's height further out, and once more. A
// place is first moved inside `bounds`; one that then covers its own point
// is passed over. When no place is clear, the text keeps its first place.
// The answer holds one rectangle per text, in the target.
QList<QRectF> placeLabels(const QList<TextToPlace>& texts, double gap, const QRectF& bounds);

} // namespace vdn::layout
