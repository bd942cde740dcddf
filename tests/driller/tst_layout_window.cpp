// The layout window as a user meets it from an open ball: what it opens
// with, what it works out and draws for each hand, what it says of bad
// input, the VLS conversion, its guide page, its printout, and the layout
// written back into the ball and stored by the ball's validation.

#include "app/help_window.h"
#include "balls/ball_fixture.h"
#include "driller/drilling_rules.h"
#include "driller/layout_numbers.h"
#include "driller/layout_picture.h"
#include "driller/layout_window.h"
#include "drilling/sheet_version_window.h"
#include "support/widget_lookup.h"
#include "widgets/screen_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTextBrowser>

using namespace vdn;

namespace {

const QString Guide = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../docs/guide");

bool addLaidOutCustomer(Connection& c, const QString& code, const QString& hand, bool sheet) {
    return test::addCustomer(c, code, QStringLiteral("DUPONT JEAN"), QStringLiteral("Annecy"),
                             {{QStringLiteral("clt_dg"), hand}}) &&
           test::addBallRow(c, code, QStringLiteral("001"),
                            {{QStringLiteral("MAT_SAC"), QStringLiteral("000")},
                             {QStringLiteral("mat_marque"), QStringLiteral("STORM")},
                             {QStringLiteral("mat_boule"), QStringLiteral("PHAZE II")},
                             {QStringLiteral("mat_noyau"), QStringLiteral("Pancake")},
                             {QStringLiteral("mat_diff"), QStringLiteral("0,04")},
                             {QStringLiteral("mat_length"), QStringLiteral("15,00")},
                             {QStringLiteral("mat_hook"), QStringLiteral("3,00")},
                             {QStringLiteral("MAT_LAYOUT1"), QStringLiteral("60")},
                             {QStringLiteral("MAT_LAYOUT2"), QStringLiteral("4 1/2")},
                             {QStringLiteral("MAT_LAYOUT3"), QStringLiteral("30")}}) &&
           (!sheet || test::insertRow(c, QStringLiteral("strpercage"),
                                      {{QStringLiteral("per_code"), code},
                                       {QStringLiteral("PER_30"), QStringLiteral("5 1/4")},
                                       {QStringLiteral("PER_31"), QStringLiteral("1/2")}}));
}

// Replaces a box's text as a user does.
void retype(QLineEdit* box, const QString& text) {
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    test::typeText(box, text);
}

QString pdfText(const QString& file) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess p;
    p.start(tool, {file, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestLayoutWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        test::useFrenchLocale();
        setUpDesktopIntegration();
        qputenv("VORDAN_GUIDE", QFile::encodeName(Guide));
    }
    void fromTheBallAndBack_data();
    void fromTheBallAndBack();
    void drillingRecordedCheckedAndShownAgain();
    void typedDrillingAskedBeforeItGoes_data();
    void typedDrillingAskedBeforeItGoes();
    void blankWeightNeverConformsAndRecordsOnce();
    void everyBrokenRuleCanBeRead();
    void smallScreenScrollsToEveryControl();
};

void TestLayoutWindow::fromTheBallAndBack_data() {
    QTest::addColumn<QString>("hand");
    QTest::newRow("right-hander") << "D";
    QTest::newRow("left-hander") << "G";
}

void TestLayoutWindow::fromTheBallAndBack() {
    QFETCH(QString, hand);
    const bool right = hand == QLatin1String("D");
    test::BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(addLaidOutCustomer(*f.db, "000001", hand, true));
    QVERIFY(addLaidOutCustomer(*f.db, "000002", "", false));
    if (right) // an asymmetric core rather than the stored pancake
        QVERIFY(f.db->execute(QStringLiteral("UPDATE strmateriel SET mat_noyau = 'Asymétrique' "
                                             "WHERE MAT_CODE = '000001'")));
    QVERIFY(f.openCustomer("000001"));
    f.clickBallLine("001");
    // A change not yet validated is what the window starts from.
    f.typeInto(5, "45");
    f.click("cmdimplantation");
    QPointer<LayoutWindow> w = f.w->findChild<LayoutWindow*>();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->objectName(), QStringLiteral("VDN_implantation"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Implantation – Boule 001 – STORM PHAZE II"));
    QCOMPARE(w->windowModality(), Qt::WindowModal);
    // Every caption is French.
    for (QWidget* shown : w->findChildren<QWidget*>()) {
        QString caption;
        if (auto* label = qobject_cast<QLabel*>(shown))
            caption = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(shown))
            caption = button->text();
        for (const char* english : {"Mill hole", "(over)", "(up)"})
            QVERIFY2(!caption.contains(QLatin1String(english)), qPrintable(caption));
    }
    const auto box = [&](const char* name) { return test::control<QLineEdit>(w, name); };
    const auto text = [&](const char* name) { return test::control<QLabel>(w, name)->text(); };
    const QStringList opened{box("txtangle_perc")->text(), box("txtdist_pap")->text(),
                             box("txtangle_val")->text(),  box("txtpap_h")->text(),
                             box("txtpap_v")->text(),      box("txtpin_mb")->text()};
    QCOMPARE(opened, (QStringList{"45", "4 1/2", "30", "5 1/4", "1/2", "6 3/4"}));
    QCOMPARE(text("lblmain"), right ? QStringLiteral("Main : Droitier") : "Main : Gaucher");
    QCOMPARE(text("lblboule"), QStringLiteral("Boule 001 – STORM PHAZE II"));

    // 45 x 4 1/2 x 30 by hand: buffer R asin(sin(4.5/R) sin 30), PSA-PAP
    // R acos(sin(4.5/R) cos 45), R = 27 / 2 pi.
    QCOMPARE(text("lbltampon"), QStringLiteral("1,924 po (≈ 1 15/16)"));
    QCOMPARE(text("lblpsa_pap"), QStringLiteral("3,918 po (≈ 3 15/16)"));
    QVERIFY(text("lblhauteur_pin").endsWith("au-dessus de la ligne médiane"));
    // The drawing mirrors with the hand: the PAP right of the grip centre
    // for a right-hander.
    auto* picture = test::control<LayoutPicture>(w, "picimplantation");
    const auto papX = [&] {
        for (const layout::Label& l : picture->scene()->labels)
            if (l.kind == layout::Label::Kind::Pap)
                return l.at.x();
        return 0.0;
    };
    QVERIFY(picture->isEnabled() && picture->scene());
    QVERIFY(right ? papX() > 0.5 : papX() < -0.5);
    // The ball's core names the line from the pin, until chosen otherwise.
    const auto lineFromPin = [&] {
        for (const layout::Label& l : picture->scene()->labels)
            if (l.kind == layout::Label::Kind::Line && (l.text == "CG" || l.text == "MB"))
                return l.text;
        return QString();
    };
    auto* core = test::control<QComboBox>(w, "cbonoyau");
    QCOMPARE(core->currentIndex(), right ? 1 : 0);
    QCOMPARE(lineFromPin(), right ? "MB" : "CG");
    core->setCurrentIndex(right ? 0 : 1);
    QCOMPARE(lineFromPin(), right ? "CG" : "MB");
    core->setCurrentIndex(right ? 1 : 0);

    // Bad input: said beside the field, the drawing greyed, nothing to write.
    retype(box("txtdist_pap"), "quatre");
    QCOMPARE(
        text("lblmsg_txtdist_pap"),
        QStringLiteral("Distance pin-PAP « quatre » illisible : tapez par exemple 4 1/2 ou 4,5"));
    QVERIFY(!picture->isEnabled() && picture->scene());
    QVERIFY(!test::control<QPushButton>(w, "cmdreporter")->isEnabled());
    retype(box("txtangle_val"), "200");
    QCOMPARE(text("lblmsg_txtangle_val"),
             QStringLiteral("Angle VAL de 200° hors limites : de 0 à 180°"));
    retype(box("txtdist_pap"), "4½");
    retype(box("txtangle_val"), "30");
    QVERIFY(picture->isEnabled() && text("lblmsg_txtdist_pap").isEmpty());

    // VLS numbers convert back to the same Dual Angle.
    retype(box("txtangle_perc"), "10");
    retype(box("txtangle_val"), "80");
    retype(box("txtvls_psa"), "3,918");
    retype(box("txtvls_tampon"), "1,924");
    f.click("cmdconvertir");
    const auto read = [&](const char* name) {
        return layout::readQuantity(box(name)->text(), layout::Quantity::Angle).value_or(-1);
    };
    QVERIFY(std::fabs(read("txtangle_perc") - 45) < 0.05);
    QVERIFY(std::fabs(read("txtangle_val") - 30) < 0.05);
    QVERIFY(test::control<QPushButton>(w, "cmdvls_autre")->isVisible());
    retype(box("txtvls_tampon"), "5");
    f.click("cmdconvertir");
    QVERIFY(text("lblvls").startsWith("Impossible : un tampon du pin de 5 po"));
    retype(box("txtangle_val"), "30");

    // F1 opens the window's page of the guide.
    QTest::keyClick(box("txtangle_val"), Qt::Key_F1);
    HelpWindow* help = showHelp();
    QCOMPARE(help->txtAide->source().fileName(), QStringLiteral("implantation.md"));
    help->close();

    // One page through the print dialog, here into a PDF.
    QTemporaryDir out;
    const QString pdf = out.filePath("implantation.pdf");
    f.folder.printDialog.expectAccept({pdf});
    f.click("cmdimp_implantation");
    QVERIFY(QFileInfo(pdf).size() > 0);
    if (const QString printed = pdfText(pdf); !printed.isEmpty())
        for (const QString& expected : {QStringLiteral("IMPLANTATION DE LA BOULE"),
                                        right ? QStringLiteral("Droitier") : "Gaucher",
                                        QStringLiteral("Marquage de la boule")})
            QVERIFY2(printed.contains(expected), qPrintable(expected));

    // Written back into the ball as shown, then stored by its validation.
    QCOMPARE(text("lblreporter"), QStringLiteral("Sera écrit : 45 < 4½ < 30"));
    retype(box("txtdist_pap"), "4,5625");
    QCOMPARE(text("lblreporter"), QStringLiteral("Sera écrit : 45 < 4,56 < 30"));
    retype(box("txtdist_pap"), "4 1/2");
    f.click("cmdreporter");
    QTRY_VERIFY(!w);
    QCOMPARE(f.combo(6)->currentText(), QStringLiteral("4 1/2"));
    f.folder.boxes.expectQuestion(
        QStringLiteral("Layout Distance : 4 1/2 est inconnu, voulez-vous l'enregistrer ? "), true);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(test::scalar(*f.db, "SELECT mat_layout FROM strmateriel WHERE MAT_CODE = '000001'")
                 .toString(),
             QStringLiteral("45 < 4 1/2 < 30"));

    // Escape closes; a customer without sheet or hand is told what is missing.
    f.click("cmdannule3");
    f.w->retour_liste();
    QVERIFY(f.openCustomer("000002"));
    f.clickBallLine("001");
    f.click("cmdimplantation");
    w = f.w->findChild<LayoutWindow*>();
    QVERIFY(w);
    QVERIFY(text("lblmanque").contains("pas de fiche de perçage"));
    QVERIFY(text("lblmanque").contains("main du client n'est pas notée"));
    QCOMPARE(text("lblmsg_txtpap_h"),
             QStringLiteral("PAP horizontal à remplir : tapez par exemple 4 1/2 ou 4,5"));
    QVERIFY(!test::control<LayoutPicture>(w, "picimplantation")->isEnabled() && !w->page());
    QVERIFY(!test::control<QPushButton>(w, "cmdimp_implantation")->isEnabled());
    QTest::keyClick(box("txtangle_perc"), Qt::Key_Escape);
    QTRY_VERIFY(!w);
    QCOMPARE(f.combo(5)->currentText(), QStringLiteral("60"));
    VDN_CHECK_BOXES(f.folder);
}

void TestLayoutWindow::drillingRecordedCheckedAndShownAgain() {
    test::BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(addLaidOutCustomer(*f.db, "000001", "D", true));
    // The sheet validated twice the same day: the drilling names the second
    // version by its number and time.
    for (const auto& [number, date, over] : {std::tuple{"000001", "2026-12-01 10:00:00", "5"},
                                             std::tuple{"000002", "2026-12-01 16:45:00", "5 1/4"}})
        QVERIFY(test::insertRow(*f.db, "strpercage_hist",
                                {{"per_code", "000001"},
                                 {"his_num", number},
                                 {"his_date", date},
                                 {"his_perceur", "Zoé"},
                                 {"PER_30", over},
                                 {"PER_31", "1/2"}}));
    QVERIFY(f.openCustomer("000001"));
    f.clickBallLine("001");
    const auto label = [&](QWidget* in, const char* name) {
        return test::control<QLabel>(in, name)->text();
    };
    QCOMPARE(label(f.w, "lblpercage"), QStringLiteral("Pas de perçage enregistré"));
    f.click("cmdimplantation");
    QPointer<LayoutWindow> w = f.w->findChild<LayoutWindow*>();
    QVERIFY(w);
    const auto box = [&](const char* name) { return test::control<QLineEdit>(w, name); };
    QCOMPARE(label(w, "lbldernier"), QStringLiteral("Pas de perçage enregistré pour cette boule."));

    // Nothing moves under the mouse while messages and rules come and go.
    const auto placeOf = [&](const char* name) {
        QTest::qWait(20); // the layout's pending requests
        QWidget* c = test::control<QWidget>(w, name);
        return QRect(c->mapTo(w, QPoint(0, 0)), c->size());
    };
    const QRect holesAtStart = placeOf("frmtrous");
    const QRect pinOutAtStart = placeOf("txtboite_pin_out");

    // The USBC profile, chosen as a user does, and a balance hole: the red line.
    auto* profile = test::control<QComboBox>(w, "cboregles");
    QCOMPARE(profile->currentText(), QStringLiteral("IBF (ex-World Bowling)"));
    profile->setFocus();
    QTest::keyClick(profile, Qt::Key_Up);
    QCOMPARE(profile->currentText(), QStringLiteral("USBC"));
    QTest::mouseClick(test::control<QCheckBox>(w, "chkequilibrage"), Qt::LeftButton, Qt::NoModifier,
                      QPoint(4, 4));
    auto* holes = test::control<QSpinBox>(w, "txtnb_trous");
    holes->setFocus();
    QTest::keyClicks(holes, "3");
    retype(box("txtlbs"), "15");
    QVERIFY(label(w, "lblregles")
                .startsWith("Trou d'équilibrage interdit depuis le 1er août 2020 (USBC"));
    QCOMPARE(label(w, "lblregles").count('\n'), 0);
    QCOMPARE(label(w, "lblnb_regles"), QStringLiteral("1 règle non respectée"));

    // A weight out of any sensible range: said beside it, nothing recorded.
    retype(box("txtpoids_cote"), "17");
    QCOMPARE(label(w, "lblmsg_txtpoids_cote"),
             QStringLiteral("Poids latéral de 17 hors limites : de -16 à 16 oz"));
    QCOMPARE(placeOf("frmtrous"), holesAtStart);
    QCOMPARE(placeOf("txtboite_pin_out"), pinOutAtStart);
    QCOMPARE(label(w, "lblnb_regles"), QString()); // not checked: nothing counted
    retype(box("txtprof_mill"), "9");
    QCOMPARE(label(w, "lblmsg_txtprof_mill"),
             QStringLiteral("Profondeur du trou de fraisage de 9 hors limites : de 0 à 8,595 po "
                            "(la boule)"));
    retype(box("txtprof_mill"), "");
    f.folder.boxes.expectMessage(
        QStringLiteral("Corrigez d'abord les valeurs signalées : rien n'est enregistré."));
    f.click("cmdenregistrer_percage");
    VDN_CHECK_BOXES(f.folder);
    retype(box("txtpoids_cote"), "-1 1/2");
    // The figures printed on the ball's box, kept with the drilling.
    retype(box("txtboite_pin_out"), "14");
    QCOMPARE(label(w, "lblmsg_txtboite_pin_out"),
             QStringLiteral("Pin-out de la boîte de 14 hors limites : de 0 à 13,5 po (la moitié "
                            "du tour de la boule)"));
    retype(box("txtboite_pin_out"), "4\"1/2");
    retype(box("txtboite_poids_haut"), "3 1/2");
    f.folder.boxes.expectQuestion(QStringLiteral("Enregistrer le perçage de cette boule ?\n"
                                                 "Non conforme USBC : trou d'équilibrage"),
                                  true);
    f.click("cmdenregistrer_percage");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(test::column(*f.db, "SELECT pb_num || ' ' || his_num || ' ' || pb_perceur || ' ' || "
                                 "pb_equilibrage || ' ' || pb_poids_cote || ' ' || pb_verdict "
                                 "FROM strperc_boule"),
             QStringList{"000001 000002 Tibor Vallasse O -1 1/2 Non conforme USBC : trou "
                         "d'équilibrage"});
    QCOMPARE(test::column(*f.db, "SELECT pb_boite_poids_haut || ' / ' || pb_boite_pin_out FROM "
                                 "strperc_boule"),
             QStringList{"3 1/2 / 4\"1/2"});
    QCOMPARE(test::scalar(*f.db, "SELECT spe_regles FROM strspecif").toString(),
             QStringLiteral("USBC"));
    QCOMPARE(label(w, "lbldernier"), QStringLiteral("Dernier perçage n° 1 du 08/12/2026 par "
                                                    "Tibor Vallasse : même layout que la boule."));

    // The drilling chosen in the list: read-only, printed with its holes,
    // weights, verdict and sheet version.
    auto* list = test::control<QListWidget>(w, "lstpercages");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(1)->text(), QStringLiteral("N° 1 du 08/12/2026 par Tibor Vallasse"));
    retype(box("txtangle_perc"), "50");
    list->setCurrentRow(1);
    QVERIFY(box("txtangle_perc")->isReadOnly() && box("txtangle_perc")->text() == "60");
    QVERIFY(!test::control<QPushButton>(w, "cmdenregistrer_percage")->isEnabled());
    QCOMPARE(label(w, "lbldernier"),
             QStringLiteral("Perçage n° 1 du 08/12/2026 à 14:30 (lecture seule)"));
    const std::optional<LayoutPage> page = w->page();
    QVERIFY(page);
    QStringList printed;
    for (const LayoutSection& s : page->sections)
        printed << s.lines;
    for (const QString& line :
         {QStringLiteral("Règles : Non conforme USBC : trou d'équilibrage"),
          QStringLiteral("Fiche de perçage n° 2 du 01/12/2026 à 16:45"),
          QStringLiteral("Trou d'équilibrage : oui"),
          QStringLiteral("Sur la boîte : poids haut 3 1/2 oz, pin-out 4 1/2 po"),
          QStringLiteral("Poids statiques : haut/bas non noté, côté -1 1/2 "
                         "oz, doigts/pouce non noté")})
        QVERIFY2(printed.contains(line), qPrintable(line));
    list->setCurrentRow(0);
    QCOMPARE(box("txtangle_perc")->text(), QStringLiteral("50"));
    QVERIFY(!box("txtangle_perc")->isReadOnly());
    QVERIFY(label(w, "lbldernier").startsWith("Dernier perçage n° 1 du 08/12/2026"));
    QTest::keyClick(box("txtangle_perc"), Qt::Key_Escape);
    QTRY_VERIFY(!w);

