// ctest-labels: cups
//
// The customer list printed to a real CUPS queue: the test starts a cupsd of
// its own (configuration, spool and socket in a temporary folder, reached
// through CUPS_SERVER) with a queue that writes each job to a PDF file, and
// never touches the system's print service.
#include "data/error_report.h"
#include "platform/print_queue.h"
#include "printing/print_target.h"
#include "printing/customer_list_printout.h"
#include "report_data.h"
#include "support/files.h"
#include "support/fixture.h"
#include "support/outside_program.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <unistd.h>

using namespace vdn;
using namespace vdn::test;

namespace {

const QString Queue = QStringLiteral("vordan");

// A printer description whose only filter keeps the job in PDF, with the
// paper sizes the test uses.
const QByteArray PdfPrinterDescription = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "VDNPDF.PPD"
*Manufacturer: "VORDAN"
*Product: "(PDF file)"
*ModelName: "PDF file"
*ShortNickName: "PDF file"
*NickName: "PDF file"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "7.09 7.09 587.91 834.91"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
)PPD";

QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAll());
}

// One word of `pdftotext -bbox`, in points from the page's top-left corner.
struct Word {
    int page;
    double xMin, yMin, xMax, yMax;
    QString text;
};

QList<Word> pdfWords(const QString& tool, const QString& pdf) {
    const QString html = run(tool, {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QList<Word> words;
    QXmlStreamReader xml(html);
    int page = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("page")) {
            ++page;
        } else if (xml.name() == QLatin1String("word")) {
            const auto a = xml.attributes();
            words.append(Word{page, a.value(QLatin1String("xMin")).toDouble(),
                              a.value(QLatin1String("yMin")).toDouble(),
                              a.value(QLatin1String("xMax")).toDouble(),
                              a.value(QLatin1String("yMax")).toDouble(), xml.readElementText()});
        }
    }
    return words;
}

struct PdfInfo {
    int pages = 0;
    bool landscape = false;
};

PdfInfo pdfInfo(const QString& tool, const QString& pdf) {
    const QString text = run(tool, {pdf});
    PdfInfo info;
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    static const QRegularExpression size(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)"));
    static const QRegularExpression rot(QStringLiteral("Page rot:\\s+(\\d+)"));
    info.pages = pages.match(text).captured(1).toInt();
    const auto s = size.match(text);
    const bool wide = s.captured(1).toDouble() > s.captured(2).toDouble();
    const int turn = rot.match(text).captured(1).toInt();
    info.landscape = (turn % 180 == 90) ? !wide : wide;
    return info;
}

// The job files the spool keeps, by name.
QStringList spooledDocuments(const QString& spool) {
    return QDir(spool).entryList({QStringLiteral("d*")}, QDir::Files, QDir::Name);
}

} // namespace

class TestCupsPrinting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void customer_list_reaches_the_queue_landscape_and_within_its_columns();
    void refusing_queue_is_reported_and_nothing_is_sent();
    void cleanupTestCase();

private:
    bool waitFor(const std::function<bool()>& done, int ms);

    QTemporaryDir dir_;
    QProcess cupsd_;
    QString spool_;
    QString output_;
    QString pdfinfo_;
    QString pdftotext_;
    QString cupsreject_;
};

bool TestCupsPrinting::waitFor(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms; waited += 100) {
        if (done())
            return true;
        QTest::qWait(100);
    }
    return done();
}

