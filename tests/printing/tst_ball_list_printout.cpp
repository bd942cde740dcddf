#include "printing/ball_list_printout.h"
#include "printing/recording_page_writer.h"
#include "report_data.h"
#include "support/fixture.h"

#include <QTest>

using namespace vdn;
using namespace vdn::test;

namespace {

const QString Code = QStringLiteral("000123");
const QString Name = QStringLiteral("M. DURAND ÉRIC");

// The nine vertical rules of a table row with its top at y.
QStringList rules(int page, int y) {
    QStringList out;
    for (int x : {1400, 3400, 5400, 7400, 8400, 9400, 11400, 12200, 13000})
        out << QStringLiteral("p%1 line %2,%3 %2,%4").arg(page).arg(x).arg(y).arg(y + 400);
    return out;
}

// Prints the customer's balls on a recorder; the folder checks the boxes.
PrintOutcome printBalls(DataFolder& folder, Connection& c, RecordingPageWriter& out) {
    folder.printDialog.expectAccept({});
    QSqlQuery balls = ballQuery(c, Code);
    return printBallList(balls, Name, out, folder.services(), nullptr);
}

} // namespace

class TestBallListPrintout : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(fresh_.start()); }
    void cleanup() { fresh_.stop(); }
    void band_and_row_at_their_places();
    void band_pattern_data();
    void band_pattern();
    void pages_hold_23_then_24_rows_data();
    void pages_hold_23_then_24_rows();
    void history_ball_opening_a_page_gets_its_band();
    void no_ball_says_so_and_prints_nothing();
    void cancel_prints_nothing();
    void statement_orders_by_bag_value_then_line();

private:
    test::FreshFolder fresh_;
};

void TestBallListPrintout::band_and_row_at_their_places() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertBall(*c, Code, 1, "005",
                       {{"mat_marque", "STORM"},
                        {"mat_boule", "Phaze II"},
                        {"mat_serie", "SN0042"},
                        {"mat_layout", "45 < 4 1/2 < 30"},
                        {"mat_rg", "2,48"},
                        {"mat_diff", "0,051"},
                        {"mat_noyau", "Velocity"},
                        {"mat_length", "12"},
                        {"mat_hook", "18"},
                        {"mat_surface1", "Abralon 2000"},
                        {"MAT_SURFACE", "Abralon 2000 puis poli"}}));
    RecordingPageWriter out;
    QCOMPARE(printBalls(folder, *c, out), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);

    const QList<Op> ops = out.ops();
    QVERIFY(ops.size() > 9);
    // After landscape and the header's five items: the band, then the row.
    QStringList expected{"p1 box 100,800 16500,1200"};
    expected << rules(1, 800);
    for (const auto& [x, title] : {std::pair{200, "Marque"},
                                   {1500, "Boule"},
                                   {3500, "N° Série"},
                                   {5500, "Layout"},
                                   {7500, " RG "},
                                   {8500, "Différentiel"},
                                   {9500, "Noyau"},
                                   {11500, "Length"},
                                   {12300, "Hook"},
                                   {13100, "Surface"}})
        expected << QStringLiteral("p1 text %1,900 [%2] Times New Roman 9")
                        .arg(x)
                        .arg(QString::fromUtf8(title));
    expected << "p1 box 100,1200 16500,1600";
    expected << rules(1, 1200);
    for (const auto& [x, value] : {std::pair{200, "STORM"},
                                   {1500, "Phaze II"},
                                   {3500, "SN0042"},
                                   {5500, "45 < 4 1/2 < 30"},
                                   {7500, "2,48"},
                                   {8500, "0,051"},
                                   {9500, "Velocity"},
                                   {11500, "12"},
                                   {12300, "18"},
                                   {13100, "Abralon 2000"}})
        expected << QStringLiteral("p1 text %1,1300 [%2] Times New Roman 9")
                        .arg(x)
                        .arg(QString::fromUtf8(value));
    QCOMPARE(describe(ops.mid(6, ops.size() - 8)), expected);
    QCOMPARE(describe(ops.first()), QStringLiteral("landscape"));
    QCOMPARE(describe(ops.mid(ops.size() - 2)), (QStringList{"end document (sent)", "portrait"}));
}

void TestBallListPrintout::band_pattern_data() {
    QTest::addColumn<QStringList>("bags");
    QTest::addColumn<QStringList>("firstColumn");
    // Each ball's brand is its bag number, so the first column reads as the
    // order of the rows, with "Marque" where a band stands.
    QTest::newRow("three current, two history")
        << QStringList{"150", "002", "120", "001", "003"}
        << QStringList{"Marque", "001", "002", "003", "Marque", "120", "Marque", "150"};
    QTest::newRow("only history") << QStringList{"101", "200", "150"}
                                  << QStringList{"Marque", "101", "Marque", "150", "Marque", "200"};
    // The bag number is read as a number: 99 and 100 are current, 12A is 12.
    QTest::newRow("bag values, not texts")
        << QStringList{"101", "99", "100", "12A", "0150"}
        << QStringList{"Marque", "12A", "99", "100", "Marque", "101", "Marque", "0150"};
}

