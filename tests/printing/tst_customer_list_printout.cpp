#include "data/error_report.h"
#include "printing/customer_list_printout.h"
#include "printing/recording_page_writer.h"
#include "report_data.h"
#include "support/fixture.h"

#include <QTest>

using namespace vdn;
using namespace vdn::test;

namespace {

// Prints every customer by name on a recorder, the print dialog accepted.
PrintOutcome printCustomers(DataFolder& folder, Connection& c, RecordingPageWriter& out) {
    folder.printDialog.expectAccept({});
    QSqlQuery rows = customerQuery(c);
    return printCustomerList(rows, out, folder.services(), nullptr);
}

} // namespace

class TestCustomerListPrintout : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(fresh_.start()); }
    void cleanup() { fresh_.stop(); }
    void block_items_at_their_places();
    void customer_with_code_and_name_only();
    void pages_hold_15_then_14_blocks_data();
    void pages_hold_15_then_14_blocks();
    void prints_the_rows_in_the_query_order();
    void job_is_landscape_while_drawing_and_portrait_at_the_end();
    void cancel_prints_nothing();
    void empty_list_says_so_and_prints_nothing();
    void printer_failure_is_reported_and_pages_drawn_are_sent();
    void failed_query_is_reported();

private:
    test::FreshFolder fresh_;
};

void TestCustomerListPrintout::block_items_at_their_places() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomer(*c, QStringLiteral("000042"), QStringLiteral("DUPONT JEAN"),
                           {{"clt_ad1", "12, rue des Quilles"},
                            {"clt_ad2", "Bâtiment B"},
                            {"clt_ad3", "Résidence du Lac"},
                            {"clt_cp", "69003"},
                            {"clt_vil", "LYON"},
                            {"clt_tel", "04 78 00 00 01"},
                            {"clt_fax", "04 78 00 00 02"},
                            {"clt_mail", "jean@exemple.fr"},
                            {"clt_gsm", "06 00 00 00 03"},
                            {"clt_pays", "FRANCE"}}));
    RecordingPageWriter out;
    QCOMPARE(printCustomers(folder, *c, out), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);

    const QList<Op> ops = out.ops();
    // landscape, the header's six items, then the block.
    QVERIFY(ops.size() > 7);
    const QStringList block = describe(ops.mid(7, ops.size() - 9));
    QCOMPARE(block, (QStringList{
                        "p1 box 100,500 16000,1100",
                        "p1 text 300,600 [000042 DUPONT JEAN] Times New Roman 8",
                        "p1 text 4000,600 [12, rue des Quilles] Times New Roman 8",
                        "p1 text 4000,900 [Résidence du Lac] Times New Roman 8",
                        "p1 text 7000,600 [Bâtiment B] Times New Roman 8",
                        "p1 text 7000,900 [69003] Times New Roman 8",
                        "p1 text 7500,900 [LYON] Times New Roman 8",
                        "p1 text 10000,600 [Tel  04 78 00 00 01] Times New Roman 8",
                        "p1 text 10000,900 [Fax  04 78 00 00 02] Times New Roman 8",
                        "p1 text 12000,600 [Mail  jean@exemple.fr] Times New Roman 8",
                    }));
    QCOMPARE(describe(ops.last()), QStringLiteral("portrait"));
    QCOMPARE(describe(ops.at(ops.size() - 2)), QStringLiteral("end document (sent)"));
}

void TestCustomerListPrintout::customer_with_code_and_name_only() {
    auto [folder, c] = fresh_.get();
    // One customer with empty texts, one with null fields: neither prints a
    // label without its value.
    QVERIFY(insertCustomer(*c, QStringLiteral("000001"), QStringLiteral("AUBERT"),
                           {{"clt_ad1", ""}, {"clt_tel", ""}, {"clt_fax", ""}, {"clt_mail", ""}}));
    QVERIFY(insertCustomer(*c, QStringLiteral("000002"), QStringLiteral("BRUN")));
    RecordingPageWriter out;
    QCOMPARE(printCustomers(folder, *c, out), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(describe(bodyBoxes(out)),
             (QStringList{"p1 box 100,500 16000,1100", "p1 box 100,1200 16000,1800"}));
    QStringList body;
    for (const Op& op : out.ofKind(Kind::Text))
        if (op.y > 500)
            body << describe(op);
    QCOMPARE(body, (QStringList{"p1 text 300,600 [000001 AUBERT] Times New Roman 8",
                                "p1 text 300,1300 [000002 BRUN] Times New Roman 8"}));
}

void TestCustomerListPrintout::pages_hold_15_then_14_blocks_data() {
    QTest::addColumn<int>("customers");
    QTest::addColumn<int>("pages");
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("page 1 full") << 15 << 1;
    QTest::newRow("16th starts page 2") << 16 << 2;
    QTest::newRow("two full pages") << 29 << 2;
    QTest::newRow("30th starts page 3") << 30 << 3;
}

void TestCustomerListPrintout::pages_hold_15_then_14_blocks() {
    QFETCH(int, customers);
    QFETCH(int, pages);
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, customers));
    RecordingPageWriter out;
    QCOMPARE(printCustomers(folder, *c, out), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);

    // Where each block should be: 15 on page 1 from y 500, 14 on each later
    // page from y 1100, 700 apart.
    QStringList expected;
    for (int i = 0; i < customers; ++i) {
        const int page = i < 15 ? 1 : 2 + (i - 15) / 14;
        const int top = i < 15 ? 500 + 700 * i : 1100 + 700 * ((i - 15) % 14);
        expected << QStringLiteral("p%1 box 100,%2 16000,%3").arg(page).arg(top).arg(top + 600);
    }
    QCOMPARE(describe(bodyBoxes(out)), expected);
    QCOMPARE(out.ofKind(Kind::NewPage).size(), pages - 1);
    // Every page has its header with its own number; no empty last page.
    QCOMPARE(headerPageNumbers(out), pagesNumberedInTurn(pages));
    QCOMPARE(out.ops().last().page, 1); // the orientation after the end
    QCOMPARE(bodyBoxes(out).last().page, pages);
}

