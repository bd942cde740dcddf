// `vordan --importer FICHIER [--correspondance FICHIER.ini] [--essai]`: the
// options read, then the import run on the database CHEMIN.QZ names.
#include "app/command_line.h"
#include "app/import_command.h"
#include "data/database_lock.h"
#include "import/import_fields.h"
#include "support/files.h"
#include "support/fixture.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

using namespace vdn;
using namespace vdn::test;

class TestImportCommand : public QObject {
    Q_OBJECT
private slots:
    void options_data();
    void options();
    void run();
};

void TestImportCommand::options_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("read"); // file|mapping|duplicates|sheet|dry run, or the error
    using A = CommandLine::Action;
    QTest::newRow("file alone") << QStringList{"--importer", "c.csv"} << int(A::Import)
                                << "c.csv||||0";
    QTest::newRow("mapping and dry run")
        << QStringList{"--essai",    "--importer", "c.ods",     "--correspondance", "m.ini",
                       "--doublons", "completer",  "--feuille", "Clients"}
        << int(A::Import) << "c.ods|m.ini|completer|Clients|1";
    QTest::newRow("no file") << QStringList{"--importer"} << int(A::Error)
                             << "--importer attend le fichier des clients.";
    QTest::newRow("dry run alone")
        << QStringList{"--essai"} << int(A::Error)
        << "--correspondance, --doublons, --feuille et --essai vont avec --importer.";
    QTest::newRow("with a restore")
        << QStringList{"--importer", "c.csv", "--restaurer", "/x"} << int(A::Error)
        << "--importer ne va qu'avec --correspondance, --doublons, --feuille et --essai.";
}

void TestImportCommand::options() {
    QFETCH(QStringList, args);
    QFETCH(int, action);
    QFETCH(QString, read);
    const CommandLine cl = parseCommandLine(QStringList{"vordan"} + args);
    QCOMPARE(int(cl.action), action);
    QCOMPARE(cl.action == CommandLine::Action::Error
                 ? cl.error
                 : QStringLiteral("%1|%2|%3|%4|%5")
                       .arg(cl.importFile, cl.mappingFile, cl.duplicates, cl.sheet)
                       .arg(cl.dryRun),
             read);
}

void TestImportCommand::run() {
    DataFolder folder;
    QVERIFY(folder.ok());
    QTemporaryDir config;
    const QString settings = useSettingsRoot(config.path());
    QVERIFY(writeFile(settings + "/CHEMIN.QZ", folder.folder().toUtf8() + "\r\n"));
    auto c = folder.connect();
    const auto count = [&] {
        return scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt();
    };
    const int before = count();
    // No column gives the name: nothing is imported.
    const QString unknown = config.filePath("x.csv");
    QVERIFY(writeFile(unknown, "X;Y\n1;2\n"));
    QCOMPARE(runImportCommand({unknown, {}, {}, {}, false}), 1);
    // "Numéro" would be guessed the customer code: the mapping file says mobile.
    const QString csv = config.filePath("c.csv");
    QVERIFY(writeFile(csv, "Client;Num\xc3\xa9ro\nDupont;0612345678\nDurand;0450000000\n"));
    const QString ini = config.filePath("m.ini");
    QVERIFY(writeMappingFile(ini, {{ImportField::Name, ImportField::Mobile}, {}, false}));
    QCOMPARE(runImportCommand({csv, ini, {}, QStringLiteral("2"), true}), 1); // no workbook
    QCOMPARE(runImportCommand({csv, ini, {}, {}, true}), 0);
    QCOMPARE(count(), before); // a dry run writes nothing
    QCOMPARE(runImportCommand({csv, ini, {}, {}, false}), 0);
    QCOMPARE(count(), before + 2);
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_gsm FROM strclient WHERE clt_nom = 'DUPONT'")),
             QStringList{"0612345678"});
    QCOMPARE(runImportCommand({csv, ini, {}, {}, false}), 0); // duplicates: ignored
    QCOMPARE(count(), before + 2);
    // Duplicates added only when the command line says so; an unknown
    // choice imports nothing.
    QCOMPARE(runImportCommand({csv, ini, QStringLiteral("fusionner"), {}, false}), 1);
    QCOMPARE(runImportCommand({csv, ini, QStringLiteral("Ajouter"), {}, true}), 0);
    QCOMPARE(count(), before + 2);
    QCOMPARE(runImportCommand({csv, ini, QStringLiteral("ajouter"), {}, false}), 0);
    QCOMPARE(count(), before + 4);
    QVERIFY(c->execute(QStringLiteral("DELETE FROM strclient WHERE clt_cod IN (SELECT "
                                      "max(clt_cod) FROM strclient GROUP BY clt_nom HAVING "
                                      "count(*) > 1)")));
    QCOMPARE(count(), before + 2);
    // A restore under way holds its lock: the import waits, then writes nothing.
    const QString more = config.filePath("more.csv");
    QVERIFY(writeFile(more, "Client;Num\xc3\xa9ro\nMartin;0611111111\n"));
    {
        qputenv("VORDAN_BUSY_TIMEOUT_MS", "20");
        RestoreLock restore(folder.folder());
        QCOMPARE(restore.acquire(0), RestoreLock::Outcome::Held);
        QCOMPARE(runImportCommand({more, ini, {}, {}, false}), 1);
        qunsetenv("VORDAN_BUSY_TIMEOUT_MS");
    }
    QCOMPARE(count(), before + 2);
    QCOMPARE(runImportCommand({more, ini, {}, {}, false}), 0);
    QCOMPARE(count(), before + 3);
    QCOMPARE(runImportCommand({config.filePath("absent.csv"), ini, {}, {}, false}), 1);
    // Lines of two encodings: refused, by the dry run as by the import.
    const QString mixed = config.filePath("melange.csv");
    QVERIFY(writeFile(mixed, "Client;Num\xe9ro\nGu\xc3\xa9rin;0633333333\nDupr\xe9;0644444444\n"));
    QCOMPARE(runImportCommand({mixed, ini, {}, {}, true}), 1);
    QCOMPARE(runImportCommand({mixed, ini, {}, {}, false}), 1);
    QCOMPARE(count(), before + 3);

    // An import started during a restore checks the restored base, not the
    // one it found: the restore (here, the test holding its lock) puts back
    // a customer the file also holds, and the import then leaves it alone.
    const QString again = config.filePath("again.csv");
    QVERIFY(writeFile(again, "Client;Num\xc3\xa9ro\nBernard;0622222222\n"));
    {
        RestoreLock restore(folder.folder());
        QCOMPARE(restore.acquire(0), RestoreLock::Outcome::Held);
        int status = -1;
        // A thread of Qt's own, as the program's would be: Qt cleans up
        // after it in the thread itself. A plain thread Qt merely adopts is
        // cleaned up on Windows from another thread, which crashed under
        // Wine in freeing the regular expressions' per-thread stack.
        const std::unique_ptr<QThread> import(QThread::create([&] {
            status = runImportCommand({again, ini, {}, {}, false});
        }));
        import->start();
        QTest::qWait(300);
        QSqlQuery q(c->db());
        QVERIFY(q.exec("INSERT INTO strclient (clt_cod, clt_nom, clt_gsm) VALUES ('777777', "
                       "'BERNARD', '0622222222')"));
        restore.release();
        QVERIFY(import->wait(60000));
        QCOMPARE(status, 0);
    }
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_cod FROM strclient WHERE clt_nom = 'BERNARD'")),
             QStringList{"777777"});
}

QTEST_GUILESS_MAIN(TestImportCommand)
#include "tst_command.moc"
