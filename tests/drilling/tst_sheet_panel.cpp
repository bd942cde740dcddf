// ctest-engines: postgresql
#include "data/error_report.h"
#include "data/globals.h"
#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_form.h"
#include "drilling/sheet_validation.h"
#include "reference/catalogue.h"
#include "reference/param_store.h"
#include "support/fixture.h"
#include "support/sheet_host.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

using namespace vdn;
using test::comboOf;
using test::focusIn;

namespace {

void exec(Connection& c, const QString& sql) {
    QSqlQuery q(c.db());
    QVERIFY2(q.exec(sql), qPrintable(sql));
}

} // namespace

class TestSheetPanel : public QObject {
    Q_OBJECT
private slots:
    void numbered_lists_before_opening();
    void new_sheet_defaults_also_after_viewing_a_sheet();
    void stored_sheet_is_shown_data();
    void stored_sheet_is_shown();
    void field_33_offers_list_11();
    void tab_order_follows_the_sheet();
    void exclusive_pairs_clear_their_partner_data();
    void exclusive_pairs_clear_their_partner();
    void typed_text_stays_as_typed();
    void create_refused_for_a_deleted_customer();
    void modify_without_a_sheet_opens_nothing();
    void deleted_customer_sheet_can_be_viewed();
    void open_fails_on_a_list_without_values();
    void untouched_sheet_is_not_modified();
};

void TestSheetPanel::numbered_lists_before_opening() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    DrillingSheetPanel panel(f.services(), c->db());
    QCOMPARE(panel.objectName(), QStringLiteral("Frame400"));
    QCOMPARE(panel.palette().color(QPalette::Window), QColor(192, 192, 255));
    QCOMPARE(panel.findChildren<QComboBox*>().size(), 0); // built when first looked at
    panel.form();
    QCOMPARE(panel.findChildren<QComboBox*>().size(), 28);
    for (const SheetField& field : sheetFieldList()) {
        QComboBox* combo = comboOf(&panel, field.number);
        QVERIFY2(combo, qPrintable(field.comboName));
        QCOMPARE(combo->currentText(), QStringLiteral("%1").arg(field.number, 2, 10, QChar('0')));
        QVERIFY(combo->isEditable());
        QVERIFY(!combo->completer());
        // Every list lies wholly inside its frame and over no other list.
        QVERIFY2(combo->parentWidget()->rect().contains(combo->geometry()),
                 qPrintable(field.comboName));
        for (QComboBox* other :
             combo->parentWidget()->findChildren<QComboBox*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(other == combo || !other->geometry().intersects(combo->geometry()),
                     qPrintable(field.comboName + QLatin1Char('/') + other->objectName()));
    }
    QCOMPARE(panel.findChild<QLabel*>("Label44")->text(),
             QStringLiteral("Perceur : Tibor Vallasse"));
    for (const char* name : {"Line1", "Line2", "Line3", "Line4", "Image1", "Frame24", "Frame11",
                             "Frame12", "Frame13", "Frame10", "Frame15", "Frame16"})
        QVERIFY2(panel.findChild<QWidget*>(QLatin1String(name)), name);
    // The guide lines let clicks through to the lists beneath them.
    QVERIFY(panel.findChild<QWidget*>("Line1")->testAttribute(Qt::WA_TransparentForMouseEvents));
}

