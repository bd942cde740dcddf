// ctest-engines: postgresql
#include "ball_fixture.h"

#include <QAbstractItemModelTester>

using namespace vdn;
using test::BallFixture;

namespace {

const QString Dupont = QStringLiteral("000001");
const QString Durand = QStringLiteral("000002");

// Balls whose bag numbers and dates catch a text order taken for a numeric
// one; the highest line number is a history ball.
bool addBalls(Connection& c) {
    auto ball = [&](const char* line, const char* bag, const char* date) {
        const QString d = QString::fromLatin1(date);
        return test::addBallRow(c, Dupont, QLatin1String(line),
                                {{"MAT_SAC", QLatin1String(bag)},
                                 {"mat_marque", "STORM"},
                                 {"MAT_DATE", d},
                                 {"MAT_DATE_TRI", d.right(4) + d.mid(3, 2) + d.left(2)}});
    };
    return test::addCustomer(c, Dupont, "DUPONT JEAN") &&
           test::addCustomer(c, Durand, "DURAND MARIE") && ball("001", "100", "31/12/2003") &&
           ball("002", "101", "02/01/2004") && ball("003", "12A", "15/06/2005") &&
           ball("004", "abc", "01/01/2010") && ball("005", "099", "05/05/2001") &&
           ball("007", "150", "__/__/____");
}

} // namespace

class TestBallList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void grid_has_fourteen_columns_in_order();
    void filter_lists_by_bag_value_data();
    void filter_lists_by_bag_value();
    void customer_without_balls_lists_nothing();
    void column_head_sorts_by_text_and_date_by_its_key();
    void bag_edit_is_written_on_leaving_the_row();
    void bag_edit_is_written_before_the_filter_reloads();
    void click_on_a_bag_edits_it_in_place();
    void only_the_bag_column_is_editable();
    void bag_that_cannot_be_written_is_reported_and_reverted();
    void clicks_on_an_empty_grid_do_nothing();
    void failed_load_leaves_no_stale_row_data();
    void failed_load_leaves_no_stale_row();

private:
    std::unique_ptr<BallFixture> fixture_;
};

void TestBallList::init() {
    // Every test starts from a fresh data folder holding the sample balls.
    test::useFrenchLocale();
    fixture_ = std::make_unique<BallFixture>();
    QVERIFY(fixture_->ready());
    QVERIFY(addBalls(*fixture_->db));
}

void TestBallList::cleanup() {
    fixture_.reset();
}

void TestBallList::grid_has_fourteen_columns_in_order() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    const QStringList expected{"N° ordre", "Sac",      "Marque", "BOULE",  "LAYOUT",
                               "RG ",      "NOYAU",    "DIFF",   "LENGTH", "HOOK",
                               "SURFACE",  "N° SERIE", "Date",   ""};
    QStringList shown;
    for (int c = 0; c < f.ballModel()->columnCount(); ++c)
        shown << f.ballModel()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(shown, expected);
    QCOMPARE(f.find<QGroupBox>("Frame300")->title(), QStringLiteral("Suivi du Matériel "));
    QCOMPARE(f.find<QRadioButton>("Option6_0")->text(), QStringLiteral("Toutes les boules"));
    QCOMPARE(f.find<QRadioButton>("Option6_1")->text(), QStringLiteral("Les boules en cours"));
    QCOMPARE(f.find<QRadioButton>("Option6_2")->text(), QStringLiteral("Les boules historique"));
    QCOMPARE(f.find<QLabel>("Label45")->text(), QStringLiteral("Edition du matériel du joueur"));
    QVERIFY(f.find<QToolButton>("cmdimp_mat"));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallList::filter_lists_by_bag_value_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("lines");
    // By the value of the bag number ("abc" is 0, "12A" is 12), then by line.
    QTest::newRow("toutes") << "Option6_0" << QStringList{"004", "003", "005", "001", "002", "007"};
    QTest::newRow("en cours: 100 and below")
        << "Option6_1" << QStringList{"004", "003", "005", "001"};
    QTest::newRow("historique: above 100") << "Option6_2" << QStringList{"002", "007"};
}

