#pragma once

#include <QMargins>
#include <QString>

#include <functional>

class QWidget;

namespace vdn {

// Window states as the older platform numbered them.
enum WindowState { StateNormal = 0, StateMinimised = 1, StateMaximised = 2 };

// Sets the caption, centres the window's outer frame (title bar and borders
// included) on its screen (a window larger than the screen gets a negative
// position) and applies the state. The frame is the one the window manager
// reports; a window not shown yet has none.
void centrer_fenetre(QWidget* window, const QString& caption, int state);

// The frame margins of a window as the window manager draws them. Tests stand
// in for a window manager (offscreen windows have no frame); an empty
// function puts back the margins the platform reports.
using FrameMarginsSource = std::function<QMargins(const QWidget* window)>;
void setFrameMarginsSourceForTests(FrameMarginsSource source);

} // namespace vdn
