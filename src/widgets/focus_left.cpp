#include "widgets/focus_left.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>

namespace vdn {

bool focusLeftForGood(const QWidget& field, const QFocusEvent& event) {
    const Qt::FocusReason reason = event.reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        !field.isVisible())
        return false;
    // The focus already sits where it went.
    const QWidget* now = QApplication::focusWidget();
    if (!now)
        return true;
    if (now == &field || field.isAncestorOf(now))
        return false;
    if (const auto* combo = qobject_cast<const QComboBox*>(&field))
        return now->window() != combo->view()->window();
    return true;
}

} // namespace vdn
