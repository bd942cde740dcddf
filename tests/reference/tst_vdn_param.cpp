#include "app/startup.h"
#include "app/vdn_menu.h"
#include "data/globals.h"
#include "reference/catalogue.h"
#include "reference/param_store.h"
#include "reference/param_values_model.h"
#include "reference/pick_lists.h"
#include "reference/vdn_param.h"
#include "support/fixture.h"
#include "support/report_boxes.h"
#include "support/widget_lookup.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace vdn;

namespace {

const QString ChooseTable = QStringLiteral("Veuillez choisir votre table de paramètres");
const QString Exists = QStringLiteral("Cette valeur existe déjà");

// The maintenance window on a test folder, shown and active so that focus
// changes run their rules.
struct ParamWindow {
    explicit ParamWindow(test::DataFolder& folder) : boxes(folder.boxes) {
        Services s = folder.services();
        s.boxes = &boxes;
        w = std::make_unique<VdnParam>(s);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->load();
        // Every refresh of the grid is checked by Qt's model tester.
        tester = std::make_unique<QAbstractItemModelTester>(
            grid()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        w->show();
        w->activateWindow();
    }
    template <class T> T* find(const char* name) const {
        return w->findChild<T*>(QLatin1String(name));
    }
    QComboBox* combo(const char* name) const { return find<QComboBox>(name); }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    QToolButton* button(const char* name) const { return find<QToolButton>(name); }
    QGroupBox* frame(const char* name) const { return find<QGroupBox>(name); }
    QTableView* grid() const { return find<QTableView>("DBGrid1"); }
    QStringList gridValues() const {
        QStringList out;
        QAbstractItemModel* m = grid()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, ParamValuesModel::ValeursPossibles).data().toString();
        return out;
    }
    QString currentValue() const { return grid()->currentIndex().data().toString(); }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }

    test::ReportBoxes boxes;
    std::unique_ptr<VdnParam> w;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

// Moves the focus on with the Tab key and lets the rule of the box run.
void leave(QLineEdit* box) {
    QTest::keyClick(box, Qt::Key_Tab);
    QCoreApplication::processEvents();
}

bool chooseTable(ParamWindow& p, int code) {
    return test::pickItem(p.combo("Combo1"), 2) && test::pickItem(p.combo("Combo3"), code + 1);
}

// The window shown and active, on the table of that code.
bool openOn(ParamWindow& p, int code) {
    return QTest::qWaitForWindowActive(p.w.get()) && chooseTable(p, code);
}

// Starts a new value with the add button and types it in the entry box.
void typeNewValue(ParamWindow& p, const char* box, const QString& text) {
    p.click("cmdajout3");
    test::typeText(p.edit(box), text);
}

// The exact rows of a value, compared without any collation.
int storedCount(test::DataFolder& folder, int code, const QString& value) {
    auto c = folder.connect();
    return test::scalar(*c,
                        QStringLiteral("SELECT count(*) FROM strparam WHERE par_table = ? AND "
                                       "par_lib = ? COLLATE BINARY"),
                        {QString::number(code), value})
        .toInt();
}

int tableCount(test::DataFolder& folder, int code) {
    auto c = folder.connect();
    return test::scalar(*c, QStringLiteral("SELECT count(*) FROM strparam WHERE par_table = ?"),
                        {QString::number(code)})
        .toInt();
}

void addThroughStore(test::DataFolder& folder, int code, const QStringList& values) {
    auto c = folder.connect();
    ParamStore store(c->db());
    for (const QString& v : values)
        QVERIFY(store.add(code, v).ok());
}

} // namespace

class TestVdnParam : public QObject {
    Q_OBJECT
private slots:
    void groups_then_tables_then_fixed();
    void reopening_starts_again();
    void entry_box_follows_the_code_data();
    void entry_box_follows_the_code();
    void numeric_rule_on_leaving_txt2_data();
    void numeric_rule_on_leaving_txt2();
    void validate_checks_a_number_still_being_typed();
    void cancel_closes_without_checking();
    void grid_lists_in_maintenance_order_data();
    void grid_lists_in_maintenance_order();
    void numbers_agree_with_pick_lists();
    void duplicates_refused_whatever_the_case();
    void delete_asks_first();
    void quoted_value_stored_and_deleted_exactly();
    void failures_are_reported_and_the_window_keeps_working();
    void load_failure_is_reported();
};