void TestCupsPrinting::initTestCase() {
    VDN_NEED_PROGRAM(cupsd, QStringList{"cupsd"}, "CUPS is not installed (Debian package cups)");
    VDN_NEED_PROGRAM(lpadmin, QStringList{"lpadmin"}, "lpadmin is not installed (cups-client)");
    VDN_NEED_PROGRAM(reject, QStringList{"cupsreject"}, "cupsreject is not installed");
    VDN_NEED_PROGRAM(info, QStringList{"pdfinfo"}, "pdfinfo is not installed (poppler-utils)");
    VDN_NEED_PROGRAM(text, QStringList{"pdftotext"}, "pdftotext is not installed");
    cupsreject_ = reject;
    pdfinfo_ = info;
    pdftotext_ = text;
    QVERIFY(dir_.isValid());
    const QString root = dir_.path();
    // The scheduler's filters run as the lp user, which must reach the folders.
    for (const QString sub : {"conf", "spool", "spool/tmp", "cache", "state", "logs", "out"})
        QVERIFY(QDir().mkpath(root + '/' + sub));
    const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(root, open));
    QVERIFY(QFile::setPermissions(root + "/out", open | QFile::WriteGroup | QFile::WriteOther));
    QVERIFY(
        QFile::setPermissions(root + "/spool/tmp", open | QFile::WriteGroup | QFile::WriteOther));
    spool_ = root + "/spool";
    output_ = root + "/out/job.pdf";
    const QString socket = root + "/cups.sock";

    QByteArray files = "ServerRoot " + (root + "/conf").toUtf8() + "\nRequestRoot " +
                       spool_.toUtf8() + "\nCacheDir " + (root + "/cache").toUtf8() +
                       "\nStateDir " + (root + "/state").toUtf8() + "\nTempDir " +
                       (root + "/spool/tmp").toUtf8() + "\nErrorLog " +
                       (root + "/logs/error_log").toUtf8() + "\nAccessLog " +
                       (root + "/logs/access_log").toUtf8() + "\nPageLog " +
                       (root + "/logs/page_log").toUtf8() + "\nFileDevice Yes\n";
    // Run as root (as in CI), cupsd refuses to run filters as root: they run
    // as lp. Run as another user, it keeps that user.
    if (geteuid() == 0)
        files += "User lp\nGroup lp\nSystemGroup root\n";
    QVERIFY(writeFile(root + "/cups-files.conf", files));
    QVERIFY(writeFile(root + "/cupsd.conf",
                      "Listen " + socket.toUtf8() +
                          "\nLogLevel info\nPreserveJobFiles Yes\nPreserveJobHistory Yes\n"
                          "WebInterface No\nBrowsing No\nDefaultAuthType None\n"
                          "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                          "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n"
                          "  </Limit>\n</Policy>\n"));
    QVERIFY(writeFile(root + "/pdf.ppd", PdfPrinterDescription));

    qputenv("CUPS_SERVER", socket.toUtf8());
    cupsd_.setProcessChannelMode(QProcess::MergedChannels);
    cupsd_.start(cupsd, {"-f", "-c", root + "/cupsd.conf", "-s", root + "/cups-files.conf"});
    QVERIFY2(cupsd_.waitForStarted(), qPrintable(cupsd_.errorString()));
    if (!waitFor([&] { return QFile::exists(socket) || cupsd_.state() == QProcess::NotRunning; },
                 15000) ||
        cupsd_.state() == QProcess::NotRunning) {
        const QString why = "cupsd did not start: " + QString::fromLocal8Bit(cupsd_.readAll());
        if (underCi())
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }
    int code = 0;
    const QString added = run(
        lpadmin, {"-p", Queue, "-E", "-v", "file://" + output_, "-P", root + "/pdf.ppd"}, &code);
    QVERIFY2(code == 0, qPrintable(added));
    QVERIFY(PrintQueue(Queue).checkReady().accepted);
}

