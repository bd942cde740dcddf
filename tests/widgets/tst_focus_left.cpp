// Whether a focus-out is the user leaving a field: the rule the record panels
// run their field checks by.

#include "widgets/focus_left.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

using namespace vdn;

class TestFocusLeft : public QObject {
    Q_OBJECT
private slots:
    void leaving_data();
    void leaving();
};

void TestFocusLeft::leaving_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("focusGoesTo"); // empty: the focus is cleared
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("left");
    QTest::newRow("tab to another box") << "a" << int(Qt::TabFocusReason) << "b" << false << true;
    QTest::newRow("focus cleared") << "a" << int(Qt::OtherFocusReason) << "" << false << true;
    QTest::newRow("another window")
        << "a" << int(Qt::ActiveWindowFocusReason) << "b" << false << false;
    QTest::newRow("pop-up") << "a" << int(Qt::PopupFocusReason) << "b" << false << false;
    QTest::newRow("panel hidden") << "a" << int(Qt::TabFocusReason) << "b" << true << false;
    QTest::newRow("inside the combo")
        << "c" << int(Qt::OtherFocusReason) << "c-edit" << false << false;
    QTest::newRow("combo to a box") << "c" << int(Qt::TabFocusReason) << "a" << false << true;
}

void TestFocusLeft::leaving() {
    QFETCH(QString, field);
    QFETCH(int, reason);
    QFETCH(QString, focusGoesTo);
    QFETCH(bool, hidden);
    QFETCH(bool, left);
    QWidget window;
    auto* c = new QComboBox(&window);
    c->setEditable(true);
    const QMap<QString, QWidget*> named{{"a", new QLineEdit(&window)},
                                        {"b", new QLineEdit(&window)},
                                        {"c", c},
                                        {"c-edit", c->lineEdit()}};
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    if (focusGoesTo.isEmpty())
        QApplication::focusWidget()->clearFocus();
    else
        named.value(focusGoesTo)->setFocus(Qt::OtherFocusReason);
    if (hidden)
        window.hide();
    const QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(reason));
    QCOMPARE(focusLeftForGood(*named.value(field), out), left);
}

QTEST_MAIN(TestFocusLeft)
#include "tst_focus_left.moc"
