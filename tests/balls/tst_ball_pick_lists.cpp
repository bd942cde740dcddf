#include "ball_fixture.h"

using namespace vdn;
using test::BallFixture;

namespace {

const QString Dupont = QStringLiteral("000001");

bool addValue(Connection& c, int code, const QString& value) {
    return test::insertRow(
        c, QStringLiteral("strparam"),
        {{QStringLiteral("par_table"), QString::number(code)}, {QStringLiteral("par_lib"), value}});
}

// A customer, and the ball record open on a new ball.
bool startBall(BallFixture& f) {
    if (!f.ready() || !test::addCustomer(*f.db, Dupont, "DUPONT JEAN") || !f.openCustomer(Dupont))
        return false;
    f.click("cmdajout_mat");
    return f.record()->isVisible();
}

// Known values in every pick list.
void fillKnown(BallFixture& f) {
    const QStringList v{"STORM", "Pancake", "0,04", "15,00", "3,00", "45", "4", "30"};
    for (int i = 0; i < 8; ++i)
        f.combo(i)->setEditText(v.at(i));
}

QStringList items(QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

} // namespace

class TestBallPickLists : public QObject {
    Q_OBJECT
private slots:
    void init() { test::useFrenchLocale(); }
    void lists_come_in_their_order();
    void text_lists_come_in_french_order();
    void brand_picture_follows_the_exact_text_data();
    void brand_picture_follows_the_exact_text();
    void long_brand_is_cut_to_thirty();
    void layout_distance_is_cut_to_five_data();
    void layout_distance_is_cut_to_five();
    void other_values_are_registered_whole();
    void no_stops_the_check_at_the_core();
    void empty_value_is_looked_up_like_any();
    void questions_come_in_pick_list_order();
    void leaving_or_picking_runs_the_whole_check();
    void values_are_looked_up_as_typed();
    void typed_text_stays_as_typed();
    void cancel_asks_nothing_and_writes_nothing();
    void empty_reference_list_is_reported();
};

void TestBallPickLists::lists_come_in_their_order() {
    BallFixture f;
    QVERIFY(f.ready());
    // Values as the maintenance window stores them, the French way.
    QVERIFY(addValue(*f.db, 2, "0,1"));
    QVERIFY(addValue(*f.db, 6, "10"));
    QVERIFY(addValue(*f.db, 6, "9"));
    QVERIFY(startBall(f));
    QCOMPARE(items(f.combo(2)),
             (QStringList{"0,01", "0,02", "0,03", "0,04", "0,05", "0,06", "0,1"}));
    QCOMPARE(items(f.combo(6)), (QStringList{"3", "3,5", "4", "4,5", "5", "5,5", "6", "9", "10"}));
    // Text order: 25 before 30, brands alphabetically.
    QCOMPARE(items(f.combo(7)), (QStringList{"20", "25", "30", "40", "45", "50", "60", "70"}));
    QCOMPARE(items(f.combo(0)).first(), QStringLiteral("900 GLOBAL"));
    QCOMPARE(items(f.combo(0)).at(1), QStringLiteral("AMF"));
    QCOMPARE(items(f.combo(1)).first(), QStringLiteral("Ampoule"));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallPickLists::text_lists_come_in_french_order() {
    BallFixture f;
    QVERIFY(f.ready());
    const QStringList added{"Zénith", "Éclair", "OEIL", "éclair",
                            "Œil",    "Ecluse", "Ocre", "eclair"};
    for (const QString& v : added)
        QVERIFY(addValue(*f.db, 1, v));
    QVERIFY(startBall(f));
    QStringList ours;
    for (const QString& v : items(f.combo(1)))
        if (added.contains(v))
            ours << v;
    // Accents after the plain letter, case aside (equal texts in the order
    // they were added), the ligature after its letters.
    QCOMPARE(ours, (QStringList{"eclair", "Éclair", "éclair", "Ecluse", "Ocre", "OEIL", "Œil",
                                "Zénith"}));
    // Numeric lists stay numeric.
    QCOMPARE(items(f.combo(7)), (QStringList{"20", "25", "30", "40", "45", "50", "60", "70"}));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallPickLists::brand_picture_follows_the_exact_text_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("picture");
    QTest::newRow("AMF") << "AMF"
                         << "Image_amf";
    QTest::newRow("BRUNSWICK") << "BRUNSWICK"
                               << "Image_Bwk";
    QTest::newRow("STORM") << "STORM"
                           << "Image_storm";
    QTest::newRow("small letters") << "Storm"
                                   << "";
    QTest::newRow("trailing blank") << "STORM "
                                    << "";
    QTest::newRow("other brand") << "HAMMER"
                                 << "";
}

void TestBallPickLists::brand_picture_follows_the_exact_text() {
    QFETCH(QString, typed);
    QFETCH(QString, picture);
    BallFixture f;
    QVERIFY(startBall(f));
    f.typeInto(0, typed);
    for (const char* name : {"Image_amf", "Image_Bwk", "Image_storm"})
        QCOMPARE(f.find(name)->isVisible(), picture == QLatin1String(name));
    // One more key, and the picture goes.
    test::typeText(f.combo(0)->lineEdit(), "X");
    QVERIFY(!f.find("Image_amf")->isVisible() && !f.find("Image_Bwk")->isVisible() &&
            !f.find("Image_storm")->isVisible());
    // Picked in the list.
    f.pick(f.combo(0), "BRUNSWICK");
    QVERIFY(f.find("Image_Bwk")->isVisible());
    QCOMPARE(f.find("Image_amf")->size(), QSize(104, 40));
    QCOMPARE(f.find("Image_Bwk")->size(), QSize(90, 30));
    QCOMPARE(f.find("Image_storm")->size(), QSize(75, 47));
    // The brand has no check of its own on leaving.
    f.typeInto(0, "INCONNUE");
    QTest::keyClick(f.combo(0), Qt::Key_Tab);
    VDN_CHECK_BOXES(f.folder);
}

void TestBallPickLists::long_brand_is_cut_to_thirty() {
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    const QString brand = QStringLiteral("MANUFACTURE DE BOULES DU LÉMAN"); // 30
    const QString typed = brand + QStringLiteral(" SARL");                  // 35
    f.typeInto(0, typed);
    f.expectUnknown("Marque : ", brand, true);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.values(0).contains(brand));
    QCOMPARE(f.storedBall(Dupont, "001").value("mat_marque").toString(), brand);
}

void TestBallPickLists::layout_distance_is_cut_to_five_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("five characters") << "12.50"
                                     << "12.50";
    QTest::newRow("six characters") << "112.50"
                                    << "112.5";
}

