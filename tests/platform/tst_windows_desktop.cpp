// ctest-systems: windows
//
// The Windows side of the desktop: the export handed to the program Windows
// associates with spreadsheets, and the spooler's answer for a printer that
// is not there. Runs under Wine, in the test run's own Wine prefix, whose
// file associations it sets and puts back.
#include "platform/print_queue.h"
#include "platform/spreadsheet.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace vdn;

namespace {

// Makes `program` the one Windows opens files of `extension` with, through
// a class of its own, and undoes it when the test ends.
class Association {
public:
    Association(const QString& extension, const QString& program)
        : name_(QStringLiteral("VordanTest") + extension.mid(1)),
          extension_(QStringLiteral("HKEY_CLASSES_ROOT\\") + extension, QSettings::NativeFormat),
          class_(QStringLiteral("HKEY_CLASSES_ROOT\\") + name_, QSettings::NativeFormat),
          old_(extension_.value(QStringLiteral("Default")).toString()) {
        class_.setValue(QStringLiteral("shell/open/command/Default"),
                        QStringLiteral("\"%1\" \"%2\"")
                            .arg(QDir::toNativeSeparators(program), QStringLiteral("%1")));
        extension_.setValue(QStringLiteral("Default"), name_);
        extension_.sync();
        class_.sync();
    }
    ~Association() {
        class_.remove(QString());
        if (old_.isEmpty())
            extension_.remove(QStringLiteral("Default"));
        else
            extension_.setValue(QStringLiteral("Default"), old_);
    }

private:
    QString name_;
    QSettings extension_;
    QSettings class_;
    QString old_;
};

} // namespace

class TestWindowsDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qunsetenv(ProcessSpreadsheet::CommandVariable); }
    void associated_programs_data();
    void associated_programs();
    void missing_printer_is_refused_in_french();
};

void TestWindowsDesktop::associated_programs_data() {
    QTest::addColumn<QString>("csvProgram");
    QTest::addColumn<bool>("workbook");
    QTest::addColumn<QStringList>("options");
    // Excel (or any program that takes no import options) opens workbooks;
    // LibreOffice is given the CSV with its options.
    QTest::newRow("excel") << QStringLiteral("EXCEL.EXE") << true << QStringList{};
    QTest::newRow("libreoffice") << QStringLiteral("soffice.exe") << false
                                 << QStringList{QStringLiteral("--calc")};
    // Nothing opens CSV files, something opens workbooks: it is given one.
    QTest::newRow("workbooks only") << QString() << true << QStringList{};
}

void TestWindowsDesktop::associated_programs() {
    QFETCH(QString, csvProgram);
    QFETCH(bool, workbook);
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Copies of the stand-in under each program's name.
    const QString csv = dir.filePath(csvProgram.isEmpty() ? "none.exe" : csvProgram);
    const QString books = dir.filePath(QStringLiteral("books.exe"));
    QVERIFY(QFile::copy(QStringLiteral(VORDAN_STAND_IN), csv));
    QVERIFY(QFile::copy(QStringLiteral(VORDAN_STAND_IN), books));
    std::optional<Association> forCsv;
    if (!csvProgram.isEmpty())
        forCsv.emplace(QStringLiteral(".csv"), csv);
    Association forBooks(QStringLiteral(".xlsx"), books);

    const SpreadsheetProgram found = systemSpreadsheet();
    QCOMPARE(QDir::fromNativeSeparators(found.program).toLower(),
             (workbook ? books : csv).toLower());
    QCOMPARE(found.workbook, workbook);
    QCOMPARE(found.options, options);
    ProcessSpreadsheet spreadsheet;
    QCOMPARE(spreadsheet.handOver(),
             workbook ? Spreadsheet::HandOver::Workbook : Spreadsheet::HandOver::Csv);

    // The program is started with the file and waited for.
    const QString log = dir.filePath(QStringLiteral("log.txt"));
    qputenv("STAND_IN_LOG", QDir::toNativeSeparators(log).toLocal8Bit());
    const QString handed = dir.filePath(workbook ? QStringLiteral("Client_20261208.xlsx")
                                                 : QStringLiteral("Client_20261208.csv"));
    QString reason;
    QVERIFY2(spreadsheet.openAndWait(handed, nullptr, reason), qPrintable(reason));
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList arguments = QString::fromUtf8(f.readAll()).trimmed().split(QLatin1Char('|'));
    QVERIFY2(!arguments.isEmpty(), "the stand-in was not started");
    QCOMPARE(QDir::fromNativeSeparators(arguments.last()), handed);
    if (!workbook)
        QVERIFY(arguments.contains(QStringLiteral("--infilter=") +
                                   ProcessSpreadsheet::libreOfficeCsvFilter()));
}

void TestWindowsDesktop::missing_printer_is_refused_in_french() {
    const PrintAnswer answer = PrintQueue(QStringLiteral("Imprimante absente 42")).checkReady();
    QVERIFY(!answer.accepted);
    QVERIFY(answer.status != 0);
    QVERIFY2(answer.text.contains(QStringLiteral("« Imprimante absente 42 »")) &&
                 answer.text.contains(QStringLiteral("Rien n'a été imprimé")),
             qPrintable(answer.text));
    QVERIFY(answer.serviceMessage.startsWith(QLatin1String("OpenPrinter")));
}

QTEST_MAIN(TestWindowsDesktop)
#include "tst_windows_desktop.moc"