void TestVdnParam::groups_then_tables_then_fixed() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(QTest::qWaitForWindowActive(p.w.get()));
    QCOMPARE(p.w->windowTitle(), QStringLiteral("Gestion des paramètres"));
    QComboBox* combo1 = p.combo("Combo1");
    QComboBox* combo2 = p.combo("Combo2");
    QComboBox* combo3 = p.combo("Combo3");
    // No group.
    QCOMPARE(combo1->count(), 3);
    QCOMPARE(combo1->currentText(), ChooseTable);
    QCOMPARE(combo1->itemText(1), QStringLiteral("Paramètres pour la fiche de percage "));
    QCOMPARE(combo1->itemText(2), QStringLiteral("Paramètres pour le descriptif d'une boule"));
    for (const char* name : {"Combo2", "Combo3", "Frame3", "Frame31", "DBGrid1"})
        QVERIFY2(p.find<QWidget>(name)->isHidden(), name);

    // The drilling sheet group shows no list and leaves the group list usable.
    QVERIFY(test::pickItem(combo1, 1));
    QVERIFY(combo1->isEnabled());
    QVERIFY(combo2->isHidden());
    QVERIFY(combo3->isHidden());
    QCOMPARE(combo2->count(), 3);
    QCOMPARE(combo2->itemText(1), QStringLiteral(" "));
    QCOMPARE(combo2->itemText(2), QString());
    QVERIFY(test::pickItem(combo1, 0)); // the prompt chooses nothing
    QVERIFY(combo1->isEnabled());
    QVERIFY(combo3->isHidden());

    // Ball group: the group list is fixed, the tables come from the catalogue.
    QVERIFY(test::pickItem(combo1, 2));
    QVERIFY(!combo1->isEnabled());
    QVERIFY(combo3->isVisible());
    QCOMPARE(combo3->count(), 9);
    QCOMPARE(combo3->currentText(), ChooseTable);
    QCOMPARE(combo3->itemText(1), QStringLiteral("0 - Marque de boules"));
    QCOMPARE(combo3->itemText(8), QStringLiteral("7 - Layout 2ème angle"));
    QVERIFY(test::pickItem(combo3, 0));
    QVERIFY(combo3->isEnabled());
    QVERIFY(p.grid()->isHidden());
    QVERIFY(p.w->tableCode().isEmpty());

    // Table chosen: both lists fixed, the grid and the value buttons shown.
    QVERIFY(test::pickItem(combo3, 3));
    QCOMPARE(p.w->tableCode(), QStringLiteral("2"));
    QVERIFY(!combo3->isEnabled());
    QVERIFY(!combo1->isEnabled());
    QVERIFY(p.grid()->isVisible());
    QVERIFY(p.frame("Frame31")->isVisible());
    QVERIFY(p.frame("Frame3")->isHidden());
    QCOMPARE(p.grid()->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Valeurs Possibles"));
    QCOMPARE(p.grid()->model()->columnCount(), 1);
    QCOMPARE(p.gridValues(), (QStringList{"0,01", "0,02", "0,03", "0,04", "0,05", "0,06"}));
    QCOMPARE(p.currentValue(), QStringLiteral("0,01"));
    // The grid is read-only.
    QCOMPARE(p.grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    VDN_CHECK_BOXES(folder);
}

void TestVdnParam::reopening_starts_again() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    VdnMenu menu(folder.services(), folder.startupInfo());
    menu.show();
    QPointer<VdnParam> first = menu.openParam();
    QVERIFY(QTest::qWaitForWindowActive(first));
    QVERIFY(test::pickItem(first->findChild<QComboBox*>(QStringLiteral("Combo1")), 2));
    QVERIFY(test::pickItem(first->findChild<QComboBox*>(QStringLiteral("Combo3")), 1));
    QCOMPARE(menu.openParam(), first.data()); // open again: the same window
    first->close();
    QTRY_VERIFY(first.isNull());
    VdnParam* second = menu.openParam();
    QVERIFY(second);
    auto* combo1 = second->findChild<QComboBox*>(QStringLiteral("Combo1"));
    QVERIFY(combo1->isEnabled());
    QCOMPARE(combo1->currentText(), ChooseTable);
    QVERIFY(second->findChild<QComboBox*>(QStringLiteral("Combo3"))->isHidden());
    QVERIFY(second->tableCode().isEmpty());
    VDN_CHECK_BOXES(folder);
}

