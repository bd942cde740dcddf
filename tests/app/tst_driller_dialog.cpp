// The shop names its driller from the main menu: "P&erceur…" right after
// "&Paramètres", a small dialog, the name written in strspecif.

#include "app/driller_dialog.h"
#include "app/vdn_menu.h"
#include "data/shop_store.h"
#include "support/fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace vdn;

namespace {

QString storedDriller(test::DataFolder& folder) {
    auto c = folder.connect();
    Result<QString> name = ShopStore(c->db()).driller();
    return name ? *name : QStringLiteral("<échec>");
}

} // namespace

class TestDrillerDialog : public QObject {
    Q_OBJECT
private slots:
    void entry_follows_the_parameters_in_the_files_menu();
    void the_name_is_read_checked_and_written();
    void cancel_writes_nothing();
    void unreadable_database_is_reported_without_a_dialog();
};

void TestDrillerDialog::entry_follows_the_parameters_in_the_files_menu() {
    test::DataFolder folder;
    VdnMenu menu(folder.services(), folder.startupInfo());
    auto* files = menu.findChild<QMenu*>(QStringLiteral("mnu_fic"));
    QVERIFY(files);
    QStringList entries;
    for (QAction* a : files->actions())
        entries << a->text();
    QCOMPARE(entries, (QStringList{"&Clients", "&Paramètres", "P&erceur…", "&Sauvegarde USB",
                                   "&Restaurer une sauvegarde", "&Importer des clients…"}));
    QCOMPARE(files->actions().at(2)->objectName(), QStringLiteral("mnu_fic_perceur"));
}

void TestDrillerDialog::the_name_is_read_checked_and_written() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    VdnMenu menu(folder.services(), folder.startupInfo());
    menu.show();
    menu.findChild<QAction*>(QStringLiteral("mnu_fic_perceur"))->trigger();
    auto* dialog = menu.findChild<DrillerDialog*>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Perceur"));
    auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("txtperceur"));
    QCOMPARE(box->text(), QStringLiteral("Tibor Vallasse"));
    QCOMPARE(box->maxLength(), 30);
    // The entry again brings the same dialog forward.
    QCOMPARE(menu.openDriller(), dialog);

    // An empty name is refused; the dialog stays and nothing is written.
    box->clear();
    QTest::keyClicks(box, "   ");
    folder.boxes.expectMessage(DrillerDialog::emptyNameMessage());
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdvalide")), Qt::LeftButton);
    VDN_CHECK_BOXES(folder);
    QVERIFY(dialog->isVisible());
    QCOMPARE(storedDriller(folder), QStringLiteral("Tibor Vallasse"));

    box->clear();
    test::typeText(box, QStringLiteral(" Émile Durand-Vasseur de la Côte-d'Or "));
    // The box takes 30 characters, the leading blank among them; the name
    // is stored without it.
    QCOMPARE(box->text().size(), 30);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdvalide")), Qt::LeftButton);
    VDN_CHECK_BOXES(folder);
    QTRY_VERIFY(!menu.findChild<DrillerDialog*>());
    QCOMPARE(storedDriller(folder), QStringLiteral("Émile Durand-Vasseur de la Cô"));

    // Opened again, it shows the name in force.
    DrillerDialog* again = menu.openDriller();
    QVERIFY(again);
    QCOMPARE(again->findChild<QLineEdit*>(QStringLiteral("txtperceur"))->text(),
             QStringLiteral("Émile Durand-Vasseur de la Cô"));
}

void TestDrillerDialog::cancel_writes_nothing() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    VdnMenu menu(folder.services(), folder.startupInfo());
    DrillerDialog* dialog = menu.openDriller();
    QVERIFY(dialog);
    auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("txtperceur"));
    box->setText(QStringLiteral("Ana Ruiz"));
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdannule")), Qt::LeftButton);
    QTRY_VERIFY(!menu.findChild<DrillerDialog*>());
    QCOMPARE(storedDriller(folder), QStringLiteral("Tibor Vallasse"));
    VDN_CHECK_BOXES(folder);
}

void TestDrillerDialog::unreadable_database_is_reported_without_a_dialog() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    VdnMenu menu(folder.services(), folder.startupInfo());
    {
        auto c = folder.connect();
        QVERIFY(c->execute(QStringLiteral("DELETE FROM strspecif")).ok());
    }
    folder.boxes.setAnswerAll(true);
    QVERIFY(!menu.openDriller());
    QVERIFY(!folder.boxes.shown().isEmpty());
    QVERIFY2(folder.boxes.shown().first().text.startsWith("L'erreur suivante s'est produite:"),
             qPrintable(folder.boxes.shown().first().text));
    folder.boxes.clear();
    QVERIFY(!menu.findChild<DrillerDialog*>());
}

QTEST_MAIN(TestDrillerDialog)
#include "tst_driller_dialog.moc"
