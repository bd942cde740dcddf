// The dated versions of a drilling sheet as stored: written with the sheet or
// not at all, numbered per customer, made for every sheet by an upgrade, kept
// when the customer goes, and never handed to a new customer's code.

#include "balls/ball_store.h"
#include "customers/customer_store.h"
#include "data/schema.h"
#include "data/shop_store.h"
#include "drilling/sheet_history.h"
#include "drilling/sheet_store.h"
#include "support/fixture.h"
#include "support/older_schema.h"
#include "support/sheet_host.h"

#include <QTest>

using namespace vdn;

namespace {

SheetRecord sheet(const QString& code, const QString& span, const QString& comment) {
    SheetRecord s;
    s.code = code;
    for (int n : sheetMeasureNumbers())
        s.measures[n] = QString(QLatin1String(""));
    s.measures[11] = span;
    s.fingerComment = comment;
    s.thumbComment = QString(QLatin1String(""));
    s.thumbSlug = QStringLiteral("C");
    s.insertMaterial = QStringLiteral("V");
    s.conicity = QStringLiteral("O");
    return s;
}

SheetStamp at(int hour, const QString& driller) {
    return {QDateTime(QDate(2026, 12, 8), QTime(hour, 15)), driller};
}

int historyRows(Connection& c, const QString& code) {
    return test::scalar(c, "SELECT count(*) FROM strpercage_hist WHERE per_code = ?", {code})
        .toInt();
}

} // namespace

class TestSheetHistory : public QObject {
    Q_OBJECT
private slots:
    void each_save_adds_a_version_newest_first();
    void failed_history_write_leaves_neither_data();
    void failed_history_write_leaves_neither();
    void upgrade_makes_one_version_per_sheet();
    void history_outlives_the_customer_and_its_code();
    void driller_name_is_kept_trimmed_and_cut();
};

void TestSheetHistory::each_save_adds_a_version_newest_first() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    SheetStore sheets(c->db());
    SheetHistoryStore history(c->db());
    QVERIFY(sheets.save(sheet("000007", "4 1/2", "premier"), at(9, "Ana Ruiz"),
                        SheetStore::Overwrite::Yes));
    QVERIFY(sheets.save(sheet("000007", "4 5/8", "deuxième"), at(10, "Ana Ruiz"),
                        SheetStore::Overwrite::Yes));
    QVERIFY(sheets.save(sheet("000008", "5", "autre client"), at(11, "Léo Marc"),
                        SheetStore::Overwrite::Yes));
    QVERIFY(sheets.save(sheet("000007", "4 3/4", "troisième"), at(12, "Léo Marc"),
                        SheetStore::Overwrite::Yes));

    // The current sheet is the last one saved, one row per customer.
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strpercage").toInt(), 2);
    QCOMPARE((*sheets.load("000007"))->measures.value(11), QStringLiteral("4 3/4"));

    Result<QList<SheetVersion>> versions = history.versions("000007");
    QVERIFY(versions);
    QCOMPARE(versions->size(), 3);
    QStringList listed;
    for (const SheetVersion& v : *versions)
        listed << v.number + ' ' + v.dateText() + ' ' + v.driller;
    QCOMPARE(listed, (QStringList{"000003 08/12/2026 12:15:00 Léo Marc",
                                  "000002 08/12/2026 10:15:00 Ana Ruiz",
                                  "000001 08/12/2026 09:15:00 Ana Ruiz"}));
    // Each version holds the sheet as it was saved, every field.
    Result<std::optional<SheetRecord>> second = history.load("000007", "000002");
    QVERIFY(second && second->has_value());
    const SheetRecord expected = sheet("000007", "4 5/8", "deuxième");
    QCOMPARE((*second)->measures, expected.measures);
    QCOMPARE((*second)->fingerComment, expected.fingerComment);
    QCOMPARE((*second)->thumbSlug, QStringLiteral("C"));
    Result<std::optional<SheetRecord>> missing = history.load("000007", "000009");
    QVERIFY(missing && !missing->has_value());
    QCOMPARE(history.versions("000008")->size(), 1);
}

void TestSheetHistory::failed_history_write_leaves_neither_data() {
    QTest::addColumn<bool>("existing");
    QTest::newRow("new sheet") << false;
    QTest::newRow("changed sheet") << true;
}

void TestSheetHistory::failed_history_write_leaves_neither() {
    QFETCH(bool, existing);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    SheetStore sheets(c->db());
    if (existing)
        QVERIFY(sheets.save(sheet("000021", "4 1/2", "avant"), at(9, "Ana Ruiz"),
                            SheetStore::Overwrite::Yes));
    const QVariantMap before = test::sheetRow(c->db(), "000021");
    // The sheet is written first; the disk then refuses its version.
    QVERIFY(c->execute("CREATE TEMP TRIGGER full_disk BEFORE INSERT ON main.strpercage_hist "
                       "BEGIN SELECT RAISE(ABORT, 'disque plein'); END")
                .ok());
    Status s =
        sheets.save(sheet("000021", "5", "après"), at(10, "Ana Ruiz"), SheetStore::Overwrite::Yes);
    QVERIFY(!s);
    QCOMPARE(test::sheetRow(c->db(), "000021"), before);
    QCOMPARE(historyRows(*c, "000021"), existing ? 1 : 0);

    // Once the disk takes it again, both are written.
    QVERIFY(c->execute("DROP TRIGGER full_disk").ok());
    QVERIFY(
        sheets.save(sheet("000021", "5", "après"), at(10, "Ana Ruiz"), SheetStore::Overwrite::Yes));
    QCOMPARE(test::sheetRow(c->db(), "000021").value("PER_11").toString(), QStringLiteral("5"));
    QCOMPARE(historyRows(*c, "000021"), existing ? 2 : 1);
}

