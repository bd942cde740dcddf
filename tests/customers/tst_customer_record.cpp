// ctest-engines: postgresql
#include "client_fixture.h"
#include "customers/customer_record_panel.h"
#include "data/globals.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSqlQuery>

using namespace vdn;
using test::ClientFixture;

namespace {

QString field(Connection& c, const QString& code, const QString& name) {
    return test::scalar(c, QStringLiteral("SELECT %1 FROM strclient WHERE clt_cod = ?").arg(name),
                        {code})
        .toString();
}

int customerCount(Connection& c) {
    return test::scalar(c, QStringLiteral("SELECT count(*) FROM strclient")).toInt();
}

bool checked(const ClientFixture& f, const char* name) {
    return f.find<QRadioButton>(name)->isChecked();
}

} // namespace

class TestCustomerRecord : public QObject {
    Q_OBJECT
private slots:
    void new_customer_proposes_the_next_number_data();
    void new_customer_proposes_the_next_number();
    void new_customer_is_saved_as_typed();
    void private_customer_loses_vat_number();
    void code_check_formats_and_keeps_entry_on_duplicate_data();
    void code_check_formats_and_keeps_entry_on_duplicate();
    void validate_refuses_incomplete_entry_data();
    void validate_refuses_incomplete_entry();
    void validate_keeps_entry_when_code_was_taken_meanwhile();
    void weight_check_data();
    void weight_check();
    void boxes_take_at_most_their_length_data();
    void boxes_take_at_most_their_length();
    void entering_a_box_selects_its_text_data();
    void entering_a_box_selects_its_text();
    void modify_saves_back_what_was_not_changed();
    void null_fields_load_as_cleared_values();
    void deleted_or_vanished_customer_is_not_saved();
    void cancel_returns_without_saving_and_keeps_search();
    void delete_customer_data();
    void delete_customer();
    void failed_delete_changes_nothing();
    void failed_code_check_is_reported();
};

void TestCustomerRecord::new_customer_proposes_the_next_number_data() {
    QTest::addColumn<QStringList>("customers");
    QTest::addColumn<QStringList>("sheets");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("empty table") << QStringList{} << QStringList{} << "000001";
    QTest::newRow("after 000041") << QStringList{"000003", "000041"} << QStringList{} << "000042";
    QTest::newRow("highest deleted for good, sheet kept")
        << QStringList{"000001", "000002"} << QStringList{"000002", "000003"} << "000004";
}

