// ctest-engines: postgresql
// The ball and drilling field tables against what they describe: the stored
// tables, the ball record's controls, and the texts each field carries from
// the screen to the base and back.
#include "balls/ball_controller.h"
#include "balls/ball_record_panel.h"
#include "balls/ball_store.h"
#include "data/connection.h"
#include "data/drilling_store.h"
#include "support/fixture.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace vdn;

namespace {

// The columns of a table as the engine created them, in capitals, without
// the server's own addition order (an engine's extra, not a field).
QStringList createdColumns(Connection& c, const QString& table) {
    QSqlQuery q(c.db());
    if (!q.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table)))
        return {};
    QStringList names;
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i)
        if (r.fieldName(i).compare(QLatin1String("vdn_ordre"), Qt::CaseInsensitive) != 0)
            names << r.fieldName(i).toUpper();
    return names;
}

QStringList upper(QStringList names) {
    for (QString& n : names)
        n = n.toUpper();
    return names;
}

// A text of its own for each field, so that a field read into another's
// place shows.
QString textFor(const char* column) {
    return QStringLiteral("v-") + QString::fromLatin1(column).toLower();
}

} // namespace

class TestRecordFields : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void tablesHoldTheFieldsInTheirOrder();
    void ballControlsShowAndGiveTheirField_data();
    void ballControlsShowAndGiveTheirField();
    void ballFieldsGoToTheBaseAndBack();
    void drillingFieldsGoToTheBaseAndBack();
    void changedElsewhereQuestionNamesEachTypedField();

private:
    std::unique_ptr<test::DataFolder> folder_;
    std::unique_ptr<Connection> db_;
};

void TestRecordFields::initTestCase() {
    folder_ = std::make_unique<test::DataFolder>();
    QVERIFY(folder_->ok());
    db_ = folder_->connect();
    QVERIFY(db_);
}

void TestRecordFields::cleanupTestCase() {
    db_.reset();
    folder_.reset();
}

void TestRecordFields::tablesHoldTheFieldsInTheirOrder() {
    // Every field's column, in table order, then the row version where the
    // table has one; no column the tables do not list.
    QCOMPARE(createdColumns(*db_, QStringLiteral("strmateriel")),
             upper(ballColumnNames() + QStringList{QStringLiteral("vdn_rev")}));
    QCOMPARE(createdColumns(*db_, QStringLiteral("strperc_boule")), upper(drillingColumnNames()));
}

void TestRecordFields::ballControlsShowAndGiveTheirField_data() {
    QTest::addColumn<int>("field");
    for (const BallFieldInfo& f : BallFields)
        if (f.control)
            QTest::addRow("%s", f.column) << int(f.field);
}

void TestRecordFields::ballControlsShowAndGiveTheirField() {
    QFETCH(int, field);
    const BallFieldInfo& f = BallFields[field];
    BallRecordPanel panel;
    QCOMPARE(panel.findChildren<QObject*>(QLatin1String(f.control)).size(), 1);

    BallRecord shown;
    for (const BallFieldInfo& g : BallFields)
        if (g.member)
            shown.*(g.member) = textFor(g.column);
    shown.date = QStringLiteral("14/02/2025");
    shown.type = QStringLiteral("Sec");
    panel.showBall(shown);
    const BallRecord entered = panel.enteredBall(QStringLiteral("000001"), 3);
    if (f.field == BallField::Type)
        QCOMPARE(entered.type, shown.type);
    else
        QCOMPARE(entered.*(f.member), shown.*(f.member));
}

void TestRecordFields::ballFieldsGoToTheBaseAndBack() {
    BallStore store(db_->db());
    BallRecord b;
    for (const BallFieldInfo& f : BallFields)
        if (f.member)
            b.*(f.member) = textFor(f.column);
    b.code = QStringLiteral("000001");
    b.line = QStringLiteral("001");
    b.type = QStringLiteral("Huilée");
    QVERIFY(store.insert(b, BallStore::NewBag::AsGiven));
    const auto read = store.byKey(b.code, b.line);
    QVERIFY(read && *read);
    for (const BallFieldInfo& f : BallFields)
        if (f.member)
            QCOMPARE((**read).*(f.member), b.*(f.member));
    QCOMPARE((**read).type, b.type);
    // The grid shows each of its columns' own field.
    const auto rows = store.listOne(b.code, b.line);
    QVERIFY(rows && rows->size() == 1);
    QCOMPARE(rows->first().cell(BallColumn::Serial), textFor("mat_serie"));
    QCOMPARE(rows->first().cell(BallColumn::Surface), textFor("mat_surface1"));
    QCOMPARE(rows->first().cell(BallColumn::Layout), textFor("mat_layout"));
}

