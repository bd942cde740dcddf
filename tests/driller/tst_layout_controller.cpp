// The layout window's work without its widgets: a drilling recorded from the
// texts a window would hold and read back, what stops a recording, the
// values handed back to the ball, and the printed page made from values.

#include "balls/ball_fixture.h"
#include "driller/layout_controller.h"

#include <QSignalSpy>

#include <cmath>
#include <numbers>

using namespace vdn;

namespace {

using Field = LayoutController::Field;

LayoutRequest rightHander() {
    LayoutRequest r;
    r.customer = QStringLiteral("M. DUPONT JEAN");
    r.hand = layout::Hand::Right;
    r.ball = QStringLiteral("STORM PHAZE II");
    r.drillingAngle = QStringLiteral("45");
    r.pinToPap = QStringLiteral("4 1/2");
    r.valAngle = QStringLiteral("30");
    r.hasSheet = true;
    r.over = QStringLiteral("5 1/4");
    r.up = QStringLiteral("1/2");
    r.sheetVersion = QStringLiteral("3");
    r.driller = QStringLiteral("Zoé");
    r.shopName = QStringLiteral("LE STRIKE");
    r.code = QStringLiteral("000001");
    r.line = QStringLiteral("001");
    r.savedRevision = 0;
    r.profile = QStringLiteral("USBC");
    return r;
}

// Three gripping holes and a balance hole on a 15 lb ball, as the holes
// frame hands them over.
LayoutController::Entry balanceHoleEntry(const LayoutController& c) {
    LayoutController::Entry e{c.openingTexts(), {}, drilling::Holes{}};
    e.holes.grippingHoles = QStringLiteral("3");
    e.holes.thumbless = e.holes.thumbHole = e.holes.millHole = QStringLiteral("N");
    e.holes.ventHoles = QStringLiteral("0");
    e.holes.balanceHole = QStringLiteral("O");
    e.holes.pounds = QStringLiteral("15");
    e.holes.profile = QStringLiteral("USBC");
    e.holes.comment = QStringLiteral("  pouce ovalisé ");
    e.read->grippingHoles = 3;
    e.read->balanceHole = true;
    e.read->ballPounds = 15;
    return e;
}

// The ball's radius in inches (a 27 in circumference).
const double R = 27 / (2 * std::numbers::pi);
constexpr double Degree = std::numbers::pi / 180;

} // namespace

class TestLayoutController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void recordedWithoutWidgetsAndReadBack();
    void recordingRefused_data();
    void recordingRefused();
    void valuesForTheBall_data();
    void valuesForTheBall();
    void ballNamedAndPapAgainstTheSheet_data();
    void ballNamedAndPapAgainstTheSheet();
    void pageMadeFromValues();
    void coreFromTheBallRecord();
};

