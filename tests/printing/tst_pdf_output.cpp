#include "data/error_report.h"
#include "platform/print_dialog.h"
#include "printing/ball_list_printout.h"
#include "printing/customer_list_printout.h"
#include "printing/pdf_check.h"
#include "report_data.h"
#include "support/fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vdn;
using namespace vdn::test;

namespace {

// Page sizes of a PDF written by Qt, read from its page dictionaries (Qt
// writes them uncompressed), in points.
QList<QSizeF> pdfPages(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(f.readAll());
    QList<QSizeF> pages;
    static const QRegularExpression page(
        QStringLiteral("/Type /Page\\b(?!s)[^>]*?/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"),
        QRegularExpression::DotMatchesEverythingOption);
    for (auto it = page.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        pages << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return pages;
}

bool allLandscape(const QList<QSizeF>& pages) {
    for (const QSizeF& s : pages)
        if (s.width() <= s.height())
            return false;
    return !pages.isEmpty();
}

// The text of a PDF through pdftotext (poppler-utils), one string per page;
// empty when pdftotext is not installed.
QStringList pdfText(const QString& file) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput())
        .split(QLatin1Char('\f'), Qt::SkipEmptyParts);
}

bool hasPdfToText() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

} // namespace

class TestPdfOutput : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(fresh_.start()); }
    void cleanup() { fresh_.stop(); }
    void customer_list_to_pdf();
    void ball_list_to_pdf();
    void choice_stays_for_the_session_and_cancel_keeps_it();
    void unwritable_pdf_is_reported();
    void pdf_on_a_full_disk_is_not_printed();
    void short_pdf_is_told_apart_data();
    void short_pdf_is_told_apart();
    void qt_dialog_without_printer_offers_a_pdf_file();

private:
    test::FreshFolder fresh_;
};

void TestPdfOutput::customer_list_to_pdf() {
    DataFolder::Options options;
    options.demo = DemoOptions{};
    options.demo->customers = 20;
    DataFolder folder(options);
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    const QString pdf = folder.folder() + QStringLiteral("clients.pdf");
    folder.printDialog.expectAccept({pdf});
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, folder.services(), nullptr), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);

    const QList<QSizeF> pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 2);
    QVERIFY(allLandscape(pages));
    // The printer is left in portrait for whatever comes next.
    QCOMPARE(folder.printDialog.currentPrinter().pageLayout().orientation(), QPageLayout::Portrait);

    if (!hasPdfToText())
        QSKIP("pdftotext is not installed: the text of the pages was not checked");
    const QStringList text = pdfText(pdf);
    QCOMPARE(text.size(), 2);
    static const QRegularExpression header(
        QStringLiteral("LE STRIKE +LISTE DES CLIENTS +Edition du : 08/12/2026 à 14:30 +"
                       "Page : +(\\d)"));
    for (int p = 0; p < 2; ++p) {
        const auto m = header.match(text.at(p));
        QVERIFY2(m.hasMatch(), qPrintable(text.at(p).left(400)));
        QCOMPARE(m.captured(1).toInt(), p + 1);
    }
    const QString firstName =
        test::scalar(*c, QStringLiteral("SELECT clt_cod || ' ' || clt_nom FROM strclient "
                                        "ORDER BY clt_nom LIMIT 1"))
            .toString();
    QVERIFY2(text.at(0).contains(firstName), qPrintable(firstName));
}

void TestPdfOutput::ball_list_to_pdf() {
    auto [folder, c] = fresh_.get();
    for (int i = 1; i <= 30; ++i)
        QVERIFY(insertBall(
            *c, QStringLiteral("000007"), i, i % 10 ? "003" : "140",
            {{"mat_marque", "STORM"}, {"mat_serie", QStringLiteral("SÉRIE %1").arg(i)}}));
    const QString pdf = folder.folder() + QStringLiteral("boules.pdf");
    folder.printDialog.expectAccept({pdf, 1, QPrinter::DuplexNone, QPageLayout::Portrait});
    QSqlQuery balls = ballQuery(*c, QStringLiteral("000007"));
    QCOMPARE(printBallList(balls, QStringLiteral("Mme LEFÈVRE"), folder.services(), nullptr),
             PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);
    const QList<QSizeF> pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 2);
    QVERIFY(allLandscape(pages));

    if (!hasPdfToText())
        QSKIP("pdftotext is not installed: the text of the pages was not checked");
    const QStringList text = pdfText(pdf);
    QCOMPARE(text.size(), 2);
    QVERIFY(text.at(0).contains(QStringLiteral("LISTE DES BOULES DE Mme LEFÈVRE")));
    QVERIFY(text.at(0).contains(QStringLiteral("Edition du : 08/12/2026")));
    QVERIFY(text.at(0).contains(QStringLiteral("N° Série")));
    QVERIFY(text.at(1).contains(QStringLiteral("SÉRIE 30")));
}

void TestPdfOutput::choice_stays_for_the_session_and_cancel_keeps_it() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 2));
    const QString first = folder.folder() + QStringLiteral("premier.pdf");
    // (A PDF file has no duplex: the printer refuses that setting.)
    folder.printDialog.expectAccept({first, 2, QPrinter::DuplexNone, QPageLayout::Portrait});
    folder.printDialog.expectCancel();
    folder.printDialog.expectCancel();
    for (int job = 0; job < 3; ++job) {
        QSqlQuery rows = customerQuery(*c);
        const PrintOutcome outcome = printCustomerList(rows, folder.services(), nullptr);
        QCOMPARE(outcome, job == 0 ? PrintOutcome::Done : PrintOutcome::Cancelled);
        if (job == 0) {
            QCOMPARE(pdfPages(first).size(), 1);
            QVERIFY(QFile::remove(first));
        }
    }
    VDN_CHECK_BOXES(folder);
    // A cancelled job writes nothing, and the next dialog still offers the
    // first job's choice.
    QVERIFY(!QFile::exists(first));
    const auto& shown = folder.printDialog.shown();
    QCOMPARE(shown.size(), 3);
    for (int i = 1; i < 3; ++i) {
        QCOMPARE(shown.at(i).outputFileName, first);
        QCOMPARE(shown.at(i).copies, 2);
        QCOMPARE(shown.at(i).orientation, QPageLayout::Portrait);
    }
}

