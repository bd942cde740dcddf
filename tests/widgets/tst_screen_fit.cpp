#include "widgets/screen_fit.h"
#include "customers/client_fixture.h"
#include "customers/customer_data.h"
#include "drilling/drilling_sheet_panel.h"

#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace vdn;
using namespace vdn::test;

namespace {

// The customer window on its drilling sheet, for customer 000001.
bool openSheet(ClientFixture& f) {
    if (!f.ready() || !addCustomer(*f.db, "000001", "DUPONT JEAN", "Annecy") || !f.open())
        return false;
    f.clickRowOf("000001");
    QTest::mouseClick(f.find("cmdajout_fiche"), Qt::LeftButton);
    return f.find("Frame400")->isVisible();
}

// Where a control is, in the scroll area's viewport.
QRect inViewport(QScrollArea* area, QWidget* w) {
    return QRect(w->mapTo(area->viewport(), QPoint(0, 0)), w->size());
}

struct VirtualScreen {
    explicit VirtualScreen(const QRect& area) { screen_fit::setVirtualArea(area); }
    ~VirtualScreen() { screen_fit::setVirtualArea({}); }
};

} // namespace

class TestScreenFit : public QObject {
    Q_OBJECT
private slots:
    void large_screen_keeps_the_designed_geometry();
    void small_screen_scrolls_to_every_control_data();
    void small_screen_scrolls_to_every_control();
};

void TestScreenFit::large_screen_keeps_the_designed_geometry() {
    VirtualScreen screen(QRect(0, 0, 1920, 1080));
    ClientFixture f;
    QVERIFY(openSheet(f));
    QCOMPARE(f.w->size(), QSize(18900 / 15, DrillingSheetPanel::OpenWindowHeight));
    QScrollArea* area = screen_fit::scrollArea(f.w);
    QVERIFY(area);
    QVERIFY(!area->verticalScrollBar()->isVisible());
    QVERIFY(!area->horizontalScrollBar()->isVisible());
    QCOMPARE(area->viewport()->size(), f.w->size());
    QCOMPARE(f.find("Frame400")->geometry(), QRect(QPoint(0, 0), f.w->size()));
    f.w->close();
    QCOMPARE(f.w->height(), DrillingSheetPanel::WindowHeight);
    QVERIFY(!area->verticalScrollBar()->isVisible());
}

void TestScreenFit::small_screen_scrolls_to_every_control_data() {
    QTest::addColumn<QRect>("available");
    // 1280 x 720 and 1366 x 768, each with a 27-pixel panel at the top.
    QTest::newRow("1280x720") << QRect(0, 27, 1280, 693);
    QTest::newRow("1366x768") << QRect(0, 27, 1366, 741);
    QTest::newRow("1024x600") << QRect(0, 0, 1024, 573);
}

void TestScreenFit::small_screen_scrolls_to_every_control() {
    QFETCH(QRect, available);
    VirtualScreen screen(available);
    ClientFixture f;
    QVERIFY(openSheet(f));
    QVERIFY(f.w->height() <= available.height());
    QVERIFY(f.w->width() <= available.width());
    QScrollArea* area = screen_fit::scrollArea(f.w);
    QVERIFY(area->verticalScrollBar()->isVisible());
    // The sheet keeps its designed size inside.
    QCOMPARE(f.find("Frame400")->height(), DrillingSheetPanel::OpenWindowHeight);

    // The validate button, below the visible part at 1280 x 720, is reached.
    auto* validate = f.find<QPushButton>("cmdvalide_fiche");
    if (available.height() < 700)
        QVERIFY(!area->viewport()->rect().contains(inViewport(area, validate)));
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
    QVERIFY(area->viewport()->rect().contains(inViewport(area, validate)));
    area->verticalScrollBar()->setValue(0);
    area->horizontalScrollBar()->setValue(0);

    // Moving the focus with the keyboard brings each control into view.
    validate->setFocus();
    QWidget* before = validate->previousInFocusChain();
    while (before && !(before->focusPolicy() & Qt::TabFocus))
        before = before->previousInFocusChain();
    QVERIFY(before);
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), validate);
    QVERIFY(area->viewport()->rect().contains(inViewport(area, validate)));

    // And a click on it validates the sheet.
    f.folder.boxes.setAnswerAll(true);
    QTest::mouseClick(validate, Qt::LeftButton);
    QVERIFY(f.find("Frame300")->isVisible());
    QCOMPARE(scalar(*f.db, "SELECT count(*) FROM strpercage WHERE per_code = '000001'").toInt(), 1);
    QVERIFY(f.w->height() <= available.height());
}

QTEST_MAIN(TestScreenFit)
#include "tst_screen_fit.moc"