    // The ball panel names it; its click shows that sheet version, marked.
    QCOMPARE(label(f.w, "lblpercage"), QStringLiteral("Percée le 08/12/2026 par Tibor Vallasse "
                                                      "(fiche n° 2 du 01/12/2026 à 16:45)"));
    QTest::mouseClick(test::control<QLabel>(f.w, "lblpercage"), Qt::LeftButton);
    QPointer<SheetVersionWindow> sheet = f.w->findChild<SheetVersionWindow*>();
    QVERIFY(sheet && sheet->isVisible());
    QCOMPARE(sheet->windowTitle(), QStringLiteral("Fiche de perçage du 01/12/2026 16:45:00"));
    QCOMPARE(test::control<QComboBox>(sheet, "Combo30")->currentText(), QStringLiteral("5 1/4"));
    QVERIFY(test::control<QComboBox>(sheet, "Combo30")->toolTip().contains("5"));
    QVERIFY(test::control<QComboBox>(sheet, "Combo31")->toolTip().isEmpty());
    sheet->close();
    QTRY_VERIFY(!sheet);

    // A change not yet validated: the ball must be validated first.
    f.typeInto(5, "45");
    f.click("cmdimplantation");
    w = f.w->findChild<LayoutWindow*>();
    QVERIFY(w);
    QCOMPARE(label(w, "lbldernier"),
             QStringLiteral("Dernier perçage n° 1 du 08/12/2026 par Tibor Vallasse : son layout "
                            "(60 < 4 1/2 < 30) diffère de celui de la boule."));
    f.folder.boxes.expectMessage(QStringLiteral("Validez d'abord la boule : son perçage "
                                                "s'enregistre sur la boule enregistrée, sans "
                                                "modification en cours."));
    f.click("cmdenregistrer_percage");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strperc_boule").toInt(), 1);
    w->close();
}

