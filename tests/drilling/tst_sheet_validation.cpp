// ctest-engines: postgresql
#include "data/error_report.h"
#include "data/globals.h"
#include "data/schema.h"
#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_form.h"
#include "drilling/sheet_store.h"
#include "reference/catalogue.h"
#include "support/fixture.h"
#include "support/sheet_host.h"
#include "support/widget_lookup.h"
#include "widgets/changed_elsewhere.h"

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSet>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

using namespace vdn;
using test::comboOf;
using test::focusIn;

namespace {

QString question(const QString& label, const QString& value) {
    return label + value + QStringLiteral(" est inconnu, voulez-vous l'enregistrer ? ");
}

bool known(Connection& c, int code, const QString& value) {
    return test::scalar(c,
                        // Compared byte by byte on both engines.
                        "SELECT count(*) FROM strparam WHERE par_table = ? AND "
                        "par_lib || '' = ?",
                        {QString::number(code), value})
               .toInt() == 1;
}

int sheetCount(Connection& c) {
    return test::scalar(c, "SELECT count(*) FROM strpercage").toInt();
}

void clickValidate(DrillingSheetPanel& panel) {
    QTest::mouseClick(panel.findChild<QWidget*>("cmdvalide_fiche"), Qt::LeftButton);
}

} // namespace

class TestSheetValidation : public QObject {
    Q_OBJECT
private slots:
    void new_sheet_is_written_whole();
    void unknown_value_registers_under_its_list_data();
    void unknown_value_registers_under_its_list();
    void long_value_is_cut_to_ten_characters();
    void value_in_other_case_is_known_and_kept();
    void no_at_field_20_keeps_earlier_registrations();
    void empty_field_asks_once_then_passes();
    void thumb_slug_decides_the_size_data();
    void thumb_slug_decides_the_size();
    void deleted_customer_is_refused_before_any_check();
    void create_over_a_sheet_written_meanwhile_asks_first();
    void failed_save_leaves_the_row_data();
    void failed_save_leaves_the_row();
    void demo_sheets_validate_unchanged();
};

void TestSheetValidation::new_sheet_is_written_whole() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    QVERIFY(host.showActive());
    host.setCustomer("000012", "M. BLANC JEAN", "");
    QTest::mouseClick(host.cmdajout_fiche, Qt::LeftButton);
    QVERIFY(host.panel->isVisible());
    comboOf(host.panel, 12)->setEditText("1/8");
    auto* comment = host.panel->findChild<QPlainTextEdit*>("txtcomm_doigt");
    comment->setFocus();
    test::typeText(comment, "Inserts à changer");
    QTest::keyClick(comment, Qt::Key_Return);
    test::typeText(comment, "en mars");
    host.panel->findChild<QRadioButton*>("Option8_1")->setChecked(true);
    clickValidate(*host.panel);
    VDN_CHECK_BOXES(f);

    QCOMPARE(host.saves, 1);
    QVERIFY(!host.panel->isVisible());
    QVERIFY(host.Frame300->isVisible());
    QCOMPARE(host.window.height(), DrillingSheetPanel::WindowHeight);
    QVERIFY(host.cmdmodif_fiche->isVisible());
    QVERIFY(!host.cmdajout_fiche->isVisible());

    QCOMPARE(sheetCount(*c), 1);
    const QVariantMap row = test::sheetRow(c->db(), "000012");
    QCOMPARE(row.value("per_code").toString(), QStringLiteral("000012"));
    // Every measurement is written as text, empty ones included, never null.
    for (const SheetField& field : sheetFieldList()) {
        QVERIFY2(!row.value(field.field).isNull(), qPrintable(field.field));
        QCOMPARE(row.value(field.field).toString(),
                 field.number == 12 ? QStringLiteral("1/8") : QString(""));
    }
    QCOMPARE(row.value("PER_COM_D").toString(), QStringLiteral("Inserts à changer\nen mars"));
    QCOMPARE(row.value("PER_COM_P").toString(), QString(""));
    QVERIFY(!row.value("PER_COM_P").isNull());
    QCOMPARE(row.value("PER_TYP_POUCE").toString(), QStringLiteral("C"));
    QCOMPARE(row.value("PER_VIN_URE").toString(), QStringLiteral("U"));
    QCOMPARE(row.value("PER_OVAL_CON").toString(), QStringLiteral("O"));

    // Opened again, the sheet shows what was saved.
    QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
    QCOMPARE(comboOf(host.panel, 12)->currentText(), QStringLiteral("1/8"));
    QVERIFY(host.panel->findChild<QRadioButton*>("Option8_1")->isChecked());
    QCOMPARE(host.panel->findChild<QPlainTextEdit*>("txtcomm_doigt")->toPlainText(),
             QStringLiteral("Inserts à changer\nen mars"));
}

