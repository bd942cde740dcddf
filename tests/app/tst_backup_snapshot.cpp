// The database snapshot of the backup, taken through the engine's backup API
// with either journal: the copy must hold exactly the committed state,
// whatever other connections do. Long copies report their progress; a
// backup or a transfer stopped there leaves nothing behind, a restore never
// stops once it writes.

#include "app/backup.h"
#include "app/restore.h"
#include "data/connection.h"
#include "data/transfer.h"
#include "platform/progress.h"
#include "support/files.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace vdn;

namespace {

int count(Connection& c, const QString& sql) {
    return test::scalar(c, sql).toInt();
}

test::DataFolder::Options demoShop() {
    test::DataFolder::Options o;
    o.demo = DemoOptions{};
    return o;
}

// Answers "stop" from its `stopAt`-th report on (never when 0).
struct StoppingProgress : Progress {
    explicit StoppingProgress(int at = 0) : stopAt(at) {}
    int stopAt, calls = 0;
    qint64 lastDone = -1, lastTotal = -1;
    bool step(qint64 done, qint64 total) override {
        lastDone = done, lastTotal = total;
        return ++calls < stopAt || stopAt == 0;
    }
};

// A demo shop with 6000 more customers: copies of many slices and batches.
std::unique_ptr<Connection> bigShop(const test::DataFolder& folder) {
    auto c = folder.connect();
    if (c && !c->execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                        "FROM n WHERE i < 6000) INSERT INTO strclient (clt_cod, "
                                        "clt_nom) SELECT printf('7%05d', i), printf('%0200d', i) "
                                        "FROM n")))
        c.reset();
    return c;
}

} // namespace

class TestBackupSnapshot : public QObject {
    Q_OBJECT
private slots:
    void copy_holds_committed_rows_not_open_ones_data();
    void copy_holds_committed_rows_not_open_ones();
    void writer_waiting_on_the_copy_commits_afterwards();
    void stopped_copy_leaves_the_destination_as_it_was_data();
    void stopped_copy_leaves_the_destination_as_it_was();
    void restore_is_not_stopped_once_it_writes();
    void transfer_command_writes_no_progress_off_a_terminal();
};

void TestBackupSnapshot::copy_holds_committed_rows_not_open_ones_data() {
    QTest::addColumn<QString>("journal");
    QTest::newRow("rollback journal") << QStringLiteral("delete");
    // A write-ahead log keeps committed rows outside the file until a
    // checkpoint: a copy of the file alone would lose them.
    QTest::newRow("write-ahead log") << QStringLiteral("wal");
}

void TestBackupSnapshot::copy_holds_committed_rows_not_open_ones() {
    QFETCH(QString, journal);
    test::DataFolder folder(demoShop());
    QVERIFY(folder.ok());
    QTemporaryDir drive;
    QVERIFY(drive.isValid());

    auto writer = folder.connect();
    QVERIFY(writer);
    QCOMPARE(
        test::scalar(*writer, QStringLiteral("PRAGMA journal_mode = %1").arg(journal)).toString(),
        journal);
    QVERIFY(writer->execute(QStringLiteral("PRAGMA wal_autocheckpoint = 0")).ok());
    const int before = count(*writer, QStringLiteral("SELECT count(*) FROM strclient"));
    QSqlQuery q(writer->db());
    QVERIFY(q.exec(QStringLiteral("INSERT INTO strclient (clt_cod, clt_nom) VALUES ('900001', "
                                  "'ENREGISTRÉ AVANT')")));
    // Then a write that is still open while the backup runs.
    QVERIFY(writer->db().transaction());
    QVERIFY(q.exec(QStringLiteral("INSERT INTO strclient (clt_cod, clt_nom) VALUES ('900002', "
                                  "'PAS ENCORE ENREGISTRÉ')")));

    const BackupResult result = backUp(folder.folder(), drive.path());
    QVERIFY2(result.complete(), qPrintable(backupEndMessage(result)));
    QVERIFY(writer->db().commit());
    // The copy alone, no temporary file left beside it.
    QCOMPARE(QDir(drive.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("vordan.mdb")});

    auto copy = Connection::open(QDir(drive.path()).filePath(QStringLiteral("vordan.mdb")));
    QVERIFY(copy.ok());
    QCOMPARE(test::scalar(**copy, QStringLiteral("PRAGMA integrity_check")).toString(),
             QStringLiteral("ok"));
    QCOMPARE(count(**copy, QStringLiteral("SELECT count(*) FROM strclient")), before + 1);
    QCOMPARE(test::column(**copy, QStringLiteral("SELECT clt_nom FROM strclient WHERE clt_cod "
                                                 "LIKE '9000%'")),
             QStringList{QStringLiteral("ENREGISTRÉ AVANT")});
    QCOMPARE(count(**copy, QStringLiteral("SELECT count(*) FROM strmateriel")),
             count(*writer, QStringLiteral("SELECT count(*) FROM strmateriel")));
}