void TestCustomerRecord::new_customer_proposes_the_next_number() {
    QFETCH(QStringList, customers);
    QFETCH(QStringList, sheets);
    QFETCH(QString, proposed);
    ClientFixture f;
    QVERIFY(f.ready());
    for (const QString& code : customers)
        QVERIFY(test::addCustomer(*f.db, code, QStringLiteral("X ") + code));
    for (const QString& code : sheets)
        QVERIFY(test::addSheet(*f.db, code));
    QVERIFY(f.open());
    f.click("cmdajout");
    QVERIFY(f.find("Frame100")->isVisible());
    QVERIFY(f.find("Frame200")->isHidden());
    QVERIFY(f.find("Frame300")->isHidden());
    QVERIFY(f.find("Frame400")->isHidden());
    QCOMPARE(f.box("Txtcod")->text(), proposed);
    QVERIFY(!f.box("Txtcod")->isReadOnly());
    QVERIFY(f.w->recordMode().en_ajout);
    QVERIFY(!f.w->recordMode().en_modif);
    QCOMPARE(f.focusName(), QStringLiteral("txtint"));
    QVERIFY(!f.folder.pointer.isBusy());
    // A cleared entry.
    QCOMPARE(f.box("Txtnom")->text(), QString());
    QCOMPARE(f.box("txtlbs")->text(), QStringLiteral("0"));
    QCOMPARE(f.box("txttar")->text(), QStringLiteral("T"));
    QCOMPARE(f.box("txtdg")->text(), QStringLiteral("D"));
    QCOMPARE(f.box("txtpoig")->text(), QStringLiteral("S"));
    QVERIFY(checked(f, "Option1_0") && checked(f, "Option2_0") && checked(f, "Option3_0"));
    QVERIFY(f.box("txtnic")->isHidden());
    QVERIFY(f.find("Label4")->isHidden());
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerRecord::new_customer_is_saved_as_typed() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "ADAM"));
    QVERIFY(f.open());
    QTest::keyClicks(f.box("selnom"), QStringLiteral("z"));
    f.click("cmdajout");
    const QList<std::pair<const char*, QString>> typed{
        {"txtint", "Mme"},
        {"Txtnom", "élodie d'arc"},
        {"txttel", "01 23 45 67 89"},
        {"txtgsm", "06 12 34 56 78"},
        {"txtfax", "01 00 00 00 00"},
        {"txtmail", "elodie@exemple.fr"},
        {"txtad1", "12, rue de l'Église"},
        {"txtad2", "Bâtiment B"},
        {"txtad3", "BP 7"},
        {"txtcp", "91000"},
        {"txtvil", "Évry"},
        {"txtpays", "France"},
        {"txtlbs", "14,5"},
    };
    for (const auto& [name, text] : typed)
        f.retype(name, text);
    f.choose("Option1_1");
    QVERIFY(f.box("txtnic")->isVisible());
    QVERIFY(f.find("Label4")->isVisible());
    QCOMPARE(f.box("txttar")->text(), QStringLiteral("H"));
    f.retype("txtnic", QStringLiteral("FR12345678901"));
    f.choose("Option2_1");
    f.choose("Option3_1");
    auto* memo = f.find<QPlainTextEdit>("txtmemo");
    QTest::mouseClick(memo->viewport(), Qt::LeftButton);
    test::typeText(memo, QStringLiteral("Joue le mardi."));
    QTest::keyClick(memo, Qt::Key_Return);
    test::typeText(memo, QStringLiteral("Préfère l'urethane."));
    f.click("cmdvalide");

    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.find("Frame100")->isHidden());
    QVERIFY(!f.folder.pointer.isBusy());
    // Back on every customer by name; the search text stays as it was.
    QCOMPARE(f.box("selnom")->text(), QStringLiteral("z"));
    QCOMPARE(f.gridCodes(), (QStringList{"000001", "000002"}));
    QVERIFY(f.w->recordMode().en_ajout); // validate leaves the record mode as it is

    const QString code = QStringLiteral("000002");
    const QList<std::pair<const char*, QString>> stored{
        {"clt_int", "Mme"},
        {"clt_nom", "ÉLODIE D'ARC"},
        {"clt_tel", "01 23 45 67 89"},
        {"clt_gsm", "06 12 34 56 78"},
        {"clt_fax", "01 00 00 00 00"},
        {"clt_mail", "elodie@exemple.fr"},
        {"clt_ad1", "12, rue de l'Église"},
        {"clt_ad2", "Bâtiment B"},
        {"clt_ad3", "BP 7"},
        {"clt_cp", "91000"},
        {"clt_vil", "Évry"},
        {"clt_pays", "France"},
        {"clt_lbs", "14,5"},
        {"clt_nic", "FR12345678901"},
        {"clt_tar", "H"},
        {"clt_dg", "G"},
        {"clt_poig", "A"},
        {"clt_etat", ""},
        {"clt_memo", "Joue le mardi.\nPréfère l'urethane."},
    };
    for (const auto& [name, text] : stored)
        QCOMPARE(field(*f.db, code, QLatin1String(name)), text);

    // Shown again, the business customer shows its VAT number.
    f.clickRowOf(code);
    QCOMPARE(f.find<QLabel>("lbl_1")->text(), QStringLiteral("Mme ÉLODIE D'ARC"));
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    QVERIFY(checked(f, "Option1_1"));
    QVERIFY(f.box("txtnic")->isVisible());
    QCOMPARE(f.box("txtnic")->text(), QStringLiteral("FR12345678901"));
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerRecord::private_customer_loses_vat_number() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "SARL BOULE", "",
                              {{"clt_tar", "H"}, {"clt_nic", "FR999"}}));
    QVERIFY(f.open());
    f.clickRow(0);
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    QVERIFY(f.box("txtnic")->isVisible());
    f.choose("Option1_0");
    QVERIFY(f.box("txtnic")->isHidden());
    QVERIFY(f.find("Label4")->isHidden());
    QCOMPARE(f.box("txttar")->text(), QStringLiteral("T"));
    f.click("cmdvalide");
    QCOMPARE(field(*f.db, "000001", "clt_tar"), QStringLiteral("T"));
    QCOMPARE(field(*f.db, "000001", "clt_nic"), QString());
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerRecord::code_check_formats_and_keeps_entry_on_duplicate_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("taken");
    QTest::newRow("free number") << "7"
                                 << "000007" << false;
    QTest::newRow("taken number") << "41"
                                  << "000041" << true;
    QTest::newRow("taken, typed in full") << "000041"
                                          << "000041" << true;
    QTest::newRow("not a number stays as typed") << "AB1"
                                                 << "AB1" << false;
}

