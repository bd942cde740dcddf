#include "data/error_report.h"
#include "data/globals.h"
#include "platform/spreadsheet.h"
#include "printing/customer_export.h"
#include "report_data.h"
#include "support/fixture.h"

#include <QFile>
#include <QTest>

using namespace vdn;
using namespace vdn::test;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

const QByteArray Header = "Code,Nom,Adresse1,Adresse2,Adresse3,CP,Ville,Pays,Tel,Gsm,NIC\r\n";

// Restores an environment variable when the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {}
    ~EnvGuard() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace

class TestCustomerExport : public QObject {
    Q_OBJECT
private slots:
    void windows_1252_data();
    void windows_1252();
    void csv_field_data();
    void csv_field();
    void file_byte_for_byte();
    void export_writes_tells_and_hands_over();
    void export_replaces_the_file_of_the_day();
    void empty_list_gives_the_header_alone();
    void no_spreadsheet_leaves_the_file_written();
    void missing_folder_is_reported();
    void failed_query_is_reported_and_writes_nothing();
    void stand_in_spreadsheet_receives_the_file();
    void spreadsheet_that_cannot_start();
};

void TestCustomerExport::windows_1252_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << "Code,Nom 12" << QByteArray("Code,Nom 12");
    QTest::newRow("latin-1 accents") << "éèàçÉÿ" << QByteArray("\xE9\xE8\xE0\xE7\xC9\xFF");
    QTest::newRow("no-break space and degree") << "N\u00B0\u00A01"
                                               << QByteArray("N\xB0\xA0"
                                                             "1");
    QTest::newRow("euro and ligatures") << "€ Œuvre œuf"
                                        << QByteArray("\x80 \x8Cuvre \x9C"
                                                      "uf");
    QTest::newRow("quotes, dashes, ellipsis")
        << "l’été « – — … ‚ „ “ ” ‘"
        << QByteArray("l\x92\xE9t\xE9 \xAB \x96 \x97 \x85 \x82 \x84 \x93 \x94 \x91");
    QTest::newRow("other specials") << "ƒ†‡ˆ‰Š‹Ž•˜™š›žŸ"
                                    << QByteArray("\x83\x86\x87\x88\x89\x8A\x8B\x8E\x95\x98\x99"
                                                  "\x9A\x9B\x9E\x9F");
    QTest::newRow("C1 controls are not the specials") << "\u0080\u0081\u009F" << QByteArray("???");
    QTest::newRow("beyond the code page") << "Łódź 漢"
                                          << QByteArray("?\xF3"
                                                        "d? ?");
    QTest::newRow("one mark per emoji") << "a😀b" << QByteArray("a?b");
}

void TestCustomerExport::windows_1252() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(toWindows1252(text), bytes);
}

void TestCustomerExport::csv_field_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "1 rue des Quilles"
                           << "1 rue des Quilles";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blanks kept") << " A "
                                 << " A ";
    QTest::newRow("comma") << "12, rue Haute"
                           << "\"12, rue Haute\"";
    QTest::newRow("double quote") << "Le \"Strike\""
                                  << "\"Le \"\"Strike\"\"\"";
    QTest::newRow("line break") << "ligne 1\r\nligne 2"
                                << "\"ligne 1\r\nligne 2\"";
    QTest::newRow("single quote alone") << "L'Isle"
                                        << "L'Isle";
}

void TestCustomerExport::csv_field() {
    QFETCH(QString, value);
    QFETCH(QString, field);
    QCOMPARE(csvField(value), field);
}