void TestLayoutController::recordedWithoutWidgetsAndReadBack() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(test::addCustomer(*c, "000001", "DUPONT JEAN", "Annecy") &&
            test::addBallRow(*c, "000001", "001"));
    LayoutController controller(folder.services(), rightHander(), c->db(), nullptr);
    QSignalSpy recorded(&controller, &LayoutController::drillingRecorded);
    QVERIFY(controller.loadDrillings() && controller.drillings().isEmpty());
    QCOMPARE(controller.lastDrillingText(),
             QStringLiteral("Pas de perçage enregistré pour cette boule."));
    controller.startEntry({});
    const LayoutController::Entry entry = balanceHoleEntry(controller);
    QVERIFY(controller.entryChanged(entry.holes));

    folder.boxes.expectQuestion(QStringLiteral("Enregistrer le perçage de cette boule ?\n"
                                               "Non conforme USBC : trou d'équilibrage"),
                                true);
    QVERIFY(controller.record(entry, true));
    VDN_CHECK_BOXES(folder);
    QCOMPARE(recorded.count(), 1);
    QVERIFY(!controller.entryChanged(entry.holes) && controller.sameAsRecorded(entry));

    // Read back as stored, the results worked out by hand: buffer
    // R asin(sin(4.5/R) sin 30), PSA-PAP R acos(sin(4.5/R) cos 45).
    QVERIFY(controller.loadDrillings() && controller.drillings().size() == 1);
    const BallDrilling d = controller.drillings().first();
    QCOMPARE(
        QStringList({d.number, d.date, d.driller, d.hand, d.drillingAngle, d.pinToPap, d.valAngle,
                     d.pinToMb, d.over, d.up, d.comment, d.verdict}),
        QStringList({"000001", "2026-12-08 14:30:00", "Zoé", "D", "45", "4 1/2", "30", "6 3/4",
                     "5 1/4", "1/2", "pouce ovalisé", "Non conforme USBC : trou d'équilibrage"}));
    // Stored as plain numbers of inches, to the thousandth.
    QVERIFY(std::fabs(d.pinBuffer.toDouble() -
                      R * std::asin(std::sin(4.5 / R) * std::sin(30 * Degree))) <= 0.0005);
    QVERIFY(std::fabs(d.psaToPap.toDouble() -
                      R * std::acos(std::sin(4.5 / R) * std::cos(45 * Degree))) <= 0.0005);
    QCOMPARE(d.pinBuffer, QStringLiteral("1.924"));
    QCOMPARE(controller.lastDrillingText(),
             QStringLiteral("Dernier perçage n° 1 du 08/12/2026 par Zoé : même layout que la "
                            "boule."));

    // The same drilling again writes nothing and asks nothing; a change is
    // a new drilling.
    QVERIFY(controller.record(entry, true));
    VDN_CHECK_BOXES(folder);
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strperc_boule").toInt(), 1);
    LayoutController::Entry changed = entry;
    changed.texts[Field::AngleVal] = QStringLiteral("35");
    QVERIFY(!controller.sameAsRecorded(changed));
    QVERIFY(controller.record(changed, false));
    QCOMPARE(recorded.count(), 2);
    QVERIFY(controller.loadDrillings());
    QCOMPARE(controller.lastDrillingText(),
             QStringLiteral("Dernier perçage n° 2 du 08/12/2026 par Zoé : son layout (45 < 4 1/2 "
                            "< 35) diffère de celui de la boule."));
}

void TestLayoutController::recordingRefused_data() {
    QTest::addColumn<QString>("why");
    QTest::addColumn<QString>("message"); // empty: nothing is said
    const QString correct =
        QStringLiteral("Corrigez d'abord les valeurs signalées : rien n'est enregistré.");
    QTest::newRow("ball not saved") << "unsaved"
                                    << "Validez d'abord la boule : son perçage s'enregistre sur "
                                       "la boule enregistrée, sans modification en cours.";
    QTest::newRow("layout unreadable") << "unreadable" << correct;
    QTest::newRow("hand not noted") << "no hand" << correct;
    QTest::newRow("weights unreadable") << "holes" << correct;
    QTest::newRow("question answered Non") << "no"
                                           << "";
    QTest::newRow("PAP not the sheet's, answered Non") << "pap"
                                                       << "";
    QTest::newRow("no connection") << "no db"
                                   << "";
}

void TestLayoutController::recordingRefused() {
    QFETCH(QString, why);
    QFETCH(QString, message);
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(test::addCustomer(*c, "000001", "DUPONT JEAN", "Annecy") &&
            test::addBallRow(*c, "000001", "001"));
    LayoutRequest request = rightHander();
    if (why == "unsaved")
        request.savedRevision.reset();
    if (why == "no hand")
        request.hand.reset();
    LayoutController controller(folder.services(), request,
                                why == "no db" ? QSqlDatabase() : c->db(), nullptr);
    QSignalSpy recorded(&controller, &LayoutController::drillingRecorded);
    LayoutController::Entry entry = balanceHoleEntry(controller);
    if (why == "unreadable")
        entry.texts[Field::DistPap] = QStringLiteral("quatre");
    if (why == "holes")
        entry.read.reset();
    if (!message.isEmpty())
        folder.boxes.expectMessage(message);
    if (why == "no" || why == "pap")
        folder.boxes.expectQuestion(QStringLiteral("Enregistrer le perçage de cette boule ?\n"
                                                   "Non conforme USBC : trou d'équilibrage"),
                                    why == "pap");
    if (why == "pap") {
        entry.texts[Field::PapH] = QStringLiteral("5 1/2");
        folder.boxes.expectQuestion(QStringLiteral("Le PAP de la fiche version 3 est 5 1/4 – 1/2 ; "
                                                   "celui de l'implantation est 5 1/2 – 1/2. "
                                                   "Enregistrer quand même ?"),
                                    false);
    }
    QVERIFY(!controller.record(entry, true));
    VDN_CHECK_BOXES(folder);
    QCOMPARE(recorded.count(), 0);
    QCOMPARE(test::scalar(*c, "SELECT count(*) FROM strperc_boule").toInt(), 0);
}