void TestCustomerRecord::code_check_formats_and_keeps_entry_on_duplicate() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, taken);
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000041", "MARTIN"));
    QVERIFY(f.open());
    f.click("cmdajout");
    f.retype("Txtnom", QStringLiteral("Nouveau"));
    f.retype("Txtcod", typed);
    if (taken)
        f.folder.boxes.expectMessage(QStringLiteral("Ce code existe déjà"));
    f.leave("Txtcod");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.box("Txtcod")->text(), shown);
    // The entry stays; a taken code gets the focus back to be changed.
    QVERIFY(f.find("Frame100")->isVisible());
    QCOMPARE(f.box("Txtnom")->text(), QStringLiteral("Nouveau"));
    QCOMPARE(f.focusName(), taken ? QStringLiteral("Txtcod") : QStringLiteral("txtint"));
    QVERIFY(f.w->recordMode().en_ajout);

    if (taken) {
        // Changing the code lets the customer be saved.
        f.retype("Txtcod", QStringLiteral("42"));
        f.leave("Txtcod");
        f.click("cmdvalide");
        QCOMPARE(field(*f.db, "000042", "clt_nom"), QStringLiteral("NOUVEAU"));
    }
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerRecord::validate_refuses_incomplete_entry_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no name") << "5"
                             << ""
                             << " Nom obligatoire"
                             << "Txtnom";
    QTest::newRow("blank name") << "5"
                                << "   "
                                << " Nom obligatoire"
                                << "Txtnom";
    QTest::newRow("no code") << ""
                             << "DUPONT"
                             << " N° client obligatoire"
                             << "Txtcod";
    QTest::newRow("letters") << "ABC"
                             << "DUPONT"
                             << " N° client non numérique"
                             << "Txtcod";
    QTest::newRow("letter after digits") << "12A"
                                         << "DUPONT"
                                         << " N° client non numérique"
                                         << "Txtcod";
    QTest::newRow("sign") << "-4"
                          << "DUPONT"
                          << " N° client non numérique"
                          << "Txtcod";
    QTest::newRow("no code, no name") << ""
                                      << ""
                                      << " N° client obligatoire"
                                      << "Txtcod";
}

void TestCustomerRecord::validate_refuses_incomplete_entry() {
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(f.open());
    f.click("cmdajout");
    f.retype("Txtcod", code);
    f.retype("Txtnom", name);
    f.retype("txtvil", QStringLiteral("Nantes"));
    f.folder.boxes.expectMessage(message);
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame100")->isVisible());
    QCOMPARE(f.focusName(), focus);
    QVERIFY(!f.folder.pointer.isBusy());
    QCOMPARE(f.box("txtvil")->text(), QStringLiteral("Nantes"));
    QCOMPARE(f.box("Txtnom")->text(), name);
    QCOMPARE(customerCount(*f.db), 0);

    // Next customers are still numbered from 1.
    f.click("cmdannule");
    f.click("cmdajout");
    QCOMPARE(f.box("Txtcod")->text(), QStringLiteral("000001"));
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerRecord::validate_keeps_entry_when_code_was_taken_meanwhile() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(f.open());
    f.click("cmdajout");
    QCOMPARE(f.box("Txtcod")->text(), QStringLiteral("000001"));
    // A code the user typed (the proposed one moves on instead).
    f.retype("Txtcod", QStringLiteral("7"));
    f.retype("Txtnom", QStringLiteral("DURAND"));
    QVERIFY(test::addCustomer(*f.db, "000007", "PREMIER"));
    f.folder.boxes.expectMessage(QStringLiteral("Ce code existe déjà"));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame100")->isVisible());
    QCOMPARE(f.box("Txtnom")->text(), QStringLiteral("DURAND"));
    QCOMPARE(f.focusName(), QStringLiteral("Txtcod"));
    QCOMPARE(field(*f.db, "000007", "clt_nom"), QStringLiteral("PREMIER"));
    QVERIFY(!f.folder.pointer.isBusy());
}

