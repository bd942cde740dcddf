// ctest-engines: postgresql
#include "data/text.h"
#include "reference/catalogue.h"
#include "reference/pick_lists.h"
#include "support/fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace vdn;

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void numeric_rule_data();
    void numeric_rule();
    void ball_codes_follow_the_listing_orders();
    void sheet_fields_share_lists_and_labels();
    void pick_list_orders_from_the_database();
    void fill_fails_on_a_list_without_values();
    void pick_list_keeps_typed_text();
    void check_registers_cut_values_and_stops_on_no();
    void check_finds_values_whatever_their_case_and_quotes();
    void left_chars_never_splits_a_character();
};

void TestCatalogue::numeric_rule_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("formatted");
    QTest::addColumn<QString>("message");
    const int ok = int(NumericEntry::Outcome::Accepted);
    const int out = int(NumericEntry::Outcome::OutOfRange);
    const int nan = int(NumericEntry::Outcome::NotNumeric);
    const QString r3 = QStringLiteral("Cette valeur doit être >= 1 et <= 20");
    QTest::newRow("3: 0,5 refused") << 3 << "0,5" << out << "0,50" << r3;
    QTest::newRow("3: 20 accepted") << 3 << "20" << ok << "20,00"
                                    << "";
    QTest::newRow("3: 20,004 accepted") << 3 << "20,004" << ok << "20,00"
                                        << "";
    QTest::newRow("3: 20,006 refused") << 3 << "20,006" << out << "20,01" << r3;
    QTest::newRow("3: period accepted") << 3 << "12.5" << ok << "12,50"
                                        << "";
    QTest::newRow("3: 1 is the lower bound") << 3 << "1" << ok << "1,00"
                                             << "";
    QTest::newRow("4: -3 accepted") << 4 << "-3" << ok << "-3,00"
                                    << "";
    QTest::newRow("4: 10,004 accepted") << 4 << "10,004" << ok << "10,00"
                                        << "";
    QTest::newRow("4: 10,01 refused") << 4 << "10,01" << out << "10,01"
                                      << "Cette valeur doit être <= 10";
    QTest::newRow("5: 9,6 rounds up") << 5 << "9,6" << ok << "10"
                                      << "";
    QTest::newRow("5: 90,4 accepted") << 5 << "90,4" << ok << "90"
                                      << "";
    QTest::newRow("5: 9,4 refused") << 5 << "9,4" << out << "09"
                                    << "Cette valeur doit être >= 10 et <=90";
    QTest::newRow("5: 9,5 rounds half up") << 5 << "9,5" << ok << "10"
                                           << "";
    QTest::newRow("7: 20 accepted") << 7 << "20" << ok << "20"
                                    << "";
    QTest::newRow("7: 70 accepted") << 7 << "70" << ok << "70"
                                    << "";
    QTest::newRow("7: 71 refused") << 7 << "71" << out << "71"
                                   << "Cette valeur doit être >= 20 et <=70";
    QTest::newRow("2: no bounds") << 2 << "123456,789" << ok << "123456,79"
                                  << "";
    QTest::newRow("2: carry through nines") << 2 << "9,999" << ok << "10,00"
                                            << "";
    QTest::newRow("2: negative zero is zero") << 2 << "-0,001" << ok << "0,00"
                                              << "";
    QTest::newRow("2: blanks around") << 2 << " 0,5 " << ok << "0,50"
                                      << "";
    QTest::newRow("not a number") << 2 << "abc" << nan << "abc"
                                  << "cette valeur doit être numérique";
    QTest::newRow("empty") << 3 << "" << nan << ""
                           << "cette valeur doit être numérique";
    QTest::newRow("two separators") << 3 << "1,2,3" << nan << "1,2,3"
                                    << "cette valeur doit être numérique";
    QTest::newRow("sign alone") << 3 << "-" << nan << "-"
                                << "cette valeur doit être numérique";
    QTest::newRow("arabic digits") << 3 << "١٢" << nan << "١٢"
                                   << "cette valeur doit être numérique";
}

