// ctest-engines: postgresql
#include "data/connection.h"
#include "data/val.h"
#include "support/fixture.h"

#include <QTest>

using namespace vdn;

class TestVal : public QObject {
    Q_OBJECT
private slots:
    void reads_leading_number_data();
    void reads_leading_number();
    void orders_numeric_lists_in_sql();
    void handles_null_numbers_and_huge_texts_in_sql();
};

void TestVal::reads_leading_number_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "42" << 42.0;
    QTest::newRow("leading blanks") << "   12" << 12.0;
    QTest::newRow("tab and newline") << "\t\n7" << 7.0;
    QTest::newRow("sign") << "-3,00" << -3.0;
    QTest::newRow("plus") << "+2.5" << 2.5;
    QTest::newRow("period decimals") << "0.05" << 0.05;
    QTest::newRow("comma decimals") << "0,05" << 0.05;
    QTest::newRow("stops at letter") << "112.5 mm" << 112.5;
    QTest::newRow("stops at second separator") << "1,5.3" << 1.5;
    QTest::newRow("separator without digits") << "12." << 12.0;
    QTest::newRow("fraction only") << ",5" << 0.5;
    QTest::newRow("inner blank stops") << "4 1/2" << 4.0;
    QTest::newRow("no number") << "STORM" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("separator alone") << "." << 0.0;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("accented after digits") << "10é" << 10.0;
}

void TestVal::reads_leading_number() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(val(QStringView(text)), expected);
}

void TestVal::orders_numeric_lists_in_sql() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    // Mixed separators sort by their value, 0.05 before 0.1 and 9 before 10.
    QVERIFY(c->execute(QStringLiteral("CREATE TEMP TABLE t (v TEXT)")).ok());
    QVERIFY(c->execute(QStringLiteral("INSERT INTO t VALUES ('10'),('0,1'),('9'),('0.05'),"
                                      "('x'),('2,50'),('-1')"))
                .ok());
    const QStringList order =
        test::column(*c, QStringLiteral("SELECT v FROM t ORDER BY val(v), v"));
    QCOMPARE(order, (QStringList{"-1", "x", "0.05", "0,1", "2,50", "9", "10"}));
}

void TestVal::handles_null_numbers_and_huge_texts_in_sql() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT val(NULL)")).toDouble(), 0.0);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT val(101)")).toDouble(), 101.0);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT val(?)"), {QStringLiteral("100")}).toDouble(),
             100.0);
    const QString many(5000, QLatin1Char('9'));
    QVERIFY(test::scalar(*c, QStringLiteral("SELECT val(?) > 1e300"), {many}).toBool());
    const QString tiny = QStringLiteral("0,") + QString(5000, QLatin1Char('0')) + QLatin1Char('1');
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT val(?)"), {tiny}).toDouble(), 0.0);
}

QTEST_GUILESS_MAIN(TestVal)
#include "tst_val.moc"
