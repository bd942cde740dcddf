#include "data/error_report.h"
#include "data/globals.h"
#include "platform/spreadsheet.h"
#include "printing/customer_export.h"
#include "report_data.h"
#include "support/files.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

#include <sqlite3.h>

using namespace vdn;
using namespace vdn::test;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
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
    void init() { QVERIFY(fresh_.start()); }
    void cleanup() { fresh_.stop(); }
    void windows_1252_data();
    void windows_1252();
    void csv_field_data();
    void csv_field();
    void csv_field_from_utf8_data();
    void csv_field_from_utf8();
    void ill_formed_utf8_is_left_to_the_caller_data();
    void ill_formed_utf8_is_left_to_the_caller();
    void every_row_written_as_the_first_data();
    void every_row_written_as_the_first();
    void failure_after_the_first_row_is_reported();
    void file_byte_for_byte();
    void export_writes_tells_and_hands_over();
    void export_replaces_the_file_of_the_day();
    void workbook_handed_to_a_program_without_import_options();
    void empty_list_gives_the_header_alone();
    void no_spreadsheet_leaves_the_file_written();
    void missing_folder_is_reported();
    void failed_query_is_reported_and_writes_nothing();
    void stand_in_spreadsheet_receives_the_file();
    void spreadsheet_that_cannot_start();

private:
    test::FreshFolder fresh_;
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

void TestCustomerExport::csv_field_from_utf8_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "";
    QTest::newRow("plain") << "1 rue des Quilles";
    QTest::newRow("accents and specials") << "ÉLODIE l’été Œuvre € … ÿ";
    QTest::newRow("C1 control and no-break space") << "a\u0085b\u00A0c";
    QTest::newRow("beyond the code page") << "Łódź 漢 \uFFFE";
    QTest::newRow("beyond the plane, quoted") << "\"😀\",𝄞";
    QTest::newRow("line break and quotes") << "Bât. \"Les Pins\"\r\nfin";
    QTest::newRow("lone line feed") << "a\nb";
    QTest::newRow("comma only") << ",";
    QTest::newRow("nul character") << QString(QStringLiteral("a%1b")).arg(QChar(0));
}

void TestCustomerExport::csv_field_from_utf8() {
    QFETCH(QString, value);
    const QByteArray utf8 = value.toUtf8();
    QByteArray out("kept,");
    QVERIFY(appendCsvFieldUtf8(utf8.constData(), utf8.size(), out));
    QCOMPARE(out, QByteArray("kept,") + toWindows1252(csvField(value)));
}

void TestCustomerExport::ill_formed_utf8_is_left_to_the_caller_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lone continuation byte") << QByteArray("a\x80z");
    QTest::newRow("cut at the end") << QByteArray("ab\xC3");
    QTest::newRow("cut before a comma") << QByteArray("\xE2\x82,");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF");
    QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\xAF");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
    QTest::newRow("five-byte lead") << QByteArray("\xF8\x88\x80\x80\x80");
    QTest::newRow("byte FF") << QByteArray("\xFF");
}

void TestCustomerExport::ill_formed_utf8_is_left_to_the_caller() {
    QFETCH(QByteArray, bytes);
    QByteArray out("kept,");
    QVERIFY(!appendCsvFieldUtf8(bytes.constData(), bytes.size(), out));
    QCOMPARE(out, QByteArray("kept,"));
}

void TestCustomerExport::every_row_written_as_the_first_data() {
    QTest::addColumn<int>("precision");
    QTest::newRow("default") << -1;
    QTest::newRow("low precision double") << int(QSql::LowPrecisionDouble);
    QTest::newRow("32-bit integers") << int(QSql::LowPrecisionInt32);
    QTest::newRow("64-bit integers") << int(QSql::LowPrecisionInt64);
    QTest::newRow("high precision") << int(QSql::HighPrecision);
}

void TestCustomerExport::every_row_written_as_the_first() {
    // The driver reads the first row; the export steps the others on the
    // statement. The same values in every row must give the same line,
    // whatever their kind: text needing quotes, ill-formed text, blobs,
    // numbers, nulls.
    QFETCH(int, precision);
    auto [folder, c] = fresh_.get();
    QSqlQuery rows(c->db());
    rows.setForwardOnly(true);
    if (precision >= 0)
        rows.setNumericalPrecisionPolicy(QSql::NumericalPrecisionPolicy(precision));
    QVERIFY(rows.prepare(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4) "
        "SELECT 'É\"é\", l’été' || char(13, 10) || 'fin 😀' AS clt_cod, "
        "CAST(X'41C3' AS TEXT) AS clt_nom, X'C3A9612C62' AS clt_ad1, 42 AS clt_ad2, "
        "-1.5 AS clt_ad3, 1e20 AS clt_cp, 0.1 AS clt_vil, NULL AS clt_pays, "
        "CAST(X'41004230' AS TEXT) AS clt_tel, CAST(X'EDA080' AS TEXT) AS clt_gsm, "
        "9223372036854775807 AS clt_nic FROM n")));
    QVERIFY(rows.exec());
    const QString path = folder.folder() + QStringLiteral("export.csv");
    QVERIFY(writeCustomerExport(rows, path).ok());
    const QByteArray file = readFile(path);
    QVERIFY(file.startsWith(Header));
    // The first field holds a line break: split after the last field.
    const QByteArray rowsText = file.mid(Header.size());
    const QByteArray end = ",9223372036854775807\r\n";
    QCOMPARE(rowsText.count(end), 4);
    const qsizetype firstEnd = rowsText.indexOf(end) + end.size();
    const QByteArray first = rowsText.left(firstEnd);
    QVERIFY2(first.startsWith("\"\xC9\"\"\xE9\"\", l\x92\xE9t\xE9\r\nfin ?\",A"),
             first.constData());
    QCOMPARE(rowsText, first + first + first + first);
    // Read to the end, the query is done with.
    QVERIFY(!rows.isActive());
}