void TestCupsPrinting::customer_list_reaches_the_queue_landscape_and_within_its_columns() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    // Values at their boxes' limits in wide capitals, so that each would run
    // into its neighbour; 20 customers make two pages (15 + 5).
    for (int i = 1; i <= 20; ++i) {
        const QString w49(49, QLatin1Char('W'));
        QVERIFY(insertCustomer(*c, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                               QStringLiteral("NOM%1").arg(i, 2, 10, QLatin1Char('0')) +
                                   QString(45, QLatin1Char('M')),
                               {{"clt_ad1", w49},
                                {"clt_ad2", w49},
                                {"clt_ad3", w49},
                                {"clt_cp", "WWWWWWWWWW"},
                                {"clt_vil", QString(40, QLatin1Char('V'))},
                                {"clt_tel", QString(25, QLatin1Char('9'))},
                                {"clt_fax", QString(300, QLatin1Char('8'))},
                                {"clt_mail", QString(200, QLatin1Char('m'))}}));
    }
    ScriptedPrintDialog::Choice choice;
    choice.printer = Queue;
    folder.printDialog.expectAccept(choice);
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, folder.services(), nullptr), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);

    // The job as VORDAN drew it, kept by the spool.
    QVERIFY(waitFor([&] { return !spooledDocuments(spool_).isEmpty(); }, 10000));
    const QString job = spool_ + '/' + spooledDocuments(spool_).last();
    const PdfInfo drawn = pdfInfo(pdfinfo_, job);
    QCOMPARE(drawn.pages, 2);
    QVERIFY(drawn.landscape);
    // Its title, in the job's control file.
    QFile control(spool_ + "/c" + QFileInfo(job).fileName().mid(1, 5));
    QVERIFY(waitFor([&] { return control.exists(); }, 10000));
    QVERIFY(control.open(QIODevice::ReadOnly));
    QVERIFY(control.readAll().contains(CustomerListTitle.toUtf8()));

    // Every word of a block ends 100 twips before the next item of its line.
    // Points from the paper's corner: the printable area starts 2.5 mm in.
    const double margin = 2.5 / 25.4 * 72;
    const QList<double> line0{300, 4000, 7000, 10000, 12000, 16000};
    const QList<double> line1{4000, 7000, 7500, 10000, 16000};
    int checked = 0;
    for (const Word& w : pdfWords(pdftotext_, job)) {
        const double x = (w.xMin - margin) * 20;
        const double right = (w.xMax - margin) * 20;
        const double y = (w.yMin - margin) * 20;
        if (y < 550)
            continue; // the page header
        // Blocks start at 500 on page 1 and 1100 after; lines 100 and 400 below.
        const double inBlock = std::fmod(y - (w.page == 1 ? 500 : 1100), 700);
        const QList<double>& starts = (inBlock > 250 && inBlock < 550) ? line1 : line0;
        qsizetype item = starts.size() - 2;
        while (item > 0 && starts[item] > x + 20)
            --item;
        const QString where = QStringLiteral("page %1 word %2 at %3..%4 twips, line y %5")
                                  .arg(w.page)
                                  .arg(w.text.left(12))
                                  .arg(x)
                                  .arg(right)
                                  .arg(y);
        // A point of slack for the rounding of glyph boxes.
        QVERIFY2(right <= starts[item + 1] - 100 + 20, qPrintable(where));
        ++checked;
    }
    QVERIFY2(checked >= 20 * 9, qPrintable(QString::number(checked)));

    // The queue's output: the same pages, still landscape.
    QVERIFY2(
        waitFor(
            [&] { return QFileInfo(output_).size() > 0 && pdfInfo(pdfinfo_, output_).pages == 2; },
            60000),
        "the queue wrote no output");
    const PdfInfo printed = pdfInfo(pdfinfo_, output_);
    QCOMPARE(printed.pages, 2);
    // Landscape on the paper: a wide page, or the page turned onto portrait
    // paper, its lines of text running along the sheet's long side.
    if (!printed.landscape) {
        int upright = 0;
        int turned = 0;
        for (const Word& w : pdfWords(pdftotext_, output_))
            ++((w.yMax - w.yMin) > (w.xMax - w.xMin) ? turned : upright);
        QVERIFY2(
            turned > 10 * upright,
            qPrintable(QStringLiteral("%1 words turned, %2 upright").arg(turned).arg(upright)));
    }
}

void TestCupsPrinting::refusing_queue_is_reported_and_nothing_is_sent() {
    int code = 0;
    const QString out = run(cupsreject_, {Queue}, &code);
    QVERIFY2(code == 0, qPrintable(out));
    const QStringList before = spooledDocuments(spool_);

    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    QVERIFY(insertCustomer(*c, "000043", "ÉLODIE"));
    ScriptedPrintDialog::Choice choice;
    choice.printer = Queue;
    folder.printDialog.expectAccept(choice);
    const QString report =
        errorReportText(printServiceError(0x0506,
                                          QStringLiteral("L'imprimante « vordan » refuse les "
                                                         "travaux d'impression. Rien n'a "
                                                         "été imprimé."),
                                          {}, Queue));
    folder.boxes.expectQuestion(
        report + "\r\n\r\nAfficher la liste des erreurs d'accès aux données?", false);
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, folder.services(), nullptr), PrintOutcome::Failed);
    QCOMPARE(folder.boxes.beeps(), 1);
    VDN_CHECK_BOXES(folder);
    QTest::qWait(300);
    QCOMPARE(spooledDocuments(spool_), before);
    run(cupsreject_.chopped(QStringLiteral("reject").size()) + "accept", {Queue});
}

void TestCupsPrinting::cleanupTestCase() {
    if (cupsd_.state() != QProcess::NotRunning) {
        cupsd_.terminate();
        if (!cupsd_.waitForFinished(10000))
            cupsd_.kill();
    }
    qunsetenv("CUPS_SERVER");
}

QTEST_MAIN(TestCupsPrinting)
#include "tst_cups_printing.moc"