void TestLayoutController::valuesForTheBall_data() {
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("written"); // empty: nothing handed back
    // The shop's own text stays when it says the same; else whole degrees
    // and a distance in eighths or two decimals.
    QTest::newRow("as typed") << QStringList{"45", "4 1/2", "30"}
                              << QStringList{"45", "4 1/2", "30"};
    QTest::newRow("shop's writing")
        << QStringList{" 45° ", "4½", "30°"} << QStringList{"45°", "4½", "30°"};
    QTest::newRow("rounded") << QStringList{"44,6", "4,5625", "29,99"}
                             << QStringList{"45", "4,56", "30"};
    QTest::newRow("eighths") << QStringList{"10", "4,6250", "80"}
                             << QStringList{"10", "4 5/8", "80"};
    QTest::newRow("unreadable") << QStringList{"45", "quatre", "30"} << QStringList{};
    QTest::newRow("out of range") << QStringList{"200", "4 1/2", "30"} << QStringList{};
}

void TestLayoutController::valuesForTheBall() {
    QFETCH(QStringList, typed);
    QFETCH(QStringList, written);
    test::DataFolder folder;
    LayoutController controller(folder.services(), rightHander(), QSqlDatabase(), nullptr);
    QSignalSpy handed(&controller, &LayoutController::valuesForBall);
    LayoutController::Texts texts = controller.openingTexts();
    texts[Field::AnglePerc] = typed.at(0);
    texts[Field::DistPap] = typed.at(1);
    texts[Field::AngleVal] = typed.at(2);
    QCOMPARE(controller.writeValuesToBall(texts), !written.isEmpty());
    QCOMPARE(handed.count(), written.isEmpty() ? 0 : 1);
    if (!written.isEmpty())
        QCOMPARE(QStringList({handed.at(0).at(0).toString(), handed.at(0).at(1).toString(),
                              handed.at(0).at(2).toString()}),
                 written);
}

void TestLayoutController::ballNamedAndPapAgainstTheSheet_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("pounds");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("pap");      // over and up typed in the window
    QTest::addColumn<QString>("sheetVersion"); // empty: the sheet has no version yet
    QTest::addColumn<QString>("question");     // empty: none asked
    const QString asked = QStringLiteral("Le PAP de la fiche version 3 est 5 1/4 – 1/2 ; celui de "
                                         "l'implantation est %1 – %2. Enregistrer quand même ?");
    QTest::newRow("saved ball, the sheet's PAP written otherwise")
        << "002"
        << "2B41187"
        << "15"
        << "Boule 002 – STORM PHAZE II n° 2B41187 – 15 lb" << QStringList{"5,25", "+1/2"} << "3"
        << "";
    QTest::newRow("another over") << "002"
                                  << ""
                                  << "15"
                                  << "Boule 002 – STORM PHAZE II – 15 lb"
                                  << QStringList{"5 1/2", "1/2"} << "3"
                                  << asked.arg("5 1/2", "1/2");
    QTest::newRow("the PAP below the midline")
        << "002"
        << "2B41187"
        << ""
        << "Boule 002 – STORM PHAZE II n° 2B41187" << QStringList{"5 1/4", "1/2 bas"} << "3"
        << asked.arg("5 1/4", "1/2 bas");
    QTest::newRow("a sixty-fourth apart is the same PAP")
        << ""
        << ""
        << "14"
        << "Boule : STORM PHAZE II – 14 lb" << QStringList{"5,26", "0,5"} << "3"
        << "";
    QTest::newRow("sheet without a version")
        << ""
        << ""
        << "0"
        << "Boule : STORM PHAZE II" << QStringList{"5", "1/2"} << ""
        << "Le PAP de la fiche est 5 1/4 – 1/2 ; celui de l'implantation est 5 – 1/2. "
           "Enregistrer quand même ?";
    QTest::newRow("typed PAP unreadable: the boxes say so, not a question")
        << "002"
        << ""
        << ""
        << "Boule 002 – STORM PHAZE II" << QStringList{"cinq", "1/2"} << "3"
        << "";
}

