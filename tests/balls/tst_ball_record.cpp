// ctest-engines: postgresql
#include "ball_fixture.h"

using namespace vdn;
using test::BallFixture;

namespace {

const QString Dupont = QStringLiteral("000001");
const QString Gone = QStringLiteral("000002");

// A ball every pick list value of which is in the starter lists.
QVariantMap knownBall(const QVariantMap& more = {}) {
    QVariantMap b{{"MAT_SAC", "105"},
                  {"mat_marque", "AMF"},
                  {"mat_boule", "ANGLE"},
                  {"mat_serie", "SN1"},
                  {"mat_noyau", "Pancake"},
                  {"mat_rg", "2,50"},
                  {"mat_diff", "0,04"},
                  {"mat_length", "15,00"},
                  {"mat_hook", "3,00"},
                  {"MAT_SURFACE", "Abralon 2000"},
                  {"mat_surface1", "Abralon 2000"},
                  {"MAT_LAYOUT1", "45"},
                  {"MAT_LAYOUT2", "4"},
                  {"MAT_LAYOUT3", "30"},
                  {"mat_layout", "45 < 4 < 30"},
                  {"MAT_DATE", "07/03/2004"},
                  {"MAT_DATE_TRI", "20040307"},
                  {"MAT_TYPE", "Autre"}};
    for (auto it = more.begin(); it != more.end(); ++it)
        b[it.key()] = it.value();
    return b;
}

bool addCustomers(Connection& c) {
    return test::addCustomer(c, Dupont, "DUPONT JEAN") &&
           test::addCustomer(c, Gone, "DURAND MARIE", "", {{"clt_etat", "SUPPRIME"}});
}

// Known values in every pick list, as if picked.
} // namespace

class TestBallRecord : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void record_controls_carry_their_names_and_limits();
    void first_ball_is_written_in_every_format();
    void new_ball_follows_the_highest_line_whatever_the_filter();
    void opened_ball_is_shown_and_updated_in_place();
    void opened_ball_with_null_fields_shows_empty_texts();
    void empty_date_is_stored_as_the_mask();
    void adding_after_a_sec_ball_keeps_sec();
    void deleted_customer_gets_no_ball();
    void delete_asks_and_takes_the_current_ball();
    void date_check_on_leaving_data();
    void date_check_on_leaving();
    void text_boxes_select_on_entry_and_capitalise_on_leaving();
    void customer_click_closes_the_record();
    void failed_validation_writes_nothing_and_keeps_the_record();
    void ball_being_typed_is_asked_before_it_goes_data();
    void ball_being_typed_is_asked_before_it_goes();

private:
    std::unique_ptr<BallFixture> fixture_;
};

void TestBallRecord::init() {
    // Every test starts from a fresh data folder holding the sample customers.
    test::useFrenchLocale();
    fixture_ = std::make_unique<BallFixture>();
    QVERIFY(fixture_->ready());
    QVERIFY(addCustomers(*fixture_->db));
}

void TestBallRecord::cleanup() {
    fixture_.reset();
}

