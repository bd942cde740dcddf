#pragma once

#include <QRect>
#include <QSize>

class QScrollArea;
class QWidget;

namespace vdn {

// Keeps every control of a window within reach on a small screen. The
// window's controls sit on a content widget inside a frameless scroll area
// that fills the window. Where the screen's available area (without its
// panels and docks) holds the window's designed size, the window takes
// exactly that size and nothing scrolls; where it does not, the window is
// cut down to the area and its content scrolls, by the mouse and by moving
// the focus with the keyboard.
namespace screen_fit {

// Puts a scroll area filling `window` and returns the widget to lay the
// window's controls on.
QWidget* install(QWidget* window);
// The scroll area of a window given to install(), or null.
QScrollArea* scrollArea(const QWidget* window);

// Gives the window its designed client size `wanted`, or the available area
// when that is smaller; the content keeps `wanted`.
void resize(QWidget* window, QSize wanted);

// The area windows may take on the window's screen. The offscreen platform
// has no real screen and sets no limit, unless a virtual area is set.
QRect availableArea(const QWidget* window);
// A virtual available area (tests, screenshots); an empty one goes back to
// the screen's.
void setVirtualArea(const QRect& area);

} // namespace screen_fit
} // namespace vdn
