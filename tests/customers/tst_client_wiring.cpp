// ctest-engines: postgresql
// The customer window around its finished parts: the drilling sheet panel
// reached from the ball panel, the customer list printout and the export of
// the list panel, driven through the real widgets.

#include "balls/ball_panel.h"
#include "client_fixture.h"
#include "customers/customer_list_panel.h"
#include "customers/customer_record_panel.h"
#include "data/globals.h"
#include "drilling/drilling_sheet_panel.h"
#include "printing/customer_export.h"
#include "support/files.h"
#include "support/widget_lookup.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QToolButton>

using namespace vdn;
using test::ClientFixture;

namespace {

bool addCustomers(Connection& c) {
    return test::addSampleCustomers(c, {{"clt_pays", "FRANCE"}}, {{"clt_int", "Mme"}}) &&
           test::addCustomer(c, "000004", "DUBOIS LUC", "Rouen",
                             {{"clt_etat", "SUPPRIME"}, {"clt_ad1", "Île Verte, bât. 2"}});
}

QComboBox* comboOf(const ClientFixture& f, int n) {
    return test::comboOf(f.find("Frame400"), n);
}

// Replaces the text of a sheet field as a user does.
void retypeCombo(const ClientFixture& f, int n, const QString& text) {
    QComboBox* combo = comboOf(f, n);
    QTest::mouseClick(combo->lineEdit(), Qt::LeftButton);
    combo->lineEdit()->selectAll();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
    test::typeText(combo->lineEdit(), text);
}

QString registration(const QString& label, const QString& value) {
    return label + value + QStringLiteral(" est inconnu, voulez-vous l'enregistrer ? ");
}

int sheetRows(Connection& c, const QString& code) {
    return test::scalar(c, "SELECT count(*) FROM strpercage WHERE per_code = ?", {code}).toInt();
}

// The pages of a PDF written by Qt.
int pdfPages(const QString& file) {
    QFile pdf(file);
    if (!pdf.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = pdf.readAll();
    if (!bytes.startsWith("%PDF"))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page\\b(?!s)"));
    return int(QString::fromLatin1(bytes).count(page));
}

bool onlyPanel(const ClientFixture& f, const char* panel) {
    for (const char* p : {"Frame100", "Frame200", "Frame300", "Frame400"})
        if (f.find(p)->isVisible() != (qstrcmp(p, panel) == 0))
            return false;
    return true;
}

bool sheetEntryShows(const ClientFixture& f, bool modify) {
    return f.find("cmdmodif_fiche")->isVisible() == modify &&
           f.find("Label31")->isVisible() == modify &&
           f.find("cmdajout_fiche")->isVisible() == !modify &&
           f.find("Label32")->isVisible() == !modify;
}

// The codes of the rows the printout and the export read.
// Clicks a sheet button of a deleted customer: the refusal is shown and the
// window goes back to the list alone, at the sheet window's height.
bool refusedForDeletedCustomer(ClientFixture& f, const char* button) {
    f.folder.boxes.expectMessage(
        QStringLiteral("Ce client est supprimé--Impossible de créer une fiche de percage"));
    f.click(button);
    return f.folder.checkBoxes(__FILE__, __LINE__) && onlyPanel(f, "Frame200") &&
           f.w->height() == DrillingSheetPanel::WindowHeight;
}

} // namespace

class TestClientWiring : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void initTestCase() { test::useFrenchLocale(); }
    void sheet_created_then_modified_data();
    void sheet_created_then_modified();
    void close_box_leaves_the_sheet_unsaved();
    void deleted_customer_gets_no_new_sheet();
    void deleted_customer_sheet_is_not_saved();
    void sheet_missing_on_opening_is_reported();
    void sheet_prints_on_the_session_printer();
    void list_printout_follows_the_list_then_closes_data();
    void list_printout_follows_the_list_then_closes();
    void list_printout_cancelled_closes_without_message();
    void empty_list_printout_says_so_and_closes();
    void export_writes_the_list_and_opens_it();
    void export_without_spreadsheet_keeps_the_file();

private:
    std::unique_ptr<ClientFixture> fixture_;
};

