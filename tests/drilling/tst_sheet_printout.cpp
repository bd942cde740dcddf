#include "data/error_report.h"
#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_form.h"
#include "drilling/sheet_printout.h"
#include "support/fixture.h"
#include "support/sheet_host.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vdn;

namespace {

// Counts the hide and show events of the controls left off the printout.
class VisibilityLog : public QObject {
public:
    explicit VisibilityLog(const QList<QWidget*>& widgets) {
        for (QWidget* w : widgets)
            w->installEventFilter(this);
    }
    QMap<QString, int> hides, shows;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Hide)
            ++hides[o->objectName()];
        else if (e->type() == QEvent::Show)
            ++shows[o->objectName()];
        return false;
    }
};

bool allVisible(const SheetForm& form) {
    for (QWidget* w : form.hiddenWhenPrinted())
        if (!w->isVisible())
            return false;
    return true;
}

// Whether every pixel of a panel area in the picture has the panel's colour.
bool onlyBackground(const QImage& picture, QRect area, QColor background) {
    const qreal ratio = picture.devicePixelRatio();
    const QRect r(area.topLeft() * ratio, area.size() * ratio);
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (picture.pixelColor(x, y) != background)
                return false;
    return true;
}

} // namespace

class TestSheetPrintout : public QObject {
    Q_OBJECT
private slots:
    void prints_one_landscape_page_into_a_pdf();
    void picture_leaves_out_the_print_and_validate_controls();
    void cancel_prints_nothing_and_says_nothing();
    void failures_are_reported_and_the_controls_come_back_data();
    void failures_are_reported_and_the_controls_come_back();
};

void TestSheetPrintout::prints_one_landscape_page_into_a_pdf() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    QVERIFY(host.showActive());
    host.setCustomer("000030", "M. FAURE DAVID", "");
    QTest::mouseClick(host.cmdajout_fiche, Qt::LeftButton);
    QVERIFY(host.panel->isVisible());
    // A value typed and not validated is printed, and neither registered nor saved.
    host.panel->form().combo(8)->setEditText("9 9/9");
    const int values = test::scalar(*c, "SELECT count(*) FROM strparam").toInt();

    // The sheet was opened yesterday and left open.
    f.clock.set(QDateTime(QDate(2026, 12, 9), QTime(8, 0)));
    const QString pdf = f.folder() + "fiche.pdf";
    bool chooserCalled = false;
    QString nameInDialog;
    host.panel->setPrinterChooser([&](QPrinter& printer, QWidget*) -> Result<bool> {
        nameInDialog = printer.docName();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        // The user picks portrait in the dialog; the sheet prints landscape anyway.
        printer.setPageOrientation(QPageLayout::Portrait);
        chooserCalled = true;
        return true;
    });
    VisibilityLog log(host.panel->form().hiddenWhenPrinted());
    QTest::mouseClick(host.panel->findChild<QWidget*>("cmdimp_fiche"), Qt::LeftButton);
    VDN_CHECK_BOXES(f);
    QVERIFY(chooserCalled);
    // The dialog, which names the PDF file it offers after the job, shows
    // with this sheet's title.
    QCOMPARE(nameInDialog, QStringLiteral("VORDAN - Fiche de perçage de M. FAURE DAVID"));

    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Type /Page\n"), 1);
    const QRegularExpressionMatch box = QRegularExpression(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])")
                                            .match(QString::fromLatin1(bytes));
    QVERIFY(box.hasMatch());
    QVERIFY2(box.captured(1).toDouble() > box.captured(2).toDouble(), "landscape page");
    // A picture of the screen, not one huge bitmap of the whole printer page.
    QVERIFY2(bytes.size() < 8 * 1024 * 1024, QByteArray::number(bytes.size()));

    for (const char* name : {"cmdimp_fiche", "cmdvalide_fiche", "Label27"}) {
        QCOMPARE(log.hides.value(name), 1);
        QCOMPARE(log.shows.value(name), 1);
    }
    QVERIFY(allVisible(host.panel->form()));
    QVERIFY(host.panel->isVisible());
    QVERIFY(f.pointer.busyCount() > 0);
    QVERIFY(!f.pointer.isBusy());
    QCOMPARE(host.panel->findChild<QLabel*>("Label44")->text(),
             QStringLiteral("Perceur : Tibor Vallasse  Fiche éditée le 08/12/2026"));
    QCOMPARE(host.panel->form().combo(8)->currentText(), QStringLiteral("9 9/9"));
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strparam").toInt(), values);
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strpercage").toInt(), 0);
}