Q_DECLARE_METATYPE(Answer)

void TestLayoutWindow::typedDrillingAskedBeforeItGoes_data() {
    QTest::addColumn<bool>("windowGoes"); // the customer window goes (quit), or the close box
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("recorded");
    QTest::newRow("close box, Annuler: back to it") << false << Answer::Cancel << 0;
    QTest::newRow("close box, Non: dropped") << false << Answer::No << 0;
    QTest::newRow("close box, Oui: recorded") << false << Answer::Yes << 1;
    QTest::newRow("quit, Annuler: back to it") << true << Answer::Cancel << 0;
    QTest::newRow("quit, Oui: recorded") << true << Answer::Yes << 1;
}

void TestLayoutWindow::typedDrillingAskedBeforeItGoes() {
    QFETCH(bool, windowGoes);
    QFETCH(Answer, answer);
    QFETCH(int, recorded);
    test::BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(addLaidOutCustomer(*f.db, "000001", "D", true));
    QVERIFY(f.openCustomer("000001"));
    f.clickBallLine("001");
    f.click("cmdimplantation");
    QPointer<LayoutWindow> w = f.w->findChild<LayoutWindow*>();
    QVERIFY(w);
    // Nothing typed: the close box asks nothing.
    if (!windowGoes) {
        QTest::keyClick(test::control<QLineEdit>(w, "txtcommentaire"), Qt::Key_Escape);
        VDN_CHECK_BOXES(f.folder);
        QTRY_VERIFY(!w);
        f.click("cmdimplantation");
        w = f.w->findChild<LayoutWindow*>();
        QVERIFY(w);
    }
    test::control<QSpinBox>(w, "txtnb_trous")->setValue(3);
    retype(test::control<QLineEdit>(w, "txtlbs"), QStringLiteral("15"));
    retype(test::control<QLineEdit>(w, "txtcommentaire"), QStringLiteral("pouce ovalisé"));
    f.folder.boxes.expectQuestionWithCancel(
        QStringLiteral("Enregistrer le perçage de cette boule ?"), answer, Answer::Yes);
    if (windowGoes)
        QCOMPARE(f.w->settleEntry(VdnClient::Reach::Everything) == VdnClient::EntryOutcome::Kept,
                 answer == Answer::Cancel);
    else
        w->close();
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(test::column(*f.db, "SELECT pb_comment FROM strperc_boule"),
             recorded ? QStringList{QStringLiteral("pouce ovalisé")} : QStringList{});
    if (!windowGoes)
        QTRY_COMPARE(w.isNull(), answer != Answer::Cancel);
    if (answer == Answer::Cancel)
        QCOMPARE(test::control<QLineEdit>(w, "txtcommentaire")->text(),
                 QStringLiteral("pouce ovalisé"));
}

