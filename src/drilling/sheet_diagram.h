#pragma once

#include "platform/twips.h"

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QWidget>

namespace vdn {

// Height of every numbered pick list, in twips.
constexpr int SheetComboHeight = 345;

// Side of a diagram box on which its small blue arrow points.
enum class Arrow { None, Up, Down, Left, Right };

// A numbered pick list placed on the diagram frame Frame24 (twips, relative
// to the frame), with the arrow of the box it sits on.
struct DiagramBox {
    int number;
    int left;
    int top;
    int width;
    Arrow arrow;
};
const QList<DiagramBox>& diagramBoxes();

// Where the picture Image1 lies in Frame24, in twips.
constexpr int DiagramLeft = 120;
constexpr int DiagramTop = 120;
// The picture's size in pixels.
constexpr int DiagramWidth = 720;
constexpr int DiagramHeight = 781;

// The layout diagram: a white picture with the two finger holes, the thumb
// hole crossed by a diagonal, the lines between them and the empty boxes on
// which the numbered pick lists sit. It bears no numbers or words.
QPixmap drillingDiagram();

// The printer picture of the print button.
QPixmap printerPicture(int size);

// A thin guide line drawn over the diagram between two points of its parent.
// It lets clicks through to the pick lists beneath it.
class GuideLine : public QWidget {
public:
    GuideLine(QPoint from, QPoint to, QWidget* parent);
    // The end points, in the parent's coordinates.
    QPoint from() const { return pos() + from_; }
    QPoint to() const { return pos() + to_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint from_;
    QPoint to_;
};

} // namespace vdn