void TestRecordFields::drillingFieldsGoToTheBaseAndBack() {
    BallStore balls(db_->db());
    BallRecord b;
    b.code = QStringLiteral("000002");
    b.line = QStringLiteral("001");
    QVERIFY(balls.insert(b));
    const auto ball = balls.byKey(b.code, b.line);
    QVERIFY(ball && *ball);

    BallDrilling d;
    for (const DrillingFieldInfo& f : DrillingFields)
        d.*(f.member) = textFor(f.column);
    d.code = b.code;
    d.line = b.line;
    DrillingStore store(db_->db());
    const auto written = store.record(d, (**ball).revision);
    QVERIFY(written);
    const auto list = store.list(b.code, b.line);
    QVERIFY(list && list->size() == 1);
    const BallDrilling& back = list->first();
    // The number and the sheet are the store's to give; the rest is as sent.
    QCOMPARE(back.number, QStringLiteral("000001"));
    for (const DrillingFieldInfo& f : DrillingFields) {
        if (f.field == DrillingField::Number || f.field == DrillingField::SheetVersion)
            continue;
        QCOMPARE(back.*(f.member), d.*(f.member));
    }
    // What a drilling says leaves out its number, date, owner and what is
    // computed; what is typed by hand is the holes, weights and comment.
    QVERIFY(drillingContent(back).contains(textFor("pb_angle_perc")));
    QVERIFY(!drillingContent(back).contains(back.number));
    QVERIFY(!drillingContent(back).contains(textFor("pb_verdict")));
    QCOMPARE(drillingTypedEntry(back).size(), 20);
    QVERIFY(drillingTypedEntry(back).contains(textFor("pb_doigts_prof")));
    QVERIFY(drillingTypedEntry(back).contains(textFor("pb_boite_pin_out")));
    QVERIFY(drillingTypedEntry(back).contains(textFor("pb_mill_prof")));
    QVERIFY(!drillingTypedEntry(back).contains(textFor("pb_angle_perc")));
}

void TestRecordFields::changedElsewhereQuestionNamesEachTypedField() {
    BallRecord before;
    before.type = QStringLiteral("Sec");
    const QStringList all{QStringLiteral("Marque"),
                          QStringLiteral("Boule"),
                          QStringLiteral("N° Série"),
                          QStringLiteral("Noyau"),
                          QStringLiteral("RG"),
                          QStringLiteral("Différentiel"),
                          QStringLiteral("Length"),
                          QStringLiteral("Hook"),
                          QStringLiteral("Date de l'achat"),
                          QStringLiteral("Layout"),
                          QStringLiteral("Surface"),
                          QStringLiteral("Huilée / Sec / Spare")};
    QStringList asked;
    for (const FieldReadings& r : ballReadings(before, before, before))
        asked << r.name;
    QCOMPARE(asked, all);

    // The layout's second part alone changed: the question names the layout
    // and shows its three parts; taking the stored one takes all three.
    BallRecord now = before;
    now.layout2 = QStringLiteral("45");
    now.layout = QStringLiteral(" / 45 / ");
    QCOMPARE(changedBallFields(before, now), QStringList{QStringLiteral("Layout")});
    const QList<FieldReadings> readings = ballReadings(before, now, now);
    QCOMPARE(readings.at(9).typed, QStringLiteral(" / 45 / "));
    QList<bool> take(all.size(), false);
    take[9] = true;
    BallRecord typed = before;
    takeStoredBallFields(typed, now, take);
    QCOMPARE(typed.layout2, now.layout2);
    QCOMPARE(typed.layout, now.layout);
    now.type = QStringLiteral("Spare");
    QCOMPARE(changedBallFields(before, now),
             (QStringList{QStringLiteral("Layout"), QStringLiteral("Huilée / Sec / Spare")}));
}

QTEST_MAIN(TestRecordFields)
#include "tst_record_fields.moc"