void TestCatalogue::numeric_rule() {
    QFETCH(int, code);
    QFETCH(QString, typed);
    QFETCH(int, outcome);
    QFETCH(QString, formatted);
    QFETCH(QString, message);
    const BallCode* c = ballCode(code);
    QVERIFY(c && c->numeric);
    const NumericEntry e = applyNumericRule(*c->numeric, typed);
    QCOMPARE(int(e.outcome), outcome);
    QCOMPARE(e.formatted, formatted);
    QCOMPARE(e.message, message);
}

void TestCatalogue::ball_codes_follow_the_listing_orders() {
    // Maintenance: codes 1 and 6 by text, the rest numerically. Pick lists:
    // 0, 1 and 7 by text, the rest numerically.
    for (const BallCode& c : ballCodes()) {
        const bool maintText = c.code == 1 || c.code == 6;
        QCOMPARE(c.maintenanceOrder == ListOrder::Text, maintText);
        const bool pickText = c.code == 0 || c.code == 1 || c.code == 7;
        QCOMPARE(c.pickOrder == ListOrder::Text, pickText);
        QCOMPARE(c.comboName, QStringLiteral("Combo%1").arg(c.code));
    }
    QCOMPARE(ballCodes().size(), 8);
    QCOMPARE(ballCode(0)->registeredLength, 30);
    QCOMPARE(ballCode(1)->registeredLength, 15);
    QCOMPARE(ballCode(6)->registeredLength, 5);
    QCOMPARE(ballCode(4)->promptLabel, QStringLiteral("hook: "));
}

void TestCatalogue::sheet_fields_share_lists_and_labels() {
    QCOMPARE(sheetFieldList().size(), 28);
    QCOMPARE(sheetFieldOf(8)->promptLabel, QStringLiteral(" 8  : "));
    QCOMPARE(sheetFieldOf(9)->promptLabel, QStringLiteral(" 9 : "));
    QCOMPARE(sheetFieldOf(10)->promptLabel, QStringLiteral("10 : "));
    QCOMPARE(sheetFieldOf(33)->promptLabel, QStringLiteral("11 : "));
    QCOMPARE(sheetFieldOf(33)->listCode, 11);
    QCOMPARE(sheetFieldOf(25)->listCode, 22);
    QCOMPARE(sheetFieldOf(26)->listCode, 23);
    QCOMPARE(sheetFieldOf(27)->listCode, 24);
    QCOMPARE(sheetFieldOf(25)->promptLabel, QStringLiteral("25 : "));
    QCOMPARE(sheetFieldOf(36)->field, QStringLiteral("PER_36"));
    QVERIFY(sheetFieldOf(35) == nullptr);
    const QList<int> order = sheetCheckOrder();
    QCOMPARE(order.size(), 28);
    QCOMPARE(order.mid(14, 6), (QList<int>{22, 25, 23, 26, 24, 27}));
    QCOMPARE(*sheetExclusivePartner(18), 15);
    QCOMPARE(*sheetExclusivePartner(16), 17);
    QVERIFY(!sheetExclusivePartner(11));
    int filled = 0;
    for (const SheetFillStep& s : sheetFillSteps())
        filled += int(s.fields.size());
    QCOMPARE(filled, 28);
}

