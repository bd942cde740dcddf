#include "platform/server_wait.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QWindow>

namespace vdn {

void showServerWait(bool waiting) {
    static QPointer<QLabel> label;
    // Events are handled while the label is painted: a statement they start
    // finds the notice already shown and does not show it again.
    static bool painting = false;
    if (painting)
        return;
    if (!waiting) {
        if (label)
            label->hide();
        return;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    if (!label) {
        label = new QLabel(QStringLiteral("Connexion au serveur…"));
        label->setObjectName(QStringLiteral("serverWait"));
        label->setWindowFlags(Qt::SplashScreen | Qt::WindowStaysOnTopHint);
        label->setAlignment(Qt::AlignCenter);
        label->setMargin(24);
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    label->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        label->move(screen->availableGeometry().center() - label->rect().center());
    painting = true;
    label->show();
    label->raise();
    // The window system maps the window a moment later: the label is
    // painted once it is on screen (or after a fifth of a second at most).
    QElapsedTimer shown;
    shown.start();
    while (!(label->windowHandle() && label->windowHandle()->isExposed()) && shown.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    label->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    painting = false;
}

} // namespace vdn
