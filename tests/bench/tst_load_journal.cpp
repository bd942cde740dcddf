// The load mode's end-of-run check: journals of several workstations against
// what the database holds.

#include "load_journal.h"

#include <QTest>

using bench::CheckResult;
using bench::JournalEntry;
using bench::StoredState;
using Kind = JournalEntry::Kind;

Q_DECLARE_METATYPE(JournalEntry)

class LoadJournalTest : public QObject {
    Q_OBJECT
private slots:
    void check_data();
    void check();
    void newCustomers_data();
    void newCustomers();
    void lineRoundTrip();
};

namespace {
JournalEntry customer(int ws, qint64 start, qint64 ack, const QString& value) {
    return {Kind::Customer, ws, start, ack, QStringLiteral("000001"), QString(), value};
}
JournalEntry ball(int ws, const QString& line, const QString& value) {
    return {Kind::Ball, ws, 0, 1, QStringLiteral("000003"), line, value};
}
JournalEntry created(int ws, const QString& code, const QString& name) {
    return {Kind::NewCustomer, ws, 0, 1, code, QString(), name};
}
JournalEntry sheet(int ws) {
    return {Kind::Sheet, ws, 0, 1, QStringLiteral("000005"), QString(), QString()};
}
} // namespace

void LoadJournalTest::check_data() {
    QTest::addColumn<QList<JournalEntry>>("entries");
    QTest::addColumn<QString>("address"); // stored third address line of 000001
    QTest::addColumn<QString>("ball002"); // stored name of ball 000003/002
    QTest::addColumn<int>("versions");    // versions added to 000005's sheet
    QTest::addColumn<int>("lost");
    QTest::addColumn<int>("duplicates");
    QTest::addColumn<int>("mismatches");
    const QString a = QStringLiteral("A"), b = QStringLiteral("B");
    // One after the other: the second write must be what is stored.
    QTest::newRow("later write kept") << QList{customer(1, 100, 200, a), customer(2, 300, 400, b)}
                                      << b << QString() << 0 << 0 << 0 << 0;
    QTest::newRow("later write lost") << QList{customer(1, 100, 200, a), customer(2, 300, 400, b)}
                                      << a << QString() << 0 << 1 << 0 << 0;
    // Overlapping saves: either may have been committed last.
    QTest::newRow("overlap, first kept")
        << QList{customer(1, 100, 350, a), customer(2, 300, 400, b)} << a << QString() << 0 << 0
        << 0 << 0;
    QTest::newRow("overlap, second kept")
        << QList{customer(1, 100, 350, a), customer(2, 300, 400, b)} << b << QString() << 0 << 0
        << 0 << 0;
    // A value nobody journaled, and both writes then lost.
    QTest::newRow("value of nobody") << QList{customer(1, 100, 200, a), customer(2, 300, 400, b)}
                                     << QStringLiteral("C") << QString() << 0 << 2 << 0 << 0;
    QTest::newRow("ball kept") << QList{ball(1, QStringLiteral("002"), a)} << QString() << a << 0
                               << 0 << 0 << 0;
    QTest::newRow("ball overwritten")
        << QList{ball(1, QStringLiteral("002"), a)} << QString() << b << 0 << 1 << 0 << 0;
    QTest::newRow("ball missing") << QList{ball(1, QStringLiteral("007"), a)} << QString() << a << 0
                                  << 1 << 0 << 0;
    QTest::newRow("line given twice")
        << QList{ball(1, QStringLiteral("002"), a), ball(2, QStringLiteral("002"), b)} << QString()
        << a << 0 << 0 << 1 << 0;
    QTest::newRow("a version per validation")
        << QList{sheet(1), sheet(2)} << QString() << QString() << 2 << 0 << 0 << 0;
    QTest::newRow("a validation without version")
        << QList{sheet(1), sheet(2)} << QString() << QString() << 1 << 0 << 0 << 1;
    QTest::newRow("a version without validation")
        << QList<JournalEntry>{} << QString() << QString() << 1 << 0 << 0 << 1;
}

void LoadJournalTest::check() {
    QFETCH(QList<JournalEntry>, entries);
    QFETCH(QString, address);
    QFETCH(QString, ball002);
    QFETCH(int, versions);
    StoredState stored;
    if (!address.isNull())
        stored.customerAddress.insert(QStringLiteral("000001"), address);
    if (!ball002.isNull())
        stored.ballName.insert(QStringLiteral("000003/002"), ball002);
    if (versions > 0)
        stored.addedVersions.insert(QStringLiteral("000005"), versions);
    const CheckResult r = bench::checkJournal(entries, stored);
    QTEST(r.lostWrites, "lost");
    QTEST(r.duplicateLines, "duplicates");
    QTEST(r.versionMismatches, "mismatches");
    QCOMPARE(r.ok(), r.lostWrites + r.duplicateLines + r.versionMismatches == 0);
    QCOMPARE(r.faults.size(), r.lostWrites + r.duplicateLines + r.versionMismatches);
}

void LoadJournalTest::newCustomers_data() {
    QTest::addColumn<QList<JournalEntry>>("entries");
    QTest::addColumn<QString>("name"); // stored name of 000009, null: no such customer
    QTest::addColumn<int>("lost");
    QTest::addColumn<int>("duplicates");
    const QString code = QStringLiteral("000009"), a = QStringLiteral("N1-1");
    QTest::newRow("created") << QList{created(1, code, a)} << a << 0 << 0;
    QTest::newRow("another name") << QList{created(1, code, a)} << QStringLiteral("X") << 1 << 0;
    QTest::newRow("absent") << QList{created(1, code, a)} << QString() << 1 << 0;
    QTest::newRow("code given twice")
        << QList{created(1, code, a), created(2, code, QStringLiteral("N2-1"))} << a << 0 << 1;
}

void LoadJournalTest::newCustomers() {
    QFETCH(QList<JournalEntry>, entries);
    QFETCH(QString, name);
    StoredState stored;
    if (!name.isNull())
        stored.customerName.insert(QStringLiteral("000009"), name);
    const CheckResult r = bench::checkJournal(entries, stored);
    QTEST(r.lostWrites, "lost");
    QTEST(r.duplicateCodes, "duplicates");
    QCOMPARE(r.ok(), r.lostWrites + r.duplicateCodes == 0);
}

void LoadJournalTest::lineRoundTrip() {
    const JournalEntry e{Kind::Ball,
                         7,
                         1733750000123,
                         1733750000456,
                         QStringLiteral("000042"),
                         QStringLiteral("006"),
                         QStringLiteral("B7-12")};
    JournalEntry back;
    QVERIFY(bench::parseJournalLine(bench::journalLine(e), &back));
    QCOMPARE(back.kind, e.kind);
    QCOMPARE(back.workstation, 7);
    QCOMPARE(back.startMs, e.startMs);
    QCOMPARE(back.ackMs, e.ackMs);
    QCOMPARE(back.line, QStringLiteral("006"));
    QCOMPARE(back.value, QStringLiteral("B7-12"));
    QVERIFY(!bench::parseJournalLine(QStringLiteral("T\tFrappe\t1.5"), &back));
    QVERIFY(bench::parseJournalLine(
        bench::journalLine({Kind::NewCustomer, 2, 1, 2, QStringLiteral("000009"), {}, {}}), &back));
    QCOMPARE(back.kind, Kind::NewCustomer);
}

QTEST_GUILESS_MAIN(LoadJournalTest)
#include "tst_load_journal.moc"