void TestBallRecord::record_controls_carry_their_names_and_limits() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    QCOMPARE(f.record()->title(), QStringLiteral("Enregistrement d'une boule "));
    QVERIFY(f.record()->isHidden());
    const QList<QPair<const char*, QString>> captions{
        {"Option4_0", "Huilée"}, {"Option4_1", "Sec"},     {"Option4_2", "Spare"},
        {"Label26", "N° Série"}, {"Label12", "Noyau"},     {"Label14", "Différentiel"},
        {"Label15", "Lenght"},   {"Label16", "Hook"},      {"Label22", "Date de l'achat"},
        {"Label18", "Surface"},  {"Label17", "Layout : "}, {"Label19", "Angle"},
        {"Label21", "Distance"}, {"Label20", "Angle"},     {"Label13", "RG "}};
    for (const auto& [name, text] : captions) {
        QWidget* w = f.find(name);
        QVERIFY2(w, name);
        const QString shown = qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text()
                              : qobject_cast<QAbstractButton*>(w)
                                  ? qobject_cast<QAbstractButton*>(w)->text()
                                  : QString();
        QCOMPARE(shown, text);
    }
    QCOMPARE(f.box("txtboule")->maxLength(), 30);
    QCOMPARE(f.box("txtserie")->maxLength(), 64);
    for (const char* name :
         {"Combo0", "Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo7",
          "Image_amf", "Image_Bwk", "Image_storm", "txtsurface", "txtrg", "cmdvalide3",
          "cmdannule3", "cmdajout_mat", "cmdsupp_mat", "Frame7"})
        QVERIFY2(f.find(name), name);
    // The record covers the add and delete buttons and the filter.
    f.click("cmdajout_mat");
    QVERIFY(f.record()->isVisible());
    QVERIFY(!f.find("cmdajout_mat")->isVisible());
    QVERIFY(!f.find("cmdsupp_mat")->isVisible());
    QVERIFY(!f.find("Option6_0")->isVisible());
    QVERIFY(f.ballGrid()->isVisible());
    VDN_CHECK_BOXES(f.folder);
}

void TestBallRecord::first_ball_is_written_in_every_format() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    f.click("cmdajout_mat");
    QVERIFY(f.record()->isVisible());
    QCOMPARE(f.focusName(), QStringLiteral("Combo0"));
    for (int i = 0; i < 8; ++i) {
        QVERIFY(f.combo(i)->count() > 0);
        QCOMPARE(f.combo(i)->currentText(), QString());
    }
    QCOMPARE(f.box("Mskfdat")->displayText(), QStringLiteral("__/__/____"));
    QVERIFY(!f.find("Image_storm")->isVisible());

    f.fillKnownBall();
    f.combo(6)->setEditText("4 1/2"); // not in the list yet
    f.typeInto(0, "STORM");
    QVERIFY(f.find("Image_storm")->isVisible());
    f.retype("txtboule", "phaze ii");
    f.leave("txtboule");
    QCOMPARE(f.box("txtboule")->text(), QStringLiteral("PHAZE II"));
    f.retype("txtrg", "2,48");
    f.typeDate("07032004");
    QCOMPARE(f.box("Mskfdat")->displayText(), QStringLiteral("07/03/2004"));
    const QString surface = QString(30, QLatin1Char('a')) + QString(20, QChar(0x00e9)) +
                            QString(30, QLatin1Char('z')); // 80 characters
    f.find<QPlainTextEdit>("txtsurface")->setPlainText(surface);
    f.expectUnknown("Layout Distance : ", "4 1/2", true);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);

    const QVariantMap b = f.storedBall(Dupont, "001");
    QCOMPARE(b.value("MAT_CODE").toString(), Dupont);
    QCOMPARE(b.value("MAT_LG").toString(), QStringLiteral("001"));
    QCOMPARE(b.value("MAT_SAC").toString(), QStringLiteral("000"));
    QCOMPARE(b.value("mat_marque").toString(), QStringLiteral("STORM"));
    QCOMPARE(b.value("mat_boule").toString(), QStringLiteral("PHAZE II"));
    QCOMPARE(b.value("mat_rg").toString(), QStringLiteral("2,48"));
    QCOMPARE(b.value("mat_noyau").toString(), QStringLiteral("Pancake"));
    QCOMPARE(b.value("mat_diff").toString(), QStringLiteral("0,04"));
    QCOMPARE(b.value("MAT_LAYOUT2").toString(), QStringLiteral("4 1/2"));
    QCOMPARE(b.value("mat_layout").toString(), QStringLiteral("45 < 4 1/2 < 30"));
    QCOMPARE(b.value("MAT_DATE").toString(), QStringLiteral("07/03/2004"));
    QCOMPARE(b.value("MAT_DATE_TRI").toString(), QStringLiteral("20040307"));
    QCOMPARE(b.value("MAT_SURFACE").toString(), surface);
    QCOMPARE(b.value("mat_surface1").toString(), surface.left(50));
    QVERIFY(b.value("MAT_TYPE").isNull()); // no condition chosen
    QVERIFY(f.values(6).contains("4 1/2"));
    // Back to the list, which shows the new ball.
    QVERIFY(f.record()->isHidden());
    QCOMPARE(f.ballLines(), QStringList{"001"});
    // The next one follows it.
    QCOMPARE(f.addBallLine(), QStringLiteral("002"));
}