void TestVdnParam::entry_box_follows_the_code_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("maxLength");
    QTest::newRow("0 brand") << 0 << "Txt0" << 30;
    QTest::newRow("1 core") << 1 << "txt1" << 15;
    QTest::newRow("2 differential") << 2 << "txt2" << 0;
    QTest::newRow("3 length") << 3 << "txt2" << 0;
    QTest::newRow("4 hook") << 4 << "txt2" << 0;
    QTest::newRow("5 angle 1") << 5 << "txt2" << 0;
    QTest::newRow("6 distance") << 6 << "Txt6" << 5;
    QTest::newRow("7 angle 2") << 7 << "txt2" << 0;
}

void TestVdnParam::entry_box_follows_the_code() {
    QFETCH(int, code);
    QFETCH(QString, box);
    QFETCH(int, maxLength);
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(openOn(p, code));
    p.click("cmdajout3");
    QVERIFY(p.frame("Frame3")->isVisible());
    QCOMPARE(p.frame("Frame3")->title(), QStringLiteral("Nouvelles valeurs de ce paramètrage"));
    for (const char* name : {"Txt0", "txt1", "Txt6", "txt2"})
        QCOMPARE(p.edit(name)->isVisible(), box == QLatin1String(name));
    QLineEdit* e = p.edit(qPrintable(box));
    QCOMPARE(QApplication::focusWidget(), e);
    if (box == QLatin1String("txt2")) {
        // Holds "0", wholly selected, so typing replaces it.
        QCOMPARE(e->text(), QStringLiteral("0"));
        QCOMPARE(e->selectedText(), QStringLiteral("0"));
    } else {
        QVERIFY(e->text().isEmpty());
        // The box takes no more than its limit.
        test::typeText(e, QString(40, QLatin1Char('x')));
        QCOMPARE(e->text().size(), maxLength);
    }
    VDN_CHECK_BOXES(folder);
}

void TestVdnParam::numeric_rule_on_leaving_txt2_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("typed"); // empty: left as opened ("0")
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message"); // empty: accepted
    const QString r3 = QStringLiteral("Cette valeur doit être >= 1 et <= 20");
    const QString r4 = QStringLiteral("Cette valeur doit être <= 10");
    const QString r5 = QStringLiteral("Cette valeur doit être >= 10 et <=90");
    const QString r7 = QStringLiteral("Cette valeur doit être >= 20 et <=70");
    const QString nan = QStringLiteral("cette valeur doit être numérique");
    const QString accepted;
    const struct {
        const char* name;
        int code;
        const char* typed;
        const char* shown;
        const QString& message;
    } rows[] = {
        {"3: 0,5 refused", 3, "0,5", "0,50", r3},
        {"3: 0 left unchanged refused", 3, "", "0,00", r3},
        {"3: 20 accepted", 3, "20", "20,00", accepted},
        {"3: 20,004 accepted", 3, "20,004", "20,00", accepted},
        {"3: 20,006 refused", 3, "20,006", "20,01", r3},
        {"3: period typed", 3, "9.5", "9,50", accepted},
        {"3: not a number", 3, "douze", "douze", nan},
        {"4: -3 accepted", 4, "-3", "-3,00", accepted},
        {"4: 10,01 refused", 4, "10,01", "10,01", r4},
        {"5: 9,6 accepted", 5, "9,6", "10", accepted},
        {"5: 90,4 accepted", 5, "90,4", "90", accepted},
        {"5: 9,4 refused", 5, "9,4", "09", r5},
        {"7: 71 refused", 7, "71", "71", r7},
        {"7: 35 accepted", 7, "35", "35", accepted},
        {"2: no bounds", 2, "0,5", "0,50", accepted},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << r.code << QString::fromUtf8(r.typed) << QString::fromUtf8(r.shown)
                              << r.message;
}

