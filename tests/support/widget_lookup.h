#pragma once

// Finding a window's controls the way the tests reach them: by objectName.

#include <QList>
#include <QString>
#include <QWidget>

class QComboBox;

namespace vdn::test {

// The control of that objectName under a widget; warns when there is none.
template <class T = QWidget> T* control(const QObject* under, const QString& name) {
    T* found = under ? under->findChild<T*>(name) : nullptr;
    if (!found)
        qWarning("no control %s", qPrintable(name));
    return found;
}
template <class T = QWidget> T* control(const QObject* under, const char* name) {
    return control<T>(under, QLatin1String(name));
}

// The pick list "Combo<n>" of a sheet under a widget.
QComboBox* comboOf(const QObject* under, int n);

// Picks an item of a combo box the way a user does: opens its list and
// clicks the item, so that its choice handler runs once. False when the list
// did not open or the item was not taken.
bool pickItem(QComboBox* combo, int index);

// Whether the keyboard focus is on the widget or inside it.
bool focusIn(const QWidget* w);

// One control as placed on its panel: its key (objectName, or for an unnamed
// caption "label:" + its text), its rectangle in the panel's pixels.
struct PlacedControl {
    QString key;
    QRect rect;
    bool operator==(const PlacedControl&) const = default;
};

// Every control the user can see or reach on a panel, in creation order:
// named widgets and unnamed captions, leaving out the inner parts of
// compound widgets (a pick list's editor, a text area's viewport, scroll bars).
QList<PlacedControl> placedControls(const QWidget* panel);

// The named controls of a panel in the order Tab visits them, from the first.
QStringList tabOrder(const QWidget* panel);

} // namespace vdn::test