void TestBallRecord::new_ball_follows_the_highest_line_whatever_the_filter() {
    BallFixture& f = *fixture_;
    QVERIFY(test::addBallRow(*f.db, Dupont, "001", knownBall({{"MAT_SAC", "001"}})));
    QVERIFY(test::addBallRow(*f.db, Dupont, "007", knownBall({{"MAT_SAC", "150"}})));
    QVERIFY(f.openCustomer(Dupont));
    f.choose("Option6_1"); // the 007 ball is hidden
    QCOMPARE(f.ballLines(), QStringList{"001"});
    f.click("cmdajout_mat");
    f.fillKnownBall();
    f.find<QRadioButton>("Option4_2")->setChecked(true);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    const QVariantMap b = f.storedBall(Dupont, "008");
    QCOMPARE(b.value("MAT_SAC").toString(), QStringLiteral("000"));
    QCOMPARE(b.value("MAT_TYPE").toString(), QStringLiteral("Spare"));
    QCOMPARE(f.ballCount(Dupont), 3);
    QCOMPARE(f.ballLines(), (QStringList{"008", "001"}));
    QCOMPARE(f.addBallLine(), QStringLiteral("009"));
}

void TestBallRecord::opened_ball_is_shown_and_updated_in_place() {
    BallFixture& f = *fixture_;
    QVERIFY(test::addBallRow(*f.db, Dupont, "001", knownBall({{"MAT_SAC", "020"}})));
    QVERIFY(test::addBallRow(*f.db, Dupont, "003", knownBall()));
    QVERIFY(f.openCustomer(Dupont));
    f.clickBallLine("003");
    QVERIFY(f.record()->isVisible());
    // The grid shows this ball alone.
    QCOMPARE(f.ballLines(), QStringList{"003"});
    QCOMPARE(f.combo(0)->currentText(), QStringLiteral("AMF"));
    QVERIFY(f.find("Image_amf")->isVisible());
    QVERIFY(!f.find("Image_storm")->isVisible());
    QCOMPARE(f.box("txtboule")->text(), QStringLiteral("ANGLE"));
    QCOMPARE(f.combo(1)->currentText(), QStringLiteral("Pancake"));
    QCOMPARE(f.combo(6)->currentText(), QStringLiteral("4"));
    QCOMPARE(f.box("Mskfdat")->displayText(), QStringLiteral("07/03/2004"));
    QCOMPARE(f.find<QPlainTextEdit>("txtsurface")->toPlainText(), QStringLiteral("Abralon 2000"));
    QCOMPARE(f.focusName(), QStringLiteral("txtboule"));
    // An unknown condition selects no button.
    QVERIFY(!f.find<QRadioButton>("Option4_0")->isChecked());
    QVERIFY(!f.find<QRadioButton>("Option4_1")->isChecked());
    QVERIFY(!f.find<QRadioButton>("Option4_2")->isChecked());

    test::typeText(f.box("txtboule"), "hy-road");
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    const QVariantMap b = f.storedBall(Dupont, "003");
    QCOMPARE(b.value("mat_boule").toString(), QStringLiteral("HY-ROAD"));
    // Key, bag number and the condition no button stands for stay.
    QCOMPARE(b.value("MAT_CODE").toString(), Dupont);
    QCOMPARE(b.value("MAT_SAC").toString(), QStringLiteral("105"));
    QCOMPARE(b.value("MAT_TYPE").toString(), QStringLiteral("Autre"));
    QCOMPARE(b.value("mat_layout").toString(), QStringLiteral("45 < 4 < 30"));
    QCOMPARE(f.ballCount(Dupont), 2);
    QVERIFY(f.record()->isHidden());
    QCOMPARE(f.ballLines(), (QStringList{"001", "003"}));
}