void TestVdnParam::numeric_rule_on_leaving_txt2() {
    QFETCH(int, code);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(openOn(p, code));
    p.click("cmdajout3");
    QLineEdit* txt2 = p.edit("txt2");
    QCOMPARE(QApplication::focusWidget(), txt2);
    if (!typed.isEmpty())
        test::typeText(txt2, typed);
    if (!message.isEmpty())
        folder.boxes.expectMessage(message);
    leave(txt2);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(txt2->text(), shown);
    const int before = tableCount(folder, code);

    if (!message.isEmpty()) {
        // Refused: the focus is back in the box with its text selected, and
        // validating refuses it again without storing anything.
        QCOMPARE(QApplication::focusWidget(), txt2);
        QCOMPARE(txt2->selectedText(), shown);
        folder.boxes.expectMessage(message);
        p.click("cmdvalide3");
        VDN_CHECK_BOXES(folder);
        QVERIFY(p.frame("Frame3")->isVisible());
        QCOMPARE(tableCount(folder, code), before);
        QCOMPARE(QApplication::focusWidget(), txt2);
        // Leaving it with the mouse, into the grid, refuses it too.
        folder.boxes.expectMessage(message);
        QTest::mouseClick(p.grid()->viewport(), Qt::LeftButton, {}, QPoint(20, 250));
        QCoreApplication::processEvents();
        VDN_CHECK_BOXES(folder);
        QCOMPARE(QApplication::focusWidget(), txt2);
        return;
    }
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    QVERIFY(p.frame("Frame3")->isHidden());
    QCOMPARE(QApplication::focusWidget(), p.button("cmdajout3"));
    QCOMPARE(storedCount(folder, code, shown), 1);
    QCOMPARE(tableCount(folder, code), before + 1);
    QVERIFY(p.gridValues().contains(shown));
    QCOMPARE(p.currentValue(), shown);
}

void TestVdnParam::validate_checks_a_number_still_being_typed() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(openOn(p, 3));
    p.click("cmdajout3");
    QLineEdit* txt2 = p.edit("txt2");
    test::typeText(txt2, QStringLiteral("0,5"));
    // Clicking validate with the focus still in txt2: one message, no row.
    const int before = tableCount(folder, 3);
    folder.boxes.expectMessage(QStringLiteral("Cette valeur doit être >= 1 et <= 20"));
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(tableCount(folder, 3), before);
    QCOMPARE(txt2->text(), QStringLiteral("0,50"));
    // The refused text is selected: typing replaces it.
    test::typeText(txt2, QStringLiteral("12,345"));
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(storedCount(folder, 3, QStringLiteral("12,35")), 1);
    QCOMPARE(tableCount(folder, 3), before + 1);
}

void TestVdnParam::cancel_closes_without_checking() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(openOn(p, 5));
    const QStringList before = p.gridValues();
    typeNewValue(p, "txt2", QStringLiteral("abc"));
    p.click("cmdannule3"); // no message although the text is not a number
    VDN_CHECK_BOXES(folder);
    QVERIFY(p.frame("Frame3")->isHidden());
    QCOMPARE(p.gridValues(), before);
    QCOMPARE(tableCount(folder, 5), int(before.size()));
    // Opening the entry again starts afresh.
    p.click("cmdajout3");
    QCOMPARE(p.edit("txt2")->text(), QStringLiteral("0"));
    p.click("cmdannule3");
    VDN_CHECK_BOXES(folder);
}