void TestCatalogue::pick_list_orders_from_the_database() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    ParamStore store(c->db());
    for (const QString& v :
         {QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("25"), QStringLiteral("112,5")})
        QVERIFY(store.add(6, v).ok());
    // Code 6: the pick list orders numerically (9 before 10), the maintenance
    // grid by text (10 before 9).
    const QStringList numeric = *store.values(6, ListOrder::Numeric);
    QVERIFY(numeric.indexOf(QStringLiteral("9")) < numeric.indexOf(QStringLiteral("10")));
    QCOMPARE(numeric.last(), QStringLiteral("112,5"));
    const QStringList text = *store.values(6, ListOrder::Text);
    QVERIFY(text.indexOf(QStringLiteral("10")) < text.indexOf(QStringLiteral("9")));
    // Code 2 as stored by the maintenance window: 0,05 before 0,10.
    QVERIFY(store.add(2, QStringLiteral("0,10")).ok());
    const QStringList diffs = *store.values(2, ListOrder::Numeric);
    QVERIFY(diffs.indexOf(QStringLiteral("0,05")) < diffs.indexOf(QStringLiteral("0,10")));
    // Read together in one statement, each list is the list read alone; a
    // code without values gives an empty list; every value is known, in any
    // case, and a stranger is not.
    QList<int> codes{6, 2, 999};
    for (const SheetFillStep& step : sheetFillSteps())
        codes << step.code;
    const QHash<int, QStringList> together = *store.textValues(codes);
    const QHash<int, QSet<QString>> known = *store.knownValues(codes);
    for (int code : codes) {
        const QStringList alone = *store.values(code, ListOrder::Text);
        QCOMPARE(together.value(code), alone);
        for (const QString& v : alone)
            QVERIFY(known.value(code).contains(ParamStore::knownForm(v.toLower())));
        QVERIFY(!known.value(code).contains(QStringLiteral("INCONNUE")));
    }
    QVERIFY(together.value(999).isEmpty());
    // The ball's pick lists, of both orders, read in one statement: each as
    // read alone (equal numbers ordered by text: "09" and "9").
    QVERIFY(store.add(6, QStringLiteral("09")).ok());
    QList<std::pair<int, ListOrder>> mixed{{999, ListOrder::Text}};
    for (const BallCode& b : ballCodes())
        mixed.append({b.code, b.pickOrder});
    const QHash<int, QStringList> both = *store.listValues(mixed);
    for (const auto& [code, order] : mixed)
        QCOMPARE(both.value(code), *store.values(code, order));
    QCOMPARE(both.value(6).mid(both.value(6).indexOf(QStringLiteral("09")), 2),
             QStringList({QStringLiteral("09"), QStringLiteral("9")}));
}

void TestCatalogue::fill_fails_on_a_list_without_values() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    ParamStore store(c->db());
    QComboBox a, b;
    configurePickList(&a);
    configurePickList(&b);
    QVERIFY(fillPickLists(store, 11, ListOrder::Text, {&a, &b}).ok());
    QCOMPARE(a.count(), b.count());
    QCOMPARE(a.currentText(), a.itemText(0));
    QCOMPARE(b.currentText(), a.itemText(0));
    const Status empty = fillPickLists(store, 35, ListOrder::Text, {&a});
    QVERIFY(!empty.ok());
    QCOMPARE(empty.error().number, errnum::NoCurrentRecord);
}

void TestCatalogue::pick_list_keeps_typed_text() {
    QWidget w;
    auto* combo = new QComboBox(&w);
    auto* other = new QLineEdit(&w);
    configurePickList(combo);
    combo->addItems({QStringLiteral("STORM"), QStringLiteral("10")});
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    combo->setFocus();
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("storm"));
    other->setFocus();
    QCOMPARE(combo->currentText(), QStringLiteral("storm"));
    combo->setFocus();
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("1"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    other->setFocus();
    QCOMPARE(combo->currentText(), QStringLiteral("1"));
    QCOMPARE(combo->count(), 2);
}