void TestBallRecord::opened_ball_with_null_fields_shows_empty_texts() {
    BallFixture& f = *fixture_;
    // Only the key and the bag number were ever written.
    QVERIFY(test::addBallRow(*f.db, Dupont, "002", {{"MAT_SAC", "000"}}));
    QVERIFY(f.openCustomer(Dupont));
    f.clickBallLine("002");
    QVERIFY(f.record()->isVisible());
    for (int i = 0; i < 8; ++i) {
        QVERIFY(f.combo(i)->count() > 0);               // the lists are filled...
        QCOMPARE(f.combo(i)->currentText(), QString()); // ...but nothing is chosen
    }
    QVERIFY(!f.find("Image_amf")->isVisible());
    QCOMPARE(f.box("Mskfdat")->displayText(), QStringLiteral("__/__/____"));
    // Validating asks about the empty brand rather than storing a brand
    // nobody chose.
    f.expectUnknown("Marque : ", "", false);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.focusName(), QStringLiteral("Combo0"));
    QVERIFY(f.storedBall(Dupont, "002").value("mat_marque").isNull());
    QVERIFY(f.record()->isVisible());
}

void TestBallRecord::empty_date_is_stored_as_the_mask() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    f.click("cmdajout_mat");
    f.fillKnownBall();
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    const QVariantMap b = f.storedBall(Dupont, "001");
    QCOMPARE(b.value("MAT_DATE").toString(), QStringLiteral("__/__/____"));
    QCOMPARE(b.value("MAT_DATE_TRI").toString(), QStringLiteral("________"));
    f.clickBallLine("001");
    QCOMPARE(f.box("Mskfdat")->displayText(), QStringLiteral("__/__/____"));
    // Leaving the untouched mask is no invalid date.
    f.box("Mskfdat")->setFocus();
    f.leave("Mskfdat");
    VDN_CHECK_BOXES(f.folder);
}

void TestBallRecord::adding_after_a_sec_ball_keeps_sec() {
    BallFixture& f = *fixture_;
    QVERIFY(test::addBallRow(*f.db, Dupont, "001", knownBall({{"MAT_TYPE", "Sec"}})));
    QVERIFY(f.openCustomer(Dupont));
    const QVariantMap before = f.storedBall(Dupont, "001");
    f.clickBallLine("001");
    QVERIFY(f.find<QRadioButton>("Option4_1")->isChecked());
    test::typeText(f.box("txtboule"), "changed");
    f.click("cmdannule3");
    QVERIFY(f.record()->isHidden());
    QCOMPARE(f.storedBall(Dupont, "001"), before); // cancel writes nothing
    f.click("cmdajout_mat");
    QVERIFY(f.find<QRadioButton>("Option4_1")->isChecked());
    QCOMPARE(f.box("txtboule")->text(), QString());
    f.fillKnownBall();
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.storedBall(Dupont, "002").value("MAT_TYPE").toString(), QStringLiteral("Sec"));
}

void TestBallRecord::deleted_customer_gets_no_ball() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Gone));
    f.folder.boxes.expectMessage(
        QStringLiteral("Ce client est supprimé--Impossible de créer du matériel"));
    f.click("cmdajout_mat");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.record()->isHidden());
    QVERIFY(f.find("Frame200")->isVisible()); // the customer panel's cancel ran
    QCOMPARE(f.ballCount(Gone), 0);
}

