// ctest-systems: linux
// The program killed at random moments while it validates customers, sheets
// and balls: after each kill the database opens, passes SQLite's integrity
// check and holds every row whose validation had returned.
#include "data/connection.h"
#include "support/fixture.h"

#include <QProcess>

#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QTest>
#include <csignal>
#include <sys/types.h>

using namespace vdn;

namespace {

// Kills made by one run; VORDAN_KILLS sets another number.
int killCount() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("VORDAN_KILLS", &ok);
    return ok && n > 0 ? n : 200;
}

QSet<QString> keys(Connection& c, const QString& sql) {
    QSet<QString> out;
    for (const QString& k : test::column(c, sql))
        out.insert(k);
    return out;
}

} // namespace

class TestKills : public QObject {
    Q_OBJECT
private slots:
    void acknowledged_rows_survive_kills();
};

void TestKills::acknowledged_rows_survive_kills() {
    test::DataFolder f;
    QVERIFY(f.ok());
    QSet<QString> customers, sheets, balls;
    QRandomGenerator random(20261208);
    const int kills = killCount();
    int killedWhileWriting = 0;
    for (int k = 0; k < kills; ++k) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(VORDAN_CHILD), {f.folder()});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        QByteArray out;
        while (!out.contains("READY\n")) {
            QVERIFY2(child.state() == QProcess::Running &&
                         (child.waitForReadyRead(30000) || out.contains("READY\n")),
                     "the child did not start");
            out += child.readAllStandardOutput();
        }
        // A random moment within the next few validations.
        QTest::qWait(int(random.bounded(1, 40)));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        out += child.readAllStandardOutput();

        // Only whole lines were acknowledged.
        const QList<QByteArray> lines = out.left(out.lastIndexOf('\n') + 1).split('\n');
        int acknowledged = 0;
        for (const QByteArray& line : lines) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() < 2)
                continue;
            ++acknowledged;
            const QString code = QString::fromLatin1(parts.at(1));
            if (parts.at(0) == "C")
                customers.insert(code);
            else if (parts.at(0) == "S")
                sheets.insert(code);
            else if (parts.at(0) == "B" && parts.size() == 3)
                balls.insert(code + QLatin1Char('/') + QString::fromLatin1(parts.at(2)));
        }
        if (acknowledged > 0)
            ++killedWhileWriting;

        auto c = Connection::open(f.databaseFile());
        QVERIFY2(c, qPrintable(c ? QString() : c.error().text));
        QCOMPARE(test::scalar(**c, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        const QSet<QString> storedCustomers = keys(**c, "SELECT clt_cod FROM strclient");
        const QSet<QString> storedSheets = keys(**c, "SELECT per_code FROM strpercage");
        const QSet<QString> storedBalls =
            keys(**c, "SELECT MAT_CODE || '/' || MAT_LG FROM strmateriel");
        QVERIFY2(storedCustomers.contains(customers), qPrintable(QString::number(k)));
        QVERIFY2(storedSheets.contains(sheets), qPrintable(QString::number(k)));
        QVERIFY2(storedBalls.contains(balls), qPrintable(QString::number(k)));
        // Balls are written two at a time: never one without the other.
        for (const QString& b : storedBalls)
            QVERIFY(storedBalls.contains(b.left(7) + QStringLiteral("001")) &&
                    storedBalls.contains(b.left(7) + QStringLiteral("002")));
    }
    qInfo("%d kills (%d after at least one acknowledged validation); %lld customers, %lld "
          "sheets, %lld balls acknowledged, none lost",
          kills, killedWhileWriting, qlonglong(customers.size()), qlonglong(sheets.size()),
          qlonglong(balls.size()));
    QVERIFY(!customers.isEmpty());
}

QTEST_GUILESS_MAIN(TestKills)
#include "tst_kills.moc"