void TestCustomerExport::file_byte_for_byte() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QVERIFY(insertCustomer(*c, "000123", "QUILLES SA",
                           {{"clt_ad1", "1 rue des Quilles"},
                            {"clt_ad2", ""},
                            {"clt_ad3", ""},
                            {"clt_cp", ""},
                            {"clt_vil", "LYON"},
                            {"clt_pays", "FRANCE"},
                            {"clt_tel", ""},
                            {"clt_gsm", ""},
                            {"clt_nic", ""},
                            {"clt_fax", "04 00 00 00 00"},
                            {"clt_mail", "quilles@exemple.fr"}}));
    QVERIFY(insertCustomer(*c, "000007", "BÉRANGER ŒUVRE",
                           {{"clt_ad1", "12, allée de l’Étang"},
                            {"clt_ad2", "Bât. \"Les Pins\""},
                            {"clt_cp", "74000"},
                            {"clt_vil", "ANNECY"},
                            {"clt_pays", "France"},
                            {"clt_tel", "04 50 00 00 01"},
                            {"clt_gsm", "06 00 00 00 02"},
                            {"clt_nic", "FR12345678901"}}));
    QVERIFY(insertCustomer(*c, "000200", "BRUN")); // every other field null
    const QString path = folder.folder() + QStringLiteral("export.csv");
    QSqlQuery rows = customerQuery(*c, QStringLiteral("SELECT * FROM strclient ORDER BY clt_cod"));
    QVERIFY(writeCustomerExport(rows, path).ok());
    QCOMPARE(readFile(path), Header +
                                 "000007,B\xC9RANGER \x8CUVRE,\"12, all\xE9"
                                 "e de l\x92\xC9tang\","
                                 "\"B\xE2t. \"\"Les Pins\"\"\",,74000,ANNECY,France,04 50 00 00 01,"
                                 "06 00 00 00 02,FR12345678901\r\n"
                                 "000123,QUILLES SA,1 rue des Quilles,,,,LYON,FRANCE,,,\r\n"
                                 "000200,BRUN,,,,,,,,,\r\n");
}

void TestCustomerExport::export_writes_tells_and_hands_over() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QVERIFY(insertCustomer(*c, "000001", "AUBERT", {{"clt_vil", "NICE"}}));
    const QString path = folder.folder() + QStringLiteral("Client_20261208.csv");
    folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Opened);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(folder.spreadsheet.opened(), QStringList{path});
    QCOMPARE(readFile(path), Header + "000001,AUBERT,,,,,NICE,,,,\r\n");
    QVERIFY(!folder.pointer.isBusy());
    QVERIFY(folder.pointer.busyCount() > 0);
}

void TestCustomerExport::export_replaces_the_file_of_the_day() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QVERIFY(insertCustomers(*c, 2));
    folder.clock.set(QDateTime(QDate(2027, 3, 14), QTime(8, 0)));
    const QString path = folder.folder() + QStringLiteral("Client_20270314.csv");
    QVERIFY(writeFile(path, QByteArray(5000, 'x')));
    for (int run = 0; run < 2; ++run) {
        folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
        QSqlQuery rows = customerQuery(*c);
        QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Opened);
        if (run == 0)
            QVERIFY(insertCustomer(*c, "000003", "CLIENT 003"));
    }
    VDN_CHECK_BOXES(folder);
    QCOMPARE(readFile(path), Header + "000001,CLIENT 001,,,,,,,,,\r\n"
                                      "000002,CLIENT 002,,,,,,,,,\r\n"
                                      "000003,CLIENT 003,,,,,,,,,\r\n");
}

void TestCustomerExport::empty_list_gives_the_header_alone() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    const QString path = folder.folder() + QStringLiteral("Client_20261208.csv");
    folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Opened);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(readFile(path), Header);
    QCOMPARE(folder.spreadsheet.opened(), QStringList{path});
}

void TestCustomerExport::no_spreadsheet_leaves_the_file_written() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QVERIFY(insertCustomers(*c, 1));
    const QString path = folder.folder() + QStringLiteral("Client_20261208.csv");
    folder.spreadsheet.failWith(QStringLiteral("Aucun tableur"));
    folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
    folder.boxes.expectMessage(QStringLiteral("Acces Excel impossible \r\nAucun tableur"));
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::NoSpreadsheet);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(readFile(path), Header + "000001,CLIENT 001,,,,,,,,,\r\n");
    QVERIFY(!folder.pointer.isBusy());
}