void TestSheetPanel::new_sheet_defaults_also_after_viewing_a_sheet() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    // Lists whose first entry is a value, so that a field left as filled shows.
    exec(*c, "DELETE FROM strparam WHERE par_lib = '' AND par_table IN ('8','22','23','24','30')");
    QVERIFY(test::insertSheetRow(c->db(), "000001",
                                 {{"PER_08", "1/8"},
                                  {"PER_25", "Noir"},
                                  {"PER_COM_D", "Doigts"},
                                  {"PER_COM_P", "Pouce"},
                                  {"PER_TYP_POUCE", "I"},
                                  {"PER_VIN_URE", "U"},
                                  {"PER_OVAL_CON", "N"}}));

    test::SheetHost host(f.services(), c->db());
    QVERIFY(host.showActive());
    host.setCustomer("000001", "M. DUPONT JEAN", "");
    QVERIFY(host.cmdmodif_fiche->isVisible());
    QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
    QVERIFY(host.panel->isVisible());
    QCOMPARE(comboOf(host.panel, 8)->currentText(), QStringLiteral("1/8"));
    QVERIFY(host.panel->findChild<QRadioButton*>("Option5_0")->isChecked());

    host.closeSheet();
    host.setCustomer("000002", "Mme DURAND MARIE", "");
    QVERIFY(host.cmdajout_fiche->isVisible());
    QTest::mouseClick(host.cmdajout_fiche, Qt::LeftButton);
    VDN_CHECK_BOXES(f);
    QVERIFY(host.panel->isVisible());
    QVERIFY(!host.Frame300->isVisible());
    QCOMPARE(host.window.height(), DrillingSheetPanel::OpenWindowHeight);
    QVERIFY(host.panel->recordMode().en_ajout);
    QVERIFY(!host.panel->recordMode().en_modif);

    const QMap<int, QString> prefilled{{25, "Blanc"}, {26, "Accroche"}, {27, "Carré"}};
    for (const SheetField& field : sheetFieldList())
        QCOMPARE(comboOf(host.panel, field.number)->currentText(),
                 prefilled.value(field.number, QString()));
    QVERIFY(host.panel->findChild<QPlainTextEdit*>("txtcomm_doigt")->toPlainText().isEmpty());
    QVERIFY(host.panel->findChild<QPlainTextEdit*>("txtcomm_pouce")->toPlainText().isEmpty());
    QVERIFY(host.panel->findChild<QRadioButton*>("Option5_1")->isChecked());
    QVERIFY(host.panel->findChild<QRadioButton*>("Option8_0")->isChecked());
    QVERIFY(host.panel->findChild<QRadioButton*>("Option7_0")->isChecked());
    QTRY_VERIFY(focusIn(comboOf(host.panel, 8)));
    QCOMPARE(host.panel->findChild<QLabel*>("Label44")->text(),
             QStringLiteral("Perceur : Tibor Vallasse  Fiche éditée le 08/12/2026"));
    QCOMPARE(host.panel->findChild<QLabel*>("Label25")->text(), QStringLiteral("Mme DURAND MARIE"));
}

void TestSheetPanel::stored_sheet_is_shown_data() {
    QTest::addColumn<QVariant>("slug");
    QTest::addColumn<QVariant>("material");
    QTest::addColumn<QVariant>("conicity");
    QTest::addColumn<QString>("checked"); // the selected buttons of Option5, Option8, Option7
    QTest::newRow("I V O") << QVariant("I") << QVariant("V") << QVariant("O") << "000";
    QTest::newRow("C U N") << QVariant("C") << QVariant("U") << QVariant("N") << "111";
    QTest::newRow("other letters and null keep the defaults")
        << QVariant("i") << QVariant() << QVariant("x") << "100";
}

void TestSheetPanel::stored_sheet_is_shown() {
    QFETCH(QVariant, slug);
    QFETCH(QVariant, material);
    QFETCH(QVariant, conicity);
    QFETCH(QString, checked);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    exec(*c, "DELETE FROM strparam WHERE par_lib = '' AND par_table = '30'");
    // Field 30 and both comments are null: they must show empty, not the
    // first entry of a list nor any text nobody chose.
    QVERIFY(test::insertSheetRow(c->db(), "000007",
                                 {{"PER_12", "9 7/8 spécial"},
                                  {"PER_33", "3 1/2"},
                                  {"PER_21", "1 1/32"},
                                  {"PER_TYP_POUCE", slug},
                                  {"PER_VIN_URE", material},
                                  {"PER_OVAL_CON", conicity}}));
    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.startModify({"000007", "M. MARTIN LUC", ""}));
    VDN_CHECK_BOXES(f);
    QVERIFY(panel.recordMode().en_modif);
    QVERIFY(!panel.recordMode().en_ajout);
    QCOMPARE(comboOf(&panel, 12)->currentText(), QStringLiteral("9 7/8 spécial"));
    QCOMPARE(comboOf(&panel, 12)->findText("9 7/8 spécial"), -1);
    QCOMPARE(comboOf(&panel, 33)->currentText(), QStringLiteral("3 1/2"));
    QCOMPARE(comboOf(&panel, 21)->currentText(), QStringLiteral("1 1/32"));
    QCOMPARE(comboOf(&panel, 30)->currentText(), QString());
    QCOMPARE(comboOf(&panel, 25)->currentText(), QString());
    QVERIFY(panel.findChild<QPlainTextEdit*>("txtcomm_doigt")->toPlainText().isEmpty());
    QVERIFY(panel.findChild<QPlainTextEdit*>("txtcomm_pouce")->toPlainText().isEmpty());
    const char* groups[] = {"Option5", "Option8", "Option7"};
    for (int g = 0; g < 3; ++g) {
        const QString name = QStringLiteral("%1_%2").arg(QLatin1String(groups[g])).arg(checked[g]);
        QVERIFY2(panel.findChild<QRadioButton*>(name)->isChecked(), qPrintable(name));
    }
}