void TestSheetValidation::unknown_value_registers_under_its_list_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("label");
    QTest::newRow("8") << 8 << 8 << " 8  : ";
    QTest::newRow("9") << 9 << 9 << " 9 : ";
    QTest::newRow("21") << 21 << 21 << "21 : ";
    QTest::newRow("25 shares list 22") << 25 << 22 << "25 : ";
    QTest::newRow("26 shares list 23") << 26 << 23 << "26 : ";
    QTest::newRow("27 shares list 24") << 27 << 24 << "27 : ";
    QTest::newRow("33 shares list and label of 11") << 33 << 11 << "11 : ";
    QTest::newRow("36") << 36 << 36 << "36 : ";
}

void TestSheetValidation::unknown_value_registers_under_its_list() {
    QFETCH(int, field);
    QFETCH(int, code);
    QFETCH(QString, label);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    QVERIFY(host.showActive());
    host.startNewSheet(QStringLiteral("000013"));
    QComboBox* combo = comboOf(host.panel, field);
    combo->setFocus();
    QTRY_VERIFY(focusIn(combo));
    test::typeText(combo, "Zébré");
    f.boxes.expectQuestion(question(label, "Zébré"), true);
    clickValidate(*host.panel);
    VDN_CHECK_BOXES(f);
    QCOMPARE(host.saves, 1);
    QVERIFY(known(*c, code, "Zébré"));
    if (code != field)
        QVERIFY(!known(*c, field, "Zébré"));
    QCOMPARE(test::sheetRow(c->db(), "000013").value(sheetMeasureField(field)).toString(),
             field == 21 ? QString("") : QStringLiteral("Zébré"));

    // From the next opening on, every field of that list offers it.
    QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
    for (const SheetField& other : sheetFieldList())
        if (other.listCode == code)
            QVERIFY2(comboOf(host.panel, other.number)->findText("Zébré") >= 0,
                     qPrintable(other.comboName));
    clickValidate(*host.panel); // known now: no question
    VDN_CHECK_BOXES(f);
    QCOMPARE(host.saves, 2);
}

void TestSheetValidation::long_value_is_cut_to_ten_characters() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    host.startNewSheet(QStringLiteral("000014"));
    comboOf(host.panel, 14)->setEditText("Pitch 1/4 fort");
    f.boxes.expectQuestion(question("14 : ", "Pitch 1/4 "), true);
    clickValidate(*host.panel);
    VDN_CHECK_BOXES(f);
    QVERIFY(known(*c, 14, "Pitch 1/4 "));
    QVERIFY(!known(*c, 14, "Pitch 1/4 fort"));
    QCOMPARE(comboOf(host.panel, 14)->currentText(), QStringLiteral("Pitch 1/4 "));
    QCOMPARE(test::sheetRow(c->db(), "000014").value("PER_14").toString(),
             QStringLiteral("Pitch 1/4 "));
    QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
    clickValidate(*host.panel);
    VDN_CHECK_BOXES(f);
    QCOMPARE(host.saves, 2);
}