void TestCustomerExport::failure_after_the_first_row_is_reported() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 300));
    QSqlQuery rows = customerQuery(*c);
    QVERIFY(rows.isActive());
    // The engine stops the statement once the first row has been read.
    sqlite3_progress_handler(
        c->handle(), 50, [](void*) { return 1; }, nullptr);
    const QString path = folder.folder() + QStringLiteral("export.csv");
    const Status status = writeCustomerExport(rows, path);
    sqlite3_progress_handler(c->handle(), 0, nullptr, nullptr);
    QVERIFY(!status.ok());
    QCOMPARE(status.error().number, SQLITE_INTERRUPT);
    QCOMPARE(status.error().engineErrors.size(), 1);
    QCOMPARE(status.error().engineErrors.first().message, QStringLiteral("interrupted"));
    QCOMPARE(status.error().engineErrors.first().statement, rows.lastQuery());
    QVERIFY(!rows.isActive());
    // What was read before the failure is in the file, and nothing is claimed beyond it.
    QVERIFY(readFile(path).startsWith(Header + "000001,CLIENT 001,"));
}

void TestCustomerExport::file_byte_for_byte() {
    auto [folder, c] = fresh_.get();
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
    auto [folder, c] = fresh_.get();
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

void TestCustomerExport::workbook_handed_to_a_program_without_import_options() {
    auto [folder, c] = fresh_.get();
    QVERIFY(
        insertCustomer(*c, "000001", "ÉLODIE", {{"clt_cp", "01000"}, {"clt_ad1", "a_x0041_b"}}));
    folder.spreadsheet.takeWorkbooks();
    const QString path = folder.folder() + QStringLiteral("Client_20261208.csv");
    const QString book = folder.folder() + QStringLiteral("Client_20261208.xlsx");
    folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Opened);
    VDN_CHECK_BOXES(folder);
    // The export file is the same as for any other program; the workbook
    // beside it is what is opened.
    QCOMPARE(readFile(path), Header + "000001,\xC9LODIE,a_x0041_b,,,01000,,,,,\r\n");
    QCOMPARE(folder.spreadsheet.opened(), QStringList{book});
    const QByteArray bytes = readFile(book);
    QVERIFY(bytes.startsWith("PK\x03\x04"));
    // Its cells are text, postcode with its leading zero, accents in UTF-8,
    // an underscore that would read as an escape written as one.
    QVERIFY(bytes.contains("<c r=\"F2\" s=\"1\" t=\"inlineStr\"><is><t "
                           "xml:space=\"preserve\">01000</t>"));
    QVERIFY(bytes.contains("\xC3\x89LODIE"));
    QVERIFY(bytes.contains(">a_x005F_x0041_b<"));
}

void TestCustomerExport::export_replaces_the_file_of_the_day() {
    auto [folder, c] = fresh_.get();
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
    auto [folder, c] = fresh_.get();
    const QString path = folder.folder() + QStringLiteral("Client_20261208.csv");
    folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Opened);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(readFile(path), Header);
    QCOMPARE(folder.spreadsheet.opened(), QStringList{path});
}

void TestCustomerExport::no_spreadsheet_leaves_the_file_written() {
    auto [folder, c] = fresh_.get();
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
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 1));
    chemin_base = folder.folder() + QStringLiteral("absent/");
    folder.boxes.expectMessage(errorReportText(DataError::other(
        errnum::PathNotFound, QStringLiteral("Chemin d'accès introuvable : ") +
                                  QDir::toNativeSeparators(folder.folder() + "absent"))));
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Failed);
    VDN_CHECK_BOXES(folder);
    QVERIFY(folder.spreadsheet.opened().isEmpty());
    QVERIFY(!folder.pointer.isBusy());
}

void TestCustomerExport::failed_query_is_reported_and_writes_nothing() {
    auto [folder, c] = fresh_.get();
    QSqlQuery rows = customerQuery(*c, QStringLiteral("SELECT * FROM nowhere"));
    folder.boxes.setAnswerAll(false);
    QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Failed);
    QCOMPARE(folder.boxes.shown().size(), 1);
    QVERIFY(
        folder.boxes.shown().first().text.startsWith(errorReportText(DataError::fromQuery(rows))));
    QVERIFY(!QFile::exists(folder.folder() + QStringLiteral("Client_20261208.csv")));
}

void TestCustomerExport::stand_in_spreadsheet_receives_the_file() {
#ifdef Q_OS_WIN
    QSKIP("the stand-in is a shell script; tst_windows_desktop starts a Windows one");
#endif
    auto [folder, c] = fresh_.get();
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
    auto [folder, c] = fresh_.get();
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
