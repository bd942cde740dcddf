// ctest-systems: linux
// ctest-engines: postgresql
// The keys of customers written by another program are filled in short
// batches: a stop or a kill between them keeps what was written, and the next
// opening does the rest.

#include "../printing/report_data.h"
#include "customers/customer_store.h"
#include "data/schema.h"
#include "support/fixture.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace vdn;
using namespace vdn::test;

namespace {

// Stops the task, or kills the process, at its `stopAt`-th report.
struct StopAt : Progress {
    StopAt(int stopAt, bool kill) : stopAt(stopAt), kill(kill) {}
    bool step(qint64, qint64 total) override {
        totals << total;
        if (++steps >= stopAt && kill)
            ::kill(::getpid(), SIGKILL);
        return steps < stopAt;
    }
    int stopAt, steps = 0;
    bool kill;
    QList<qint64> totals;
};

// Every customer's code and keys, in code order.
QStringList everything(Connection& c) {
    QString sql = QStringLiteral("SELECT clt_cod");
    for (const QString& k : clientKeyFields())
        sql += QStringLiteral(" || '|' || coalesce(%1, '-')").arg(k);
    return column(c, sql + QStringLiteral(" FROM strclient ORDER BY clt_cod"));
}

qint64 withoutKeys(Connection& c) {
    return scalar(c, QStringLiteral("SELECT COUNT(*) FROM strclient WHERE clt_nom_k2 IS NULL"))
        .toLongLong();
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

private:
    FreshFolder fresh_;
};

void TestKeyBatches::initTestCase() {
    // As the child of a kill: fills the keys of the database named by
    // batches of 100 and is killed at its third report.
    if (const QString path = qEnvironmentVariable(ChildVariable); !path.isEmpty()) {
        Result<std::unique_ptr<Connection>> c = Connection::open(path);
        StopAt killer(3, true);
        if (c)
            (void)CustomerStore((*c)->db()).fillMissingKeys(&killer, 100);
        ::_exit(3); // not reached when killed
    }
}

void TestKeyBatches::a_stop_keeps_the_batches_written_data() {
    QTest::addColumn<int>("customers");
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<bool>("kill");
    QTest::addColumn<int>("filledBeforeStop");
    // Batches of 100.
    QTest::newRow("stop after the first batch") << 250 << 1 << false << 100;
    QTest::newRow("stop after the second") << 250 << 2 << false << 200;
    QTest::newRow("the last batch is short: no report") << 250 << 3 << false << 250;
    QTest::newRow("one batch holds all") << 90 << 1 << false << 90;
    QTest::newRow("killed by SIGKILL after the third") << 1000 << 3 << true << 300;
}

void TestKeyBatches::a_stop_keeps_the_batches_written() {
    QFETCH(int, customers);
    QFETCH(int, stopAt);
    QFETCH(bool, kill);
    QFETCH(int, filledBeforeStop);
    if (kill && onServerEngine())
        QSKIP("the child opens the SQLite file");
    auto [folder, c] = fresh_.get();
    // As another program adds them: no keys, accents that keys fold.
    c->db().transaction();
    for (int i = 1; i <= customers; ++i)
        QVERIFY(insertCustomer(*c, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                               QStringLiteral("Élodie Ñ%1").arg(i), {{"clt_vil", "Évry"}}));
    QVERIFY(c->db().commit());
    CustomerStore store(c->db());
    StopAt stop(stopAt, false);
    if (kill) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ChildVariable), folder.databaseFile());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QTest::currentTestFunction()});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitStatus() == QProcess::CrashExit && child.exitCode() == SIGKILL,
                 child.readAllStandardError());
    } else {
        Result<int> filled = store.fillMissingKeys(&stop, 100);
        QVERIFY(filled);
        QCOMPARE(*filled, filledBeforeStop);
        // Each report gives the whole task's size, counted before it began.
        for (qint64 total : stop.totals)
            QCOMPARE(total, qint64(customers));
    }
    QCOMPARE(withoutKeys(*c), qint64(customers - filledBeforeStop));
    // The next opening does the rest, and the keys are those of one pass
    // made from scratch.
    QCOMPARE(*store.fillMissingKeys(), customers - filledBeforeStop);
    QCOMPARE(withoutKeys(*c), qint64(0));
    const QStringList resumed = everything(*c);
    QCOMPARE(resumed.size(), customers);
    QStringList cleared;
    for (const QString& k : clientKeyFields())
        cleared << k + QStringLiteral(" = NULL");
    QVERIFY(c->execute(QStringLiteral("UPDATE strclient SET ") + cleared.join(u',')).ok());
    QCOMPARE(*store.fillMissingKeys(nullptr, 1000000), customers);
    QCOMPARE(everything(*c), resumed);
}

QTEST_MAIN(TestKeyBatches)
#include "tst_key_batches.moc"