void TestCustomerRecord::weight_check_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("whole") << "16" << true;
    QTest::newRow("decimal comma") << "14,5" << true;
    QTest::newRow("decimal point") << "14.5" << true;
    QTest::newRow("signed") << "-2" << true;
    QTest::newRow("large") << "900" << true;
    QTest::newRow("letter after") << "16a" << false;
    QTest::newRow("letters") << "seize" << false;
    QTest::newRow("two separators") << "1,2,3" << false;
    QTest::newRow("empty") << "" << false;
}

void TestCustomerRecord::weight_check() {
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(f.open());
    f.click("cmdajout");
    f.retype("txtlbs", typed);
    if (!accepted)
        f.folder.boxes.expectMessage(QStringLiteral("poids non conforme"));
    f.leave("txtlbs");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.box("txtlbs")->text(), accepted ? typed : QStringLiteral("0"));
}

void TestCustomerRecord::boxes_take_at_most_their_length_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("most");
    const QList<std::pair<const char*, int>> limits{
        {"Txtcod", 6},  {"txtint", 5},   {"Txtnom", 30},  {"txttel", 15}, {"txtgsm", 15},
        {"txtfax", 15}, {"txtmail", 50}, {"txtad1", 50},  {"txtad2", 50}, {"txtad3", 50},
        {"txtcp", 5},   {"txtvil", 50},  {"txtpays", 50}, {"txtnic", 20},
    };
    for (const auto& [name, most] : limits)
        QTest::newRow(name) << QString::fromLatin1(name) << most;
}

void TestCustomerRecord::boxes_take_at_most_their_length() {
    QFETCH(QString, name);
    QFETCH(int, most);
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(f.open());
    f.click("cmdajout");
    f.choose("Option1_1"); // shows the VAT box
    QLineEdit* e = f.box(qPrintable(name));
    e->clear();
    test::typeText(e, QString(most + 10, QChar(u'é')));
    QCOMPARE(e->text(), QString(most, QChar(u'é')));
}

void TestCustomerRecord::entering_a_box_selects_its_text_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("selects");
    for (const char* name : {"txtint", "Txtnom", "txttel", "txtfax", "txtgsm", "txtmail", "txtad1",
                             "txtad2", "txtad3", "txtcp", "txtvil", "txtnic", "txtlbs"})
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    QTest::newRow("txtpays") << "txtpays" << false;
}

void TestCustomerRecord::entering_a_box_selects_its_text() {
    QFETCH(QString, name);
    QFETCH(bool, selects);
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(f.open());
    f.click("cmdajout");
    f.choose("Option1_1");
    QLineEdit* e = f.box(qPrintable(name));
    e->setText(QStringLiteral("12"));
    QTest::mouseClick(e, Qt::LeftButton, {}, QPoint(e->width() - 4, e->height() / 2));
    QCoreApplication::processEvents();
    QCOMPARE(e->hasSelectedText(), selects);
    if (selects) {
        // Typing replaces the whole text.
        QTest::keyClicks(e, QStringLiteral("3"));
        QCOMPARE(e->text(), QStringLiteral("3"));
    }
}