void TestBallRecord::delete_asks_and_takes_the_current_ball() {
    BallFixture& f = *fixture_;
    for (const char* line : {"001", "002", "003"})
        QVERIFY(test::addBallRow(*f.db, Dupont, line, knownBall({{"MAT_SAC", "010"}})));
    QVERIFY(f.openCustomer(Dupont));
    const QString question = QStringLiteral("Etes-vous sûr de vouloir supprimer cette boule ? ");
    // The ball looked at last stays current once the record is closed.
    f.clickBallLine("002");
    f.click("cmdannule3");
    QCOMPARE(f.ballLines(), (QStringList{"001", "002", "003"}));
    f.folder.boxes.expectQuestion(question, false);
    f.click("cmdsupp_mat");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.ballCount(Dupont), 3);
    QCOMPARE(f.ballLines(), (QStringList{"001", "002", "003"}));

    f.folder.boxes.expectQuestion(question, true);
    f.click("cmdsupp_mat");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.ballLines(), (QStringList{"001", "003"}));
    QVERIFY(f.storedBall(Dupont, "002").isEmpty());
    // Chosen with the keyboard.
    f.ballGrid()->setFocus();
    QTest::keyClick(f.ballGrid(), Qt::Key_Down);
    f.folder.boxes.expectQuestion(question, true);
    f.click("cmdsupp_mat");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.ballLines(), QStringList{"001"});
    // The lines of the deleted balls are given again.
    QCOMPARE(f.addBallLine(), QStringLiteral("002"));
}

void TestBallRecord::date_check_on_leaving_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("invalid");
    QTest::newRow("partly typed") << "120"
                                  << "12/0_/____" << true;
    QTest::newRow("no such day") << "31022004"
                                 << "31/02/2004" << true;
    QTest::newRow("leap day") << "29022004"
                              << "29/02/2004" << false;
    QTest::newRow("day first") << "31122003"
                               << "31/12/2003" << false;
    QTest::newRow("untouched") << ""
                               << "__/__/____" << false;
}

void TestBallRecord::date_check_on_leaving() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, invalid);
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    f.click("cmdajout_mat");
    f.fillKnownBall();
    f.typeDate(typed);
    QCOMPARE(f.box("Mskfdat")->displayText(), shown);
    if (invalid)
        f.folder.boxes.expectMessage(QStringLiteral("Date invalide"));
    f.leave("Mskfdat");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.focusName(), invalid ? QStringLiteral("Mskfdat") : QString("txtsurface"));
    // The date is written as typed all the same (leaving the box for the
    // button reports it once more).
    if (invalid)
        f.folder.boxes.expectMessage(QStringLiteral("Date invalide"));
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.storedBall(Dupont, "001").value("MAT_DATE").toString(), shown);
    // Opened again, the box shows what was stored.
    f.clickBallLine("001");
    QCOMPARE(f.box("Mskfdat")->displayText(), shown);
}

void TestBallRecord::text_boxes_select_on_entry_and_capitalise_on_leaving() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    f.click("cmdajout_mat");
    f.fillKnownBall();
    struct Case {
        const char* box;
        QString typed;
        QString left;
    };
    const QList<Case> cases{{"txtboule", "éclipse", "ÉCLIPSE"},
                            {"txtserie", "ab-12", "AB-12"},
                            {"txtrg", "2,5a", "2,5a"}};
    for (const Case& c : cases) {
        f.retype(c.box, c.typed);
        f.leave(c.box);
        QCOMPARE(f.box(c.box)->text(), c.left);
        // Coming back selects the whole text, so that typing replaces it.
        QTest::mouseClick(f.box(c.box), Qt::LeftButton);
        QTest::qWait(0);
        QCOMPARE(f.box(c.box)->selectedText(), c.left);
        test::typeText(f.box(c.box), "x");
        QCOMPARE(f.box(c.box)->text(), QStringLiteral("x"));
    }
    VDN_CHECK_BOXES(f.folder);
}

void TestBallRecord::customer_click_closes_the_record() {
    BallFixture& f = *fixture_;
    QVERIFY(test::addBallRow(*f.db, Dupont, "001", knownBall()));
    QVERIFY(f.openCustomer(Dupont));
    f.clickBallLine("001");
    QVERIFY(f.record()->isVisible());
    f.w->retour_liste();
    QVERIFY(f.openCustomer(Dupont));
    QVERIFY(f.record()->isHidden());
    QVERIFY(f.find("cmdajout_mat")->isVisible());
    QCOMPARE(f.ballLines(), QStringList{"001"});
    VDN_CHECK_BOXES(f.folder);
}

