// ctest-engines: postgresql
// A ball's drillings as stored: one transaction on the saved ball, numbered
// per ball even when two workstations record at once, tied to the sheet's
// latest version, kept when the ball or the customer goes; and the upgrade
// that brings an older file the table and the rule profile.

#include "balls/ball_fixture.h"
#include "balls/ball_store.h"
#include "customers/customer_store.h"
#include "data/dialect.h"
#include "data/drilling_store.h"
#include "data/schema.h"
#include "data/shop_store.h"
#include "drilling/sheet_store.h"
#include "support/older_schema.h"

#include <thread>

using namespace vdn;

namespace {

// The value, or a text that no check expects when the call failed.
template <class T> T valueOf(const Result<T>& r, T failed) {
    return r ? *r : failed;
}

BallDrilling drillingOf(const QString& code, const QString& line) {
    BallDrilling d;
    d.code = code;
    d.line = line;
    d.date = QStringLiteral("2026-12-08 14:30:00");
    d.driller = QStringLiteral("Zoé");
    d.drillingAngle = QStringLiteral("45");
    d.verdict = QStringLiteral("Conforme IBF");
    return d;
}

} // namespace

class TestDrillingRecord : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void recordedOnTheSavedBallAndKept();
    void olderFileGainsTheDrillings();
    void shownMeasuresBecomeNumbers();
};

void TestDrillingRecord::recordedOnTheSavedBallAndKept() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(test::addCustomer(*c, "000007", "DUPONT", "Annecy") &&
            test::addBallRow(*c, "000007", "001") && test::addBallRow(*c, "000007", "002"));
    // Two versions of the sheet: a drilling names the latest.
    QVERIFY(test::insertRow(*c, sheetHistoryTable(),
                            {{"per_code", "000007"}, {"his_num", "000001"}, {"his_date", "x"}}));
    QVERIFY(test::insertRow(*c, sheetHistoryTable(),
                            {{"per_code", "000007"}, {"his_num", "000002"}, {"his_date", "y"}}));

    // A ball changed since it was read records nothing.
    DrillingStore store(c->db());
    Result<BallDrilling> stale = store.record(drillingOf("000007", "001"), 1);
    QVERIFY(!stale && stale.error().isChangedElsewhere());
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strperc_boule").toInt(), 0);

    // Two workstations, each on its own connection, recording at once.
    const QString file = folder.databaseFile();
    QStringList numbers[2];
    std::thread stations[2];
    for (int s = 0; s < 2; ++s)
        stations[s] = std::thread([&, s] {
            Result<std::unique_ptr<Connection>> own = Connection::open(file);
            for (int i = 0; own && i < 5; ++i)
                if (Result<BallDrilling> d =
                        DrillingStore((*own)->db()).record(drillingOf("000007", "001"), 0))
                    numbers[s] << d->number;
        });
    for (std::thread& t : stations)
        t.join();
    QCOMPARE(numbers[0].size() + numbers[1].size(), 10);
    const QStringList stored =
        test::column(*c, "SELECT pb_num FROM strperc_boule WHERE MAT_LG = '001' ORDER BY pb_num");
    QCOMPARE(stored.size(), 10);
    QCOMPARE(stored.first(), QStringLiteral("000001"));
    QCOMPARE(stored.last(), QStringLiteral("000010"));
    QCOMPARE(test::scalar(*c, "SELECT count(DISTINCT his_num) FROM strperc_boule").toString(),
             QStringLiteral("1"));
    QCOMPARE(test::scalar(*c, "SELECT max(his_num) FROM strperc_boule").toString(),
             QStringLiteral("000002"));
    Result<QList<BallDrilling>> listed = store.list("000007", "001");
    QVERIFY(listed && listed->size() == 10);
    QCOMPARE(listed->first().number, QStringLiteral("000010"));
    QCOMPARE(listed->first().driller, QStringLiteral("Zoé"));
    QCOMPARE(listed->first().dayText(), QStringLiteral("08/12/2026"));

    // The drilled ball 002 is deleted: a new ball does not take its line,
    // the drillings stay.
    QVERIFY(store.record(drillingOf("000007", "002"), 0));
    BallStore balls(c->db());
    QVERIFY(balls.remove("000007", "002"));
    QCOMPARE(valueOf(balls.highestLine("000007"), -1), 2);
    // The customer deleted for good: the rows stay, the code is not given again.
    CustomerStore customers(c->db());
    QVERIFY(customers.removeWithBalls("000007", balls));
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strperc_boule").toInt(), 11);
    QVERIFY(c->execute(QStringLiteral("DELETE FROM strpercage_hist")));
    QCOMPARE(valueOf(customers.nextCode(SheetStore(c->db())), QStringLiteral("<échec>")),
             QStringLiteral("000008"));
}

