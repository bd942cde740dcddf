// The database snapshot of the backup, taken through the engine's backup API
// with either journal: the copy must hold exactly the committed state,
// whatever other connections do.

#include "app/backup.h"
#include "data/connection.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
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

} // namespace

class TestBackupSnapshot : public QObject {
    Q_OBJECT
private slots:
    void copy_holds_committed_rows_not_open_ones_data();
    void copy_holds_committed_rows_not_open_ones();
    void writer_waiting_on_the_copy_commits_afterwards();
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

QTEST_MAIN(TestBackupSnapshot)
#include "tst_backup_snapshot.moc"