void TestVdnParam::grid_lists_in_maintenance_order_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    // Brands by val(): a brand with a leading number comes after the others.
    QTest::newRow("0 numeric") << 0 << QStringList{} << "TRACK"
                               << "900 GLOBAL";
    QTest::newRow("1 text") << 1 << QStringList{"10 c", "9 c"} << "10 c"
                            << "9 c";
    QTest::newRow("3 numeric, decimal comma") << 3 << QStringList{"9,50"} << "9,50"
                                              << "12,00";
    QTest::newRow("6 text") << 6 << QStringList{"10", "9"} << "10"
                            << "9";
    // A value registered from a ball record escapes the window's range.
    QTest::newRow("7 numeric") << 7 << QStringList{"5"} << "5"
                               << "20";
}

void TestVdnParam::grid_lists_in_maintenance_order() {
    QFETCH(int, code);
    QFETCH(QStringList, added);
    QFETCH(QString, first);
    QFETCH(QString, second);
    test::DataFolder folder;
    QVERIFY(folder.ok());
    addThroughStore(folder, code, added);
    ParamWindow p(folder);
    QVERIFY(openOn(p, code));
    const QStringList values = p.gridValues();
    QCOMPARE(int(values.size()), tableCount(folder, code));
    QVERIFY(values.contains(first));
    QVERIFY(values.contains(second));
    QVERIFY2(values.indexOf(first) < values.indexOf(second), qPrintable(values.join('|')));
    VDN_CHECK_BOXES(folder);
}

void TestVdnParam::numbers_agree_with_pick_lists() {
    // A length typed the French way is stored as the grid shows it and sorts
    // by its value in the ball record's pick list too.
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(openOn(p, 3));
    typeNewValue(p, "txt2", QStringLiteral("12,5"));
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    const QStringList grid = p.gridValues();
    QCOMPARE(grid.mid(grid.indexOf(QStringLiteral("12,00")), 3),
             (QStringList{"12,00", "12,50", "13,00"}));
    auto c = folder.connect();
    ParamStore store(c->db());
    QComboBox pick;
    configurePickList(&pick);
    QVERIFY(fillPickLists(store, 3, ballCode(3)->pickOrder, {&pick}).ok());
    QStringList listed;
    for (int i = 0; i < pick.count(); ++i)
        listed << pick.itemText(i);
    QCOMPARE(listed, grid);
}

void TestVdnParam::duplicates_refused_whatever_the_case() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(openOn(p, 0));
    const int brands = tableCount(folder, 0);
    // "storm" is stored as "STORM", which exists.
    typeNewValue(p, "Txt0", QStringLiteral("storm"));
    folder.boxes.expectMessage(Exists);
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    QVERIFY(p.frame("Frame3")->isHidden());
    QCOMPARE(QApplication::focusWidget(), p.button("cmdajout3"));
    QCOMPARE(tableCount(folder, 0), brands);
    // A new brand with an accent is stored in capitals, accent included...
    typeNewValue(p, "Txt0", QStringLiteral("éclair"));
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(storedCount(folder, 0, QStringLiteral("ÉCLAIR")), 1);
    QCOMPARE(p.currentValue(), QStringLiteral("ÉCLAIR"));
    // ...and found again typed in small letters.
    typeNewValue(p, "Txt0", QStringLiteral("Éclair"));
    folder.boxes.expectMessage(Exists);
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(tableCount(folder, 0), brands + 1);
}

