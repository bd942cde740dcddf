// ctest-engines: postgresql
#include "balls/ball_fixture.h"
#include "balls/ball_panel.h"
#include "client_fixture.h"
#include "customers/customer_list_panel.h"
#include "customers/customer_record_panel.h"
#include "data/globals.h"
#include "drilling/drilling_sheet_panel.h"
#include "widgets/text_cell_delegate.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

using namespace vdn;
using test::ClientFixture;

namespace {

// Customers whose names and towns catch a wrong match or order.
bool addCustomers(Connection& c) {
    return test::addSampleCustomers(c, {{"clt_gsm", "06 00 00 00 01"},
                                        {"clt_dg", "G"},
                                        {"clt_poig", "A"},
                                        {"clt_lbs", "15"}}) &&
           test::addCustomer(c, "000004", "ÉMILE ÉTIENNE", "Évry") &&
           test::addCustomer(c, "000005", "D'ALMEIDA ANA", "Nice") &&
           test::addCustomer(c, "000006", "DUBOIS LUC", "lyon",
                             {{"clt_etat", "SUPPRIME"}, {"clt_tel", "01"}, {"clt_gsm", "06"}});
}

const QStringList ByName{"000003", "000005", "000006", "000001", "000002", "000004"};

// Adds up the area of every paint event a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) : QObject(w) { w->installEventFilter(this); }
    qint64 area = 0; // of every paint, added

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
                area += qint64(r.width()) * r.height();
        return false;
    }
};

} // namespace

class TestCustomerList : public QObject {
    Q_OBJECT
private slots:
    void opens_on_every_customer_by_name();
    void search_narrows_on_every_keystroke_data();
    void search_narrows_on_every_keystroke();
    void search_box_takes_thirty_characters();
    void heading_click_sorts_descending_within_search();
    void row_click_opens_the_customer_on_the_ball_panel();
    void row_click_shows_the_sheet_entry_that_fits();
    void clicks_on_an_empty_list_do_nothing();
    void enter_opens_the_current_row();
    void close_box_steps_back_one_panel();
    void close_from_drilling_sheet_matches_sheet_entry();
    void ferme_fenetre_closes_from_any_panel();
    void failures_on_the_way_back_are_reported();
    void failed_load_still_opens_the_window();
    void long_list_reads_a_page_at_a_time();
    void failed_page_is_reported_and_list_stops();
    void same_rows_found_again_stay_as_drawn();
    void each_keystroke_draws_the_grid_once();
    void ctrl_end_reaches_the_last_customer_data();
    void ctrl_end_reaches_the_last_customer();
};

void TestCustomerList::opens_on_every_customer_by_name() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(addCustomers(*f.db));
    QVERIFY(f.open());
    QAbstractItemModelTester tester(f.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);

    QCOMPARE(f.w->windowTitle(), QStringLiteral("Gestion des Clients"));
    QCOMPARE(f.w->objectName(), QStringLiteral("VDN_client"));
    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.find("Frame100")->isHidden());
    QVERIFY(f.find("Frame300")->isHidden());
    QVERIFY(f.find("Frame400")->isHidden());
    QCOMPARE(f.w->height(), 10700 / 15);
    QVERIFY(!f.w->recordMode().entering());
    QCOMPARE(f.box("selnom")->text(), QString());
    QCOMPARE(f.gridCodes(), ByName);
    for (const char* grid : {"DBGrid1", "DBGrid2"}) // cells drawn from kept shapes
        QVERIFY(dynamic_cast<TextCellDelegate*>(f.find<QTableView>(grid)->itemDelegate()));
    QCOMPARE(f.gridColumn(CustomerColumn::State), (QStringList{"", "", "SUPPRIME", "", "", ""}));
    // The printout and the export follow the list: every customer, by name.
    QCOMPARE(f.exportedCodes(), ByName);

    const QStringList headings{"Code", "Nom", "Adresse", "", "Ville", "N° Téléphone", "N° GSM", ""};
    QCOMPARE(f.model()->columnCount(), 8);
    for (int c = 0; c < 8; ++c)
        QCOMPARE(f.model()->headerData(c, Qt::Horizontal).toString(), headings.at(c));
    QCOMPARE(f.find<QRadioButton>("Option6_0")->isChecked(), true);
    for (const char* caption : {"cmdajout", "cmdsupprime", "cmdimp", "cmdexcel"})
        QVERIFY(!f.find<QPushButton>(caption)->text().isEmpty());
    QCOMPARE(f.find<QLabel>("Label1")->text(), QStringLiteral("Nom Client "));
    VDN_CHECK_BOXES(f.folder);

    // Loaded again during an entry: the record mode is cleared.
    f.click("cmdajout");
    QVERIFY(f.w->recordMode().en_ajout);
    f.w->load();
    QVERIFY(!f.w->recordMode().entering());
}

