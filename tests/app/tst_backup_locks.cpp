// ctest-labels: sqlite3
// The locks a connection holds on the database survive a backup and the
// opening of another window: the program never reads the live file through a
// descriptor of its own, whose closing would drop every lock of the process
// on that file and let another program write in the middle of a transaction.

#include "app/backup.h"
#include "data/connection.h"
#include "support/fixture.h"

#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace vdn;

namespace {

// Whether another program can start a write on the file at once.
bool otherProgramCanWrite(const QString& file, QString* output) {
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"),
                {file, QStringLiteral("BEGIN IMMEDIATE; ROLLBACK; SELECT 'written';")});
    if (!shell.waitForFinished(20000))
        return true;
    *output = QString::fromUtf8(shell.readAllStandardOutput() + shell.readAllStandardError());
    return shell.exitCode() == 0 && output->contains(QLatin1String("written"));
}

} // namespace

class TestBackupLocks : public QObject {
    Q_OBJECT
private slots:
    void locks_survive_data();
    void locks_survive();
};

void TestBackupLocks::locks_survive_data() {
    QTest::addColumn<bool>("backUpDatabase");
    QTest::newRow("backup") << true;
    QTest::newRow("another window opening") << false;
}

void TestBackupLocks::locks_survive() {
    QFETCH(bool, backUpDatabase);
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty()) {
        // The Linux run installs the shell; the Windows build's tests run
        // under Wine, which has none.
#ifndef Q_OS_WIN
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("the sqlite3 shell is needed in CI (apt-get install sqlite3)");
#endif
        QSKIP("the sqlite3 shell is needed to try a write from another program");
    }
    test::DataFolder::Options options;
    options.demo = DemoOptions{};
    test::DataFolder folder(options);
    QVERIFY(folder.ok());
    QTemporaryDir drive;
    QVERIFY(drive.isValid());

    // A window in the middle of a write holds the file against other programs.
    auto writer = folder.connect();
    QVERIFY(writer);
    QVERIFY(writer->db().transaction());
    QSqlQuery insert(writer->db());
    QVERIFY(insert.exec(QStringLiteral("INSERT INTO strclient (clt_cod, clt_nom) VALUES "
                                       "('900001', 'EN COURS')")));
    QString output;
    QVERIFY2(!otherProgramCanWrite(folder.databaseFile(), &output), qPrintable(output));

    if (backUpDatabase) {
        const BackupResult result = backUp(folder.folder(), drive.path());
        QVERIFY2(result.complete(), qPrintable(backupEndMessage(result)));
    } else {
        QVERIFY(folder.connect());
    }
    // Still held: the other program is kept out until the write ends.
    QVERIFY2(!otherProgramCanWrite(folder.databaseFile(), &output),
             "another program could write while a transaction was open");
    QVERIFY(writer->db().commit());
    QVERIFY(otherProgramCanWrite(folder.databaseFile(), &output));
    QCOMPARE(test::scalar(*writer, QStringLiteral("PRAGMA integrity_check")).toString(),
             QStringLiteral("ok"));
}

QTEST_MAIN(TestBackupLocks)
#include "tst_backup_locks.moc"