void TestPdfOutput::unwritable_pdf_is_reported() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 2));
    const QString pdf = folder.folder() + QStringLiteral("absent/liste.pdf");
    folder.printDialog.expectAccept({pdf});
    folder.boxes.expectMessage(errorReportText(DataError::other(
        errnum::PrintFailure,
        QStringLiteral("Impossible d'imprimer sur l'imprimante ou le fichier : ") + pdf)));
    QSqlQuery rows = customerQuery(*c);
    QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
    QCOMPARE(printCustomerList(rows, folder.services(), nullptr), PrintOutcome::Failed);
    VDN_CHECK_BOXES(folder);
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(folder.printDialog.currentPrinter().pageLayout().orientation(), QPageLayout::Portrait);
}

// Every write to /dev/full fails as on a full disk: the engine says nothing,
// the printout must.
void TestPdfOutput::pdf_on_a_full_disk_is_not_printed() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 30));
    const QString full = QStringLiteral("/dev/full");
    if (!QFile::exists(full))
        QSKIP("no /dev/full on this system");
    folder.printDialog.expectAccept({full});
    folder.boxes.expectMessage(errorReportText(DataError::other(
        errnum::PrintFailure,
        QStringLiteral("Le fichier /dev/full n'a pas pu être écrit en entier (disque plein ?) : "
                       "le document n'est pas imprimé."))));
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, folder.services(), nullptr), PrintOutcome::Failed);
    VDN_CHECK_BOXES(folder);
}

// A PDF the engine wrote whole, and the same cut short or with a part lost
// on the way.
void TestPdfOutput::short_pdf_is_told_apart_data() {
    QTest::addColumn<int>("cutAt");  // bytes kept, per thousand; 1000: all
    QTest::addColumn<int>("dropAt"); // a 64-byte piece dropped there, per thousand; 0: none
    QTest::addColumn<bool>("whole");
    QTest::newRow("as written") << 1000 << 0 << true;
    QTest::newRow("cut in the middle") << 500 << 0 << false;
    QTest::newRow("end mark lost") << 999 << 0 << false;
    QTest::newRow("piece lost early") << 1000 << 50 << false;
    QTest::newRow("piece lost late") << 1000 << 900 << false;
    QTest::newRow("empty") << 0 << 0 << false;
}

void TestPdfOutput::short_pdf_is_told_apart() {
    QFETCH(int, cutAt);
    QFETCH(int, dropAt);
    QFETCH(bool, whole);
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 30));
    const QString pdf = folder.folder() + QStringLiteral("liste.pdf");
    folder.printDialog.expectAccept({pdf});
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, folder.services(), nullptr), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    QVERIFY(bytes.size() > 2000);
    if (dropAt > 0)
        bytes.remove(bytes.size() * dropAt / 1000, 64);
    bytes.truncate(cutAt == 1000 ? bytes.size() : bytes.size() * cutAt / 1000);
    QCOMPARE(isWholePdf(bytes), whole);
}

void TestPdfOutput::qt_dialog_without_printer_offers_a_pdf_file() {
#ifdef Q_OS_WIN
    // Under Wine the file dialog's first listing of the drives does not end.
    QSKIP("the file dialog that stands in for the print dialog is tried by hand under Wine");
#endif
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    QtPrintDialog dialog;
    if (dialog.currentPrinter().outputFormat() != QPrinter::PdfFormat) {
        qputenv("HOME", oldHome);
        QSKIP("a printer is installed on this machine");
    }
    // Confirm the real dialog as the user would, with what it offers: the
    // print dialog, or where that shows no PDF printer (Windows) the choice
    // of the file.
    // A file of that name left by an earlier print is replaced, as the
    // file dialog asks.
    bool seen = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(shown)) {
            box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->click() : box->accept();
        } else if (auto* d = qobject_cast<QDialog*>(shown);
                   d && !seen &&
                   (qobject_cast<QPrintDialog*>(d) || qobject_cast<QFileDialog*>(d))) {
            seen = true;
            d->accept();
        }
    });
    answer.start(20);
    const bool confirmed = dialog.choose(nullptr);
    answer.stop();
    qputenv("HOME", oldHome);
    QVERIFY(seen);
    QVERIFY(confirmed);
    const QString file = dialog.currentPrinter().outputFileName();
    // In the Documents folder: under HOME on Linux, the profile's own on
    // Windows, which HOME does not move.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY2(file.startsWith(home.path()) ||
                 (QDir(documents).exists() && file.startsWith(documents)),
             qPrintable(file));
    QVERIFY(file.endsWith(QStringLiteral("vordan.pdf")));

    // And printing goes there.
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 1));
    Services services = folder.services();
    services.printDialog = &dialog;
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget()))
            d->reject();
    });
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, services, nullptr), PrintOutcome::Cancelled);
    QCOMPARE(dialog.currentPrinter().outputFileName(), file);
    QVERIFY(!QFile::exists(file));
}

QTEST_MAIN(TestPdfOutput)
#include "tst_pdf_output.moc"
