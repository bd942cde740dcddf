// ctest-engines: postgresql
// The keys of customers written by another program are filled in short
// batches: a stop or a kill between them keeps what was written, and the next
// opening does the rest.

#include "../printing/report_data.h"
#include "customers/customer_store.h"
#include "data/connection.h"
#include "data/schema.h"
#include "support/fixture.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace vdn;
using namespace vdn::test;

namespace {

// Stops the task (or kills the process) at its `stopAt`-th report.
class StopAt : public Progress {
public:
    StopAt(int stopAt, bool kill) : stopAt_(stopAt), kill_(kill) {}
    bool step(qint64, qint64 total) override {
        totals << total;
        if (++steps < stopAt_)
            return true;
        if (kill_)
            ::kill(::getpid(), SIGKILL);
        return false;
    }
    int steps = 0;
    QList<qint64> totals;

private:
    int stopAt_;
    bool kill_;
};

// Customers without keys, as another program adds them, with accents so that
// the keys differ from the texts.
bool insertWithoutKeys(Connection& c, int count) {
    c.db().transaction();
    for (int i = 1; i <= count; ++i)
        if (!insertCustomer(c, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                            QStringLiteral("Élodie Ñ%1").arg(i), {{"clt_vil", "Évry"}}))
            return false;
    return c.db().commit();
}

qint64 withoutKeys(Connection& c) {
    return scalar(c, QStringLiteral("SELECT COUNT(*) FROM strclient WHERE clt_nom_k2 IS NULL"))
        .toLongLong();
}

// Every customer's code and keys, in code order.
QStringList everything(Connection& c) {
    QString sql = QStringLiteral("SELECT clt_cod");
    for (const QString& k : clientKeyFields())
        sql += QStringLiteral(" || '|' || coalesce(%1, '-')").arg(k);
    return column(c, sql + QStringLiteral(" FROM strclient ORDER BY clt_cod"));
}

// The keys as one pass with no stop computes them, from scratch.
QStringList keysInOnePass(Connection& c) {
    QStringList cleared;
    for (const QString& k : clientKeyFields())
        cleared << k + QStringLiteral(" = NULL");
    if (!c.execute(QStringLiteral("UPDATE strclient SET ") + cleared.join(QLatin1Char(','))).ok())
        return {};
    if (!CustomerStore(c.db()).fillMissingKeys(nullptr, 1000000))
        return {};
    return everything(c);
}

const char* ChildVariable = "VORDAN_KEY_BATCH_CHILD";

} // namespace

class TestKeyBatches : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { QVERIFY(fresh_.start()); }
    void cleanup() { fresh_.stop(); }
    void a_stop_keeps_the_batches_written_data();
    void a_stop_keeps_the_batches_written();
    void a_killed_filling_resumes_at_the_next_opening();

private:
    FreshFolder fresh_;
};

void TestKeyBatches::initTestCase() {
    // The child of the kill test: fills the keys of the database named, by
    // batches of 100, and is killed at its third report.
    const QString path = qEnvironmentVariable(ChildVariable);
    if (path.isEmpty())
        return;
    Result<std::unique_ptr<Connection>> c = Connection::open(path);
    if (!c)
        ::_exit(3);
    StopAt killer(3, true);
    (void)CustomerStore((*c)->db()).fillMissingKeys(&killer, 100);
    ::_exit(4); // not reached: killed
}

void TestKeyBatches::a_stop_keeps_the_batches_written_data() {
    QTest::addColumn<int>("customers");
    QTest::addColumn<int>("batch");
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<int>("filledBeforeStop");
    QTest::newRow("stop after the first batch") << 250 << 100 << 1 << 100;
    QTest::newRow("stop after the second") << 250 << 100 << 2 << 200;
    QTest::newRow("the last batch is short: no report, no stop") << 250 << 100 << 3 << 250;
    QTest::newRow("one batch holds all") << 90 << 100 << 1 << 90;
}

void TestKeyBatches::a_stop_keeps_the_batches_written() {
    QFETCH(int, customers);
    QFETCH(int, batch);
    QFETCH(int, stopAt);
    QFETCH(int, filledBeforeStop);
    auto [folder, c] = fresh_.get();
    QVERIFY(insertWithoutKeys(*c, customers));
    CustomerStore store(c->db());
    StopAt stop(stopAt, false);
    Result<int> filled = store.fillMissingKeys(&stop, batch);
    QVERIFY(filled);
    QCOMPARE(*filled, filledBeforeStop);
    QCOMPARE(withoutKeys(*c), qint64(customers - filledBeforeStop));
    // Each report gives the whole task's size, counted before it began.
    for (qint64 total : stop.totals)
        QCOMPARE(total, qint64(customers));
    // The next opening does the rest, and the keys are those of one pass.
    QCOMPARE(*store.fillMissingKeys(), customers - filledBeforeStop);
    QCOMPARE(withoutKeys(*c), qint64(0));
    const QStringList resumed = everything(*c);
    QCOMPARE(resumed.size(), customers);
    QCOMPARE(keysInOnePass(*c), resumed);
}

void TestKeyBatches::a_killed_filling_resumes_at_the_next_opening() {
    if (onServerEngine())
        QSKIP("the child opens the SQLite file");
    auto [folder, c] = fresh_.get();
    QVERIFY(insertWithoutKeys(*c, 1000));
    // Killed in the middle of its work, by SIGKILL: no clean-up runs.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildVariable), folder.databaseFile());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("a_stop_keeps_the_batches_written")});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitStatus() == QProcess::CrashExit,
             qPrintable(QString::number(child.exitCode()) + child.readAllStandardError()));
    QCOMPARE(child.exitCode(), int(SIGKILL));
    // Three batches of 100 were committed before the kill.
    QCOMPARE(withoutKeys(*c), qint64(700));
    CustomerStore store(c->db());
    QCOMPARE(*store.fillMissingKeys(), 700);
    QCOMPARE(withoutKeys(*c), qint64(0));
    const QStringList resumed = everything(*c);
    QCOMPARE(resumed.size(), 1000);
    QCOMPARE(keysInOnePass(*c), resumed);
}

QTEST_MAIN(TestKeyBatches)
#include "tst_key_batches.moc"