void TestBallListPrintout::band_pattern() {
    QFETCH(QStringList, bags);
    QFETCH(QStringList, firstColumn);
    auto [folder, c] = fresh_.get();
    int line = 0;
    for (const QString& bag : bags)
        QVERIFY(insertBall(*c, Code, ++line, bag, {{"mat_marque", bag}}));
    QVERIFY(insertBall(*c, QStringLiteral("000124"), 1, "001", {{"mat_marque", "OTHER"}}));
    RecordingPageWriter out;
    QCOMPARE(printBalls(folder, *c, out), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(columnTexts(out, 200), firstColumn);
    // Rows touch; a band stands 300 below the row before it.
    QList<double> tops;
    for (const Op& op : bodyBoxes(out))
        tops << op.y;
    QCOMPARE(tops.first(), 800.0);
    for (qsizetype i = 1; i < tops.size(); ++i) {
        const bool band = firstColumn.at(i) == QStringLiteral("Marque");
        QCOMPARE(tops.at(i) - tops.at(i - 1), band ? 700.0 : 400.0);
    }
}

void TestBallListPrintout::pages_hold_23_then_24_rows_data() {
    QTest::addColumn<int>("balls");
    QTest::addColumn<int>("pages");
    QTest::newRow("page 1 full") << 23 << 1;
    QTest::newRow("24th starts page 2") << 24 << 2;
    QTest::newRow("two full pages") << 47 << 2;
    QTest::newRow("48th starts page 3") << 48 << 3;
}

void TestBallListPrintout::pages_hold_23_then_24_rows() {
    QFETCH(int, balls);
    QFETCH(int, pages);
    auto [folder, c] = fresh_.get();
    for (int i = 1; i <= balls; ++i)
        QVERIFY(insertBall(*c, Code, i, "001", {{"mat_marque", QString::number(i)}}));
    RecordingPageWriter out;
    QCOMPARE(printBalls(folder, *c, out), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);

    // One band, on page 1; rows from y 1200 on page 1 and from y 800 on
    // later pages, 400 apart.
    QStringList expected{"p1 box 100,800 16500,1200"};
    for (int i = 0; i < balls; ++i) {
        const int page = i < 23 ? 1 : 2 + (i - 23) / 24;
        const int top = i < 23 ? 1200 + 400 * i : 800 + 400 * ((i - 23) % 24);
        expected << QStringLiteral("p%1 box 100,%2 16500,%3").arg(page).arg(top).arg(top + 400);
    }
    QCOMPARE(describe(bodyBoxes(out)), expected);
    QCOMPARE(out.ofKind(Kind::NewPage).size(), pages - 1);
    QCOMPARE(headerPageNumbers(out), pagesNumberedInTurn(pages));
}

void TestBallListPrintout::history_ball_opening_a_page_gets_its_band() {
    auto [folder, c] = fresh_.get();
    for (int i = 1; i <= 23; ++i)
        QVERIFY(insertBall(*c, Code, i, "001", {{"mat_marque", "CURRENT"}}));
    QVERIFY(insertBall(*c, Code, 24, "101", {{"mat_marque", "HISTORY"}}));
    RecordingPageWriter out;
    QCOMPARE(printBalls(folder, *c, out), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);
    QStringList page2;
    for (const Op& op : out.ops())
        if (op.page == 2 && (op.kind == Kind::Box || (op.kind == Kind::Text && op.x == 200)))
            page2 << describe(op);
    QCOMPARE(page2,
             (QStringList{
                 "p2 box 100,100 16500,500",
                 "p2 text 200,200 [LISTE DES BOULES DE M. DURAND ÉRIC] Times New Roman 13 bold",
                 "p2 box 100,1100 16500,1500",
                 "p2 text 200,1200 [Marque] Times New Roman 9",
                 "p2 box 100,1500 16500,1900",
                 "p2 text 200,1600 [HISTORY] Times New Roman 9",
             }));
}

void TestBallListPrintout::no_ball_says_so_and_prints_nothing() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertBall(*c, QStringLiteral("000124"), 1, "001"));
    folder.boxes.expectMessage(QStringLiteral("Aucune boule pour ce joueur"));
    RecordingPageWriter out;
    QCOMPARE(printBalls(folder, *c, out), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(describe(out.ops()), (QStringList{"landscape", "end document", "portrait"}));
}

void TestBallListPrintout::cancel_prints_nothing() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertBall(*c, Code, 1, "001"));
    folder.printDialog.expectCancel();
    RecordingPageWriter out;
    QSqlQuery balls = ballQuery(*c, Code);
    QCOMPARE(printBallList(balls, Name, out, folder.services(), nullptr), PrintOutcome::Cancelled);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(describe(out.ops()), (QStringList{"end document", "portrait"}));
}

void TestBallListPrintout::statement_orders_by_bag_value_then_line() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertBall(*c, Code, 3, "101"));
    QVERIFY(insertBall(*c, Code, 2, "99"));
    QVERIFY(insertBall(*c, Code, 1, "99"));
    QVERIFY(insertBall(*c, Code, 4, "100"));
    QVERIFY(insertBall(*c, QStringLiteral("000999"), 1, "1"));
    QCOMPARE(
        column(
            *c,
            QStringLiteral("SELECT MAT_SAC || '/' || MAT_LG FROM (%1)").arg(BallPrintoutStatement),
            {Code}),
        (QStringList{"99/001", "99/002", "100/004", "101/003"}));
}

QTEST_MAIN(TestBallListPrintout)
#include "tst_ball_list_printout.moc"