void TestSheetHistory::upgrade_makes_one_version_per_sheet() {
    test::DataFolder f;
    QVERIFY(f.ok());
    {
        auto c = f.connect();
        QVERIFY(test::backToVersion3(*c));
        QVERIFY(test::insertSheetRow(c->db(), "000003", {{"PER_11", "4 1/2"}, {"PER_COM_D", "x"}}));
        // A row written by another program, with null fields.
        QVERIFY(test::insertSheetRow(c->db(), "000005", {{"PER_12", "1/8"}}));
    }
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    auto c = f.connect();
    QVERIFY(c);
    QCOMPARE(test::scalar(*c, "PRAGMA user_version").toInt(), SchemaVersion);
    SheetHistoryStore history(c->db());
    for (const QString code : {"000003", "000005"}) {
        Result<QList<SheetVersion>> versions = history.versions(code);
        QVERIFY(versions);
        QCOMPARE(versions->size(), 1);
        const SheetVersion& v = versions->first();
        QCOMPARE(v.number, QStringLiteral("000001"));
        QVERIFY(v.driller.isEmpty());
        QVERIFY2(v.when >= started && v.when <= QDateTime::currentDateTime(),
                 qPrintable(v.storedDate));
        // The version is the sheet as it stood, nulls read as empty texts.
        QCOMPARE((*history.load(code, v.number))->measures,
                 (*SheetStore(c->db()).load(code))->measures);
    }
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strpercage_hist WHERE PER_13 IS NULL").toInt(),
             0);
    // The shop's driller starts with the name every sheet carried.
    QCOMPARE(*ShopStore(c->db()).driller(), QStringLiteral("Tibor Vallasse"));
    // The first change after the upgrade is the second version.
    QVERIFY(SheetStore(c->db()).save(sheet("000003", "4 5/8", "x"), at(9, "Ana Ruiz"),
                                     SheetStore::Overwrite::Yes));
    QCOMPARE(history.versions("000003")->first().number, QStringLiteral("000002"));
    // The file stays a plain SQLite file.
    QCOMPARE(test::scalar(*c, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
}

void TestSheetHistory::history_outlives_the_customer_and_its_code() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    CustomerStore customers(c->db());
    BallStore balls(c->db());
    SheetStore sheets(c->db());
    CustomerRecord r;
    r.set(CustomerField::Cod, QStringLiteral("000040"));
    r.set(CustomerField::Nom, QStringLiteral("MARTIN"));
    QVERIFY(customers.insert(r));
    QVERIFY(
        sheets.save(sheet("000040", "4 1/2", "a"), at(9, "Ana Ruiz"), SheetStore::Overwrite::Yes));
    QVERIFY(
        sheets.save(sheet("000040", "4 5/8", "b"), at(10, "Ana Ruiz"), SheetStore::Overwrite::Yes));
    QCOMPARE(*customers.nextCode(sheets), QStringLiteral("000041"));

    QVERIFY(customers.removeWithBalls("000040", balls));
    QCOMPARE(historyRows(*c, "000040"), 2);
    // Even with its sheet gone too (another program may delete it), the
    // history keeps the code from a new customer.
    QVERIFY(c->execute("DELETE FROM strpercage").ok());
    QCOMPARE(*customers.nextCode(sheets), QStringLiteral("000041"));
    QVERIFY(c->execute("DELETE FROM strpercage_hist WHERE per_code = '000040'").ok());
    QCOMPARE(*customers.nextCode(sheets), QStringLiteral("000001"));
}

void TestSheetHistory::driller_name_is_kept_trimmed_and_cut() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    ShopStore shop(c->db());
    QCOMPARE(*shop.driller(), QStringLiteral("Tibor Vallasse"));
    QVERIFY(shop.setDriller("  Émile Durand-Vasseur  "));
    QCOMPARE(*shop.driller(), QStringLiteral("Émile Durand-Vasseur"));
    QVERIFY(shop.setDriller(QString(40, QChar(u'é'))));
    QCOMPARE(*shop.driller(), QString(DrillerMaxLength, QChar(u'é')));
    // An empty name is refused and the name in force stays.
    QVERIFY(!shop.setDriller("   "));
    QCOMPARE(*shop.driller(), QString(DrillerMaxLength, QChar(u'é')));
    // A name another program left null reads as the default one.
    QVERIFY(c->execute("UPDATE strspecif SET spe_perceur = NULL").ok());
    QCOMPARE(*shop.driller(), QStringLiteral("Tibor Vallasse"));
    // The shop's identity is untouched by it.
    QCOMPARE(shop.first()->name, QStringLiteral("LE STRIKE"));
    // Without the shop's row there is nothing to name.
    QVERIFY(c->execute("DELETE FROM strspecif").ok());
    QVERIFY(!shop.setDriller("Ana Ruiz"));
    QVERIFY(!shop.driller());
}

QTEST_MAIN(TestSheetHistory)
#include "tst_sheet_history.moc"
