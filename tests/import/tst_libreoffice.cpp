// ctest-labels: libreoffice
//
// Workbooks made by LibreOffice itself (ODS and XLSX, two sheets) read
// through the conversion: first sheet by default, cells as shown, a phone
// number stored as a number flagged; a file LibreOffice cannot read refused.
#include "import/import_rows.h"
#include "import/import_source.h"
#include "support/files.h"
#include "support/outside_program.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace vdn;
using namespace vdn::test;

namespace {

QString cell(const QString& text) {
    return QStringLiteral("<table:table-cell office:value-type=\"string\"><text:p>%1</text:p>"
                          "</table:table-cell>")
        .arg(text);
}
QString number(const QString& value) {
    return QStringLiteral("<table:table-cell office:value-type=\"float\" office:value=\"%1\">"
                          "<text:p>%1</text:p></table:table-cell>")
        .arg(value);
}
QString row(const QString& cells) {
    return QStringLiteral("<table:table-row>") + cells + QStringLiteral("</table:table-row>");
}

// A flat OpenDocument workbook: "Clients" then "Notes".
QByteArray workbook() {
    const QString clients =
        row(cell("Nom") + cell("Prénom") + cell("Téléphone") + cell("CP") + cell("Ville")) +
        row(cell("Dupré") + cell("Élodie") + cell("+33 6 12 34 56 78") + cell("01000") +
            cell("Bourg, \"centre\"")) +
        row(cell("Martin") + cell("Jean") + number("612345678") + cell("74000") + cell("Annecy"));
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document "
                          "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                          "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                          "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                          "office:version=\"1.2\" "
                          "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
                          "<office:body><office:spreadsheet><table:table table:name=\"Clients\">%1"
                          "</table:table><table:table table:name=\"Notes\">%2</table:table>"
                          "</office:spreadsheet></office:body></office:document>")
        .arg(clients, row(cell("rien")))
        .toUtf8();
}

} // namespace

class TestImportLibreOffice : public QObject {
    Q_OBJECT
private slots:
    void workbooksMadeByLibreOffice();
};

void TestImportLibreOffice::workbooksMadeByLibreOffice() {
    VDN_NEED_PROGRAM(soffice, (QStringList{"soffice", "libreoffice"}),
                     "LibreOffice is not installed (Debian package libreoffice-calc)");
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString fods = work.filePath(QStringLiteral("clients.fods"));
    QVERIFY(writeFile(fods, workbook()));
    for (const char* format : {"ods", "xlsx"}) {
        QProcess lo;
        lo.setProcessChannelMode(QProcess::MergedChannels);
        lo.start(soffice,
                 {QStringLiteral("-env:UserInstallation=") +
                      QUrl::fromLocalFile(work.filePath(QStringLiteral("profil"))).toString(),
                  QStringLiteral("--headless"), QStringLiteral("--norestore"),
                  QStringLiteral("--convert-to"), QLatin1String(format), QStringLiteral("--outdir"),
                  work.path(), fods});
        QVERIFY2(lo.waitForFinished(150000), "LibreOffice did not finish within 150 s");
    }
    for (const char* made : {"clients.ods", "clients.xlsx"}) {
        const ImportSource s = loadImportSource(work.filePath(QLatin1String(made)));
        QVERIFY2(s.error.isEmpty(), qPrintable(s.error));
        QCOMPARE(s.sheetNames(), (QStringList{"Clients", "Notes"}));
        const TextTable t = s.table(0, TextOptions());
        QVERIFY2(t.error.isEmpty(), qPrintable(t.error));
        QVERIFY(t.header);
        QCOMPARE(t.rows.size(), 2);
        QCOMPARE(t.rows.at(0), (QStringList{"Dupré", "Élodie", "+33 6 12 34 56 78", "01000",
                                            "Bourg, \"centre\""}));
        const ImportCheck check =
            checkImport(t, {guessMapping(t.columns, true), DuplicateChoice::Skip, false}, {});
        // "+33 6 12 34 56 78" read the French way; the number the sheet
        // stored as a number lost its zero.
        QCOMPARE(check.rows.at(0).outcome, RowOutcome::New);
        QCOMPARE(check.rows.at(0).record.text(CustomerField::Tel), "06 12 34 56 78");
        QCOMPARE(check.rows.at(1).outcome, RowOutcome::Refused);
        QVERIFY(check.rows.at(1).problems.join(';').contains("le zéro du début est perdu"));
        QCOMPARE(s.table(1, TextOptions()).rows, QList<QStringList>{{"rien"}});
        // The sheet a command line names: by number or by name.
        QString error;
        QCOMPARE(s.sheetNamed("2", error), 1);
        QCOMPARE(s.sheetNamed(" clients", error), 0);
        QVERIFY(!s.sheetNamed("3", error));
        QCOMPARE(error, QStringLiteral("Le classeur n'a pas de feuille « 3 » ; ses feuilles : "
                                       "Clients, Notes."));
    }
    // Without LibreOffice: what to install, and nothing read.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", work.path().toLocal8Bit());
    const ImportSource none = loadImportSource(work.filePath(QStringLiteral("clients.ods")));
    qputenv("PATH", path);
    QVERIFY2(none.error.contains(QStringLiteral("installez le paquet libreoffice-calc")),
             qPrintable(none.error));
    QVERIFY(none.sheets.isEmpty());
}

QTEST_GUILESS_MAIN(TestImportLibreOffice)
#include "tst_libreoffice.moc"