void TestCustomerRecord::modify_saves_back_what_was_not_changed() {
    ClientFixture f;
    QVERIFY(f.ready());
    // A name longer than the box's limit, written by another program.
    const QString longName = QStringLiteral("DE LA FONTAINE-SAINT-ÉTIENNE JEAN-MARIE");
    QVERIFY(test::addCustomer(*f.db, "000009", longName, "Paris",
                              {{"clt_mail", "jm.dlf@exemple.fr"},
                               {"clt_memo", "ligne 1\nligne 2"},
                               {"clt_lbs", "15"},
                               {"clt_dg", "G"},
                               {"clt_poig", "A"}}));
    QVERIFY(f.open());
    f.clickRow(0);
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    QVERIFY(f.find("Frame100")->isVisible());
    QVERIFY(f.find("Frame300")->isHidden());
    QVERIFY(!f.w->recordMode().en_ajout);
    QVERIFY(f.w->recordMode().en_modif);
    QVERIFY(f.box("Txtcod")->isReadOnly());
    QCOMPARE(f.focusName(), QStringLiteral("txtint"));
    QCOMPARE(f.box("txtmail")->text(), QStringLiteral("jm.dlf@exemple.fr"));
    QCOMPARE(f.box("Txtnom")->text(), longName);
    QVERIFY(checked(f, "Option2_1"));
    QVERIFY(checked(f, "Option3_1"));

    f.retype("txttel", QStringLiteral("02 00 00 00 00"));
    f.click("cmdvalide");
    QVERIFY(f.find("Frame200")->isVisible());
    QCOMPARE(field(*f.db, "000009", "clt_tel"), QStringLiteral("02 00 00 00 00"));
    QCOMPARE(field(*f.db, "000009", "clt_mail"), QStringLiteral("jm.dlf@exemple.fr"));
    QCOMPARE(field(*f.db, "000009", "clt_nom"), longName);
    QCOMPARE(field(*f.db, "000009", "clt_memo"), QStringLiteral("ligne 1\nligne 2"));
    QCOMPARE(field(*f.db, "000009", "clt_dg"), QStringLiteral("G"));
    QCOMPARE(field(*f.db, "000009", "clt_poig"), QStringLiteral("A"));
    QCOMPARE(field(*f.db, "000009", "clt_lbs"), QStringLiteral("15"));
    QCOMPARE(customerCount(*f.db), 1);

    // The next new customer gets the usual limit back.
    f.click("cmdajout");
    QCOMPARE(f.box("Txtnom")->maxLength(), 30);
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerRecord::null_fields_load_as_cleared_values() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::insertRow(*f.db, "strclient", {{"clt_cod", "000003"}, {"clt_nom", "NUL"}}));
    QVERIFY(test::addCustomer(*f.db, "000001", "PLEIN", "Lyon",
                              {{"clt_int", "M."}, {"clt_tel", "01"}, {"clt_lbs", "16"}}));
    QVERIFY(f.open());
    // First a full customer, so that the boxes hold something to clear.
    f.clickRowOf(QStringLiteral("000001"));
    f.w->close();
    f.clickRowOf(QStringLiteral("000003"));
    QCOMPARE(f.box("txtint")->text(), QString());
    QCOMPARE(f.box("txttel")->text(), QString());
    QCOMPARE(f.box("txtlbs")->text(), QStringLiteral("0"));
    QCOMPARE(f.box("txtdg")->text(), QStringLiteral("D"));
    QCOMPARE(f.box("txtpoig")->text(), QStringLiteral("S"));
    QCOMPARE(f.find<QLabel>("lbl_1")->text(), QStringLiteral("NUL"));
    QCOMPARE(f.find<QLabel>("lbl_5")->text(), QString());
    QCOMPARE(f.find<QLabel>("lbl_7")->text(),
             QStringLiteral("DROITIER - SANS POIGNET    Poids de boule : 0 Lbs"));
    QCOMPARE(f.find<QLabel>("lbl_8")->text(), QStringLiteral("Téléphone :  -- "));
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerRecord::deleted_or_vanished_customer_is_not_saved() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "ANCIEN", "", {{"clt_etat", "SUPPRIME"}}));
    QVERIFY(test::addCustomer(*f.db, "000002", "PARTI"));
    QVERIFY(f.open());

    f.clickRowOf(QStringLiteral("000001"));
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    f.retype("Txtnom", QStringLiteral("NOUVEAU NOM"));
    f.folder.boxes.expectMessage(QStringLiteral("Cette fiche est supprimée et non modifiable"));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame200")->isVisible());
    QCOMPARE(field(*f.db, "000001", "clt_nom"), QStringLiteral("ANCIEN"));
    QCOMPARE(field(*f.db, "000001", "clt_etat"), QStringLiteral("SUPPRIME"));

    // Deleted for good on another workstation during the entry: said so;
    // Non drops the entry, Oui keeps it as a new customer under a new code.
    for (bool keep : {false, true}) {
        if (keep)
            QVERIFY(test::addCustomer(*f.db, "000002", "PARTI"));
        f.w->retour_liste();
        f.clickRowOf(QStringLiteral("000002"));
        QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
        f.retype("txtvil", QStringLiteral("NANTES"));
        QVERIFY(f.db->execute("DELETE FROM strclient WHERE clt_cod = '000002'").ok());
        f.folder.boxes.expectQuestion(
            QStringLiteral("Le client 000002 a été supprimé sur un autre poste pendant sa "
                           "modification.\nEnregistrer ce que vous avez saisi comme un "
                           "nouveau client ?"),
            keep);
        if (keep)
            f.folder.boxes.expectMessage(QStringLiteral("Client enregistré sous le code 000002"));
        f.click("cmdvalide");
        VDN_CHECK_BOXES(f.folder);
        QVERIFY(f.find("Frame200")->isVisible());
        QCOMPARE(customerCount(*f.db), keep ? 2 : 1);
        if (keep) {
            QCOMPARE(field(*f.db, "000002", "clt_nom"), QStringLiteral("PARTI"));
            QCOMPARE(field(*f.db, "000002", "clt_vil"), QStringLiteral("NANTES"));
        }
        QVERIFY(!f.folder.pointer.isBusy());
        if (keep)
            QVERIFY(f.db->execute("DELETE FROM strclient WHERE clt_cod = '000002'").ok());
    }
}

