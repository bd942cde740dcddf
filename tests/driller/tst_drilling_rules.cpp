// The drilling rules, walked one by one: each rule is broken just past its
// limit and kept at its limit, under each profile that holds it; the
// verdict names what is broken and the reminders say what cannot be checked.

#include "driller/drilling_rules.h"

#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <map>

using namespace vdn::drilling;

namespace {

// A ball a shop drills every day: 15 lb, thumb and two fingers, nothing
// else, static weights well inside the limits.
Holes usual() {
    Holes h;
    h.grippingHoles = 3;
    h.thumbHole = true;
    h.ballPounds = 15;
    h.topBottom = 2;
    h.side = -0.5;
    h.fingerThumb = 1;
    return h;
}

struct Limit {
    std::function<void(Holes&)> atLimit; // still conforming
    std::function<void(Holes&)> past;    // just past the limit
};

// Every rule by its short name, with the figures of the rule books:
// 5 gripping holes, none over 1 9/16 in across or 4 1/2 in deep (USBC);
// vents 1/4 in, one per gripping hole; mill hole 5/8 in across, 1/8 in deep; 3 oz each way over 10
// lb; no balance hole; no thumb hole for a thumbless grip.
const std::map<std::string, Limit> Limits = {
    {"trou d'équilibrage", {[](Holes&) {}, [](Holes& h) { h.balanceHole = true; }}},
    {"plus de cinq trous de prise",
     {[](Holes& h) { h.grippingHoles = 5; }, [](Holes& h) { h.grippingHoles = 6; }}},
    {"trou de pouce sans pouce",
     {[](Holes& h) {
          h.thumbless = true;
          h.thumbHole = false;
          h.grippingHoles = 2;
      },
      [](Holes& h) { h.thumbless = true; }}},
    {"trou d'aération trop large",
     {[](Holes& h) {
          h.ventHoles = 1;
          h.largestVent = 0.25;
      },
      [](Holes& h) {
          h.ventHoles = 1;
          h.largestVent = 0.26;
      }}},
    {"trop de trous d'aération",
     {[](Holes& h) { h.ventHoles = 3; }, [](Holes& h) { h.ventHoles = 4; }}},
    {"trou de fraisage trop grand",
     {[](Holes& h) {
          h.millHole = true;
          h.millDiameter = 0.625;
          h.millDepth = 0.125;
      },
      [](Holes& h) {
          h.millHole = true;
          h.millDiameter = 0.625;
          h.millDepth = 0.13;
      }}},
    {"trou de prise trop grand",
     {[](Holes& h) {
          h.widestGrip = 1 + 9 / 16.0;
          h.deepestGrip = 4.5;
      },
      [](Holes& h) {
          h.widestGrip = 1 + 10 / 16.0;
          h.deepestGrip = 3;
      }}},
    {"poids haut/bas", {[](Holes& h) { h.topBottom = -3; }, [](Holes& h) { h.topBottom = -3.1; }}},
    {"poids latéral", {[](Holes& h) { h.side = 3; }, [](Holes& h) { h.side = 3.1; }}},
    {"poids doigts/pouce",
     {[](Holes& h) { h.fingerThumb = 3; }, [](Holes& h) { h.fingerThumb = -3.25; }}},
};

} // namespace

Q_DECLARE_METATYPE(Holes)

class TestDrillingRules : public QObject {
    Q_OBJECT
private slots:
    void everyRuleAtAndPastItsLimit();
    void verdictAndReminders_data();
    void verdictAndReminders();
};

void TestDrillingRules::everyRuleAtAndPastItsLimit() {
    QCOMPARE(rules().size(), Limits.size());
    for (const Rule& r : rules()) {
        const auto limit = Limits.find(r.shortName);
        QVERIFY2(limit != Limits.end(), r.shortName);
        // Every rule names its rule book and the year of its text.
        QVERIFY2(QString::fromUtf8(r.source).contains(QRegularExpression("\\(20\\d\\d\\)")),
                 r.source);
        for (const Profile p : {Profile::Usbc, Profile::Ibf}) {
            if (!(p == Profile::Usbc ? r.usbc : r.ibf))
                continue;
            Holes kept = usual();
            limit->second.atLimit(kept);
            const Check ok = check(kept, p);
            QVERIFY2(ok.failures.isEmpty(), qPrintable(ok.failures.join('|')));
            QCOMPARE(ok.verdict, "Conforme " + profileCode(p));
            Holes broken = usual();
            limit->second.past(broken);
            const Check bad = check(broken, p);
            QCOMPARE(bad.failures.size(), 1);
            QVERIFY(bad.failures.first().startsWith(QString::fromUtf8(r.message)));
            QVERIFY(bad.failures.first().endsWith(QString::fromUtf8(r.source) + ')'));
            QCOMPARE(bad.verdict, QStringLiteral("Non conforme %1 : %2")
                                      .arg(profileCode(p), QString::fromUtf8(r.shortName)));
        }
    }
}

