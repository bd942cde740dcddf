#pragma once

#include <QString>

class QWidget;

namespace vdn {

// Window states as the older platform numbered them.
enum WindowState { StateNormal = 0, StateMinimised = 1, StateMaximised = 2 };

// Sets the caption, centres the window on its screen (a window larger than
// the screen gets a negative position) and applies the state.
void centrer_fenetre(QWidget* window, const QString& caption, int state);

} // namespace vdn
