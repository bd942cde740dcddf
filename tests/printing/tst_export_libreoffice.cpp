// ctest-labels: libreoffice
//
// The customer export opened by real LibreOffice Calc with exactly the import
// options the program hands it, and the workbook handed to a program that
// takes no such options: each converted headless into a flat OpenDocument
// file and read back cell by cell.
#include "platform/spreadsheet.h"
#include "printing/customer_export.h"
#include "report_data.h"
#include "support/fixture.h"
#include "support/outside_program.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

using namespace vdn;
using namespace vdn::test;

namespace {

struct Cell {
    QString type; // office:value-type
    QString text; // paragraphs joined by line breaks
    bool formula = false;
};
using Row = QList<Cell>;

// The rows of the first sheet of a flat OpenDocument spreadsheet, repeated
// cells spelled out and the empty cells LibreOffice adds after the last value
// left off.
QList<Row> readFods(const QString& path, QString& error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("no file ") + path;
        return {};
    }
    QList<Row> rows;
    QXmlStreamReader xml(&f);
    int tables = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.qualifiedName();
        if (name == QLatin1String("table:table") && ++tables > 1)
            break;
        if (name == QLatin1String("table:table-row")) {
            rows.append(Row());
        } else if (name == QLatin1String("table:table-cell") && !rows.isEmpty()) {
            const auto a = xml.attributes();
            Cell cell;
            cell.type = a.value(QLatin1String("office:value-type")).toString();
            cell.formula = a.hasAttribute(QLatin1String("table:formula"));
            const int repeat =
                std::max(1, a.value(QLatin1String("table:number-columns-repeated")).toInt());
            QStringList paragraphs;
            while (xml.readNextStartElement()) {
                if (xml.qualifiedName() == QLatin1String("text:p"))
                    paragraphs << xml.readElementText(QXmlStreamReader::IncludeChildElements);
                else
                    xml.skipCurrentElement();
            }
            cell.text = paragraphs.join(QLatin1Char('\n'));
            for (int i = 0; i < repeat && i < 1024; ++i)
                rows.last().append(cell);
        }
    }
    if (xml.hasError())
        error = xml.errorString();
    for (Row& row : rows)
        while (!row.isEmpty() && row.last().type.isEmpty() && row.last().text.isEmpty())
            row.removeLast();
    while (!rows.isEmpty() && rows.last().isEmpty())
        rows.removeLast();
    return rows;
}

} // namespace

class TestExportLibreOffice : public QObject {
    Q_OBJECT
private slots:
    void calc_reads_every_value_as_typed_data();
    void calc_reads_every_value_as_typed();
};

void TestExportLibreOffice::calc_reads_every_value_as_typed_data() {
    QTest::addColumn<bool>("workbook");
    QTest::newRow("csv with import options") << false;
    QTest::newRow("workbook") << true;
}