namespace {
// The layout window of the first ball of a right-handed customer with a
// sheet, under the USBC rules chosen as a user does.
QPointer<LayoutWindow> openUsbcWindow(test::BallFixture& f) {
    if (!f.ready() || !addLaidOutCustomer(*f.db, "000001", "D", true) || !f.openCustomer("000001"))
        return nullptr;
    f.clickBallLine("001");
    f.click("cmdimplantation");
    QPointer<LayoutWindow> w = f.w->findChild<LayoutWindow*>();
    if (!w)
        return nullptr;
    auto* profile = test::control<QComboBox>(w, "cboregles");
    profile->setFocus();
    QTest::keyClick(profile, Qt::Key_Up);
    return profile->currentText() == QLatin1String("USBC") ? w : nullptr;
}
} // namespace

void TestLayoutWindow::blankWeightNeverConformsAndRecordsOnce() {
    test::BallFixture f;
    QPointer<LayoutWindow> w = openUsbcWindow(f);
    QVERIFY(w);
    const auto box = [&](const char* name) { return test::control<QLineEdit>(w, name); };
    auto* record = test::control<QPushButton>(w, "cmdenregistrer_percage");
    test::control<QSpinBox>(w, "txtnb_trous")->setValue(3);
    retype(box("txtpoids_cote"), "3 1/2");
    // The weight of the ball left blank is no 0 lb ball: 3 1/2 oz of side
    // weight would break the rule of a 15 lb ball, so the verdict says the
    // weights were not checked.
    retype(box("txtlbs"), "");
    QVERIFY(test::control<QLabel>(w, "lblrappels")
                ->text()
                .contains("Poids statiques non vérifiés : poids de la boule non noté."));
    f.folder.boxes.expectQuestion(QStringLiteral("Enregistrer le perçage de cette boule ?\n"
                                                 "Poids non vérifiés (USBC) : poids de la boule "
                                                 "non noté"),
                                  true);
    QTest::mouseClick(record, Qt::LeftButton);
    VDN_CHECK_BOXES(f.folder);

    // Recorded: the same drilling waits for a change before a second one.
    QVERIFY(!record->isEnabled());
    QTest::mouseClick(record, Qt::LeftButton);
    QVERIFY(w->settleEntry());
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(test::scalar(*f.db, "SELECT count(*) FROM strperc_boule").toInt(), 1);
    // The comment is a change; taken back, it is the same drilling again.
    retype(box("txtcommentaire"), "x");
    QVERIFY(record->isEnabled());
    retype(box("txtcommentaire"), "");
    QVERIFY(!record->isEnabled());

    // The weight noted, the rule applies.
    retype(box("txtlbs"), "15");
    QVERIFY(record->isEnabled());
    QVERIFY(test::control<QLabel>(w, "lblregles")
                ->text()
                .startsWith("Poids statique latéral de plus de 3 oz"));
    f.folder.boxes.expectQuestion(QStringLiteral("Enregistrer le perçage de cette boule ?\n"
                                                 "Non conforme USBC : poids latéral"),
                                  true);
    QTest::mouseClick(record, Qt::LeftButton);
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(test::column(*f.db, "SELECT pb_lbs || '|' || pb_verdict FROM strperc_boule ORDER BY "
                                 "pb_num"),
             (QStringList{"|Poids non vérifiés (USBC) : poids de la boule non noté",
                          "15|Non conforme USBC : poids latéral"}));
    w->close();
    QTRY_VERIFY(!w);

    // The customer record's weight of 0 (not noted) is proposed blank; a
    // weight noted there is proposed as it is.
    const auto proposed = [&](const char* pounds) -> QString {
        if (!f.db->execute(QStringLiteral("UPDATE strclient SET clt_lbs = '%1'").arg(pounds)))
            return QStringLiteral("(not written)");
        f.click("cmdimplantation");
        if (!(w = f.w->findChild<LayoutWindow*>()))
            return QStringLiteral("(no window)");
        const QString text = box("txtlbs")->text();
        w->close();
        return text;
    };
    QCOMPARE(proposed("0"), QString());
    QTRY_VERIFY(!w);
    QCOMPARE(proposed("14"), QStringLiteral("14"));
}

