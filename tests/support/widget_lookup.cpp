#include "support/widget_lookup.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>

namespace vdn::test {

namespace {

bool insideCompound(const QWidget* w, const QWidget* panel) {
    for (const QWidget* p = w->parentWidget(); p && p != panel; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractScrollArea*>(p))
            return true;
    return false;
}

QString keyOf(const QWidget* w) {
    if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
        return w->objectName();
    if (auto* l = qobject_cast<const QLabel*>(w); l && !l->text().isEmpty())
        return QStringLiteral("label:") + l->text();
    return {};
}

} // namespace

QComboBox* comboOf(const QObject* under, int n) {
    return control<QComboBox>(under, QStringLiteral("Combo%1").arg(n));
}

bool pickItem(QComboBox* combo, int index) {
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    if (!QTest::qWaitForWindowExposed(view->window()))
        return false;
    const QRect item = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    return !view->isVisible() && combo->currentIndex() == index;
}

bool focusIn(const QWidget* w) {
    const QWidget* f = QApplication::focusWidget();
    return w && f && (f == w || w->isAncestorOf(f));
}

QList<PlacedControl> placedControls(const QWidget* panel) {
    QList<PlacedControl> out;
    for (const QWidget* w : panel->findChildren<const QWidget*>()) {
        if (w->isHidden() || insideCompound(w, panel))
            continue;
        const QString key = keyOf(w);
        if (key.isEmpty())
            continue;
        out.append({key, QRect(w->mapTo(panel, QPoint(0, 0)), w->size())});
    }
    return out;
}

QStringList tabOrder(const QWidget* panel) {
    QStringList order;
    const QWidget* start = panel;
    for (QWidget* w = start->nextInFocusChain(); w && w != start; w = w->nextInFocusChain()) {
        if (!panel->isAncestorOf(w) || w->focusPolicy() == Qt::NoFocus ||
            insideCompound(w, panel) || w->objectName().isEmpty())
            continue;
        if (order.contains(w->objectName()))
            break;
        order << w->objectName();
    }
    return order;
}

} // namespace vdn::test