void TestBallRecord::failed_validation_writes_nothing_and_keeps_the_record() {
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    f.click("cmdajout_mat");
    f.fillKnownBall();
    // Another program breaks the table under the window.
    QSqlQuery q(f.db->db());
    QVERIFY(q.exec("ALTER TABLE strmateriel RENAME TO strmateriel_old"));
    BallStore other(f.db->db());
    BallRecord ball;
    ball.code = Dupont;
    ball.line = "001";
    f.expectReport(BallFixture::failureOf([&] { return other.insert(ball); }),
                   QStringLiteral("Enregistrement de la boule"));
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.record()->isVisible());
    QVERIFY(q.exec("ALTER TABLE strmateriel_old RENAME TO strmateriel"));
    QCOMPARE(f.ballCount(Dupont), 0);
}

namespace {
// What takes the ball panel's place, or ends it, while a ball is typed.
enum class Over { Pencil, SheetThenWindowGoes, CloseBox };
} // namespace
Q_DECLARE_METATYPE(Over)
Q_DECLARE_METATYPE(Answer)

void TestBallRecord::ball_being_typed_is_asked_before_it_goes_data() {
    QTest::addColumn<Over>("over");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("panel"); // shown afterwards
    QTest::newRow("pencil, Annuler: back to the ball")
        << Over::Pencil << Answer::Cancel << 0 << "Frame300";
    QTest::newRow("pencil, Non: dropped") << Over::Pencil << Answer::No << 0 << "Frame100";
    QTest::newRow("pencil, Oui: saved") << Over::Pencil << Answer::Yes << 1 << "Frame100";
    QTest::newRow("under the sheet, Annuler")
        << Over::SheetThenWindowGoes << Answer::Cancel << 0 << "Frame400";
    QTest::newRow("under the sheet, Oui") << Over::SheetThenWindowGoes << Answer::Yes << 1 << "";
    QTest::newRow("close box, Oui: saved, back to the list")
        << Over::CloseBox << Answer::Yes << 1 << "Frame200";
    QTest::newRow("close box, Non: back to the list")
        << Over::CloseBox << Answer::No << 0 << "Frame200";
}

void TestBallRecord::ball_being_typed_is_asked_before_it_goes() {
    QFETCH(Over, over);
    QFETCH(Answer, answer);
    QFETCH(int, stored);
    QFETCH(QString, panel);
    BallFixture& f = *fixture_;
    QVERIFY(f.openCustomer(Dupont));
    f.click("cmdajout_mat");
    f.fillKnownBall();
    // Enter answers Non: the ball panel's close drops a ball not validated.
    const QString question = QStringLiteral("Enregistrer les modifications de boule ?");
    switch (over) {
    case Over::Pencil:
        f.folder.boxes.expectQuestionWithCancel(question, answer, Answer::No);
        QTest::mouseClick(f.panel()->findChild<QWidget*>(QStringLiteral("Image2")), Qt::LeftButton);
        break;
    case Over::SheetThenWindowGoes:
        f.click("cmdajout_fiche");
        QVERIFY(f.find("Frame400")->isVisible());
        VDN_CHECK_BOXES(f.folder);
        // As the main window asks before quitting or restoring.
        f.folder.boxes.expectQuestionWithCancel(question, answer, Answer::No);
        QCOMPARE(f.w->settleEntry(VdnClient::Reach::Everything),
                 answer == Answer::Yes ? VdnClient::EntryOutcome::Saved
                                       : VdnClient::EntryOutcome::Kept);
        break;
    case Over::CloseBox:
        f.folder.boxes.expectQuestionWithCancel(question, answer, Answer::No);
        f.w->close();
        break;
    }
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.ballCount(Dupont), stored);
    if (!panel.isEmpty())
        QVERIFY2(f.find(qPrintable(panel))->isVisible(), qPrintable(panel));
    if (over == Over::Pencil && answer == Answer::Cancel)
        QVERIFY(f.record()->isVisible());
}

QTEST_MAIN(TestBallRecord)
#include "tst_ball_record.moc"