void TestBallPickLists::layout_distance_is_cut_to_five() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    f.typeInto(6, typed);
    f.expectUnknown("Layout Distance : ", kept, true);
    QTest::keyClick(f.combo(6), Qt::Key_Tab);
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.combo(6)->currentText(), kept);
    QCOMPARE(f.values(6).last(), kept);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    const QVariantMap b = f.storedBall(Dupont, "001");
    QCOMPARE(b.value("MAT_LAYOUT2").toString(), kept);
    QCOMPARE(b.value("mat_layout").toString(), QStringLiteral("45 < %1 < 30").arg(kept));
}

void TestBallPickLists::other_values_are_registered_whole() {
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    const QString core = QStringLiteral("Asymétrique int."); // 16: cut to 15
    const QStringList whole{"0,0456789", "12,3456789", "4,987654321", "47,5", "35,25 bis"};
    f.combo(1)->setEditText(core);
    for (int i = 0; i < whole.size(); ++i)
        f.combo(i == 4 ? 7 : i + 2)->setEditText(whole.at(i));
    f.expectUnknown("Noyau : ", core.left(15), true);
    f.expectUnknown("Différentiel : ", whole.at(0), true);
    f.expectUnknown("Back End : ", whole.at(1), true);
    f.expectUnknown("hook: ", whole.at(2), true);
    f.expectUnknown("Layout Angle 1 : ", whole.at(3), true);
    f.expectUnknown("Layout Angle 2 : ", whole.at(4), true);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.values(1).last(), core.left(15));
    QCOMPARE(f.values(2).last(), whole.at(0));
    QCOMPARE(f.values(3).last(), whole.at(1));
    QCOMPARE(f.values(4).last(), whole.at(2));
    QCOMPARE(f.values(5).last(), whole.at(3));
    QCOMPARE(f.values(7).last(), whole.at(4));
    QCOMPARE(f.storedBall(Dupont, "001").value("mat_noyau").toString(), core.left(15));
}

void TestBallPickLists::no_stops_the_check_at_the_core() {
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    const QStringList diffsBefore = f.values(2);
    f.combo(1)->setEditText("Mystère");
    f.combo(2)->setEditText("0,99"); // unknown too, never asked
    f.expectUnknown("Noyau : ", "Mystère", false);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.focusName(), QStringLiteral("Combo1"));
    QCOMPARE(f.values(2), diffsBefore);
    QVERIFY(!f.values(1).contains("Mystère"));
    QCOMPARE(f.ballCount(Dupont), 0);
    QVERIFY(f.record()->isVisible());
}

void TestBallPickLists::empty_value_is_looked_up_like_any() {
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    f.combo(3)->setEditText(QString());
    f.expectUnknown("Back End : ", "", true);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.values(3).contains(QString("")));
    QCOMPARE(f.storedBall(Dupont, "001").value("mat_length").toString(), QString());
    // From now on an empty length passes without a question.
    f.click("cmdajout_mat");
    fillKnown(f);
    f.combo(3)->setEditText(QString());
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.ballCount(Dupont), 2);
}

