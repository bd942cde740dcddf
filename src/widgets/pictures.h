#pragma once

#include <QPixmap>

#include <functional>

class QPainter;

namespace vdn::pictures {

// A transparent picture of `size`, drawn antialiased by `draw`.
QPixmap painted(QSize size, const std::function<void(QPainter&)>& draw);

// The main window's pictures, drawn by the program itself.
QPixmap bowlingBall(int size, QColor colour);
QPixmap pins(QSize size);
QPixmap customers(QSize size);
QPixmap drill(QSize size);
QPixmap lane(QSize size);
QPixmap validate(int size);
// Picture buttons of the entry panels: cancel (a red cross), add (a green
// plus) and delete (a red minus).
QPixmap cancel(int size);
QPixmap add(int size);
QPixmap remove(int size);

} // namespace vdn::pictures
