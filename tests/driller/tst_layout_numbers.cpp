// Layout numbers as shops write them in their pick lists and sheets: what is
// read, what is refused rather than guessed, and how values are written back.

#include "driller/layout_numbers.h"

#include <QTest>

#include <cmath>

using namespace vdn::layout;

namespace {
constexpr double Unreadable = -999;
}

class TestLayoutNumbers : public QObject {
    Q_OBJECT
private slots:
    void reading_data();
    void reading();
    void writing_data();
    void writing();
};

void TestLayoutNumbers::reading_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Quantity>("quantity");
    QTest::addColumn<double>("value");
    const Quantity A = Quantity::Angle, D = Quantity::Distance, H = Quantity::Height;
    const struct {
        const char* text;
        Quantity q;
        double value;
    } rows[] = {
        {"45", A, 45},
        {"45°", A, 45},
        {"45 °", A, 45},
        {" 30º ", A, 30},
        {"22,5", A, 22.5},
        {"4 1/2", D, 4.5},
        {"4½", D, 4.5},
        {"4 ½", D, 4.5},
        {"4-1/2", D, 4.5},
        {"4,5", D, 4.5},
        {"4.5", D, 4.5},
        {"4 1/2\"", D, 4.5},
        {"4 1/2 po", D, 4.5},
        {"4\u00A01/2\u00A0po", D, 4.5},
        {"3 3/8", D, 3.375},
        {"5¼", D, 5.25},
        {"⅞", D, 0.875},
        {"2 ⅛", D, 2.125},
        {"3⅜", D, 3.375},
        {"3 ⅝ in", D, 3.625},
        {"¾", D, 0.75},
        {"6 3/4", D, 6.75},
        // The inch mark between the inches and the fraction, as written in France.
        {"4\"1/2", D, 4.5},
        {"4''1/2", D, 4.5},
        {"4’’ ½", D, 4.5},
        {"4 po 1/2", D, 4.5},
        {"4 PO ½", D, 4.5},
        {"3″ 3/8", D, 3.375},
        {"4 1/2’’", D, 4.5},
        {"1 po 1/2 bas", H, -1.5},
        {"-4", D, -4},
        {"1/2", H, 0.5},
        {"1/2 ↑", H, 0.5},
        {"1/2 haut", H, 0.5},
        {"1/2 HAUT", H, 0.5},
        {"1/2 up", H, 0.5},
        {"+1/2", H, 0.5},
        {"1/2 po en haut", H, 0.5},
        {"1/2 ↓", H, -0.5},
        {"1/2 bas", H, -0.5},
        {"1/2 down", H, -0.5},
        {"-1/2", H, -0.5},
        {"1/4 bas po", H, -0.25},
        {"0", H, 0},
        // Refused rather than guessed.
        {"", D, Unreadable},
        {"   ", A, Unreadable},
        {"quatre", D, Unreadable},
        {"4 1/2°", D, Unreadable},
        {"45 po", A, Unreadable},
        {"1/2 haut", D, Unreadable},
        {"+1/2 bas", H, Unreadable},
        {"-1/2 haut", H, Unreadable},
        {"4 5/4", D, Unreadable},
        {"1/0", D, Unreadable},
        {"4,5,6", D, Unreadable},
        {"4,", D, Unreadable},
        {"4 1/2 3", D, Unreadable},
        {"1e3", D, Unreadable},
        {"nan", A, Unreadable},
        {"4 ⅓", D, Unreadable},
        {"--4", D, Unreadable},
        {"4typo", D, Unreadable},
        {"1234567", A, Unreadable},
        {"4\"5", D, Unreadable},
        {"45\"1/2", A, Unreadable},
        {"4 po 1/2 3", D, Unreadable},
    };
    for (const auto& r : rows)
        QTest::newRow(r.text) << QString::fromUtf8(r.text) << r.q << r.value;
    QTest::newRow("very long") << QString(200, QLatin1Char('4')) << D << Unreadable;
}

void TestLayoutNumbers::reading() {
    QFETCH(QString, text);
    QFETCH(Quantity, quantity);
    QFETCH(double, value);
    const std::optional<double> read = readQuantity(text, quantity);
    if (value == Unreadable) {
        QVERIFY2(!read, qPrintable(QString::number(read.value_or(0))));
    } else {
        QVERIFY(read);
        QCOMPARE(*read, value);
    }
}

void TestLayoutNumbers::writing_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("angle");
    QTest::addColumn<QString>("typed"); // the value typed by the user, on the page
    QTest::newRow("half") << 4.5 << "4 1/2"
                          << "4,500 po (≈ 4 1/2)"
                          << "5"
                          << "4 1/2 po";
    QTest::newRow("eighth") << 4.625 << "4 5/8"
                            << "4,625 po (≈ 4 5/8)"
                            << "5"
                            << "4 5/8 po";
    QTest::newRow("sixteenth") << 4.563 << "4,56"
                               << "4,563 po (≈ 4 9/16)"
                               << "5"
                               << "4,563 po";
    QTest::newRow("near an eighth") << 4.50031 << "4 1/2"
                                    << "4,500 po (≈ 4 1/2)"
                                    << "5"
                                    << "4,50031 po";
    QTest::newRow("whole") << 3.0 << "3"
                           << "3,000 po (≈ 3)"
                           << "3"
                           << "3 po";
    QTest::newRow("odd") << 2.592 << "2,59"
                         << "2,592 po (≈ 2 9/16)"
                         << "3"
                         << "2,592 po";
    QTest::newRow("below one") << 0.375 << "3/8"
                               << "0,375 po (≈ 3/8)"
                               << "0"
                               << "3/8 po";
    QTest::newRow("negative") << -0.5 << "-1/2"
                              << "-0,500 po (≈ -1/2)"
                              << "-1"
                              << "-1/2 po";
    QTest::newRow("about nought") << -0.0002 << "0"
                                  << "0,000 po (≈ 0)"
                                  << "0"
                                  << "-0,0002 po";
    QTest::newRow("angle halfway") << 44.5 << "44 1/2"
                                   << "44,500 po (≈ 44 1/2)"
                                   << "45"
                                   << "44 1/2 po";
}

void TestLayoutNumbers::writing() {
    QFETCH(double, value);
    QFETCH(QString, distance);
    QFETCH(QString, shown);
    QFETCH(QString, angle);
    QFETCH(QString, typed);
    QCOMPARE(storedDistance(value), distance);
    QCOMPARE(typedInchesText(value), typed);
    QVERIFY(storedDistance(value).size() <= 5 || std::fabs(value) >= 10);
    QCOMPARE(inchesText(value), shown);
    QCOMPARE(storedAngle(value), angle);
    // What is written is read back as the same value, to the hundredth.
    const std::optional<double> back = readQuantity(distance, Quantity::Distance);
    QVERIFY(back && std::fabs(*back - value) < 0.005);
}

QTEST_GUILESS_MAIN(TestLayoutNumbers)
#include "tst_layout_numbers.moc"