void TestCustomerRecord::cancel_returns_without_saving_and_keeps_search() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "DUPONT"));
    QVERIFY(test::addCustomer(*f.db, "000002", "MARTIN"));
    QVERIFY(f.open());
    QTest::keyClicks(f.box("selnom"), QStringLiteral("mar"));
    QCOMPARE(f.gridCodes(), QStringList{"000002"});
    // A weight that is no number, then cancel: no complaint, nothing saved.
    f.click("cmdajout");
    f.retype("Txtnom", QStringLiteral("ABANDON"));
    f.retype("txtlbs", QStringLiteral("abc"));
    f.click("cmdannule");
    VDN_CHECK_BOXES(f.folder);
    // A taken code, then cancel: the code is not checked again.
    f.click("cmdajout");
    f.retype("Txtnom", QStringLiteral("ABANDON"));
    f.retype("Txtcod", QStringLiteral("1"));
    f.folder.boxes.expectMessage(QStringLiteral("Ce code existe déjà"));
    f.leave("Txtcod");
    QCOMPARE(f.focusName(), QStringLiteral("Txtcod"));
    f.click("cmdannule");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame200")->isVisible());
    QVERIFY(f.find("Frame100")->isHidden());
    QCOMPARE(customerCount(*f.db), 2);
    // Every customer by name, while the search text stays and the export
    // (as the printout) still follows the search.
    QCOMPARE(f.gridCodes(), (QStringList{"000001", "000002"}));
    QCOMPARE(f.box("selnom")->text(), QStringLiteral("mar"));
    QCOMPARE(f.exportedCodes(), QStringList{"000002"});
    QVERIFY(f.w->recordMode().en_ajout);
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerRecord::delete_customer_data() {
    QTest::addColumn<bool>("sure");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QStringList>("customers");
    QTest::addColumn<int>("balls");
    QTest::newRow("not sure") << false << false << QStringList{"000001", "000002"} << 3;
    QTest::newRow("kept for consultation") << true << true << QStringList{"000001", "000002"} << 3;
    QTest::newRow("deleted for good") << true << false << QStringList{"000001"} << 1;
}