void TestSheetValidation::value_in_other_case_is_known_and_kept() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::scalar(*c, "INSERT INTO strparam VALUES ('23', 'ELITE'), ('30', 'l''ovale')");
    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.startCreate({"000015", "A", ""}));
    // A quote is looked up as typed.
    comboOf(&panel, 23)->setEditText("elite");
    comboOf(&panel, 30)->setEditText("L'OVALE");
    QSignalSpy saved(&panel, &DrillingSheetPanel::saved);
    panel.validate();
    VDN_CHECK_BOXES(f);
    QCOMPARE(saved.count(), 1);
    const QVariantMap row = test::sheetRow(c->db(), "000015");
    QCOMPARE(row.value("PER_23").toString(), QStringLiteral("elite"));
    QCOMPARE(row.value("PER_30").toString(), QStringLiteral("L'OVALE"));
}

void TestSheetValidation::no_at_field_20_keeps_earlier_registrations() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    QVERIFY(test::insertSheetRow(c->db(), "000016",
                                 {{"PER_08", "1/8"}, {"PER_09", "1/4"}, {"PER_20", "4"}}));
    const QVariantMap before = test::sheetRow(c->db(), "000016");
    test::SheetHost host(f.services(), c->db());
    QVERIFY(host.showActive());
    host.setCustomer("000016", "A", "");
    QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
    comboOf(host.panel, 8)->setEditText("2 7/64");
    comboOf(host.panel, 9)->setEditText("5/64");
    comboOf(host.panel, 20)->setEditText("4 15/16");
    f.boxes.expectQuestion(question(" 8  : ", "2 7/64"), true);
    f.boxes.expectQuestion(question(" 9 : ", "5/64"), true);
    f.boxes.expectQuestion(question("20 : ", "4 15/16"), false);
    clickValidate(*host.panel);
    VDN_CHECK_BOXES(f);

    QVERIFY(known(*c, 8, "2 7/64"));
    QVERIFY(known(*c, 9, "5/64"));
    QVERIFY(!known(*c, 20, "4 15/16"));
    QCOMPARE(test::sheetRow(c->db(), "000016"), before);
    QCOMPARE(host.saves, 0);
    QVERIFY(host.panel->isVisible());
    QTRY_VERIFY(focusIn(comboOf(host.panel, 20)));
    QCOMPARE(comboOf(host.panel, 20)->currentText(), QStringLiteral("4 15/16"));

    // The next run finds 8 and 9 known and asks about 20 only.
    f.boxes.expectQuestion(question("20 : ", "4 15/16"), true);
    clickValidate(*host.panel);
    VDN_CHECK_BOXES(f);
    QCOMPARE(host.saves, 1);
    QCOMPARE(test::sheetRow(c->db(), "000016").value("PER_08").toString(),
             QStringLiteral("2 7/64"));
}

void TestSheetValidation::empty_field_asks_once_then_passes() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::scalar(*c, "DELETE FROM strparam WHERE par_table = '19' AND par_lib = ''");
    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.startCreate({"000017", "A", ""}));
    f.boxes.expectQuestion(question("19 : ", ""), true);
    panel.validate();
    VDN_CHECK_BOXES(f);
    QVERIFY(known(*c, 19, ""));
    panel.validate();
    VDN_CHECK_BOXES(f);
}

void TestSheetValidation::thumb_slug_decides_the_size_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Slug classique") << "Option5_1"
                                    << "C"
                                    << "";
    QTest::newRow("Slug interchangeable") << "Option5_0"
                                          << "I"
                                          << "1 7/8";
}

void TestSheetValidation::thumb_slug_decides_the_size() {
    QFETCH(QString, button);
    QFETCH(QString, letter);
    QFETCH(QString, stored);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    DrillingSheetPanel panel(f.services(), c->db());
    QVERIFY(panel.startCreate({"000018", "A", ""}));
    panel.findChild<QRadioButton*>(button)->setChecked(true);
    comboOf(&panel, 21)->setEditText("1 7/8");
    // The size is checked either way, even when it is not saved.
    f.boxes.expectQuestion(question("21 : ", "1 7/8"), true);
    panel.validate();
    VDN_CHECK_BOXES(f);
    const QVariantMap row = test::sheetRow(c->db(), "000018");
    QCOMPARE(row.value("PER_TYP_POUCE").toString(), letter);
    QCOMPARE(row.value("PER_21").toString(), stored);
    QVERIFY(!row.value("PER_21").isNull());
}