void TestClientWiring::init() {
    // Every test starts from a fresh data folder holding the sample customers.
    fixture_ = std::make_unique<ClientFixture>();
    QVERIFY(fixture_->ready());
    QVERIFY(addCustomers(*fixture_->db));
}

void TestClientWiring::cleanup() {
    fixture_.reset();
}

void TestClientWiring::sheet_created_then_modified_data() {
    QTest::addColumn<QString>("entry");
    QTest::newRow("button") << "cmdajout_fiche";
    QTest::newRow("caption") << "Label32";
}

void TestClientWiring::sheet_created_then_modified() {
    QFETCH(QString, entry);
    ClientFixture& f = *fixture_;
    QVERIFY(f.open());
    f.clickRowOf("000001");
    QVERIFY(onlyPanel(f, "Frame300"));
    QVERIFY(sheetEntryShows(f, false));

    QTest::mouseClick(f.find(qPrintable(entry)), Qt::LeftButton);
    QVERIFY(onlyPanel(f, "Frame400"));
    QCOMPARE(f.w->height(), DrillingSheetPanel::OpenWindowHeight);
    QVERIFY(f.w->recordMode().en_ajout);
    QVERIFY(!f.w->recordMode().en_modif);
    QCOMPARE(f.find("Frame400")->findChild<QLabel*>("Label25")->text(),
             QStringLiteral("M. DUPONT JEAN"));
    QCOMPARE(f.find("Frame400")->findChild<QLabel*>("Label44")->text(),
             QStringLiteral("Perceur : Tibor Vallasse  Fiche éditée le 08/12/2026"));
    QTRY_COMPARE(f.focusName(), QStringLiteral("Combo8"));

    // Two values that their lists do not hold yet are registered.
    retypeCombo(f, 8, QStringLiteral("3/16 ÉPAIS"));
    retypeCombo(f, 12, QStringLiteral("5/16"));
    f.folder.boxes.expectQuestion(registration(" 8  : ", "3/16 ÉPAIS"), true);
    f.folder.boxes.expectQuestion(registration("12 : ", "5/16"), true);
    f.click("cmdvalide_fiche");
    VDN_CHECK_BOXES(f.folder);

    QVERIFY(onlyPanel(f, "Frame300"));
    QCOMPARE(f.w->height(), DrillingSheetPanel::WindowHeight);
    QVERIFY(sheetEntryShows(f, true));
    QCOMPARE(sheetRows(*f.db, "000001"), 1);
    QCOMPARE(test::scalar(*f.db, "SELECT PER_08 FROM strpercage WHERE per_code = '000001'"),
             QVariant(QStringLiteral("3/16 ÉPAIS")));

    // Opened again it shows what was saved; a change is written over it.
    f.click("cmdmodif_fiche");
    QVERIFY(onlyPanel(f, "Frame400"));
    QVERIFY(!f.w->recordMode().en_ajout);
    QVERIFY(f.w->recordMode().en_modif);
    QCOMPARE(comboOf(f, 8)->currentText(), QStringLiteral("3/16 ÉPAIS"));
    QCOMPARE(comboOf(f, 12)->currentText(), QStringLiteral("5/16"));
    retypeCombo(f, 12, QStringLiteral("5/16"));
    retypeCombo(f, 8, QStringLiteral("3/16 épais")); // known in other letter case
    f.click("cmdvalide_fiche");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(onlyPanel(f, "Frame300"));
    QCOMPARE(sheetRows(*f.db, "000001"), 1);
    QCOMPARE(test::scalar(*f.db, "SELECT PER_08 FROM strpercage WHERE per_code = '000001'"),
             QVariant(QStringLiteral("3/16 épais")));

    // Label31 opens it as well.
    QTest::mouseClick(f.find("Label31"), Qt::LeftButton);
    QVERIFY(onlyPanel(f, "Frame400"));
    QCOMPARE(comboOf(f, 8)->currentText(), QStringLiteral("3/16 épais"));
    VDN_CHECK_BOXES(f.folder);
}

