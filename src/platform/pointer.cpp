#include "platform/pointer.h"

#include <QApplication>
#include <QCursor>

namespace vdn {

void QtPointer::setBusy() {
    if (!QApplication::overrideCursor())
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void QtPointer::setDefault() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

bool QtPointer::isBusy() const {
    return QApplication::overrideCursor() != nullptr;
}

} // namespace vdn