void TestDrillingRules::verdictAndReminders_data() {
    QTest::addColumn<Holes>("holes");
    QTest::addColumn<int>("profile");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QStringList>("reminders");
    Holes thumbless = usual();
    thumbless.thumbless = true;
    thumbless.thumbHole = false;
    thumbless.grippingHoles = 2;
    Holes light = usual();
    light.ballPounds = 10;
    light.side = 5; // a light ball's weights are not checked
    light.balanceHole = true;
    light.grippingHoles = 6;
    const QString allUsed = "Rappel USBC : chaque trou de prise doit servir à chaque lancer.";
    const QString plus =
        "Rappel USBC : marquer un « + » au centre de la paume sur la boule (joueur sans pouce).";
    const QString unchecked =
        "Poids statiques : limites non vérifiées pour une boule de 10 lb ou moins.";
    QTest::newRow("usual, USBC") << usual() << 0 << "Conforme USBC" << QStringList{allUsed};
    QTest::newRow("usual, IBF") << usual() << 1 << "Conforme IBF" << QStringList{};
    QTest::newRow("thumbless, USBC")
        << thumbless << 0 << "Conforme USBC" << QStringList{allUsed, plus};
    QTest::newRow("thumbless, IBF") << thumbless << 1 << "Conforme IBF" << QStringList{};
    QTest::newRow("light ball, two faults")
        << light << 1
        << "Non conforme IBF : trou d'équilibrage, plus de cinq trous de prise ; poids "
           "statiques non vérifiés (boule de 10 lb ou moins)"
        << QStringList{unchecked};
    Holes lightOnly = usual();
    lightOnly.ballPounds = 8;
    lightOnly.side = 5;
    QTest::newRow("light ball, nothing else")
        << lightOnly << 0
        << "Conforme USBC ; poids statiques non vérifiés (boule de 10 lb ou moins)"
        << QStringList{allUsed, unchecked};
    // A weight not noted is no light ball: 3 1/2 oz of side weight is past
    // the limit of a 15 lb ball, so nothing may read as conforming.
    Holes unweighed = usual();
    unweighed.ballPounds.reset();
    unweighed.side = 3.5;
    const QString notNoted = "Poids statiques non vérifiés : poids de la boule non noté.";
    QTest::newRow("weight not noted, USBC")
        << unweighed << 0 << "Poids non vérifiés (USBC) : poids de la boule non noté"
        << QStringList{allUsed, notNoted};
    // A thumb hole 1/16 in past 4 1/2 in deep: USBC only sets that limit.
    Holes deep = usual();
    deep.widestGrip = 1.25;
    deep.deepestGrip = 4.5625;
    QTest::newRow("deep thumb hole, USBC")
        << deep << 0 << "Non conforme USBC : trou de prise trop grand" << QStringList{allUsed};
    QTest::newRow("deep thumb hole, IBF") << deep << 1 << "Conforme IBF" << QStringList{};
    unweighed.balanceHole = true;
    QTest::newRow("weight not noted, a fault")
        << unweighed << 1 << "Non conforme IBF : trou d'équilibrage ; poids non vérifiés"
        << QStringList{notNoted};
}

void TestDrillingRules::verdictAndReminders() {
    QFETCH(Holes, holes);
    QFETCH(int, profile);
    QFETCH(QString, verdict);
    QFETCH(QStringList, reminders);
    const Check c = check(holes, profile == 0 ? Profile::Usbc : Profile::Ibf);
    QCOMPARE(c.verdict, verdict);
    QCOMPARE(c.reminders, reminders);
}

QTEST_APPLESS_MAIN(TestDrillingRules)
#include "tst_drilling_rules.moc"