void TestLayoutController::ballNamedAndPapAgainstTheSheet() {
    QFETCH(QString, line);
    QFETCH(QString, serial);
    QFETCH(QString, pounds);
    QFETCH(QString, name);
    QFETCH(QStringList, pap);
    QFETCH(QString, sheetVersion);
    QFETCH(QString, question);
    test::DataFolder folder;
    LayoutRequest request = rightHander();
    request.line = line;
    request.serial = serial;
    request.sheetVersion = sheetVersion;
    LayoutController controller(folder.services(), request, QSqlDatabase(), nullptr);
    QCOMPARE(controller.ballName(pounds), name);
    LayoutController::Texts texts = controller.openingTexts();
    QCOMPARE(controller.papQuestion(texts), std::nullopt);
    texts[Field::PapH] = pap.at(0);
    texts[Field::PapV] = pap.at(1);
    QCOMPARE(controller.papQuestion(texts).value_or(QString()), question);
    // A customer without a sheet has no PAP to compare with.
    request.hasSheet = false;
    LayoutController withoutSheet(folder.services(), request, QSqlDatabase(), nullptr);
    QCOMPARE(withoutSheet.papQuestion(texts), std::nullopt);
}

void TestLayoutController::pageMadeFromValues() {
    LayoutSheet sheet;
    sheet.shopName = QStringLiteral("LE STRIKE");
    sheet.customer = QStringLiteral("M. DUPONT JEAN");
    sheet.ball = QStringLiteral("Boule 001 – STORM PHAZE II n° 2B41187 – 15 lb");
    sheet.driller = QStringLiteral("Zoé");
    sheet.hand = layout::Hand::Left;
    sheet.today = QDate(2026, 12, 8);
    sheet.layout = {45, 4.5, 30};
    sheet.pap = {5.25, -0.5};
    sheet.verdict = QStringLiteral("Conforme IBF");
    const auto lines = [](const LayoutPage& p) {
        QStringList all;
        for (const LayoutSection& s : p.sections)
            all << QStringLiteral("# ") + s.title << s.lines;
        return all;
    };
    LayoutPage page = layoutPage(sheet);
    QCOMPARE(page.date, QDate(2026, 12, 8));
    QVERIFY(!page.scene.strokes.isEmpty() && !page.scene.labels.isEmpty());
    const QString psaToPap =
        layout::inchesText(R * std::acos(std::sin(4.5 / R) * std::cos(45 * Degree)));
    const QString buffer =
        layout::inchesText(R * std::asin(std::sin(4.5 / R) * std::sin(30 * Degree)));
    // On the sphere, the VAL as meridian and the midline as equator: the pin
    // lies b off the VAL, its foot a from the PAP along it, the PAP 1/2 in
    // under the midline; the grip centre on the midline 5 1/4 in from the VAL.
    const double b = std::asin(std::sin(4.5 / R) * std::sin(30 * Degree));
    const double a = std::atan(std::tan(4.5 / R) * std::cos(30 * Degree));
    const double foot = a - 0.5 / R;
    const double height = std::asin(std::cos(b) * std::sin(foot));
    const double longitude = std::atan(std::tan(b) / std::cos(foot));
    const double grip = std::acos(std::cos(height) * std::cos(5.25 / R - longitude));
    QCOMPARE(lines(page), (QStringList{"# Client et boule",
                                       "Client : M. DUPONT JEAN",
                                       "Main : Gaucher",
                                       "Boule 001 – STORM PHAZE II n° 2B41187 – 15 lb",
                                       "Noyau symétrique : angle de perçage depuis la ligne pin-CG",
                                       "Perceur : Zoé",
                                       "Date : 08/12/2026",
                                       "# Layout Dual Angle",
                                       "Angle de perçage : 45°",
                                       "Distance pin-PAP : 4 1/2 po",
                                       "Angle VAL : 30°",
                                       "Distance pin-PSA : 6 3/4 po",
                                       "# Layout VLS",
                                       "Distance pin-PAP : 4 1/2 po",
                                       "Distance PSA-PAP : " + psaToPap,
                                       "Tampon du pin : " + buffer,
                                       "# PAP et centre de prise",
                                       "PAP horizontal : 5 1/4 po",
                                       "PAP vertical : 1/2 po en bas",
                                       "Hauteur du pin : " + layout::inchesText(R * height) +
                                           " au-dessus de la ligne médiane",
                                       "Pin - centre de prise : " + layout::inchesText(R * grip),
                                       "# Règles",
                                       "Conforme IBF"}));
    // A left hand turns the other way and measures to the right.
    QCOMPARE(page.steps.size(), 5);
    QVERIFY(page.steps.at(0).contains("marquer le PSA à 6 3/4 po du pin"));
    QVERIFY(page.steps.at(1).contains("45° à partir de la ligne pin-CG, dans le sens des aiguilles "
                                      "d'une montre, et mesurer 4 1/2 po"));
    QVERIFY(page.steps.at(3).contains("mesurer 1/2 po vers le haut"));
    QVERIFY(page.steps.at(4).contains("mesurer 5 1/4 po vers la droite"));
    // An asymmetric ball turns from the pin-MB line, and the drawing's
    // line from the pin is named MB; nothing else moves.
    sheet.core = layout::Core::Asymmetric;
    const LayoutPage asymmetric = layoutPage(sheet);
    QVERIFY(
        lines(asymmetric).contains("Noyau asymétrique : angle de perçage depuis la ligne pin-MB"));
    QVERIFY(asymmetric.steps.at(0).contains("le MB sous le pin : tracer la ligne qui part du pin "
                                            "vers le MB, et y marquer le PSA à 6 3/4 po du pin"));
    QVERIFY(asymmetric.steps.at(1).contains("45° à partir de la ligne pin-MB,"));
    const auto lineNames = [](const LayoutPage& p) {
        QStringList names;
        for (const layout::Label& l : p.scene.labels)
            if (l.kind == layout::Label::Kind::Line)
                names << l.text;
        return names;
    };
    QVERIFY(lineNames(page).contains("CG") && !lineNames(page).contains("MB"));
    QVERIFY(lineNames(asymmetric).contains("MB") && !lineNames(asymmetric).contains("CG"));
    QCOMPARE(asymmetric.scene.strokes.size(), page.scene.strokes.size());
    sheet.core = layout::Core::Symmetric;

    // A recorded drilling prints its own date, driller and sections, not
    // the verdict of the entry; a date that cannot be read prints today's.
    BallDrilling recorded;
    recorded.number = QStringLiteral("000003");
    recorded.date = QStringLiteral("2026-11-30 09:15:00");
    recorded.driller = QStringLiteral("Tibor");
    recorded.verdict = QStringLiteral("Non conforme USBC : trou d'équilibrage");
    recorded.balanceHole = QStringLiteral("O");
    sheet.recorded = recorded;
    page = layoutPage(sheet);
    QCOMPARE(page.date, QDate(2026, 11, 30));
    QVERIFY(lines(page).contains("Perceur : Tibor") && lines(page).contains("Date : 30/11/2026"));
    QVERIFY(!lines(page).contains("# Règles"));
    for (const char* line : {"Perçage n° 3 du 30/11/2026", "Fiche de perçage : aucune",
                             "Règles : Non conforme USBC : trou d'équilibrage",
                             "Trou d'équilibrage : oui", "Poids de la boule : non noté"})
        QVERIFY2(lines(page).contains(QString::fromUtf8(line)), line);
    sheet.recorded->date = QStringLiteral("hier");
    QCOMPARE(layoutPage(sheet).date, QDate(2026, 12, 8));
}

void TestLayoutController::coreFromTheBallRecord() {
    // The core pick list's texts as a shop types them; only an asymmetric
    // core turns the drilling angle from the MB.
    const struct {
        const char* core;
        bool asymmetric;
    } rows[] = {{"Asymétrique", true}, {"  asymetrique", true}, {"ASYM.", true},
                {"Symétrique", false}, {"Pancake", false},      {"Ampoule", false},
                {"", false},           {"Sym/asym ?", false}};
    test::DataFolder folder;
    for (const auto& row : rows) {
        LayoutRequest request = rightHander();
        request.core = QString::fromUtf8(row.core);
        const LayoutController controller(folder.services(), request, QSqlDatabase(), nullptr);
        QVERIFY2((controller.core() == layout::Core::Asymmetric) == row.asymmetric, row.core);
    }
}

QTEST_MAIN(TestLayoutController)
#include "tst_layout_controller.moc"