void TestBallList::filter_lists_by_bag_value() {
    QFETCH(QString, option);
    QFETCH(QStringList, lines);
    BallFixture& f = *fixture_;
    QVERIFY(f.open());
    QAbstractItemModelTester tester(f.ballModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    // Chosen on the list panel, the filter applies to the selection's load.
    f.choose(option.toLatin1().constData());
    QVERIFY(f.openCustomer(Dupont));
    QCOMPARE(f.ballLines(), lines);
    // Chosen on the ball panel, it reloads at once.
    f.choose("Option6_0");
    QCOMPARE(f.ballLines(), (QStringList{"004", "003", "005", "001", "002", "007"}));
    f.choose(option.toLatin1().constData());
    QCOMPARE(f.ballLines(), lines);
    // A new ball follows the highest line, whether the filter shows it or not.
    QCOMPARE(f.addBallLine(), QStringLiteral("008"));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallList::customer_without_balls_lists_nothing() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    QCOMPARE(f.ballModel()->rowCount(), 6);
    f.w->retour_liste();
    QVERIFY(f.openCustomer(Durand));
    QCOMPARE(f.ballModel()->rowCount(), 0);
    QCOMPARE(f.addBallLine(), QStringLiteral("001"));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallList::column_head_sorts_by_text_and_date_by_its_key() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    QAbstractItemModelTester tester(f.ballModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    // The default order puts 099 first; the "Sac" head sorts the text.
    QCOMPARE(f.ballColumn(BallColumn::Bag),
             (QStringList{"abc", "12A", "099", "100", "101", "150"}));
    f.clickBallHeading(BallColumn::Bag);
    QCOMPARE(f.ballColumn(BallColumn::Bag),
             (QStringList{"099", "100", "101", "12A", "150", "abc"}));
    // "Date" sorts by yyyymmdd: 02/01/2004 after 31/12/2003.
    f.clickBallHeading(BallColumn::Date);
    QCOMPARE(f.ballColumn(BallColumn::Date),
             (QStringList{"05/05/2001", "31/12/2003", "02/01/2004", "15/06/2005", "01/01/2010",
                          "__/__/____"}));
    // A second click gives the same order.
    f.clickBallHeading(BallColumn::Date);
    QCOMPARE(f.ballLines(), (QStringList{"005", "001", "002", "003", "004", "007"}));
    // The sort stays within the filter, until the next load.
    f.choose("Option6_2");
    f.clickBallHeading(BallColumn::Brand);
    QCOMPARE(f.ballLines(), (QStringList{"002", "007"}));
    f.choose("Option6_1");
    QCOMPARE(f.ballLines(), (QStringList{"004", "003", "005", "001"}));
    // Sorting left the highest line as it was.
    QCOMPARE(f.addBallLine(), QStringLiteral("008"));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallList::bag_edit_is_written_on_leaving_the_row() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    QAbstractItemModelTester tester(f.ballModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    const int row = int(f.ballLines().indexOf("005"));
    QVERIFY(f.editBag(row, "150"));
    QCOMPARE(f.ballColumn(BallColumn::Bag).at(row), QStringLiteral("150"));
    // Still on the row: nothing written yet.
    QCOMPARE(f.storedBall(Dupont, "005").value("MAT_SAC").toString(), QStringLiteral("099"));
    QTest::keyClick(f.ballGrid(), Qt::Key_Down);
    QCOMPARE(f.storedBall(Dupont, "005").value("MAT_SAC").toString(), QStringLiteral("150"));
    // The other fields are untouched.
    QCOMPARE(f.storedBall(Dupont, "005").value("mat_marque").toString(), QStringLiteral("STORM"));
    f.choose("Option6_2");
    QCOMPARE(f.ballLines(), (QStringList{"002", "005", "007"}));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallList::bag_edit_is_written_before_the_filter_reloads() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    // A history ball back among the current ones, typed with a quote.
    QVERIFY(f.editBag(int(f.ballLines().indexOf("007")), "1'"));
    f.choose("Option6_1");
    QCOMPARE(f.storedBall(Dupont, "007").value("MAT_SAC").toString(), QStringLiteral("1'"));
    QCOMPARE(f.ballLines(), (QStringList{"004", "007", "003", "005", "001"}));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallList::click_on_a_bag_edits_it_in_place() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    const int row = int(f.ballLines().indexOf("001"));
    const QRect cell = f.ballGrid()->visualRect(f.ballModel()->index(row, int(BallColumn::Bag)));
    QTest::mouseClick(f.ballGrid()->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(f.ballGrid()->isEditing());
    QVERIFY(f.record()->isHidden()); // not opened
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    test::typeText(editor, "101");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    // Clicking another column opens the ball: the row is left, the bag written.
    f.clickBallLine("001");
    QVERIFY(f.record()->isVisible());
    QCOMPARE(f.storedBall(Dupont, "001").value("MAT_SAC").toString(), QStringLiteral("101"));
    QCOMPARE(f.ballColumn(BallColumn::Bag), QStringList{"101"});
    VDN_CHECK_BOXES(f.folder);
}

void TestBallList::only_the_bag_column_is_editable() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    BallGrid* grid = f.ballGrid();
    for (int c = 0; c < BallColumnCount; ++c) {
        if (c == int(BallColumn::Bag) || grid->isColumnHidden(c))
            continue;
        grid->setFocus();
        grid->setCurrentIndex(f.ballModel()->index(0, c));
        QTest::keyClick(grid, Qt::Key_F2);
        QVERIFY2(!f.ballGrid()->isEditing(), qPrintable(QString::number(c)));
        QVERIFY(!f.ballModel()->setData(f.ballModel()->index(0, c), "X"));
    }
    QCOMPARE(f.ballModel()->rowCount(), 6);
    QVERIFY(!f.ballModel()->insertRows(0, 1));
    QVERIFY(!f.ballModel()->removeRows(0, 1));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallList::bag_that_cannot_be_written_is_reported_and_reverted() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    const int row = int(f.ballLines().indexOf("003"));
    QVERIFY(f.editBag(row, "200"));
    // Another program deletes the ball meanwhile.
    QSqlQuery q(f.db->db());
    QVERIFY(q.exec("DELETE FROM strmateriel WHERE MAT_LG = '003'"));
    f.folder.boxes.expectMessage(errorReportText(DataError::other(
        errnum::NoCurrentRecord,
        QStringLiteral("Aucun enregistrement en cours : la boule 003 n'existe plus"))));
    QTest::keyClick(f.ballGrid(), Qt::Key_Down);
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.ballColumn(BallColumn::Bag).at(row), QStringLiteral("12A"));
    QVERIFY(!f.ballModel()->pendingRow());
}

void TestBallList::clicks_on_an_empty_grid_do_nothing() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Durand));
    QTest::mouseClick(f.ballGrid()->viewport(), Qt::LeftButton, {},
                      f.ballGrid()->viewport()->rect().center());
    QTest::mouseDClick(f.ballGrid()->viewport(), Qt::LeftButton, {},
                       f.ballGrid()->viewport()->rect().center());
    f.click("cmdsupp_mat");
    f.clickBallHeading(BallColumn::Date);
    QVERIFY(f.record()->isHidden());
    QCOMPARE(f.ballModel()->rowCount(), 0);
    QCOMPARE(f.ballCount(Dupont), 6);
    VDN_CHECK_BOXES(f.folder);
}