void TestSheetValidation::deleted_customer_is_refused_before_any_check() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    QVERIFY(test::insertSheetRow(c->db(), "000019", {{"PER_08", "1/8"}}));
    const QVariantMap before = test::sheetRow(c->db(), "000019");
    test::SheetHost host(f.services(), c->db());
    host.setCustomer("000019", "A", "SUPPRIME");
    QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
    QVERIFY(host.panel->isReady());
    comboOf(host.panel, 8)->setEditText("jamais vu");
    f.boxes.expectMessage("Ce client est supprimé--Impossible de créer une fiche de percage");
    clickValidate(*host.panel);
    VDN_CHECK_BOXES(f);
    QCOMPARE(host.cancelActions, 1);
    QCOMPARE(host.saves, 0);
    QVERIFY(!known(*c, 8, "jamais vu"));
    QCOMPARE(test::sheetRow(c->db(), "000019"), before);
}

void TestSheetValidation::create_over_a_sheet_written_meanwhile_asks_first() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    DrillingSheetPanel panel(f.services(), c->db());
    // The create entry was shown while another window wrote the sheet.
    QVERIFY(panel.startCreate({"000020", "A", ""}));
    QVERIFY(test::insertSheetRow(
        c->db(), "000020",
        {{"PER_30", "5 1/2"}, {"PER_22", "Noir"}, {"PER_09", "1/8"}, {"PER_COM_D", "ancien"}}));
    comboOf(&panel, 30)->setEditText("5 3/4");
    comboOf(&panel, 9)->setEditText("1/4");
    QSignalSpy saved(&panel, &DrillingSheetPanel::saved);
    // The registration question names the list by its number, as ever.
    f.boxes.expectQuestion(QStringLiteral("30 : 5 3/4 est inconnu, voulez-vous l'enregistrer ? "),
                           true);
    // Only the fields both wrote are asked; the other window's colour,
    // comment and options, which the entry left as they were, are kept.
    // Measures are named as the sheet shows them: by their caption, or by
    // their place on the diagram.
    f.boxes.expectChoice(ScriptedMessageBoxes::choiceText(
                             QStringLiteral("La fiche de perçage de ce client a été modifiée "
                                            "sur un autre poste depuis son affichage."),
                             {{"Case à gauche du doigt gauche (flèche en haut)", "1/8", "1/4"},
                              {"PAP (case de gauche)", "5 1/2", "5 3/4"}}),
                         QList<bool>{false, true});
    f.boxes.expectMessage(
        QStringLiteral("Gardé de l'autre poste : Case à gauche du doigt gauche (flèche en haut), "
                       "Couleur des inserts de doigts, Commentaire doigts, Slug, Vinyl / "
                       "Uréthane, Conique"));
    panel.validate();
    VDN_CHECK_BOXES(f);
    QCOMPARE(saved.count(), 1);
    QCOMPARE(sheetCount(*c), 1);
    const QVariantMap row = test::sheetRow(c->db(), "000020");
    QCOMPARE(row.value("PER_30").toString(), QStringLiteral("5 3/4"));
    QCOMPARE(row.value("PER_09").toString(), QStringLiteral("1/8"));
    QCOMPARE(row.value("PER_22").toString(), QStringLiteral("Noir"));
    QCOMPARE(row.value("PER_COM_D").toString(), QStringLiteral("ancien"));
    // Every measure has a name of its own, never its bare number.
    QSet<QString> names;
    for (int n : sheetMeasureNumbers()) {
        const QString name = sheetMeasureName(n);
        QVERIFY2(!name.contains(QString::number(n)), qPrintable(name));
        names.insert(name);
    }
    QCOMPARE(names.size(), sheetMeasureNumbers().size());
}