void TestBackupSnapshot::writer_waiting_on_the_copy_commits_afterwards() {
    test::DataFolder folder(demoShop());
    QVERIFY(folder.ok());
    QTemporaryDir drive;
    QVERIFY(drive.isValid());
    // Two backups in a row, with a write between them: the read lock of the
    // first is released, so the write goes through and the second holds it.
    QVERIFY(backUp(folder.folder(), drive.path()).complete());
    auto writer = folder.connect();
    QVERIFY(writer);
    QVERIFY(writer
                ->execute(QStringLiteral("UPDATE strclient SET clt_nom = 'APRÈS' WHERE clt_cod "
                                         "= '000001'"))
                .ok());
    QVERIFY(backUp(folder.folder(), drive.path()).complete());
    auto copy = Connection::open(QDir(drive.path()).filePath(QStringLiteral("vordan.mdb")));
    QVERIFY(copy.ok());
    QCOMPARE(test::scalar(**copy, QStringLiteral("SELECT clt_nom FROM strclient WHERE clt_cod = "
                                                 "'000001'"))
                 .toString(),
             QStringLiteral("APRÈS"));
}

void TestBackupSnapshot::stopped_copy_leaves_the_destination_as_it_was_data() {
    QTest::addColumn<bool>("transfer");
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<int>("unit"); // pages of a backup slice, rows of a transfer batch
    QTest::newRow("backup, first slice") << false << 1 << 64;
    QTest::newRow("backup, third slice") << false << 3 << 64;
    QTest::newRow("transfer, first batch") << true << 1 << 256;
    QTest::newRow("transfer, fifth batch") << true << 5 << 256;
}

void TestBackupSnapshot::stopped_copy_leaves_the_destination_as_it_was() {
    QFETCH(bool, transfer);
    QFETCH(int, stopAt);
    QFETCH(int, unit);
    test::DataFolder folder(demoShop());
    auto c = bigShop(folder);
    QVERIFY(c);
    QTemporaryDir drive;
    const QString target = QDir(drive.path()).filePath(QStringLiteral("vordan.mdb"));
    // A previous backup on the drive; the transfer's destination is empty.
    if (!transfer)
        QVERIFY(test::writeFile(target, "SAUVEGARDE PRÉCÉDENTE"));
    const QStringList before = QDir(drive.path()).entryList(QDir::Files | QDir::Hidden);
    StoppingProgress stop(stopAt);
    const QString to = drive.path() + QLatin1Char('/');
    if (transfer)
        QCOMPARE(transferDatabase(folder.folder(), to, &stop).error().number, errnum::Cancelled);
    else
        QVERIFY(backUp(folder.folder(), drive.path(), &stop).cancelled);
    QCOMPARE(stop.calls, stopAt);
    QCOMPARE(stop.lastDone, qint64(stopAt) * unit);
    // Of a backup, the whole is the file's pages.
    if (!transfer)
        QCOMPARE(stop.lastTotal, qint64(count(*c, QStringLiteral("PRAGMA page_count"))));
    QCOMPARE(QDir(drive.path()).entryList(QDir::Files | QDir::Hidden), before);
    {
        // Closed before the next copy: Windows replaces no open file.
        QFile previous(target);
        QCOMPARE(previous.open(QIODevice::ReadOnly) ? previous.readAll() : QByteArray(),
                 transfer ? QByteArray() : QByteArray("SAUVEGARDE PRÉCÉDENTE"));
    }
    // Unstopped, the same copy goes through.
    StoppingProgress all;
    QVERIFY(transfer ? transferDatabase(folder.folder(), to, &all).ok()
                     : backUp(folder.folder(), drive.path(), &all).complete());
    auto copy = Connection::open(target);
    QVERIFY(copy.ok());
    QCOMPARE(count(**copy, QStringLiteral("SELECT count(*) FROM strclient")),
             count(*c, QStringLiteral("SELECT count(*) FROM strclient")));
}

void TestBackupSnapshot::restore_is_not_stopped_once_it_writes() {
    test::DataFolder folder(demoShop());
    auto c = bigShop(folder);
    QVERIFY(c);
    QTemporaryDir drive;
    QVERIFY(backUp(folder.folder(), drive.path()).complete());
    const int customers = count(*c, QStringLiteral("SELECT count(*) FROM strclient"));
    QVERIFY(c->execute(QStringLiteral("DELETE FROM strclient WHERE clt_cod LIKE '7%'")).ok());
    c.reset();
    // Asked to stop at its first report, the restore goes on to the end.
    StoppingProgress stop(1);
    const auto done = restoreBackup(folder.folder(), drive.path(), folder.clock.now(), {}, &stop);
    QVERIFY2(done.ok(), done ? "" : qPrintable(done.error().text));
    QVERIFY(stop.calls > 1);
    QCOMPARE(stop.lastDone, stop.lastTotal);
    QCOMPARE(count(*folder.connect(), QStringLiteral("SELECT count(*) FROM strclient")), customers);
}

void TestBackupSnapshot::transfer_command_writes_no_progress_off_a_terminal() {
    test::DataFolder folder(demoShop());
    QTemporaryDir drive;
    QProcess run;
    run.start(QStringLiteral(VORDAN_PROGRAM),
              {QStringLiteral("--transferer"), folder.folder(), drive.path() + QLatin1Char('/')});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.readAllStandardError(), QByteArray());
    QVERIFY(run.readAllStandardOutput().contains("strclient"));
}

QTEST_MAIN(TestBackupSnapshot)
#include "tst_backup_snapshot.moc"
