// ctest-engines: postgresql
// Looking back on the drilling sheet panel: the version list, a version
// shown read-only with its banner and its changes marked, its printout, the
// way back to the current sheet, and the shop's driller on each of them.

#include "data/schema.h"
#include "data/shop_store.h"
#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_form.h"
#include "drilling/sheet_printout.h"
#include "support/fixture.h"
#include "support/sheet_host.h"
#include "support/widget_lookup.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace vdn;
using test::comboOf;

namespace {

const QColor Background(192, 192, 255);

// Whether every pixel of a panel area in the picture has the panel's colour.
bool onlyBackground(const QImage& picture, const QWidget* panel, const QWidget* w) {
    const QRect area(w->mapTo(panel, QPoint(0, 0)), w->size());
    const qreal ratio = picture.devicePixelRatio();
    const QRect r(area.topLeft() * ratio, area.size() * ratio);
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (picture.pixelColor(x, y) != Background)
                return false;
    return true;
}

QStringList listed(const QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

int versionCount(Connection& c) {
    return test::scalar(c, "SELECT count(*) FROM strpercage_hist").toInt();
}

// Three validations of one customer's sheet, an hour apart, the second and
// third by another driller: span 4 1/2, then 4 5/8 with "Non" conicity and a
// comment, then 1/8 added in field 12.
class ThreeVersions {
public:
    ThreeVersions() : c(f.connect()), host(f.services(), c->db()) {}

    bool make() {
        for (const auto& [code, value] : QList<std::pair<QString, QString>>{
                 {"11", "4 1/2"}, {"11", "4 5/8"}, {"12", "1/8"}, {"8", "9 9/9"}})
            if (!c->execute(QStringLiteral("INSERT INTO strparam VALUES ('%1', '%2') ON CONFLICT "
                                           "DO NOTHING")
                                .arg(code, value))
                     .ok())
                return false;
        if (!host.showActive())
            return false;
        host.setCustomer("000012", "M. BLANC JEAN", "");
        f.clock.set(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        QTest::mouseClick(host.cmdajout_fiche, Qt::LeftButton);
        comboOf(host.panel, 11)->setEditText("4 1/2");
        if (!validate())
            return false;
        if (!ShopStore(c->db()).setDriller("Ana Ruiz"))
            return false;
        f.clock.set(QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
        QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
        comboOf(host.panel, 11)->setEditText("4 5/8");
        host.panel->findChild<QRadioButton*>("Option7_1")->setChecked(true);
        host.panel->findChild<QPlainTextEdit*>("txtcomm_doigt")->setPlainText("Pouce serré");
        if (!validate())
            return false;
        f.clock.set(QDateTime(QDate(2026, 12, 8), QTime(11, 0)));
        QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
        comboOf(host.panel, 12)->setEditText("1/8");
        if (!validate())
            return false;
        QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
        return host.panel->isVisible();
    }

    bool validate() {
        const int before = host.saves;
        QTest::mouseClick(host.panel->findChild<QWidget*>("cmdvalide_fiche"), Qt::LeftButton);
        return host.saves == before + 1;
    }

    QListWidget* list() const { return host.panel->findChild<QListWidget*>("lstversions"); }
    QWidget* find(const char* name) const { return host.panel->findChild<QWidget*>(name); }
    QString caption(const char* name) const { return host.panel->findChild<QLabel*>(name)->text(); }
    void choose(int row) {
        QListWidget* l = list();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
    }

    test::DataFolder f;
    std::unique_ptr<Connection> c;
    test::SheetHost host;
};

} // namespace

class TestSheetVersions : public QObject {
    Q_OBJECT
private slots:
    void versions_listed_newest_first_after_the_current_sheet();
    void a_version_is_shown_read_only_with_its_changes_marked();
    void the_current_sheet_comes_back_as_it_was_left();
    void printout_of_an_old_version_carries_its_date_not_the_list();
    void a_sheet_never_validated_lists_only_itself();
};

void TestSheetVersions::versions_listed_newest_first_after_the_current_sheet() {
    ThreeVersions s;
    QVERIFY(s.make());
    VDN_CHECK_BOXES(s.f);
    QCOMPARE(listed(s.list()),
             (QStringList{"Fiche actuelle", "Version 3 : 08/12/2026 11:00:00\nAna Ruiz",
                          "Version 2 : 08/12/2026 10:00:00\nAna Ruiz",
                          "Version 1 : 08/12/2026 09:00:00\nTibor Vallasse"}));
    QCOMPARE(s.list()->currentRow(), 0);
    QVERIFY(s.list()->isVisible());
    QCOMPARE(s.caption("lblhistorique"), QStringLiteral("Historique de la fiche"));
    // The current sheet is open as always, headed by the driller named now.
    QVERIFY(!s.find("lblversion")->isVisible());
    QVERIFY(!s.find("cmdfiche_actuelle")->isVisible());
    QCOMPARE(s.caption("Label44"),
             QStringLiteral("Perceur : Ana Ruiz  Fiche éditée le 08/12/2026"));
    QVERIFY(s.find("cmdvalide_fiche")->isEnabled());
    // Each validation stored the driller named at that time.
    QCOMPARE(test::column(*s.c, "SELECT his_perceur FROM strpercage_hist ORDER BY his_num"),
             (QStringList{"Tibor Vallasse", "Ana Ruiz", "Ana Ruiz"}));
}

void TestSheetVersions::a_version_is_shown_read_only_with_its_changes_marked() {
    ThreeVersions s;
    QVERIFY(s.make());
    s.choose(2); // the second version, 10:00
    QCOMPARE(s.host.panel->shownVersion(), 1);
    QCOMPARE(s.list()->currentRow(), 2);
    QVERIFY(s.find("lblversion")->isVisible());
    QCOMPARE(s.caption("lblversion"),
             QStringLiteral("Ancienne version 2 du 08/12/2026 à 10:00:00 (consultation seule)"));
    QVERIFY(s.find("cmdfiche_actuelle")->isVisible());
    QCOMPARE(s.caption("Label44"), QStringLiteral("Perceur : Ana Ruiz"));

    // The version's own values.
    QCOMPARE(comboOf(s.host.panel, 11)->currentText(), QStringLiteral("4 5/8"));
    QCOMPARE(comboOf(s.host.panel, 12)->currentText(), QString());
    auto* non = s.host.panel->findChild<QRadioButton*>("Option7_1");
    QVERIFY(non->isChecked());

    // What changed since the first version is marked, field by field.
    QComboBox* span = comboOf(s.host.panel, 11);
    QCOMPARE(span->toolTip(), QStringLiteral("Valeur précédente : 4 1/2"));
    QVERIFY(span->lineEdit()->palette().color(QPalette::Base) !=
            comboOf(s.host.panel, 8)->lineEdit()->palette().color(QPalette::Base));
    auto* comment = s.host.panel->findChild<QPlainTextEdit*>("txtcomm_doigt");
    QCOMPARE(comment->toolTip(), QStringLiteral("Valeur précédente : (vide)"));
    QCOMPARE(non->toolTip(), QStringLiteral("Valeur précédente : Oui"));
    const QColor changed = span->lineEdit()->palette().color(QPalette::Base);
    QCOMPARE(non->grab().toImage().pixelColor(1, 1), changed);
    for (int n : sheetMeasureNumbers())
        if (n != 11)
            QVERIFY2(comboOf(s.host.panel, n)->toolTip().isEmpty(), qPrintable(QString::number(n)));
    QVERIFY(s.host.panel->findChild<QPlainTextEdit*>("txtcomm_pouce")->toolTip().isEmpty());
    QVERIFY(s.host.panel->findChild<QRadioButton*>("Option8_0")->toolTip().isEmpty());

    // Nothing can be typed, chosen or validated.
    QVERIFY(!s.find("cmdvalide_fiche")->isEnabled());
    span->lineEdit()->setFocus();
    QTest::keyClicks(span->lineEdit(), "77");
    QCOMPARE(span->currentText(), QStringLiteral("4 5/8"));
    QTest::mouseClick(s.host.panel->findChild<QRadioButton*>("Option7_0"), Qt::LeftButton);
    QVERIFY(non->isChecked());
    QVERIFY(comment->isReadOnly());
    const QVariantMap row = test::sheetRow(s.c->db(), "000012");
    s.host.panel->validate();
    QCOMPARE(s.host.saves, 3);
    QCOMPARE(test::sheetRow(s.c->db(), "000012"), row);
    QCOMPARE(versionCount(*s.c), 3);

    // The newest version is measured against the second one.
    s.choose(1);
    QCOMPARE(s.caption("lblversion"),
             QStringLiteral("Version 3 du 08/12/2026 à 11:00:00, en vigueur (consultation seule)"));
    QCOMPARE(comboOf(s.host.panel, 12)->toolTip(), QStringLiteral("Valeur précédente : (vide)"));
    QVERIFY(span->toolTip().isEmpty());
    QVERIFY(non->grab().toImage().pixelColor(1, 1) != changed);
    QVERIFY(non->toolTip().isEmpty());
    // The oldest has nothing before it: nothing is marked.
    s.choose(3);
    QCOMPARE(s.caption("Label44"), QStringLiteral("Perceur : Tibor Vallasse"));
    QCOMPARE(span->currentText(), QStringLiteral("4 1/2"));
    QVERIFY(span->toolTip().isEmpty());
    QVERIFY(s.host.panel->findChild<QRadioButton*>("Option7_0")->isChecked());
    VDN_CHECK_BOXES(s.f);
}

void TestSheetVersions::the_current_sheet_comes_back_as_it_was_left() {
    ThreeVersions s;
    QVERIFY(s.make());
    // Edits not yet validated survive a look at the past.
    comboOf(s.host.panel, 8)->setEditText("9 9/9");
    s.host.panel->findChild<QRadioButton*>("Option5_0")->setChecked(true);
    comboOf(s.host.panel, 21)->setEditText("22");
    s.choose(3);
    QCOMPARE(comboOf(s.host.panel, 8)->currentText(), QString());
    QTest::mouseClick(s.find("cmdfiche_actuelle"), Qt::LeftButton);
    QCOMPARE(s.host.panel->shownVersion(), -1);
    QCOMPARE(s.list()->currentRow(), 0);
    QCOMPARE(comboOf(s.host.panel, 8)->currentText(), QStringLiteral("9 9/9"));
    QCOMPARE(comboOf(s.host.panel, 21)->currentText(), QStringLiteral("22"));
    QVERIFY(s.host.panel->findChild<QRadioButton*>("Option5_0")->isChecked());
    QCOMPARE(comboOf(s.host.panel, 11)->currentText(), QStringLiteral("4 5/8"));
    QVERIFY(comboOf(s.host.panel, 11)->toolTip().isEmpty());
    QVERIFY(!s.find("lblversion")->isVisible());
    QCOMPARE(s.caption("Label44"),
             QStringLiteral("Perceur : Ana Ruiz  Fiche éditée le 08/12/2026"));
    // Editable again: typing reaches the field, and the rule of the
    // exclusive boxes applies again.
    QComboBox* span = comboOf(s.host.panel, 11);
    span->lineEdit()->setFocus();
    span->lineEdit()->selectAll();
    QTest::keyClicks(span->lineEdit(), "4 1/2");
    QCOMPARE(span->currentText(), QStringLiteral("4 1/2"));

    // Its validation makes a fourth version, by the driller named now.
    QVERIFY(ShopStore(s.c->db()).setDriller("Léo Marc"));
    comboOf(s.host.panel, 21)->setEditText("");
    s.host.panel->findChild<QRadioButton*>("Option5_1")->setChecked(true);
    s.f.boxes.setAnswerAll(true); // the new entries of lists 8 and 21
    QVERIFY(s.validate());
    s.f.boxes.clear();
    QCOMPARE(versionCount(*s.c), 4);
    QCOMPARE(test::scalar(*s.c, "SELECT his_perceur FROM strpercage_hist WHERE his_num = '000004'")
                 .toString(),
             QStringLiteral("Léo Marc"));
    QCOMPARE(test::sheetRow(s.c->db(), "000012").value("PER_08").toString(),
             QStringLiteral("9 9/9"));
    QTest::mouseClick(s.host.cmdmodif_fiche, Qt::LeftButton);
    QCOMPARE(s.caption("Label44"),
             QStringLiteral("Perceur : Léo Marc  Fiche éditée le 08/12/2026"));
    QCOMPARE(s.list()->count(), 5);
}

void TestSheetVersions::printout_of_an_old_version_carries_its_date_not_the_list() {
    ThreeVersions s;
    QVERIFY(s.make());
    DrillingSheetPanel& panel = *s.host.panel;
    // The current sheet: neither list nor banner on paper, the driller line is.
    QImage picture = widgetPicture(panel, panel.form().hiddenWhenPrinted());
    for (const char* name : {"lstversions", "lblhistorique", "lblversion", "cmdfiche_actuelle"})
        QVERIFY2(onlyBackground(picture, &panel, s.find(name)), name);
    QVERIFY(!onlyBackground(picture, &panel, s.find("Label44")));

    s.choose(2);
    picture = widgetPicture(panel, panel.form().hiddenWhenPrinted());
    for (const char* name : {"lstversions", "lblhistorique", "cmdfiche_actuelle"})
        QVERIFY2(onlyBackground(picture, &panel, s.find(name)), name);
    QVERIFY(!onlyBackground(picture, &panel, s.find("lblversion")));
    // The banner is drawn in its own colour, over the panel's.
    const QWidget* banner = s.find("lblversion");
    const QPoint inside = (banner->mapTo(&panel, QPoint(4, 4))) * picture.devicePixelRatio();
    QCOMPARE(picture.pixelColor(inside), QColor(255, 240, 150));

    // End to end into a PDF: one page, and the screen as it was.
    const QString pdf = s.f.folder() + "version.pdf";
    panel.setPrinterChooser([&](QPrinter& printer, QWidget*) -> Result<bool> {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    QTest::mouseClick(s.find("cmdimp_fiche"), Qt::LeftButton);
    VDN_CHECK_BOXES(s.f);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("/Type /Page\n"), 1);
    QVERIFY(s.list()->isVisible());
    QVERIFY(s.find("cmdfiche_actuelle")->isVisible());
    QVERIFY(s.find("lblversion")->isVisible());
    QCOMPARE(panel.shownVersion(), 1);
}

void TestSheetVersions::a_sheet_never_validated_lists_only_itself() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto c = f.connect();
    test::SheetHost host(f.services(), c->db());
    host.startNewSheet(QStringLiteral("000031"));
    auto* list = host.panel->findChild<QListWidget*>("lstversions");
    QCOMPARE(listed(list), QStringList{"Fiche actuelle"});
    // A sheet written without a version (by another program) lists none
    // either, and still opens.
    QVERIFY(test::insertSheetRow(c->db(), "000032", {{"PER_08", "1/8"}}));
    host.setCustomer("000032", "B", "");
    QTest::mouseClick(host.cmdmodif_fiche, Qt::LeftButton);
    QCOMPARE(listed(list), QStringList{"Fiche actuelle"});
    QCOMPARE(comboOf(host.panel, 8)->currentText(), QStringLiteral("1/8"));
    VDN_CHECK_BOXES(f);
}

QTEST_MAIN(TestSheetVersions)
#include "tst_sheet_versions.moc"