void TestBallPickLists::questions_come_in_pick_list_order() {
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    f.combo(7)->setEditText("33");
    f.combo(4)->setEditText("6,75");
    f.combo(0)->setEditText("NOUVELLE");
    f.expectUnknown("Marque : ", "NOUVELLE", true);
    f.expectUnknown("hook: ", "6,75", true);
    f.expectUnknown("Layout Angle 2 : ", "33", true);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    // Registered in that order too.
    QCOMPARE(
        test::column(
            *f.db, "SELECT par_table || ':' || par_lib FROM strparam ORDER BY rowid DESC LIMIT 3"),
        (QStringList{"7:33", "4:6,75", "0:NOUVELLE"}));
    QCOMPARE(f.ballCount(Dupont), 1);
}

void TestBallPickLists::leaving_or_picking_runs_the_whole_check() {
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    f.combo(0)->setEditText("INCONNUE");
    // Leaving the length asks about the brand first.
    f.typeInto(3, "16,00");
    f.expectUnknown("Marque : ", "INCONNUE", false);
    QTest::keyClick(f.combo(3), Qt::Key_Tab);
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.focusName(), QStringLiteral("Combo0"));
    // Picking a hook in its list runs the check too.
    f.expectUnknown("Marque : ", "INCONNUE", true);
    f.pick(f.combo(4), "2,50");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.values(0).contains("INCONNUE"));
    // All known now: leaving a pick list asks nothing.
    f.combo(5)->setFocus();
    QTest::keyClick(f.combo(5), Qt::Key_Tab);
    VDN_CHECK_BOXES(f.folder);
}

void TestBallPickLists::values_are_looked_up_as_typed() {
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    // Known whatever the case (brands are stored in capitals)...
    f.typeInto(0, "storm");
    QVERIFY(!f.find("Image_storm")->isVisible());
    // ...and a quote is part of the value.
    f.combo(1)->setEditText("L'Ovale");
    f.expectUnknown("Noyau : ", "L'Ovale", true);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.values(1).contains("L'Ovale"));
    const QVariantMap b = f.storedBall(Dupont, "001");
    QCOMPARE(b.value("mat_marque").toString(), QStringLiteral("storm"));
    QCOMPARE(b.value("mat_noyau").toString(), QStringLiteral("L'Ovale"));
    // Known from now on.
    f.click("cmdajout_mat");
    fillKnown(f);
    f.combo(1)->setEditText("L'Ovale");
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.ballCount(Dupont), 2);
}

void TestBallPickLists::typed_text_stays_as_typed() {
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    // "1" would complete to "12,00"; "brun" to "BRUNSWICK".
    f.typeInto(3, "1");
    f.expectUnknown("Back End : ", "1", false);
    QTest::keyClick(f.combo(3), Qt::Key_Tab);
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.focusName(), QStringLiteral("Combo3"));
    QCOMPARE(f.combo(3)->currentText(), QStringLiteral("1"));
    f.combo(3)->setEditText("15,00");
    f.typeInto(0, "brun");
    QTest::keyClick(f.combo(0), Qt::Key_Tab);
    QCOMPARE(f.combo(0)->currentText(), QStringLiteral("brun"));
    VDN_CHECK_BOXES(f.folder);
}

void TestBallPickLists::cancel_asks_nothing_and_writes_nothing() {
    BallFixture f;
    QVERIFY(startBall(f));
    fillKnown(f);
    const int before = int(f.values(3).size());
    // A refused value keeps the focus on its pick list...
    f.typeInto(3, "99,99");
    f.expectUnknown("Back End : ", "99,99", false);
    QTest::keyClick(f.combo(3), Qt::Key_Tab);
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.focusName(), QStringLiteral("Combo3"));
    // ...but the entry can still be abandoned.
    f.click("cmdannule3");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.record()->isHidden());
    QCOMPARE(f.values(3).size(), before);
    QCOMPARE(f.ballCount(Dupont), 0);
}

void TestBallPickLists::empty_reference_list_is_reported() {
    BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, Dupont, "DUPONT JEAN"));
    QSqlQuery q(f.db->db());
    QVERIFY(q.exec("DELETE FROM strparam WHERE par_table = '5'"));
    QVERIFY(f.openCustomer(Dupont));
    f.expectReport(DataError::other(
        errnum::NoCurrentRecord,
        QStringLiteral("Aucun enregistrement en cours : la liste de valeurs 5 est vide")));
    f.click("cmdajout_mat");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.record()->isHidden());
}

QTEST_MAIN(TestBallPickLists)
#include "tst_ball_pick_lists.moc"