void TestCustomerExport::missing_folder_is_reported() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QVERIFY(insertCustomers(*c, 1));
    chemin_base = folder.folder() + QStringLiteral("absent/");
    folder.boxes.expectMessage(errorReportText(
        DataError::other(errnum::PathNotFound, QStringLiteral("Chemin d'accès introuvable : ") +
                                                   folder.folder() + "absent")));
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Failed);
    VDN_CHECK_BOXES(folder);
    QVERIFY(folder.spreadsheet.opened().isEmpty());
    QVERIFY(!folder.pointer.isBusy());
}

void TestCustomerExport::failed_query_is_reported_and_writes_nothing() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QSqlQuery rows = customerQuery(*c, QStringLiteral("SELECT * FROM nowhere"));
    folder.boxes.setAnswerAll(false);
    QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Failed);
    QCOMPARE(folder.boxes.shown().size(), 1);
    QVERIFY(
        folder.boxes.shown().first().text.startsWith(errorReportText(DataError::fromQuery(rows))));
    QVERIFY(!QFile::exists(folder.folder() + QStringLiteral("Client_20261208.csv")));
}

void TestCustomerExport::stand_in_spreadsheet_receives_the_file() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QVERIFY(insertCustomers(*c, 1));
    // A stand-in that records its arguments, one a line, once it is done.
    const QString script = folder.folder() + QStringLiteral("mon tableur.sh");
    const QString record = folder.folder() + QStringLiteral("arguments.txt");
    QVERIFY(writeFile(script, "#!/bin/sh\nsleep 0.2\nfor a in \"$@\"; do echo \"$a\"; done > \"" +
                                  record.toUtf8() + "\"\n"));
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EnvGuard guard(ProcessSpreadsheet::CommandVariable);
    qputenv(ProcessSpreadsheet::CommandVariable, ("\"" + script + "\" --calc").toUtf8());
    ProcessSpreadsheet spreadsheet;
    Services services = folder.services();
    services.spreadsheet = &spreadsheet;

    const QString path = folder.folder() + QStringLiteral("Client_20261208.csv");
    folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(exportCustomerList(rows, services, nullptr), ExportOutcome::Opened);
    VDN_CHECK_BOXES(folder);
    // The export waited for the program: its record is there.
    QCOMPARE(QString::fromUtf8(readFile(record)), QStringLiteral("--calc\n") + path + "\n");
}

void TestCustomerExport::spreadsheet_that_cannot_start() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QVERIFY(insertCustomers(*c, 1));
    EnvGuard guard(ProcessSpreadsheet::CommandVariable);
    const QString missing = folder.folder() + QStringLiteral("pas-de-tableur");
    qputenv(ProcessSpreadsheet::CommandVariable, missing.toUtf8());
    ProcessSpreadsheet spreadsheet;
    Services services = folder.services();
    services.spreadsheet = &spreadsheet;
    folder.boxes.setAnswerAll(true);
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(exportCustomerList(rows, services, nullptr), ExportOutcome::NoSpreadsheet);
    const auto& shown = folder.boxes.shown();
    QCOMPARE(shown.size(), 2);
    // The reason names the command and gives the system's description.
    const QString prefix = QStringLiteral("Acces Excel impossible \r\nImpossible de lancer « ") +
                           missing + QStringLiteral(" » : ");
    QVERIFY2(shown.at(1).text.startsWith(prefix), qPrintable(shown.at(1).text));
    QVERIFY(shown.at(1).text.size() > prefix.size() + 2);
    QCOMPARE(readFile(folder.folder() + QStringLiteral("Client_20261208.csv")),
             Header + "000001,CLIENT 001,,,,,,,,,\r\n");
}

QTEST_MAIN(TestCustomerExport)
#include "tst_customer_export.moc"
