#include "widgets/server_notice.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>

#include <algorithm>

namespace vdn {

namespace {

// The window the notice goes on: the active one, else the last visible
// window.
QWidget* noticeWindow() {
    if (QWidget* active = QApplication::activeWindow())
        return active;
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isMinimized() && w->windowType() != Qt::Popup &&
            w->windowType() != Qt::ToolTip)
            found = w;
    return found;
}

QLabel* makeNotice(QWidget* window) {
    auto* label = new QLabel(QStringLiteral("Connexion au serveur…"), window);
    label->setObjectName(QStringLiteral("serverNotice"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFocusPolicy(Qt::NoFocus);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::ToolTipBase);
    label->setForegroundRole(QPalette::ToolTipText);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setMargin(8);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

void showStatementWait(bool waiting) {
    static QPointer<QLabel> notice;
    if (!waiting) {
        if (notice)
            notice->hide();
        return;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    QWidget* window = noticeWindow();
    if (!window)
        return;
    if (notice && notice->window() != window) {
        notice->hide();
        notice->deleteLater();
        notice = nullptr;
    }
    if (!notice)
        notice = makeNotice(window);
    notice->adjustSize();
    notice->move((window->width() - notice->width()) / 2,
                 std::max(0, window->height() - notice->height() - 16));
    notice->show();
    notice->raise();
    // Painted now: the event loop turns only once the statement is over.
    if (!window->paintingActive())
        notice->repaint();
}

} // namespace vdn