void TestExportLibreOffice::calc_reads_every_value_as_typed() {
    VDN_NEED_PROGRAM(soffice, (QStringList{"soffice", "libreoffice"}),
                     "LibreOffice is not installed (Debian package libreoffice-calc)");
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    // Every column of the export, in its order.
    const QStringList fields{"clt_cod", "clt_nom",  "clt_ad1", "clt_ad2", "clt_ad3", "clt_cp",
                             "clt_vil", "clt_pays", "clt_tel", "clt_gsm", "clt_nic"};
    const QList<QStringList> customers{
        {"000043", "ÉLODIE ANDRÉ", "12, allée de l’Étang", "=1+1", "ligne 1\nligne 2", "01000",
         "INÈS-SUR-MER", "-1", "+33 6 12 34 56 78", "0612345678", "@A1"},
        {"000044", "ŒUVRE \"LES PINS\" €", "+A2", "", "", "09000", "FOIX", "France", "0450000001",
         "", "FR12345678901"},
        {"000100", "BRUN", "", "", "", "", "", "", "", "", "1E5"},
    };
    for (const QStringList& values : customers) {
        Fields more;
        for (int i = 2; i < fields.size(); ++i)
            more.insert(fields[i], values[i]);
        QVERIFY(insertCustomer(*c, values[0], values[1], more));
    }
    QFETCH(bool, workbook);
    const QString csv = folder.folder() + QStringLiteral("Client_20261208.csv");
    QSqlQuery rows = customerQuery(*c, QStringLiteral("SELECT * FROM strclient ORDER BY clt_cod"));
    QString handed = csv;
    if (workbook) {
        // The export as the program makes it for a spreadsheet that takes
        // no import options.
        folder.spreadsheet.takeWorkbooks();
        folder.boxes.expectMessage(QStringLiteral("FICHIER ") + csv + QStringLiteral("TERMINE"));
        QCOMPARE(exportCustomerList(rows, folder.services(), nullptr), ExportOutcome::Opened);
        handed = folder.folder() + QStringLiteral("Client_20261208.xlsx");
        QCOMPARE(folder.spreadsheet.opened(), QStringList{handed});
        // Its container checked by Info-ZIP, every part's check sum with it.
        VDN_NEED_PROGRAM(unzip, QStringList{"unzip"}, "Info-ZIP is not installed (package unzip)");
        QProcess test;
        test.setProcessChannelMode(QProcess::MergedChannels);
        test.start(unzip, {QStringLiteral("-t"), handed});
        QVERIFY(test.waitForFinished(30000));
        const QString said = QString::fromLocal8Bit(test.readAll());
        QVERIFY2(test.exitCode() == 0 && said.contains(QLatin1String("No errors detected")),
                 qPrintable(said));
    } else {
        QVERIFY(writeCustomerExport(rows, csv).ok());
    }

    // A profile of its own, so that no running LibreOffice and no user
    // setting takes part.
    QTemporaryDir work;
    QVERIFY(work.isValid());
    QProcess lo;
    lo.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{
        QStringLiteral("-env:UserInstallation=") +
            QUrl::fromLocalFile(work.filePath(QStringLiteral("profile"))).toString(),
        QStringLiteral("--headless"), QStringLiteral("--norestore")};
    if (!workbook)
        arguments << QStringLiteral("--infilter=") + ProcessSpreadsheet::libreOfficeCsvFilter();
    arguments << QStringLiteral("--convert-to") << QStringLiteral("fods")
              << QStringLiteral("--outdir") << work.path() << handed;
    lo.start(soffice, arguments);
    QVERIFY2(lo.waitForFinished(150000), "LibreOffice did not finish within 150 s");
    const QString output = QString::fromLocal8Bit(lo.readAll());
    QVERIFY2(lo.exitStatus() == QProcess::NormalExit && lo.exitCode() == 0, qPrintable(output));

    QString error;
    const QList<Row> sheet = readFods(work.filePath(QStringLiteral("Client_20261208.fods")), error);
    QVERIFY2(error.isEmpty(), qPrintable(error + "\n" + output));
    QCOMPARE(sheet.size(), 1 + customers.size());
    QStringList header;
    for (const Cell& cell : sheet[0])
        header << cell.text;
    QCOMPARE(header.join(QLatin1Char(',')), CustomerExportHeader);
    for (int r = 0; r < customers.size(); ++r) {
        const Row& row = sheet[r + 1];
        QCOMPARE(row.size(), fields.size());
        for (int i = 0; i < fields.size(); ++i) {
            const QString where = QStringLiteral("row %1, %2").arg(r + 2).arg(fields[i]);
            QVERIFY2(!row[i].formula, qPrintable(where));
            QCOMPARE(row[i].text, customers[r][i]);
            // An empty field is an empty cell; anything else is text.
            QCOMPARE(row[i].type, customers[r][i].isEmpty() ? QString() : QStringLiteral("string"));
        }
    }
}

QTEST_MAIN(TestExportLibreOffice)
#include "tst_export_libreoffice.moc"