void TestCatalogue::check_registers_cut_values_and_stops_on_no() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    ParamStore store(c->db());
    QComboBox brand, core, diff;
    for (QComboBox* cb : {&brand, &core, &diff})
        configurePickList(cb);
    const QString longBrand = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ123456789"); // 35
    brand.setEditText(longBrand);
    core.setEditText(QStringLiteral("Noyau inconnu"));
    diff.setEditText(QStringLiteral("0,03"));
    const QList<CheckedPickList> lists{{&brand, 0, QStringLiteral("Marque : "), 30},
                                       {&core, 1, QStringLiteral("Noyau : "), 15},
                                       {&diff, 2, QStringLiteral("Différentiel : "), 0}};
    folder.boxes.expectQuestion(QStringLiteral("Marque : ") + longBrand.left(30) +
                                    QStringLiteral(" est inconnu, voulez-vous l'enregistrer ? "),
                                true);
    folder.boxes.expectQuestion(
        QStringLiteral("Noyau : Noyau inconnu est inconnu, voulez-vous l'enregistrer ? "), false);
    QCOMPARE(checkReferenceValues(store, lists, folder.services(), nullptr),
             CheckOutcome::Declined);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(brand.currentText(), longBrand.left(30));
    QVERIFY(*store.contains(0, longBrand.left(30)));
    QVERIFY(!*store.contains(1, QStringLiteral("Noyau inconnu")));
    // The brand is known now: a second run asks only about the core.
    folder.boxes.expectQuestion(
        QStringLiteral("Noyau : Noyau inconnu est inconnu, voulez-vous l'enregistrer ? "), true);
    QCOMPARE(checkReferenceValues(store, lists, folder.services(), nullptr),
             CheckOutcome::Completed);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(core.currentText(), QStringLiteral("Noyau inconnu"));
}

void TestCatalogue::check_finds_values_whatever_their_case_and_quotes() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    ParamStore store(c->db());
    QComboBox brand, empty;
    configurePickList(&brand);
    configurePickList(&empty);
    brand.setEditText(QStringLiteral("storm"));
    QCOMPARE(checkReferenceValues(store, {{&brand, 0, QStringLiteral("Marque : "), 30}},
                                  folder.services(), nullptr),
             CheckOutcome::Completed);
    // Accented letters match whatever their case, like plain ones.
    QVERIFY(*store.contains(1, QStringLiteral("ASYMÉTRIQUE")));
    QVERIFY(*store.contains(1, QStringLiteral("asymétrique")));
    QVERIFY(!*store.contains(1, QStringLiteral("ASYMETRIQUE")));
    const QString quoted = QStringLiteral("L'ÉCLAIR \"2\" 100%_");
    brand.setEditText(quoted);
    folder.boxes.expectQuestion(QStringLiteral("Marque : ") + quoted +
                                    QStringLiteral(" est inconnu, voulez-vous l'enregistrer ? "),
                                true);
    QCOMPARE(checkReferenceValues(store, {{&brand, 0, QStringLiteral("Marque : "), 30}},
                                  folder.services(), nullptr),
             CheckOutcome::Completed);
    VDN_CHECK_BOXES(folder);
    QVERIFY(store.values(0, ListOrder::Text)->contains(quoted));
    // An empty text is looked up like any value.
    empty.setEditText(QString());
    folder.boxes.expectQuestion(
        QStringLiteral("Noyau :  est inconnu, voulez-vous l'enregistrer ? "), true);
    QCOMPARE(checkReferenceValues(store, {{&empty, 1, QStringLiteral("Noyau : "), 15}},
                                  folder.services(), nullptr),
             CheckOutcome::Completed);
    VDN_CHECK_BOXES(folder);
    QVERIFY(*store.contains(1, QString()));
}

void TestCatalogue::left_chars_never_splits_a_character() {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x8E\xB3"); // bowling, two UTF-16 units
    QCOMPARE(leftChars(QStringLiteral("abc") + emoji + QStringLiteral("d"), 4),
             QStringLiteral("abc") + emoji);
    QCOMPARE(leftChars(emoji + emoji, 1), emoji);
    QCOMPARE(leftChars(QStringLiteral("abc"), 10), QStringLiteral("abc"));
    QCOMPARE(leftChars(QStringLiteral("abc"), 0), QString());
}

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