void TestClientWiring::close_box_leaves_the_sheet_unsaved() {
    ClientFixture& f = *fixture_;
    QVERIFY(f.open());
    f.clickRowOf("000002");
    f.click("cmdajout_fiche");
    QVERIFY(onlyPanel(f, "Frame400"));
    retypeCombo(f, 8, QStringLiteral("PAS GARDÉ"));

    // Asked first; Non (also Enter's answer) drops the entry.
    f.folder.boxes.expectQuestionWithCancel(
        QStringLiteral("Enregistrer les modifications de fiche ?"), Answer::No, Answer::No);
    QVERIFY(!f.w->close());
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(onlyPanel(f, "Frame300"));
    QCOMPARE(f.w->height(), DrillingSheetPanel::WindowHeight);
    QVERIFY(sheetEntryShows(f, false));
    QCOMPARE(sheetRows(*f.db, "000002"), 0);
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strparam WHERE par_lib = 'PAS GARDÉ'"),
             QVariant(0));

    // A sheet saved meanwhile by another window: the way back offers it.
    f.click("cmdajout_fiche");
    QVERIFY(test::addSheet(*f.db, "000002"));
    QVERIFY(!f.w->close());
    QVERIFY(sheetEntryShows(f, true));

    QVERIFY(!f.w->close());
    QVERIFY(onlyPanel(f, "Frame200"));
    QVERIFY(f.w->close());
    QTRY_VERIFY(f.w.isNull());
    VDN_CHECK_BOXES(f.folder);
}

void TestClientWiring::deleted_customer_gets_no_new_sheet() {
    ClientFixture& f = *fixture_;
    QVERIFY(f.open());
    f.clickRowOf("000004");
    QVERIFY(sheetEntryShows(f, false));
    // The cancel action: every customer by name, the list alone.
    QVERIFY(refusedForDeletedCustomer(f, "cmdajout_fiche"));
    QCOMPARE(f.gridCodes(), (QStringList{"000003", "000004", "000001", "000002"}));
    QCOMPARE(sheetRows(*f.db, "000004"), 0);
}

void TestClientWiring::deleted_customer_sheet_is_not_saved() {
    ClientFixture& f = *fixture_;
    QVERIFY(test::addSheet(*f.db, "000004"));
    QVERIFY(f.open());
    f.clickRowOf("000004");
    QVERIFY(sheetEntryShows(f, true));
    // It can be viewed...
    f.click("cmdmodif_fiche");
    QVERIFY(onlyPanel(f, "Frame400"));
    QCOMPARE(comboOf(f, 8)->currentText(), QStringLiteral("1/4"));
    retypeCombo(f, 8, QStringLiteral("NOUVEAU"));
    // ...but not saved: refused before any check, back to the list alone.
    QVERIFY(refusedForDeletedCustomer(f, "cmdvalide_fiche"));
    QCOMPARE(test::scalar(*f.db, "SELECT PER_08 FROM strpercage WHERE per_code = '000004'"),
             QVariant(QStringLiteral("1/4")));
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strparam WHERE par_lib = 'NOUVEAU'"),
             QVariant(0));
    // The list works on: the close box closes the window.
    QVERIFY(f.w->close());
}