void TestBallList::failed_load_leaves_no_stale_row_data() {
    // What the ball table becomes for the window: the number read first, or
    // the list read next, fails.
    QTest::addColumn<QString>("columns");
    QTest::newRow("highest line number") << "MAT_CODE";
    QTest::newRow("list") << "MAT_CODE, MAT_LG";
}

void TestBallList::failed_load_leaves_no_stale_row() {
    QFETCH(QString, columns);
    BallFixture& f = *fixture_;
    QVERIFY(test::addBallRow(*f.db, Durand, "001", {{"MAT_SAC", "001"}}));
    QVERIFY(f.openCustomer(Dupont));
    QCOMPARE(f.ballModel()->rowCount(), 6);
    // Then the balls can no longer be read (another program changed the file).
    QSqlQuery q(f.db->db());
    QVERIFY(q.exec("ALTER TABLE strmateriel RENAME TO strmateriel_old"));
    QVERIFY(q.exec("CREATE VIEW strmateriel AS SELECT " + columns + " FROM strmateriel_old"));
    // The close box leads back to the whole list.
    f.w->close();
    f.folder.boxes.setAnswerAll(false);
    f.clickRowOf(Durand);
    QCOMPARE(f.folder.boxes.shown().size(), 1);
    QVERIFY(f.folder.boxes.shown().first().text.startsWith("L'erreur suivante s'est produite:"));

    // Nothing of Dupont's is left to act on.
    QCOMPARE(f.ballModel()->rowCount(), 0);
    f.folder.boxes.clear();
    f.click("cmdsupp_mat");
    QVERIFY(f.folder.boxes.shown().isEmpty());
    QVERIFY(f.record()->isHidden());
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strmateriel_old").toInt(), 7);
}

QTEST_MAIN(TestBallList)
#include "tst_ball_list.moc"