void TestDrillingRecord::olderFileGainsTheDrillings() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    const Dialect& d = Dialect::of(c->db());
    QVERIFY(test::addCustomer(*c, "000001", "DUPONT", "Annecy"));
    QVERIFY(c->execute(QStringLiteral("UPDATE strspecif SET spe_perceur = 'Zoé'")));
    for (const QString& sql :
         test::importHistoryDrops() +
             QStringList{"DROP TABLE " + ballDrillingTable(),
                         "ALTER TABLE strspecif DROP COLUMN " + ruleProfileField(),
                         d.writeSchemaVersion(6)})
        QVERIFY2(c->execute(sql), qPrintable(sql));
    QVERIFY(checkAndMigrate(*c));
    QCOMPARE(test::scalar(*c, d.readSchemaVersion()).toInt(), SchemaVersion);
    QCOMPARE(valueOf(ShopStore(c->db()).ruleProfile(), QStringLiteral("<échec>")),
             QStringLiteral("IBF"));
    QCOMPARE(valueOf(ShopStore(c->db()).driller(), QStringLiteral("<échec>")),
             QStringLiteral("Zoé"));
    QVERIFY(ShopStore(c->db()).setRuleProfile("USBC"));
    QCOMPARE(valueOf(ShopStore(c->db()).ruleProfile(), QStringLiteral("<échec>")),
             QStringLiteral("USBC"));
    QVERIFY(!ShopStore(c->db()).setRuleProfile("FFBSQ"));
    QVERIFY(test::addBallRow(*c, "000001", "001"));
    QVERIFY(DrillingStore(c->db()).record(drillingOf("000001", "001"), 0));
    // Another SQLite tool or psql reads every column back as text.
    QCOMPARE(test::column(*c, "SELECT pb_perceur || '/' || pb_verdict || '/' || "
                              "coalesce(his_num, 'aucune') FROM strperc_boule"),
             QStringList{"Zoé/Conforme IBF/"});
}

// Drillings recorded before measures were stored as numbers hold the text the
// window showed: the upgrade makes each a number of inches that any SQL tool
// reads, keeps a text it cannot read, and says which.
void TestDrillingRecord::shownMeasuresBecomeNumbers() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(test::addCustomer(*c, "000001", "DUPONT", "Annecy"));
    QVERIFY(test::addBallRow(*c, "000001", "001"));
    const struct {
        const char* psaToPap;
        const char* pinBuffer;
        const char* stored; // both after the upgrade, or "kept"
    } rows[] = {
        {"3,918 po (≈ 3 15/16)", "1,924 po (≈ 1 15/16)", "3.918|1.924"},
        {"4,500 po (≈ 4 1/2)", "-0,500 po (≈ -1/2)", "4.5|-0.5"},
        {"0,000 po (≈ 0)", "2 po", "0|2"},
        {"5.25", "", "5.25|"},
        {"trois pouces", "1,000 po (≈ 1)", "trois pouces|1"},
    };
    QStringList expected;
    for (const auto& r : rows) {
        BallDrilling d = drillingOf("000001", "001");
        d.psaToPap = QString::fromUtf8(r.psaToPap);
        d.pinBuffer = QString::fromUtf8(r.pinBuffer);
        QVERIFY(DrillingStore(c->db()).record(d, 0));
        expected << QString::fromUtf8(r.stored);
    }
    // Back to the version before: without that version's columns.
    const Dialect& dialect = Dialect::of(c->db());
    for (int v = MeasuresAsNumbersVersion; v <= SchemaVersion; ++v)
        for (const QString& column : drillingColumnsSince(v))
            QVERIFY(c->execute("ALTER TABLE strperc_boule DROP COLUMN " + column));
    for (const QString& sql : test::importHistoryDrops())
        QVERIFY(c->execute(sql));
    QVERIFY(c->execute(dialect.writeSchemaVersion(MeasuresAsNumbersVersion - 1)));
    takeUpgradeReport();
    QVERIFY(checkAndMigrate(*c));
    QCOMPARE(test::scalar(*c, dialect.readSchemaVersion()).toInt(), SchemaVersion);
    QCOMPARE(test::column(*c, "SELECT pb_psa_pap || '|' || pb_tampon FROM strperc_boule "
                              "ORDER BY pb_num"),
             expected);
    // Read as numbers by the engine itself.
    QCOMPARE(test::scalar(*c, "SELECT sum(CAST(pb_tampon AS REAL)) FROM strperc_boule "
                              "WHERE pb_tampon <> ''")
                 .toDouble(),
             1.924 - 0.5 + 2 + 1);
    QCOMPARE(takeUpgradeReport(),
             QStringList{"Boule 001 du client 000001, perçage n° 000005 : « trois pouces » "
                         "(distance PSA-PAP) gardé tel quel, ce n'est pas une mesure en pouces."});
    QVERIFY(takeUpgradeReport().isEmpty());
}

QTEST_MAIN(TestDrillingRecord)
#include "tst_drilling_record.moc"