void TestClientWiring::sheet_missing_on_opening_is_reported() {
    ClientFixture& f = *fixture_;
    QVERIFY(test::addSheet(*f.db, "000003"));
    QVERIFY(f.open());
    f.clickRowOf("000003");
    QVERIFY(sheetEntryShows(f, true));
    QSqlQuery drop(f.db->db());
    QVERIFY(drop.exec("DELETE FROM strpercage WHERE per_code = '000003'"));
    f.folder.boxes.expectMessage(QStringLiteral("Veuillez relancer le logiciel... problème "));
    f.click("cmdmodif_fiche");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(onlyPanel(f, "Frame300"));
    QCOMPARE(f.w->height(), DrillingSheetPanel::WindowHeight);
}

void TestClientWiring::sheet_prints_on_the_session_printer() {
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const QString sheetPdf = out.filePath("fiche.pdf");
    const QString listPdf = out.filePath("liste.pdf");
    ClientFixture& f = *fixture_;
    QVERIFY(f.open());
    f.clickRowOf("000001");
    f.click("cmdajout_fiche");
    QVERIFY(onlyPanel(f, "Frame400"));

    // Cancel: nothing printed, no message, the panel stays.
    f.folder.printDialog.expectCancel();
    f.click("cmdimp_fiche");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(!QFile::exists(sheetPdf));
    QVERIFY(onlyPanel(f, "Frame400"));

    ScriptedPrintDialog::Choice choice;
    choice.pdfFile = sheetPdf;
    f.folder.printDialog.expectAccept(choice);
    f.click("cmdimp_fiche");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(pdfPages(sheetPdf), 1);
    QVERIFY(onlyPanel(f, "Frame400"));
    QVERIFY(f.find("cmdimp_fiche")->isVisible());
    QVERIFY(f.find("cmdvalide_fiche")->isVisible());
    QCOMPARE(sheetRows(*f.db, "000001"), 0);
    QCOMPARE(f.find("Frame400")->findChild<QLabel*>("Label25")->text(),
             QStringLiteral("M. DUPONT JEAN"));

    // The choice stays the session's: the list printout's dialog opens on it.
    QVERIFY(!f.w->close());
    QVERIFY(!f.w->close());
    choice.pdfFile = listPdf;
    f.folder.printDialog.expectAccept(choice);
    f.click("cmdimp");
    QTRY_VERIFY(f.w.isNull());
    VDN_CHECK_BOXES(f.folder);
    const QList<ScriptedPrintDialog::Preset> shown = f.folder.printDialog.shown();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown.at(2).outputFileName, sheetPdf);
    QCOMPARE(pdfPages(listPdf), 1);
    QVERIFY(f.folder.printDialog.failures().isEmpty());
}

void TestClientWiring::list_printout_follows_the_list_then_closes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("heading"); // -1: none
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("every customer by name")
        << "" << -1 << QStringList{"000003", "000004", "000001", "000002"};
    QTest::newRow("search by name") << "du" << -1 << QStringList{"000004", "000001", "000002"};
    QTest::newRow("search sorted by town")
        << "du" << int(CustomerColumn::Town) << QStringList{"000002", "000004", "000001"};
    QTest::newRow("all sorted by code")
        << "" << int(CustomerColumn::Code) << QStringList{"000004", "000003", "000002", "000001"};
}

void TestClientWiring::list_printout_follows_the_list_then_closes() {
    QFETCH(QString, typed);
    QFETCH(int, heading);
    QFETCH(QStringList, codes);
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const QString pdf = out.filePath("clients.pdf");
    ClientFixture& f = *fixture_;
    QVERIFY(f.open());
    QTest::keyClicks(f.box("selnom"), typed);
    if (heading >= 0)
        f.clickHeading(CustomerColumn(heading));
    // The printout lists the customers as the list shows them.
    QCOMPARE(f.gridCodes(), codes);
    QCOMPARE(f.exportedCodes(), codes);

    ScriptedPrintDialog::Choice choice;
    choice.pdfFile = pdf;
    f.folder.printDialog.expectAccept(choice);
    f.click("cmdimp");
    QTRY_VERIFY(f.w.isNull());
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(pdfPages(pdf), 1);
    QCOMPARE(f.folder.printDialog.pending(), 0);
    QVERIFY(f.folder.printDialog.failures().isEmpty());
    // The session's printer is back to portrait for the next job.
    QCOMPARE(f.folder.printDialog.currentPrinter().pageLayout().orientation(),
             QPageLayout::Portrait);
}