void TestSheetValidation::failed_save_leaves_the_row_data() {
    QTest::addColumn<bool>("existing");
    QTest::newRow("create") << false;
    QTest::newRow("modify") << true;
}

void TestSheetValidation::failed_save_leaves_the_row() {
    if (test::onServerEngine())
        QSKIP("the failure is planted with SQLite's own triggers; the server's failures have their "
              "own tests");
    QFETCH(bool, existing);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    if (existing)
        QVERIFY(test::insertSheetRow(c->db(), "000021", {{"PER_08", "1/8"}, {"PER_09", "1/4"}}));
    const QVariantMap before = test::sheetRow(c->db(), "000021");
    // The disk refuses the sheet, before a new row and after a changed one.
    QSqlQuery trigger(c->db());
    QVERIFY(trigger.exec("CREATE TEMP TRIGGER full_disk_i BEFORE INSERT ON main.strpercage "
                         "BEGIN SELECT RAISE(ABORT, 'disque plein'); END"));
    QVERIFY(trigger.exec("CREATE TEMP TRIGGER full_disk_u AFTER UPDATE ON main.strpercage "
                         "BEGIN SELECT RAISE(ABORT, 'disque plein'); END"));

    DrillingSheetPanel panel(f.services(), c->db());
    QSignalSpy saved(&panel, &DrillingSheetPanel::saved);
    QVERIFY(existing ? panel.startModify({"000021", "A", ""})
                     : panel.startCreate({"000021", "A", ""}));
    comboOf(&panel, 8)->setEditText("3 5/64");
    comboOf(&panel, 9)->setEditText("");
    f.boxes.setAnswerAll(true);
    panel.validate();

    // One question for the new value, then the data-access error report
    // (its offer to show the engine's list answered Yes).
    QCOMPARE(f.boxes.shown().size(), 3);
    QCOMPARE(f.boxes.shown().at(0).text, question(" 8  : ", "3 5/64"));
    QVERIFY2(f.boxes.shown().at(1).text.startsWith("L'erreur suivante s'est produite:"),
             qPrintable(f.boxes.shown().at(1).text));
    QVERIFY2(f.boxes.shown().at(2).text.contains("disque plein"),
             qPrintable(f.boxes.shown().at(2).text));
    f.boxes.clear();
    QCOMPARE(saved.count(), 0);
    QVERIFY(panel.isReady());
    QVERIFY(known(*c, 8, "3 5/64"));
    QCOMPARE(test::sheetRow(c->db(), "000021"), before);
    QCOMPARE(sheetCount(*c), existing ? 1 : 0);
}

void TestSheetValidation::demo_sheets_validate_unchanged() {
    // Each sample sheet holds values of its own lists: validated as it
    // stands, it asks no registration question and stays as it was.
    test::DataFolder::Options options;
    options.demo = DemoOptions{};
    test::DataFolder f(options);
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    QVERIFY(host.showActive());
    const QStringList codes = test::column(*c, "SELECT per_code FROM strpercage ORDER BY 1");
    QVERIFY(codes.size() >= 10);
    const int params = test::scalar(*c, "SELECT count(*) FROM strparam").toInt();
    for (const QString& code : codes) {
        const QVariantMap before = test::sheetRow(c->db(), code);
        host.setCustomer(
            code,
            test::scalar(*c, "SELECT clt_nom FROM strclient WHERE clt_cod = ?", {code}).toString(),
            "");
        QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
        QVERIFY(host.panel->isVisible());
        clickValidate(*host.panel);
        VDN_CHECK_BOXES(f);
        QVERIFY2(!host.panel->isVisible(), qPrintable(code));
        QCOMPARE(test::sheetRow(c->db(), code), before);
    }
    QCOMPARE(host.saves, codes.size());
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strparam").toInt(), params);
}

QTEST_MAIN(TestSheetValidation)
#include "tst_sheet_validation.moc"
