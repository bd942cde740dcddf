// Where the controls of the customer record, the ball record and the drilling
// sheet lie, and the order Tab visits them, at the window's designed size:
// the layout tables must put every control where the window always had it.
// With VORDAN_DUMP_LAYOUT set the test prints what it finds in the form of
// the tables below.

#include "balls/ball_fixture.h"
#include "support/widget_lookup.h"

#include <cstdio>
#include <cstdlib>

using namespace vdn;
using test::PlacedControl;

namespace {

struct Expected {
    const char* key;
    int x, y, w, h;
};

#include "panel_layout_tables.inc"

bool dumping() {
    return qEnvironmentVariableIsSet("VORDAN_DUMP_LAYOUT");
}

void dump(const char* table, const QList<PlacedControl>& placed, const QStringList& order) {
    std::printf("const Expected %s[] = {\n", table);
    for (const PlacedControl& p : placed)
        std::printf("    {\"%s\", %d, %d, %d, %d},\n", qPrintable(p.key), p.rect.x(), p.rect.y(),
                    p.rect.width(), p.rect.height());
    std::printf("};\nconst char* const %sTabs[] = {", table);
    for (const QString& name : order)
        std::printf("\"%s\", ", qPrintable(name));
    std::printf("};\n");
}

// Where the control is and how large. A label sized to its text (the
// system's fonts measure a few pixels apart under Wine) may differ in width
// by a few pixels in the Windows test programs; everything else is exact.
bool samePlace(const PlacedControl& p, const Expected& e) {
    const QRect wanted(e.x, e.y, e.w, e.h);
#ifdef Q_OS_WIN
    if (p.key.startsWith(QLatin1String("Label")) || p.key.startsWith(QLatin1String("Option")))
        return p.rect.topLeft() == wanted.topLeft() && std::abs(p.rect.width() - e.w) <= 6 &&
               std::abs(p.rect.height() - e.h) <= 2;
#endif
    return p.rect == wanted;
}

// Compares a panel with its table; names every control out of place.
template <std::size_t N, std::size_t T>
bool matches(const char* table, const QWidget* panel, const Expected (&expected)[N],
             const char* const (&tabs)[T]) {
    const QList<PlacedControl> placed = test::placedControls(panel);
    const QStringList order = test::tabOrder(panel);
    if (dumping()) {
        dump(table, placed, order);
        return true;
    }
    bool same = true;
    QStringList seen;
    for (const PlacedControl& p : placed) {
        seen << p.key;
        const auto it =
            std::find_if(std::begin(expected), std::end(expected),
                         [&](const Expected& e) { return p.key == QString::fromUtf8(e.key); });
        if (it == std::end(expected)) {
            qWarning("%s: unexpected control %s", table, qPrintable(p.key));
            same = false;
        } else if (!samePlace(p, *it)) {
            qWarning("%s: %s at %d,%d %dx%d instead of %d,%d %dx%d", table, qPrintable(p.key),
                     p.rect.x(), p.rect.y(), p.rect.width(), p.rect.height(), it->x, it->y, it->w,
                     it->h);
            same = false;
        }
    }
    for (const Expected& e : expected)
        if (!seen.contains(QString::fromUtf8(e.key))) {
            qWarning("%s: control %s is missing", table, e.key);
            same = false;
        }
    QStringList wanted;
    for (const char* name : tabs)
        wanted << QLatin1String(name);
    if (order != wanted) {
        qWarning("%s: tab order %s", table, qPrintable(order.join(QLatin1Char(' '))));
        same = false;
    }
    return same;
}

} // namespace

class TestPanelLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }
    void recordPanelsKeepTheirPlaces();
};

void TestPanelLayout::recordPanelsKeepTheirPlaces() {
    test::BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "DUPONT JEAN", "Annecy"));
    QVERIFY(test::addBallRow(*f.db, "000001", "001", {{"MAT_SAC", "000"}}));
    QVERIFY(f.open());
    QCOMPARE(f.w->size(), QSize(1260, 713));

    // The customer record of a new customer (private: no VAT number box).
    f.click("cmdajout");
    QWidget* record = f.find("Frame100");
    QVERIFY(record->isVisible());
    QVERIFY(
        matches("CustomerRecordPlaces", record, CustomerRecordPlaces, CustomerRecordPlacesTabs));
    // A business customer shows the VAT number box and its caption too.
    f.choose("Option1_1");
    QVERIFY(
        matches("BusinessRecordPlaces", record, BusinessRecordPlaces, BusinessRecordPlacesTabs));
    f.click("cmdannule");

    // The ball record of an opened ball.
    QVERIFY(f.openCustomer("000001"));
    f.clickBallLine("001");
    QWidget* ball = f.find("Frame8");
    QVERIFY(ball->isVisible());
    QVERIFY(matches("BallRecordPlaces", ball, BallRecordPlaces, BallRecordPlacesTabs));
    f.click("cmdannule3");

    // The drilling sheet of a new sheet.
    f.click("cmdajout_fiche");
    QWidget* sheet = f.find("Frame400");
    QVERIFY(sheet->isVisible());
    QVERIFY(matches("SheetPlaces", sheet, SheetPlaces, SheetPlacesTabs));
}

QTEST_MAIN(TestPanelLayout)
#include "tst_panel_layout.moc"