void TestSheetPanel::field_33_offers_list_11() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    exec(*c, "INSERT INTO strparam VALUES ('11', '7/8 large'), ('33', 'jamais lu')");
    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.open({"000003", "X", ""}, DrillingSheetPanel::Mode::Create).ok());
    Result<QStringList> list11 = ParamStore(c->db()).values(11, ListOrder::Text);
    QVERIFY(list11.ok());
    QVERIFY(list11->contains("7/8 large"));
    for (int n : {11, 33}) {
        QStringList items;
        for (int i = 0; i < comboOf(&panel, n)->count(); ++i)
            items << comboOf(&panel, n)->itemText(i);
        QCOMPARE(items, *list11);
    }
}

void TestSheetPanel::tab_order_follows_the_sheet() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    QVERIFY(host.showActive());
    host.startNewSheet(QStringLiteral("000004"));
    QWidget* start = host.panel->findChild<QWidget*>("cmdvalide_fiche");
    start->setFocus();
    QTRY_VERIFY(start->hasFocus());

    const QStringList expected{
        "cmdvalide_fiche", "Combo8",  "Combo9",  "Combo10", "Combo12", "Combo13",       "Combo14",
        "Combo32",         "Combo34", "Combo11", "Combo19", "Combo33", "Combo20",       "Combo15",
        "Combo16",         "Combo18", "Combo17", "Combo36", "Combo22", "Combo23",       "Combo24",
        "txtcomm_doigt",   "Combo25", "Combo26", "Combo27", "Combo21", "txtcomm_pouce", "Option5",
        "Combo28",         "Combo29", "Option7", "Combo30", "Combo31", "Option8"};
    QStringList seen;
    for (int i = 0; i < 60 && seen.size() < expected.size(); ++i) {
        QWidget* w = QApplication::focusWidget();
        QVERIFY(w);
        while (w && w != host.panel && w->objectName().isEmpty())
            w = w->parentWidget();
        QString name = w->objectName();
        // The buttons of one option group count as the group.
        if (name.startsWith("Option"))
            name = name.section('_', 0, 0);
        if (seen.isEmpty() || seen.last() != name)
            seen << name;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(seen, expected);
}

void TestSheetPanel::exclusive_pairs_clear_their_partner_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("partner");
    for (const auto& [a, b] : sheetExclusivePairs()) {
        QTest::addRow("%d empties %d", a, b) << a << b;
        QTest::addRow("%d empties %d", b, a) << b << a;
    }
}

