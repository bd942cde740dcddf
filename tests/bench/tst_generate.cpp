// The benchmark's generated shop: the counts its measures rely on, and a
// file the program uses as one it made itself.

#include "generate.h"

#include "customers/customer_store.h"
#include "data/connection.h"
#include "data/database_creator.h"
#include "data/globals.h"
#include "support/fixture.h"

#include <QTest>

using namespace vdn;

class TestGenerate : public QObject {
    Q_OBJECT
private slots:
    void counts_follow_the_requested_averages();
};

void TestGenerate::counts_follow_the_requested_averages() {
    QTemporaryDir dir;
    bench::Generation g;
    g.customers = 1000;
    bench::Generated written;
    QCOMPARE(bench::generateDatabase(dir.path(), g, &written), QString());
    auto c = Connection::open(databasePath(dir.path() + QLatin1Char('/')));
    QVERIFY2(c, c ? "" : qPrintable(c.error().text));
    const auto number = [&](const char* sql) {
        return test::scalar(**c, QString::fromLatin1(sql)).toDouble();
    };
    const double customers = number("SELECT count(*) FROM strclient");
    const double sheets = number("SELECT count(*) FROM strpercage");
    bench::Generated counted;
    QCOMPARE(bench::countRows(databasePath(dir.path() + QLatin1Char('/')), &counted), QString());
    // Uniform draws: 0 to 20 balls (standard error of the mean 0.19 over a
    // thousand customers), 1 to 19 versions (0.23 over five hundred sheets).
    const struct {
        const char* what;
        double measured, expected, tolerance;
    } rules[] = {
        {"customers", customers, 1000, 0},
        {"balls a customer", number("SELECT count(*) FROM strmateriel") / customers, 10, 1},
        {"sheets a customer", sheets / customers, 0.5, 0.01},
        {"versions a sheet", number("SELECT count(*) FROM strpercage_hist") / sheets, 10, 1.2},
        {"sheets without a version",
         number("SELECT count(*) FROM strpercage p WHERE NOT EXISTS (SELECT 1 FROM "
                "strpercage_hist h WHERE h.per_code = p.per_code)"),
         0, 0},
        {"customers without keys",
         number("SELECT count(*) FROM strclient WHERE clt_nom_k2 IS "
                "NULL OR clt_gsm_k IS NULL"),
         0, 0},
        {"counted again", double(counted.customers + counted.sheets), customers + sheets, 0},
        {"counted as written", double(written.balls + written.versions),
         number("SELECT (SELECT count(*) FROM strmateriel) + (SELECT count(*) FROM "
                "strpercage_hist)"),
         0},
    };
    for (const auto& r : rules)
        QVERIFY2(std::abs(r.measured - r.expected) <= r.tolerance,
                 qPrintable(QStringLiteral("%1: %2, expected %3")
                                .arg(QLatin1String(r.what))
                                .arg(r.measured)
                                .arg(r.expected)));

    // The indexes and triggers set aside during the bulk are all back: the
    // same as in a database the program makes.
    QTemporaryDir plain;
    CreateOptions create;
    create.folder = plain.path();
    QVERIFY(createDatabase(create).ok());
    auto p = Connection::open(databasePath(plain.path() + QLatin1Char('/')));
    QVERIFY(p);
    const QString objects = QStringLiteral(
        "SELECT type || ' ' || name || ' ' || coalesce(sql, '') FROM sqlite_schema WHERE type IN "
        "('index', 'trigger') ORDER BY name");
    QCOMPARE(test::column(**c, objects), test::column(**p, objects));
    // A name search of the program finds a generated customer by its name.
    const QString name = test::scalar(**c, QStringLiteral("SELECT clt_nom FROM strclient WHERE "
                                                          "clt_cod = '000500'"))
                             .toString();
    Result<QList<CustomerListRow>> found =
        CustomerStore((*c)->db()).page(CustomerQuery::search(name), 0, 1000);
    QVERIFY(found);
    bool listed = false;
    for (const CustomerListRow& row : *found)
        listed = listed || row[0].toString() == QLatin1String("000500");
    QVERIFY2(listed, qPrintable(name));
}

QTEST_MAIN(TestGenerate)
#include "tst_generate.moc"