void TestLayoutWindow::everyBrokenRuleCanBeRead() {
    test::BallFixture f;
    QPointer<LayoutWindow> w = openUsbcWindow(f);
    QVERIFY(w);
    const auto box = [&](const char* name) { return test::control<QLineEdit>(w, name); };
    const auto check = [&](const char* name) {
        QTest::mouseClick(test::control<QCheckBox>(w, name), Qt::LeftButton, Qt::NoModifier,
                          QPoint(4, 4));
    };
    // Every rule of the book broken at once.
    test::control<QSpinBox>(w, "txtnb_trous")->setValue(6);
    test::control<QSpinBox>(w, "txtnb_events")->setValue(7);
    check("chksans_pouce");
    check("chktrou_pouce");
    check("chkmill");
    check("chkequilibrage");
    retype(box("txtdiam_event"), "3/8");
    retype(box("txtprof_mill"), "1/4");
    retype(box("txtprof_pouce"), "4 5/8");
    retype(box("txtlbs"), "15");
    for (const char* weight : {"txtpoids_haut", "txtpoids_cote", "txtpoids_doigts"})
        retype(box(weight), "4");
    auto* rules = test::control<QLabel>(w, "lblregles");
    QCOMPARE(rules->text().split('\n').size(), int(drilling::rules().size()));
    // Counted above the list, which may scroll.
    QCOMPARE(test::control<QLabel>(w, "lblnb_regles")->text(),
             QStringLiteral("%1 règles non respectées").arg(drilling::rules().size()));
    // The mill hole's depth sits on the mill hole's row, beside its diameter.
    const auto middle = [&](const char* name) {
        QWidget* c = test::control<QWidget>(w, name);
        return c->mapTo(w, c->rect().center()).y();
    };
    QVERIFY(std::abs(middle("txtprof_mill") - middle("chkmill")) <= 2);
    QVERIFY(std::abs(middle("txtdiam_mill") - middle("chkmill")) <= 2);
    QVERIFY(std::abs(middle("chkequilibrage") - middle("chkmill")) > 10);
    // So does each gripping hole's depth, beside its diameter.
    QVERIFY(std::abs(middle("txtprof_pouce") - middle("txtdiam_pouce")) <= 2);
    QVERIFY(std::abs(middle("txtprof_doigts") - middle("txtdiam_doigts")) <= 2);
    QVERIFY(std::abs(middle("txtprof_doigts") - middle("txtprof_pouce")) > 10);

    // At the window's own size, each line is laid out in full and the part
    // out of sight scrolls into view, inside the window.
    QTest::qWait(50);
    QVERIFY(rules->height() >= rules->heightForWidth(rules->width()));
    auto* area = test::control<QScrollArea>(w, "scrregles");
    QVERIFY(area->isAncestorOf(rules));
    QVERIFY(area->viewport()->height() + area->verticalScrollBar()->maximum() >= rules->height());
    const QRect shown(area->mapTo(w, QPoint(0, 0)), area->size());
    QVERIFY(w->rect().contains(shown));
    QVERIFY(area->viewport()->height() >= 3 * rules->fontMetrics().lineSpacing());
    w->close();
}

void TestLayoutWindow::smallScreenScrollsToEveryControl() {
    // A 1366 x 768 screen at 150 % leaves 910 x 512 to the windows.
    const QRect screen(0, 0, 910, 512);
    struct VirtualScreen {
        explicit VirtualScreen(const QRect& r) { screen_fit::setVirtualArea(r); }
        ~VirtualScreen() { screen_fit::setVirtualArea({}); }
    } virtualScreen(screen);
    test::BallFixture f;
    QPointer<LayoutWindow> w = openUsbcWindow(f);
    QVERIFY(w);
    QVERIFY(w->width() <= screen.width() && w->height() <= screen.height());
    QScrollArea* area = screen_fit::scrollArea(w);
    QVERIFY(area);
    // The controls in the window's corners are each brought into view.
    for (const char* name :
         {"txtangle_perc", "cmdenregistrer_percage", "cboregles", "cmdimp_implantation"}) {
        auto* control = test::control<QWidget>(w, name);
        area->ensureWidgetVisible(control, 0, 0);
        const QRect at(control->mapTo(area->viewport(), QPoint()), control->size());
        QVERIFY2(area->viewport()->rect().contains(at), name);
    }
}

QTEST_MAIN(TestLayoutWindow)
#include "tst_layout_window.moc"
