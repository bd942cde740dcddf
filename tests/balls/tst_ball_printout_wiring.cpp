#include "ball_fixture.h"

#include "balls/ball_panel.h"
#include "platform/print_dialog.h"

#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vdn;
using test::BallFixture;

namespace {

const QString Dupont = QStringLiteral("000001");

bool addBalls(Connection& c) {
    auto ball = [&](const char* line, const char* bag) {
        return test::addBallRow(c, Dupont, QLatin1String(line),
                                {{"MAT_SAC", QLatin1String(bag)}, {"mat_marque", "STORM"}});
    };
    return test::addCustomer(c, Dupont, "DUPONT JEAN") && ball("001", "101") && ball("002", "99") &&
           ball("003", "5") && ball("004", "100");
}

} // namespace

class TestBallPrintoutWiring : public QObject {
    Q_OBJECT
private slots:
    void init() { test::useFrenchLocale(); }
    void prints_then_shows_every_ball_in_printed_order();
    void cancel_prints_nothing_and_says_nothing();
};

void TestBallPrintoutWiring::prints_then_shows_every_ball_in_printed_order() {
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("boules.pdf"));
    BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(addBalls(*f.db));
    QVERIFY(f.openCustomer(Dupont));
    // Only the current balls are listed before printing.
    QTest::mouseClick(f.find<QRadioButton>("Option6_1"), Qt::LeftButton);
    QCOMPARE(f.ballLines(), (QStringList{"003", "002", "004"}));

    ScriptedPrintDialog::Choice choice;
    choice.pdfFile = pdf;
    f.folder.printDialog.expectAccept(choice);
    f.click("cmdimp_mat");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.folder.printDialog.pending(), 0);
    QVERIFY(QFile(pdf).size() > 0);
    // Afterwards the grid shows what was printed: every ball, by bag value.
    QCOMPARE(f.ballLines(), (QStringList{"003", "002", "004", "001"}));
    QVERIFY(f.w && f.find("Frame300")->isVisible());
}

void TestBallPrintoutWiring::cancel_prints_nothing_and_says_nothing() {
    QTemporaryDir out;
    BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(addBalls(*f.db));
    QVERIFY(f.openCustomer(Dupont));
    // The current balls only, in the order of the bag number.
    f.click("Option6_1");
    const QStringList shown = f.ballLines();
    QCOMPARE(shown, (QStringList{"003", "002", "004"}));
    f.folder.printDialog.expectCancel();
    f.click("cmdimp_mat");
    VDN_CHECK_BOXES(f.folder);
    // The grid and its filter stay as they were.
    QCOMPARE(f.ballLines(), shown);
    QVERIFY(f.find<QRadioButton>("Option6_1")->isChecked());
    QCOMPARE(f.folder.printDialog.pending(), 0);
    QVERIFY(f.w && f.find("Frame300")->isVisible());
    QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 0);
}

QTEST_MAIN(TestBallPrintoutWiring)
#include "tst_ball_printout_wiring.moc"