void TestVdnParam::delete_asks_first() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(openOn(p, 1));
    // Cores are kept as typed: one differing only by accented capitals is new.
    typeNewValue(p, "txt1", QStringLiteral("ASYMÉTRIQUE"));
    folder.boxes.expectMessage(Exists);
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);

    const QStringList before = p.gridValues();
    const int row = int(before.indexOf(QStringLiteral("Pancake")));
    QVERIFY(row >= 0);
    QTableView* grid = p.grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(row, 0)).center());
    QCOMPARE(p.currentValue(), QStringLiteral("Pancake"));
    const QString question =
        QStringLiteral("Etes-vous sûr de vouloir supprimer la valeur : Pancake ? ");
    folder.boxes.expectQuestion(question, false);
    p.click("cmdsup3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(p.gridValues(), before);
    QCOMPARE(storedCount(folder, 1, QStringLiteral("Pancake")), 1);
    QCOMPARE(p.currentValue(), QStringLiteral("Pancake"));

    folder.boxes.expectQuestion(question, true);
    p.click("cmdsup3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(storedCount(folder, 1, QStringLiteral("Pancake")), 0);
    QStringList expected = before;
    expected.removeAll(QStringLiteral("Pancake"));
    QCOMPARE(p.gridValues(), expected);
    QCOMPARE(tableCount(folder, 1), int(expected.size()));
}

void TestVdnParam::quoted_value_stored_and_deleted_exactly() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(openOn(p, 1));
    const int cores = tableCount(folder, 1);
    const QString value = QStringLiteral("l'axe \"%_\" '");
    typeNewValue(p, "txt1", value);
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(storedCount(folder, 1, value), 1);
    QCOMPARE(p.currentValue(), value);
    folder.boxes.expectQuestion(
        QStringLiteral("Etes-vous sûr de vouloir supprimer la valeur : ") + value + " ? ", true);
    p.click("cmdsup3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(storedCount(folder, 1, value), 0);
    QCOMPARE(tableCount(folder, 1), cores);
    QVERIFY(!p.gridValues().contains(value));
}

void TestVdnParam::failures_are_reported_and_the_window_keeps_working() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    ParamWindow p(folder);
    QVERIFY(openOn(p, 0));
    const QStringList before = p.gridValues();
    auto other = folder.connect();
    QVERIFY(other->execute(QStringLiteral("ALTER TABLE strparam RENAME TO strparam_away")).ok());

    // Validation fails: reported, the entry stays open with its text.
    typeNewValue(p, "Txt0", QStringLiteral("NOUVELLE"));
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(p.boxes.reports.size(), 1);
    // The cause in French; the engine's own text waits in its error list.
    QVERIFY(p.boxes.reports.first().contains(
        QStringLiteral("La base de données a refusé l'opération.")));
    QVERIFY(!p.boxes.reports.first().contains(QStringLiteral("no such table")));
    QVERIFY(p.frame("Frame3")->isVisible());
    QCOMPARE(p.edit("Txt0")->text(), QStringLiteral("NOUVELLE"));
    QVERIFY(!folder.pointer.isBusy());

    // Deletion fails: reported, the list is left as it was.
    const QString first = p.currentValue();
    folder.boxes.expectQuestion(
        QStringLiteral("Etes-vous sûr de vouloir supprimer la valeur : ") + first + " ? ", true);
    p.click("cmdsup3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(p.boxes.reports.size(), 2);
    QCOMPARE(p.gridValues(), before);

    // Once the table is back, the same window works again.
    QVERIFY(other->execute(QStringLiteral("ALTER TABLE strparam_away RENAME TO strparam")).ok());
    p.click("cmdvalide3");
    VDN_CHECK_BOXES(folder);
    QCOMPARE(p.boxes.reports.size(), 2);
    QCOMPARE(storedCount(folder, 0, QStringLiteral("NOUVELLE")), 1);
    QVERIFY(p.gridValues().contains(QStringLiteral("NOUVELLE")));
}

void TestVdnParam::load_failure_is_reported() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    QVERIFY(QFile::remove(folder.databaseFile()));
    ParamWindow p(folder);
    QVERIFY(QTest::qWaitForWindowActive(p.w.get()));
    QCOMPARE(p.boxes.reports.size(), 1);
    QVERIFY(p.boxes.reports.first().contains(folder.databaseFile()));
    // Nothing to choose: the window stays as it is.
    QCOMPARE(p.combo("Combo1")->count(), 0);
    QVERIFY(p.frame("Frame31")->isHidden());
    VDN_CHECK_BOXES(folder);
    QCOMPARE(p.boxes.reports.size(), 1);
    QVERIFY(!QFile::exists(folder.databaseFile())); // never created
}

QTEST_MAIN(TestVdnParam)
#include "tst_vdn_param.moc"