void TestCustomerList::search_narrows_on_every_keystroke_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("capitals") << "DU" << QStringList{"000006", "000001", "000002"};
    QTest::newRow("small letters") << "du" << QStringList{"000006", "000001", "000002"};
    QTest::newRow("trailing blank") << "DU " << QStringList{};
    QTest::newRow("accented small letter") << "é" << QStringList{"000004"};
    QTest::newRow("quote") << "d'a" << QStringList{"000005"};
    QTest::newRow("wildcard is a character") << "D%" << QStringList{};
}

void TestCustomerList::search_narrows_on_every_keystroke() {
    QFETCH(QString, typed);
    QFETCH(QStringList, codes);
    ClientFixture f;
    QVERIFY(f.openWith(addCustomers));
    QAbstractItemModelTester tester(f.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QLineEdit* selnom = f.box("selnom");
    // Each character runs the search: after the first one the list holds
    // the names that begin with it.
    test::typeText(selnom, typed.left(1));
    const QStringList firstNames = f.gridColumn(CustomerColumn::Name);
    QVERIFY(!firstNames.isEmpty());
    for (const QString& name : firstNames)
        QVERIFY2(name.startsWith(typed.left(1), Qt::CaseInsensitive), qPrintable(name));
    test::typeText(selnom, typed.mid(1));
    QCOMPARE(f.gridCodes(), codes);
    QCOMPARE(f.exportedCodes(), codes);
    // Deleting back to nothing lists everyone again.
    for (int i = 0; i < typed.size(); ++i)
        QTest::keyClick(selnom, Qt::Key_Backspace);
    QCOMPARE(selnom->text(), QString());
    QCOMPARE(f.gridCodes(), ByName);
    QCOMPARE(f.exportedCodes(), ByName);
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::search_box_takes_thirty_characters() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(f.open());
    QTest::keyClicks(f.box("selnom"), QString(40, QLatin1Char('A')));
    QCOMPARE(f.box("selnom")->text(), QString(30, QLatin1Char('A')));
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::heading_click_sorts_descending_within_search() {
    ClientFixture f;
    QVERIFY(f.openWith(addCustomers));
    QTest::keyClicks(f.box("selnom"), QStringLiteral("du"));
    f.clickHeading(CustomerColumn::Town);
    // Zurich, lyon, Annecy: Z to A whatever the letter case.
    QCOMPARE(f.gridCodes(), (QStringList{"000002", "000006", "000001"}));
    QCOMPARE(f.box("selnom")->text(), QStringLiteral("du"));
    QCOMPARE(f.exportedCodes(), (QStringList{"000002", "000006", "000001"}));
    f.clickHeading(CustomerColumn::Town);
    QCOMPARE(f.gridCodes(), (QStringList{"000002", "000006", "000001"}));
    f.clickHeading(CustomerColumn::Code);
    QCOMPARE(f.gridCodes(), (QStringList{"000006", "000002", "000001"}));
    // Typing again lists by name.
    QTest::keyClick(f.box("selnom"), Qt::Key_Backspace);
    QCOMPARE(f.gridCodes(), (QStringList{"000005", "000006", "000001", "000002"}));
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::row_click_opens_the_customer_on_the_ball_panel() {
    test::BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(addCustomers(*f.db));
    QVERIFY(test::addBall(*f.db, "000001", "001", "010"));
    QVERIFY(test::addBall(*f.db, "000001", "004", "150")); // history, still counted
    QVERIFY(test::addBall(*f.db, "000001", "002", "020"));
    QVERIFY(f.open());
    f.choose("Option6_1"); // current balls only
    QTest::keyClicks(f.box("selnom"), QStringLiteral("DUP"));
    f.clickRow(0);

    QVERIFY(f.find("Frame300")->isVisible());
    QVERIFY(f.find("Frame200")->isHidden());
    QVERIFY(f.find("Frame100")->isHidden());
    QVERIFY(f.find("Frame400")->isHidden());
    QCOMPARE(f.w->height(), 10700 / 15);
    QCOMPARE(f.w->currentCode(), QStringLiteral("000001"));
    QCOMPARE(f.box("Txtcod")->text(), QStringLiteral("000001"));
    // The ball grid lists this customer's current balls.
    QStringList lines = f.ballLines();
    lines.sort();
    QCOMPARE(lines, (QStringList{"001", "002"}));
    // The hidden list now holds only this customer.
    QCOMPARE(f.gridCodes(), QStringList{"000001"});

    const QStringList summary{"M. DUPONT JEAN",
                              "3, rue des Lilas",
                              "",
                              "",
                              "74000 Annecy",
                              "",
                              "GAUCHER - AVEC POIGNET    Poids de boule : 15 Lbs",
                              "Téléphone : 04 50 00 00 01 -- 06 00 00 00 01"};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(f.find<QLabel>(qPrintable(QStringLiteral("lbl_%1").arg(i + 1)))->text(),
                 summary.at(i));
    // The sheet's fields are built when first looked at, with the name already there.
    QVERIFY(!f.w->findChild<QLabel*>("Label25"));
    f.find<DrillingSheetPanel>("Frame400")->form();
    QCOMPARE(f.find<QLabel>("Label25")->text(), QStringLiteral("M. DUPONT JEAN"));
    // The history ball counts: a new ball comes after it.
    QCOMPARE(f.addBallLine(), QStringLiteral("005"));

    // A customer kept for consultation opens too, and says so.
    f.w->close();
    QCOMPARE(f.box("selnom")->text(), QString());
    f.clickRowOf(QStringLiteral("000006"));
    QVERIFY(f.find("Frame300")->isVisible());
    QCOMPARE(f.find<QLabel>("lbl_8")->text(),
             QStringLiteral("Téléphone : 01 -- 06 FICHE SUPPRIMEE"));
    QCOMPARE(f.ballLines(), QStringList{});
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::row_click_shows_the_sheet_entry_that_fits() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(addCustomers(*f.db));
    QVERIFY(test::addSheet(*f.db, "000002"));
    QVERIFY(f.open());
    auto shown = [&f](const char* name) { return f.find(name)->isVisible(); };

    f.clickRowOf(QStringLiteral("000002"));
    QVERIFY(shown("cmdmodif_fiche"));
    QVERIFY(shown("Label31"));
    QVERIFY(!shown("cmdajout_fiche"));
    QVERIFY(!shown("Label32"));
    QCOMPARE(f.find<QLabel>("Label31")->text(),
             QStringLiteral("Visualisation/modification de la fiche de percage"));

    f.w->close();
    f.clickRowOf(QStringLiteral("000001"));
    QVERIFY(!shown("cmdmodif_fiche"));
    QVERIFY(!shown("Label31"));
    QVERIFY(shown("cmdajout_fiche"));
    QVERIFY(shown("Label32"));
    QCOMPARE(f.find<QLabel>("Label32")->text(), QStringLiteral("Création d'une fiche de percage"));
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::clicks_on_an_empty_list_do_nothing() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(f.open());
    QCOMPARE(f.model()->rowCount(), 0);
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, {}, QPoint(50, 10));
    QTest::mouseDClick(f.grid()->viewport(), Qt::LeftButton, {}, QPoint(50, 10));
    f.click("cmdsupprime");
    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.find("Frame300")->isHidden());
    QCOMPARE(f.w->currentCode(), QString());

    // A search that finds nobody leaves an empty list too.
    QVERIFY(addCustomers(*f.db));
    QTest::keyClicks(f.box("selnom"), QStringLiteral("XYZ"));
    QCOMPARE(f.model()->rowCount(), 0);
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, {}, QPoint(50, 10));
    f.click("cmdsupprime");
    QVERIFY(f.find("Frame200")->isVisible());
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strclient").toInt(), 6);
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::enter_opens_the_current_row() {
    ClientFixture f;
    QVERIFY(f.openWith(addCustomers));
    // Return in the search box opens the row the list stands on.
    QLineEdit* selnom = f.box("selnom");
    selnom->setFocus();
    QTest::keyClicks(selnom, QStringLiteral("DU"));
    const QStringList found = f.gridCodes();
    QVERIFY(found.size() >= 2);
    QTest::keyClick(selnom, Qt::Key_Return);
    QVERIFY(f.find("Frame300")->isVisible());
    QCOMPARE(f.w->currentCode(), found.first());
    QCOMPARE(f.w->height(), 10700 / 15);

    // Enter of the keypad in the grid, after the arrow keys moved the row.
    f.w->close();
    QVERIFY(f.find("Frame200")->isVisible());
    const QStringList all = f.gridCodes();
    f.grid()->setFocus();
    QTest::keyClick(f.grid(), Qt::Key_Down);
    QTest::keyClick(f.grid(), Qt::Key_Down);
    QCOMPARE(f.grid()->currentIndex().row(), 2);
    QTest::keyClick(f.grid(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(f.find("Frame300")->isVisible());
    QCOMPARE(f.w->currentCode(), all.at(2));

    // Nobody listed: Return does nothing.
    f.w->close();
    selnom->setFocus();
    QTest::keyClicks(selnom, QStringLiteral("XYZ"));
    QCOMPARE(f.model()->rowCount(), 0);
    QTest::keyClick(selnom, Qt::Key_Return);
    f.grid()->setFocus();
    QTest::keyClick(f.grid(), Qt::Key_Return);
    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.find("Frame300")->isHidden());
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::close_box_steps_back_one_panel() {
    ClientFixture f;
    QVERIFY(f.openWith(addCustomers));

    // Ball panel: back to the full list, search cleared.
    QTest::keyClicks(f.box("selnom"), QStringLiteral("dup"));
    f.clickRow(0);
    // A modify entry left by its cancel keeps the record mode until the
    // close box goes back to the list.
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    f.click("cmdannule");
    f.clickRow(0);
    QVERIFY(f.find("Frame300")->isVisible());
    QVERIFY(f.w->recordMode().en_modif);
    QVERIFY(!f.w->close());
    QVERIFY(f.w);
    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.find("Frame300")->isHidden());
    QCOMPARE(f.box("selnom")->text(), QString());
    QCOMPARE(f.gridCodes(), ByName);
    QCOMPARE(f.exportedCodes(), ByName);
    QVERIFY(!f.w->recordMode().entering());

    // Record: back to the list, nothing saved.
    f.clickRowOf(QStringLiteral("000002"));
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    QVERIFY(f.find("Frame100")->isVisible());
    f.retype("Txtnom", QStringLiteral("CHANGÉ"));
    // Asked first; Non drops the entry, and Enter answers Non: the close
    // box saves nothing unless told to.
    f.folder.boxes.expectQuestionWithCancel(
        QStringLiteral("Enregistrer les modifications de client ?"), Answer::No, Answer::No);
    QVERIFY(!f.w->close());
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.find("Frame100")->isHidden());
    QCOMPARE(
        test::scalar(*f.db, "SELECT clt_nom FROM strclient WHERE clt_cod = '000002'").toString(),
        QStringLiteral("DURAND MARIE"));

    // List: the window closes.
    QVERIFY(f.w->close());
    QTRY_VERIFY(f.w.isNull());
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::close_from_drilling_sheet_matches_sheet_entry() {
    ClientFixture f;
    QVERIFY(f.openWith(addCustomers));
    f.clickRowOf(QStringLiteral("000003"));
    QVERIFY(f.find("cmdajout_fiche")->isVisible());
    f.w->showPanel(VdnClient::Panel::Sheet);
    QVERIFY(f.find("Frame400")->isVisible());
    // The sheet was saved meanwhile: the way back offers to view it.
    QVERIFY(test::addSheet(*f.db, "000003"));
    QVERIFY(!f.w->close());
    QVERIFY(f.find("Frame400")->isHidden());
    QVERIFY(f.find("Frame300")->isVisible());
    QVERIFY(f.find("cmdmodif_fiche")->isVisible());
    QVERIFY(f.find("Label31")->isVisible());
    QVERIFY(!f.find("cmdajout_fiche")->isVisible());
    QVERIFY(!f.find("Label32")->isVisible());
    QCOMPARE(f.w->currentCode(), QStringLiteral("000003"));
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::ferme_fenetre_closes_from_any_panel() {
    ClientFixture f;
    QVERIFY(f.openWith(addCustomers));
    f.clickRow(0);
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    QVERIFY(f.find("Frame100")->isVisible());
    f.w->ferme_fenetre();
    QTRY_VERIFY(f.w.isNull());
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::failures_on_the_way_back_are_reported() {
    if (test::onServerEngine())
        QSKIP(
            "the failure and its number are SQLite's; the server's failures have their own tests");
    ClientFixture f;
    QVERIFY(f.openWith(addCustomers));
    f.clickRowOf(QStringLiteral("000001"));
    f.w->showPanel(VdnClient::Panel::Sheet);

    // The sheet table is gone: the way back from the sheet reports it.
    QVERIFY(f.db->execute("DROP TABLE strpercage").ok());
    const DataError noSheets =
        ClientFixture::failureOf([&f] { return f.w->sheets().exists(QStringLiteral("000001")); });
    QCOMPARE(noSheets.number, 1);
    f.expectReport(noSheets);
    QVERIFY(!f.w->close());
    QVERIFY(f.w);
    QVERIFY(f.find("Frame300")->isVisible());
    VDN_CHECK_BOXES(f.folder);

    // The customer table is gone: back to the list reports it and still
    // shows the list panel.
    QVERIFY(f.db->execute("ALTER TABLE strclient RENAME TO strclient_old").ok());
    const DataError noCustomers = ClientFixture::failureOf(
        [&f] { return f.w->customers().page(CustomerQuery::all(), 0, 10); });
    QCOMPARE(noCustomers.number, 1);
    f.expectReport(noCustomers);
    QVERIFY(!f.w->close());
    QVERIFY(f.w);
    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.find("Frame300")->isHidden());
    VDN_CHECK_BOXES(f.folder);

    // A row click that cannot read the customer stays on the list.
    QVERIFY(f.model()->rowCount() > 0);
    const QString code = f.model()->code(0);
    f.expectReport(ClientFixture::failureOf([&f, &code] { return f.w->customers().byCode(code); }));
    f.clickRow(0);
    QVERIFY(f.find("Frame200")->isVisible());
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::failed_load_still_opens_the_window() {
    if (test::onServerEngine())
        QSKIP("a database file removed under the window: there is no file on a server");
    ClientFixture f;
    QVERIFY(f.ready());
    f.db.reset();
    QVERIFY(QFile::remove(f.folder.databaseFile()));
    f.w = new VdnClient(f.folder.services());
    Result<std::unique_ptr<Connection>> missing = Connection::open(f.folder.databaseFile());
    QVERIFY(!missing);
    f.expectReport(missing.error());
    f.w->load();
    VDN_CHECK_BOXES(f.folder);
    f.w->show();
    QVERIFY(f.find("Frame200")->isVisible());
    QCOMPARE(f.model()->rowCount(), 0);

    // Every action then reports instead of ending the program.
    f.folder.boxes.setAnswerAll(false);
    f.click("cmdajout");
    QTest::keyClicks(f.box("selnom"), QStringLiteral("A"));
    f.click("cmdsupprime");
    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.folder.boxes.shown().size() >= 2);
    for (const auto& box : f.folder.boxes.shown())
        QVERIFY2(box.text.startsWith(QStringLiteral("L'erreur suivante s'est produite:")),
                 qPrintable(box.text));
    QVERIFY(f.w->close());
}

void TestCustomerList::long_list_reads_a_page_at_a_time() {
    ClientFixture f;
    QVERIFY(f.ready());
    const int count = 8 * CustomerListModel::PageSize + 10;
    {
        Transaction t(f.db->db());
        for (int i = 1; i <= count; ++i)
            QVERIFY(test::addCustomer(
                *f.db, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                QStringLiteral("CLIENT %1").arg(count - i, 5, 10, QLatin1Char('0'))));
        QVERIFY(t.commit());
    }
    QVERIFY(f.open());
    QAbstractItemModelTester tester(f.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    // What the view asks for while it is laid out, not the whole list.
    const int shown = f.model()->rowCount();
    QVERIFY2(shown >= CustomerListModel::PageSize && shown < count,
             qPrintable(QString::number(shown)));
    QCOMPARE(shown % CustomerListModel::PageSize, 0);
    QVERIFY(f.model()->canFetchMore({}));

    // While the window lists them, another connection can still write.
    QVERIFY(f.db->execute("UPDATE strclient SET clt_vil = 'Brest' WHERE clt_cod = '000001'").ok());

    // Scrolling down brings the next pages, in order and without gaps.
    f.grid()->scrollToBottom();
    QTRY_VERIFY(f.model()->rowCount() > shown);
    while (f.model()->canFetchMore({}))
        f.model()->fetchMore({});
    QCOMPARE(f.model()->rowCount(), count);
    const QStringList codes = f.gridCodes();
    for (int r = 0; r < count; ++r)
        QCOMPARE(codes.at(r), QStringLiteral("%1").arg(count - r, 6, 10, QLatin1Char('0')));
    QCOMPARE(f.model()->index(count - 1, int(CustomerColumn::Town)).data().toString(),
             QStringLiteral("Brest"));
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerList::same_rows_found_again_stay_as_drawn() {
    ClientFixture f;
    QVERIFY(f.ready());
    {
        Transaction t(f.db->db());
        for (int i = 1; i <= 40; ++i)
            QVERIFY(test::addCustomer(*f.db, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                                      QStringLiteral("CLIENT %1").arg(i, 2, 10, QLatin1Char('0')),
                                      QString(),
                                      {{"clt_gsm", QStringLiteral("06 12 00 00 %1").arg(i)}}));
        QVERIFY(t.commit());
    }
    QVERIFY(f.open());
    QTableView* grid = f.grid();
    f.box("selnom")->setFocus();
    QTest::keyClicks(f.box("selnom"), "06 12");
    QCoreApplication::processEvents();
    QCOMPARE(f.model()->rowCount(), 40);
    const QImage fresh = grid->grab().toImage();
    QSignalSpy resets(f.model(), &QAbstractItemModel::modelReset);
    // Moved down the list, by the arrow keys or by the scroll bar alone: a
    // blank typed after the number finds the same customers, which stay
    // without a reset, and the grid is back on its first row as after a new
    // search.
    for (const bool moved : {true, false}) {
        grid->scrollToBottom();
        if (moved)
            grid->setCurrentIndex(f.model()->index(35, 2));
        QCoreApplication::processEvents();
        QVERIFY(grid->verticalScrollBar()->value() > 0);
        QTest::keyClick(f.box("selnom"), Qt::Key_Space);
        QCoreApplication::processEvents();
        QCOMPARE(f.box("selnom")->text(), QStringLiteral("06 12 "));
        QCOMPARE(resets.count(), 0);
        QCOMPARE(grid->currentIndex(), f.model()->index(0, 0));
        QCOMPARE(grid->verticalScrollBar()->value(), 0);
        QCOMPARE(grid->grab().toImage(), fresh);
        QTest::keyClick(f.box("selnom"), Qt::Key_Backspace);
        QCoreApplication::processEvents();
    }
    // Other customers: other rows, by a reset.
    f.box("selnom")->setText(QStringLiteral("CLIENT 03"));
    QCoreApplication::processEvents();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(f.gridCodes(), QStringList{"000003"});
    VDN_CHECK_BOXES(f.folder);
}

// Each keystroke of a search has the grid drawn once at most, what the view
// defers included: in full when other rows are found (many, a few, none),
// only the current row when the same rows are found again.
void TestCustomerList::each_keystroke_draws_the_grid_once() {
    ClientFixture f;
    QVERIFY(f.ready());
    {
        Transaction t(f.db->db());
        for (int i = 1; i <= 400; ++i)
            QVERIFY(test::addCustomer(
                *f.db, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                QStringLiteral("CLIENT %1").arg(i, 3, 10, QLatin1Char('0')), QString(),
                {{"clt_gsm",
                  QStringLiteral("06 %1 %2 00 00").arg(10 + i % 4).arg(10 + i / 4 % 90)}}));
        QVERIFY(t.commit());
    }
    QVERIFY(f.open());
    QTableView* grid = f.grid();
    QLineEdit* box = f.box("selnom");
    box->setFocus();
    QTest::qWait(50);
    PaintCounter paints(grid->viewport());
    const qint64 whole = qint64(grid->viewport()->width()) * grid->viewport()->height();
    const qint64 row = qint64(grid->viewport()->width()) * grid->rowHeight(0);
    // Typed after the text before, and the rows found then: "0" finds none,
    // "06" and "06 1" every customer, "06 12" a hundred, "06 12 3" ten.
    const QList<std::pair<char, int>> keystrokes{{'0', 0},  {'6', 64}, {' ', 64}, {'1', 64},
                                                 {'2', 64}, {' ', 64}, {'3', 10}, {'\b', 64},
                                                 {'1', 20}, {'\b', 64}};
    for (int round = 0; round < 2; ++round) {
        box->clear();
        QTest::qWait(50);
        QStringList before = f.gridCodes();
        for (const auto& [key, rows] : keystrokes) {
            paints.area = 0;
            if (key == '\b')
                QTest::keyClick(box, Qt::Key_Backspace);
            else
                QTest::keyClick(box, key);
            // The event loop left to do all the view deferred.
            QTest::qWait(50);
            QCOMPARE(f.model()->rowCount(), rows);
            const QStringList now = f.gridCodes();
            const QString drawn =
                QStringLiteral("« %1 » : %2 pixels").arg(box->text()).arg(paints.area);
            if (now != before)
                QVERIFY2(paints.area == whole, qPrintable(drawn));
            else
                QVERIFY2(paints.area <= row, qPrintable(drawn));
            before = now;
        }
    }
}

void TestCustomerList::failed_page_is_reported_and_list_stops() {
    ClientFixture f;
    QVERIFY(f.ready());
    const int count = 20 * CustomerListModel::PageSize;
    {
        Transaction t(f.db->db());
        for (int i = 1; i <= count; ++i)
            QVERIFY(test::addCustomer(*f.db, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                                      QStringLiteral("C%1").arg(i, 6, 10, QLatin1Char('0'))));
        QVERIFY(t.commit());
    }
    QVERIFY(f.open());
    const int shown = f.model()->rowCount();
    QVERIFY(shown < count);
    QVERIFY(f.db->execute("ALTER TABLE strclient RENAME TO ailleurs").ok());
    f.expectReport(ClientFixture::failureOf([&f, shown] {
                       return f.w->customers().page(CustomerQuery::all(), shown, 10);
                   }),
                   QStringLiteral("Lecture de la liste des clients"));
    f.grid()->scrollToBottom();
    QTRY_VERIFY(f.folder.boxes.shown().size() == 1);
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.model()->rowCount(), shown);
    QVERIFY(!f.model()->canFetchMore({}));
    QVERIFY(f.find("Frame200")->isVisible());
}

// Ctrl+End goes to the last customer of the whole list, reading its last page
// only; scrolling up brings the rows before it, each once, in order; Ctrl+Home
// goes back to the first customer.
void TestCustomerList::ctrl_end_reaches_the_last_customer_data() {
    QTest::addColumn<bool>("byNameDescending");
    QTest::newRow("by name") << false;
    QTest::newRow("name heading, descending") << true;
}

void TestCustomerList::ctrl_end_reaches_the_last_customer() {
    QFETCH(bool, byNameDescending);
    ClientFixture f;
    QVERIFY(f.ready());
    const int count = 3 * CustomerListModel::PageSize + 17;
    const auto code = [](int i) { return QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')); };
    {
        Transaction t(f.db->db());
        // Customer i is named after count - i: by name, the codes run down.
        for (int i = 1; i <= count; ++i)
            QVERIFY(test::addCustomer(
                *f.db, code(i),
                QStringLiteral("CLIENT %1").arg(count - i, 5, 10, QLatin1Char('0'))));
        QVERIFY(t.commit());
    }
    QStringList expected;
    for (int i = count; i >= 1; --i)
        expected << code(i);
    if (byNameDescending)
        std::reverse(expected.begin(), expected.end());
    QVERIFY(f.open());
    if (byNameDescending)
        f.clickHeading(CustomerColumn::Name);
    QAbstractItemModelTester tester(f.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QTableView* grid = f.grid();
    grid->setFocus();
    QVERIFY(f.model()->rowCount() < count);

    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(f.model()->code(grid->currentIndex().row()), expected.last());
    // The last page only: the rows in between were not read.
    QCOMPARE(f.model()->rowCount(), CustomerListModel::PageSize);
    QCOMPARE(f.gridCodes(), expected.mid(count - CustomerListModel::PageSize));

    for (int tries = 0; f.model()->canFetchEarlier() && tries < 10; ++tries) {
        grid->scrollToTop();
        QCoreApplication::processEvents();
    }
    QVERIFY(!f.model()->canFetchEarlier());
    QCOMPARE(f.gridCodes(), expected);
    // The current customer stayed the last one while rows came before it.
    QCOMPARE(f.model()->code(grid->currentIndex().row()), expected.last());

    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(f.model()->code(grid->currentIndex().row()), expected.first());
    VDN_CHECK_BOXES(f.folder);
}

QTEST_MAIN(TestCustomerList)
#include "tst_customer_list.moc"
