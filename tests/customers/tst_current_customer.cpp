// The current customer of the customer window: it follows the code box
// Txtcod through every step that sets it, and the panels act on that
// customer only, never on one shown before.

#include "balls/ball_fixture.h"

#include <QLineEdit>

using namespace vdn;

namespace {

const QString First = QStringLiteral("000001");
const QString Second = QStringLiteral("000002");
const QString BallQuestion = QStringLiteral("Etes-vous sûr de vouloir supprimer cette boule ? ");

bool addCustomers(Connection& c) {
    return test::addCustomer(c, First, "DUPONT JEAN", "Annecy", {{"clt_int", "M."}}) &&
           test::addCustomer(c, Second, "DURAND MARIE", "Lyon",
                             {{"clt_int", "Mme"}, {"clt_etat", "SUPPRIME"}}) &&
           test::addBallRow(c, First, "001", {{"MAT_SAC", "000"}}) &&
           test::addBallRow(c, First, "002", {{"MAT_SAC", "000"}}) &&
           test::addBallRow(c, Second, "001", {{"MAT_SAC", "000"}});
}

QStringList storedBalls(test::BallFixture& f) {
    return test::column(*f.db, "SELECT MAT_CODE || '/' || MAT_LG FROM strmateriel "
                               "ORDER BY MAT_CODE, MAT_LG");
}

} // namespace

class TestCurrentCustomer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void followsTheCodeBox();
    void actsOnTheCustomerShownLast();
    void neverActsOnRowsOfAnotherCustomer();
};

void TestCurrentCustomer::followsTheCodeBox() {
    test::BallFixture f;
    QVERIFY(f.openWith(addCustomers));
    QLineEdit* code = f.box("Txtcod");
    auto same = [&] { return f.w->currentCode() == code->text(); };

    // Row click: the customer, its name and its state.
    QVERIFY(f.openCustomer(Second));
    QVERIFY(same());
    QCOMPARE(f.w->currentCustomer(), (CurrentCustomer{Second, QStringLiteral("Mme DURAND MARIE"),
                                                      QStringLiteral("SUPPRIME")}));
    QVERIFY(f.w->currentCustomer().deleted());

    // Ball open, then the modify entry.
    f.find("Frame300")->window()->close(); // back to the list
    QVERIFY(f.openCustomer(First));
    f.clickBallLine("002");
    QCOMPARE(f.w->currentCode(), First);
    QVERIFY(!f.w->currentCustomer().deleted());
    f.click("cmdannule3");
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    QVERIFY(f.find("Frame100")->isVisible());
    QCOMPARE(f.w->currentCode(), First);
    f.click("cmdannule");

    // New: the next number; then the code typed and checked on leaving.
    f.click("cmdajout");
    QCOMPARE(code->text(), QStringLiteral("000003"));
    QVERIFY(same());
    QCOMPARE(f.w->currentCustomer().state, QString());
    f.retype("Txtcod", "12");
    QVERIFY(same());
    f.leave("Txtcod");
    QCOMPARE(code->text(), QStringLiteral("000012"));
    QVERIFY(same());
    VDN_CHECK_BOXES(f.folder);
}

void TestCurrentCustomer::actsOnTheCustomerShownLast() {
    test::BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(addCustomers(*f.db));
    QVERIFY(f.openCustomer(First));
    f.find("Frame300")->window()->close();
    QVERIFY(f.openCustomer(Second));

    // The delete takes the second customer's ball, not the first's of the
    // same number.
    f.folder.boxes.expectQuestion(BallQuestion, true);
    f.click("cmdsupp_mat");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(storedBalls(f), (QStringList{"000001/001", "000001/002"}));

    // A new ball or a new drilling sheet is refused for this deleted
    // customer, although the customer shown before could have them.
    f.folder.boxes.expectMessage(
        QStringLiteral("Ce client est supprimé--Impossible de créer du matériel"));
    f.click("cmdajout_mat");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.openCustomer(Second));
    f.folder.boxes.expectMessage(
        QStringLiteral("Ce client est supprimé--Impossible de créer une fiche de percage"));
    f.click("cmdajout_fiche");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strpercage").toInt(), 0);
}

void TestCurrentCustomer::neverActsOnRowsOfAnotherCustomer() {
    test::BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(addCustomers(*f.db));
    QVERIFY(f.openCustomer(First));
    QCOMPARE(f.ballLines(), (QStringList{"001", "002"}));

    // Another code put in Txtcod while the grid still lists the first
    // customer's balls: the window follows the box, and the grid's rows,
    // which are not that customer's, are neither opened nor deleted.
    f.box("Txtcod")->setText(Second);
    QCOMPARE(f.w->currentCode(), Second);
    f.clickBallLine("001");
    QVERIFY(f.record()->isHidden());
    f.click("cmdsupp_mat"); // no question: nothing of the shown customer to delete
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(storedBalls(f), (QStringList{"000001/001", "000001/002", "000002/001"}));

    // The status filter reloads the grid for the customer Txtcod shows.
    f.choose("Option6_1");
    QCOMPARE(f.ballLines(), QStringList{"001"});
    f.clickBallLine("001");
    QVERIFY(f.record()->isVisible());
    QCOMPARE(f.ballLines(), QStringList{"001"});
    VDN_CHECK_BOXES(f.folder);
}

QTEST_MAIN(TestCurrentCustomer)
#include "tst_current_customer.moc"
