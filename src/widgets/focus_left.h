#pragma once

class QFocusEvent;
class QWidget;

namespace vdn {

// Whether a focus-out of `field` is the user leaving it, which runs the
// field's check: another window taking the focus (a message box, another
// program), a pop-up opening (a menu, the field's own drop-down), or the field
// being hidden with its panel is no leaving; nor is the focus staying inside
// the field (the line edit of a combo box) or in its drop-down.
bool focusLeftForGood(const QWidget& field, const QFocusEvent& event);

} // namespace vdn
