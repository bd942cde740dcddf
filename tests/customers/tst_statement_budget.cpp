// ctest-engines: postgresql
// The statements each interactive action sends, counted by the statement
// helper: on a server every one is a round trip, so a workstation a few
// milliseconds from its server stays quick only within these budgets. The
// second time round, every statement was prepared already on the connection.

#include "client_fixture.h"
#include "data/statement.h"

#include <QComboBox>
#include <QToolButton>

#include <functional>

using namespace vdn;
using test::ClientFixture;

class TestStatementBudget : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void each_action_keeps_its_budget();
};

void TestStatementBudget::each_action_keeps_its_budget() {
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addSampleCustomers(*f.db));
    QVERIFY(test::addBall(*f.db, QStringLiteral("000001"), QStringLiteral("001")));
    QVERIFY(test::addSheet(*f.db, QStringLiteral("000001")));

    // Every pick list of a panel set to a value of its own list, so that no
    // registration question comes up.
    const auto knownValues = [&](const char* panel) {
        for (QComboBox* c : f.find(panel)->findChildren<QComboBox*>())
            if (c->count() > 0)
                c->setEditText(c->itemText(0));
    };
    struct Action {
        const char* name;
        std::function<void()> before; // not counted: reaching the action
        std::function<void()> action;
        quint64 budget;
        std::function<bool()> done;
    };
    // A server session is checked and set up in one round trip once the
    // database was checked in this program (the fixture's own connection).
    const quint64 opening = f.db->onServer() ? 3 : 6;
    const auto opened = [&] {
        return f.w->isVisible() && f.gridCodes().contains(QStringLiteral("000001"));
    };
    // Each opening builds the window and its own connection anew: its
    // statements are prepared again.
    const auto openWithinBudget = [&](const char* what) {
        const StatementTally before = statementTally();
        const bool shown = f.open() && opened();
        const quint64 run = statementTally().run - before.run;
        qInfo("%s: %llu statements", what, run);
        return shown && run <= opening;
    };
    QVERIFY(openWithinBudget("window opened"));
    const QList<Action> actions{
        {"keystroke in the search",
         [&] {
             f.w->retour_liste();
             f.box("selnom")->clear();
             f.box("selnom")->setFocus();
         },
         [&] { QTest::keyClick(f.box("selnom"), Qt::Key_D); }, 2,
         [&] { return f.gridCodes().contains(QStringLiteral("000001")); }},
        {"row click", [] {}, [&] { f.clickRowOf(QStringLiteral("000001")); }, 4,
         [&] { return f.find("Frame300")->isVisible(); }},
        {"new ball", [] {}, [&] { f.click("cmdajout_mat"); }, 2,
         [&] { return f.box("txtboule")->isVisible(); }},
        {"ball validated",
         [&] {
             knownValues("Frame300");
             f.box("txtboule")->setText(QStringLiteral("Phaze II"));
         },
         [&] { f.click("cmdvalide3"); }, 10, [&] { return !f.box("txtboule")->isVisible(); }},
        {"sheet opened", [] {}, [&] { f.click("cmdmodif_fiche"); }, 20,
         [&] { return f.find("Frame400")->isVisible(); }},
        {"sheet validated", [&] { knownValues("Frame400"); }, [&] { f.click("cmdvalide_fiche"); },
         20, [&] { return !f.find("Frame400")->isVisible(); }},
        {"customer saved",
         [&] {
             f.click("Image2");
             f.box("txtvil")->setText(QStringLiteral("Lyon"));
         },
         [&] { f.click("cmdvalide"); }, 10,
         [&] {
             return test::scalar(*f.db, "SELECT clt_vil FROM strclient WHERE clt_cod = '000001'")
                        .toString() == QStringLiteral("Lyon");
         }},
        // A digit typed after a number that found few customers finds fewer:
        // they are not counted again, only the page is read.
        {"digit narrowing a number search",
         [&] {
             f.w->retour_liste();
             f.box("selnom")->setFocus();
             f.box("selnom")->setText(QStringLiteral("06 1"));
         },
         [&] { QTest::keyClick(f.box("selnom"), Qt::Key_2); }, 1,
         [&] { return f.box("selnom")->text() == QStringLiteral("06 12"); }},
    };
    for (int round = 1; round <= 2; ++round)
        for (const Action& a : actions) {
            a.before();
            const StatementTally before = statementTally();
            a.action();
            QCoreApplication::processEvents();
            const StatementTally after = statementTally();
            const QByteArray what =
                QByteArray(a.name) + " (round " + QByteArray::number(round) +
                "): " + QByteArray::number(after.run - before.run) + " statements, " +
                QByteArray::number(after.prepared - before.prepared) + " preparations";
            QVERIFY2(a.done(), what.constData());
            QVERIFY2(after.run > before.run, what.constData());
            QVERIFY2(after.run - before.run <= a.budget, what.constData());
            if (round == 2)
                QVERIFY2(after.prepared == before.prepared, what.constData());
            qInfo("%s", what.constData());
        }
    delete f.w.data();
    QVERIFY(openWithinBudget("window opened again"));
    VDN_CHECK_BOXES(f.folder);
}

QTEST_MAIN(TestStatementBudget)
#include "tst_statement_budget.moc"