void TestCustomerListPrintout::prints_the_rows_in_the_query_order() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomer(*c, "000001", "DURAND", {{"clt_vil", "LYON"}}));
    QVERIFY(insertCustomer(*c, "000002", "DUPONT", {{"clt_vil", "ANNECY"}}));
    QVERIFY(insertCustomer(*c, "000003", "ADUR", {{"clt_vil", "ZURICH"}}));
    QVERIFY(insertCustomer(*c, "000004", "DUMAS", {{"clt_vil", "NICE"}}));
    // A list narrowed to names starting with DU, sorted by town Z to A.
    folder.printDialog.expectAccept({});
    RecordingPageWriter out;
    QSqlQuery rows = customerQuery(
        *c, "SELECT * FROM strclient WHERE substr(clt_nom, 1, 2) = 'DU' ORDER BY clt_vil DESC");
    QCOMPARE(printCustomerList(rows, out, folder.services(), nullptr), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(columnTexts(out, 300),
             (QStringList{"000004 DUMAS", "000001 DURAND", "000002 DUPONT"}));
}

void TestCustomerListPrintout::job_is_landscape_while_drawing_and_portrait_at_the_end() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 20));
    RecordingPageWriter out;
    QCOMPARE(printCustomers(folder, *c, out), PrintOutcome::Done);
    VDN_CHECK_BOXES(folder);
    QStringList course;
    for (const Op& op : out.ops())
        if (op.kind == Kind::Orientation || op.kind == Kind::EndDocument ||
            op.kind == Kind::NewPage)
            course << describe(op);
    QCOMPARE(course, (QStringList{"landscape", "p1 new page", "end document (sent)", "portrait"}));
    QCOMPARE(out.ops().first().kind, Kind::Orientation);
    QCOMPARE(folder.printDialog.shown().size(), 1);
    QVERIFY(!folder.pointer.isBusy());
}

void TestCustomerListPrintout::cancel_prints_nothing() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 3));
    folder.printDialog.expectCancel();
    RecordingPageWriter out;
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, out, folder.services(), nullptr), PrintOutcome::Cancelled);
    VDN_CHECK_BOXES(folder); // no message at all
    QCOMPARE(describe(out.ops()), (QStringList{"end document", "portrait"}));
    QCOMPARE(out.documentsSent(), 0);
    QCOMPARE(folder.printDialog.pending(), 0);
}

void TestCustomerListPrintout::empty_list_says_so_and_prints_nothing() {
    auto [folder, c] = fresh_.get();
    folder.printDialog.expectAccept({});
    folder.boxes.expectMessage(QStringLiteral("Aucun client à imprimer"));
    RecordingPageWriter out;
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, out, folder.services(), nullptr), PrintOutcome::Done);
    QCOMPARE(folder.boxes.beeps(), 0);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(describe(out.ops()), (QStringList{"landscape", "end document", "portrait"}));
}

void TestCustomerListPrintout::printer_failure_is_reported_and_pages_drawn_are_sent() {
    auto [folder, c] = fresh_.get();
    QVERIFY(insertCustomers(*c, 20));
    folder.printDialog.expectAccept({});
    folder.boxes.expectMessage(
        errorReportText(DataError::other(errnum::PrintFailure, QStringLiteral("Plus de papier"))));
    RecordingPageWriter out;
    out.failAtPage(2);
    QSqlQuery rows = customerQuery(*c);
    QCOMPARE(printCustomerList(rows, out, folder.services(), nullptr), PrintOutcome::Failed);
    QCOMPARE(folder.boxes.beeps(), 1);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(bodyBoxes(out).size(), 15);
    for (const Op& op : out.ops())
        QCOMPARE(op.page, 1);
    const QStringList ops = describe(out.ops());
    QCOMPARE(ops.mid(ops.size() - 2), (QStringList{"end document (sent)", "portrait"}));
    QVERIFY(!folder.pointer.isBusy());
}

void TestCustomerListPrintout::failed_query_is_reported() {
    auto [folder, c] = fresh_.get();
    QSqlQuery rows = customerQuery(*c, QStringLiteral("SELECT * FROM strclient ORDER BY nowhere"));
    QVERIFY(!rows.isActive());
    const DataError error = DataError::fromQuery(rows);
    folder.printDialog.expectAccept({});
    folder.boxes.expectQuestion(errorReportText(error) + QStringLiteral("\r\n\r\n") +
                                    QStringLiteral("Afficher la liste des erreurs d'accès aux "
                                                   "données?"),
                                false);
    RecordingPageWriter out;
    QCOMPARE(printCustomerList(rows, out, folder.services(), nullptr), PrintOutcome::Failed);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(describe(out.ops()), (QStringList{"landscape", "end document", "portrait"}));
}

QTEST_MAIN(TestCustomerListPrintout)
#include "tst_customer_list_printout.moc"