void TestClientWiring::list_printout_cancelled_closes_without_message() {
    QTemporaryDir out;
    QVERIFY(out.isValid());
    ClientFixture& f = *fixture_;
    QVERIFY(f.open());
    f.folder.printDialog.expectCancel();
    f.click("cmdimp");
    QTRY_VERIFY(f.w.isNull());
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.folder.printDialog.shown().size(), 1);
    QCOMPARE(f.folder.printDialog.pending(), 0);
    QVERIFY(QDir(out.path()).isEmpty());
}

void TestClientWiring::empty_list_printout_says_so_and_closes() {
    QTemporaryDir out;
    QVERIFY(out.isValid());
    ClientFixture& f = *fixture_;
    QVERIFY(f.open());
    QTest::keyClicks(f.box("selnom"), QStringLiteral("ZZZ"));
    QCOMPARE(f.gridCodes(), QStringList{});
    ScriptedPrintDialog::Choice choice;
    choice.pdfFile = out.filePath("vide.pdf");
    f.folder.printDialog.expectAccept(choice);
    f.folder.boxes.expectMessage(QStringLiteral("Aucun client à imprimer"));
    f.click("cmdimp");
    QTRY_VERIFY(f.w.isNull());
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(!QFile::exists(choice.pdfFile));
    QCOMPARE(f.folder.printDialog.pending(), 0);
}

void TestClientWiring::export_writes_the_list_and_opens_it() {
    ClientFixture& f = *fixture_;
    QVERIFY(f.open());
    QTest::keyClicks(f.box("selnom"), QStringLiteral("du"));
    f.clickHeading(CustomerColumn::Town);
    const QString path = f.folder.folder() + QStringLiteral("Client_20261208.csv");
    f.folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
    f.click("cmdexcel");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.folder.spreadsheet.opened(), QStringList{path});

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Windows-1252: Î and â are one byte each.
    QVERIFY(bytes.contains("\xCEle Verte, b\xE2t. 2"));
    const QString text = test::fromWindows1252(bytes);
    QVERIFY(text.endsWith(QStringLiteral("\r\n")));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    // The list's rows in the list's order (town, Z to A).
    QCOMPARE(lines,
             (QStringList{
                 CustomerExportHeader,
                 "000002,DURAND MARIE,,,,,Zurich,,,,",
                 "000004,DUBOIS LUC,\"Île Verte, bât. 2\",,,,Rouen,,,,",
                 "000001,DUPONT JEAN,\"3, rue des Lilas\",,,74000,Annecy,FRANCE,04 50 00 00 01,,",
             }));
    // The window stays on the list.
    QVERIFY(!f.w.isNull());
    QVERIFY(onlyPanel(f, "Frame200"));
}

void TestClientWiring::export_without_spreadsheet_keeps_the_file() {
    ClientFixture& f = *fixture_;
    QVERIFY(f.open());
    f.folder.spreadsheet.failWith(QStringLiteral("Aucun tableur n'est installé"));
    const QString path = f.folder.folder() + QStringLiteral("Client_20261208.csv");
    f.folder.boxes.expectMessage(QStringLiteral("FICHIER ") + path + QStringLiteral("TERMINE"));
    f.folder.boxes.expectMessage(QStringLiteral("Acces Excel impossible \r\nAucun tableur n'est "
                                                "installé"));
    f.click("cmdexcel");
    VDN_CHECK_BOXES(f.folder);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("\r\n"), 5);
    QVERIFY(onlyPanel(f, "Frame200"));
}

QTEST_MAIN(TestClientWiring)
#include "tst_client_wiring.moc"