void TestSheetPrintout::picture_leaves_out_the_print_and_validate_controls() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.startCreate({"000031", "A", ""}));
    panel.show();
    const QColor background(192, 192, 255);
    const QImage screen = panel.grab().toImage();
    const QImage picture = widgetPicture(panel, panel.form().hiddenWhenPrinted());
    QCOMPARE(picture.devicePixelRatio(), 3.0);
    QCOMPARE(picture.size(), panel.size() * 3);
    for (QWidget* w : panel.form().hiddenWhenPrinted()) {
        const QRect area(w->mapTo(&panel, QPoint(0, 0)), w->size());
        QVERIFY2(!onlyBackground(screen, area, background), qPrintable(w->objectName()));
        QVERIFY2(onlyBackground(picture, area, background), qPrintable(w->objectName()));
    }
    // The rest of the sheet is there: the driller line is on the picture.
    QWidget* driller = panel.findChild<QWidget*>("Label44");
    QVERIFY(!onlyBackground(picture, QRect(driller->pos(), driller->size()), background));
    QVERIFY(allVisible(panel.form()));
}

void TestSheetPrintout::cancel_prints_nothing_and_says_nothing() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.startCreate({"000032", "A", ""}));
    panel.show();
    const QString pdf = f.folder() + "jamais.pdf";
    const int busy = f.pointer.busyCount();
    panel.setPrinterChooser([&](QPrinter& printer, QWidget*) -> Result<bool> {
        printer.setOutputFileName(pdf);
        return false;
    });
    QTest::mouseClick(panel.findChild<QWidget*>("cmdimp_fiche"), Qt::LeftButton);
    VDN_CHECK_BOXES(f);
    QVERIFY(!QFile::exists(pdf));
    QVERIFY(allVisible(panel.form()));
    QCOMPARE(f.pointer.busyCount(), busy);
    QVERIFY(!f.pointer.isBusy());
}

void TestSheetPrintout::failures_are_reported_and_the_controls_come_back_data() {
    QTest::addColumn<bool>("dialogFails");
    QTest::newRow("printer cannot start") << false;
    QTest::newRow("print dialog fails") << true;
}

void TestSheetPrintout::failures_are_reported_and_the_controls_come_back() {
    QFETCH(bool, dialogFails);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.startCreate({"000033", "A", ""}));
    panel.show();
    const DataError dialogError =
        DataError::other(errnum::PrintFailure, QStringLiteral("Aucune imprimante n'est prête"));
    panel.setPrinterChooser([&](QPrinter& printer, QWidget*) -> Result<bool> {
        if (dialogFails)
            return dialogError;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(f.folder() + "pas/de/dossier/fiche.pdf");
        return true;
    });
    f.boxes.expectMessage(errorReportText(
        dialogFails ? dialogError : DataError::other(errnum::PrintFailure, printFailureText())));
    QTest::mouseClick(panel.findChild<QWidget*>("cmdimp_fiche"), Qt::LeftButton);
    VDN_CHECK_BOXES(f);
    QVERIFY(allVisible(panel.form()));
    QVERIFY(!f.pointer.isBusy());
    QVERIFY(panel.isVisible());
}

QTEST_MAIN(TestSheetPrintout)
#include "tst_sheet_printout.moc"