void TestCustomerRecord::delete_customer() {
    QFETCH(bool, sure);
    QFETCH(bool, keep);
    QFETCH(QStringList, customers);
    QFETCH(int, balls);
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "DUPONT"));
    QVERIFY(test::addCustomer(*f.db, "000002", "DURAND"));
    QVERIFY(test::addBall(*f.db, "000001", "001"));
    QVERIFY(test::addBall(*f.db, "000002", "001"));
    QVERIFY(test::addBall(*f.db, "000002", "002"));
    QVERIFY(test::addSheet(*f.db, "000002"));
    QVERIFY(f.open());
    QTest::keyClicks(f.box("selnom"), QStringLiteral("du"));
    // The second row becomes current from the keyboard.
    f.grid()->setFocus();
    QTest::keyClick(f.grid(), Qt::Key_Down);
    QCOMPARE(f.grid()->currentIndex().row(), 1);
    f.folder.boxes.expectQuestion(
        QStringLiteral("Etes-vous sûr de vouloir supprimer la fiche : 000002 et son matériel ? "),
        sure);
    if (sure)
        f.folder.boxes.expectQuestion(
            QStringLiteral("Voulez-vous conserver la fiche pour de la consultation du matériel ? "),
            keep);
    f.click("cmdsupprime");
    VDN_CHECK_BOXES(f.folder);

    QCOMPARE(test::column(*f.db, "SELECT clt_cod FROM strclient ORDER BY clt_cod"), customers);
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strmateriel").toInt(), balls);
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strpercage").toInt(), 1);
    QCOMPARE(field(*f.db, "000002", "clt_etat"), keep ? QStringLiteral("SUPPRIME") : QString());
    QVERIFY(f.find("Frame200")->isVisible());
    QCOMPARE(f.gridCodes(), customers);
    QCOMPARE(f.w->currentCode(), QStringLiteral("000002"));
    if (keep)
        QCOMPARE(f.gridColumn(CustomerColumn::State), (QStringList{"", "SUPPRIME"}));

    // The next customer never takes the number of the kept sheet.
    f.click("cmdajout");
    QCOMPARE(f.box("Txtcod")->text(), QStringLiteral("000003"));
    VDN_CHECK_BOXES(f.folder);
}

void TestCustomerRecord::failed_delete_changes_nothing() {
    if (test::onServerEngine())
        QSKIP("the failure is planted with SQLite's own triggers; the server's failures have their "
              "own tests");
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "DUPONT"));
    QVERIFY(test::addCustomer(*f.db, "000002", "DURAND"));
    QVERIFY(test::addBall(*f.db, "000001", "001"));
    QVERIFY(test::addBall(*f.db, "000001", "002"));
    QVERIFY(f.open());
    QSqlQuery trigger(f.w->database());
    QVERIFY(trigger.exec("CREATE TEMP TRIGGER refuse BEFORE DELETE ON strclient "
                         "BEGIN SELECT RAISE(ABORT, 'suppression refusée'); END"));
    const Status expected =
        f.w->customers().removeWithBalls(QStringLiteral("000001"), f.w->balls());
    QVERIFY(!expected);

    f.folder.boxes.expectQuestion(
        QStringLiteral("Etes-vous sûr de vouloir supprimer la fiche : 000001 et son matériel ? "),
        true);
    f.folder.boxes.expectQuestion(
        QStringLiteral("Voulez-vous conserver la fiche pour de la consultation du matériel ? "),
        false);
    f.expectReport(expected.error());
    f.click("cmdsupprime");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(customerCount(*f.db), 2);
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strmateriel").toInt(), 2);
    // The list shows what it showed before.
    QCOMPARE(f.gridCodes(), (QStringList{"000001", "000002"}));
    QVERIFY(f.find("Frame200")->isVisible());
}

void TestCustomerRecord::failed_code_check_is_reported() {
    if (test::onServerEngine())
        QSKIP(
            "the failure and its number are SQLite's; the server's failures have their own tests");
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(f.open());
    f.click("cmdajout");
    QVERIFY(f.db->execute("ALTER TABLE strclient RENAME TO ailleurs").ok());
    const DataError failure =
        ClientFixture::failureOf([&f] { return f.w->customers().byCode("000008"); });
    QCOMPARE(failure.number, 1);
    f.retype("Txtcod", QStringLiteral("8"));
    f.expectReport(failure);
    f.leave("Txtcod");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame100")->isVisible());
    QCOMPARE(f.box("Txtcod")->text(), QStringLiteral("000008"));
}

QTEST_MAIN(TestCustomerRecord)
#include "tst_customer_record.moc"