void TestSheetPanel::exclusive_pairs_clear_their_partner() {
    QFETCH(int, left);
    QFETCH(int, partner);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    QVERIFY(host.showActive());
    host.startNewSheet(QStringLiteral("000005"));
    QComboBox* a = comboOf(host.panel, left);
    QComboBox* b = comboOf(host.panel, partner);

    // Leaving an empty field clears nothing.
    b->setEditText("1/4");
    a->setFocus();
    QTRY_VERIFY(focusIn(a));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(!focusIn(a));
    QCOMPARE(b->currentText(), QStringLiteral("1/4"));

    // Opening the drop-down is not leaving the field.
    a->setFocus();
    QTRY_VERIFY(focusIn(a));
    QTest::keyClicks(a, "3/8");
    a->showPopup();
    a->hidePopup();
    QCOMPARE(b->currentText(), QStringLiteral("1/4"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(!focusIn(a));
    QCOMPARE(a->currentText(), QStringLiteral("3/8"));
    QCOMPARE(b->currentText(), QString());
}

void TestSheetPanel::typed_text_stays_as_typed() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    QVERIFY(host.showActive());
    host.startNewSheet(QStringLiteral("000006"));
    // List 8 holds "1/16" and "1/8"; list 22 holds "Blanc".
    QComboBox* c8 = comboOf(host.panel, 8);
    QComboBox* c22 = comboOf(host.panel, 22);
    c8->setFocus();
    QTRY_VERIFY(focusIn(c8));
    QTest::keyClicks(c8, "1/1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    c22->setFocus();
    QTRY_VERIFY(focusIn(c22));
    test::typeText(c22, "blanc cassé");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(!focusIn(c22));
    QCOMPARE(c8->currentText(), QStringLiteral("1/1"));
    QCOMPARE(c22->currentText(), QStringLiteral("blanc cassé"));
}

void TestSheetPanel::create_refused_for_a_deleted_customer() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    host.setCustomer("000008", "M. ANDRÉ LÉA", "SUPPRIME");
    f.boxes.expectMessage("Ce client est supprimé--Impossible de créer une fiche de percage");
    QTest::mouseClick(host.cmdajout_fiche, Qt::LeftButton);
    VDN_CHECK_BOXES(f);
    QCOMPARE(host.cancelActions, 1);
    QVERIFY(!host.panel->isVisible());
    QVERIFY(!host.panel->isReady());
    QVERIFY(!host.panel->recordMode().en_ajout);
    QVERIFY(!host.panel->recordMode().en_modif);
}

void TestSheetPanel::modify_without_a_sheet_opens_nothing() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    DrillingSheetPanel panel(f.services(), c->db());
    QSignalSpy cancel(&panel, &DrillingSheetPanel::cancelRequested);
    f.boxes.expectMessage("Veuillez relancer le logiciel... problème ");
    QVERIFY(!panel.startModify({"000009", "A", ""}));
    VDN_CHECK_BOXES(f);
    QVERIFY(!panel.isReady());
    QVERIFY(!panel.recordMode().en_modif);
    QCOMPARE(cancel.count(), 0);
}

void TestSheetPanel::deleted_customer_sheet_can_be_viewed() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    QVERIFY(test::insertSheetRow(c->db(), "000010", {{"PER_08", "1/2"}}));
    test::SheetHost host(f.services(), c->db());
    host.setCustomer("000010", "M. ROUX JULIE", "SUPPRIME");
    QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
    VDN_CHECK_BOXES(f);
    QVERIFY(host.panel->isReady());
    QCOMPARE(comboOf(host.panel, 8)->currentText(), QStringLiteral("1/2"));
    QCOMPARE(host.cancelActions, 0);
}

void TestSheetPanel::open_fails_on_a_list_without_values() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    exec(*c, "DELETE FROM strparam WHERE par_table = '31'");
    test::SheetHost host(f.services(), c->db());
    host.setCustomer("000011", "A", "");
    f.boxes.expectMessage(errorReportText(DataError::other(
        errnum::NoCurrentRecord,
        QStringLiteral("Aucun enregistrement en cours : la liste de valeurs 31 est vide"))));
    QTest::mouseClick(host.cmdajout_fiche, Qt::LeftButton);
    VDN_CHECK_BOXES(f);
    QVERIFY(!host.panel->isVisible());
    QVERIFY(!host.panel->isReady());
    QVERIFY(!f.pointer.isBusy());
    QVERIFY(host.Frame300->isVisible() || !host.window.isVisible());
}

void TestSheetPanel::untouched_sheet_is_not_modified() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    // Written by another tool: a comment with Windows line ends, option
    // letters the buttons cannot show.
    QVERIFY(test::insertSheetRow(
        c->db(), "000007",
        {{"PER_COM_D", "ligne 1\r\nligne 2"}, {"PER_TYP_POUCE", "i"}, {"PER_OVAL_CON", "x"}}));
    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.startModify({"000007", "M. MARTIN LUC", ""}));
    VDN_CHECK_BOXES(f);
    QVERIFY(!panel.hasUnsavedEntry());
    // A change typed is one.
    panel.findChild<QPlainTextEdit*>("txtcomm_pouce")->setPlainText(QStringLiteral("large"));
    QVERIFY(panel.hasUnsavedEntry());
}

QTEST_MAIN(TestSheetPanel)
#include "tst_sheet_panel.moc"
