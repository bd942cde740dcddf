#include "app/startup.h"
#include "app/vdn_menu.h"
#include "app/window_placement.h"
#include "customers/vdn_client.h"
#include "platform/clickable_label.h"
#include "reference/vdn_param.h"
#include "support/fixture.h"
#include "support/widget_lookup.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QToolButton>

using namespace vdn;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void captions_menu_and_title();
    void windows_open_once_each();
    void inert_entries_do_nothing();
    void backup_panel_shows_from_the_menu();
    void closing_ends_every_window();
    void unsaved_entry_asks_data();
    void unsaved_entry_asks();
    void typed_parameter_asks_before_quitting_data();
    void typed_parameter_asks_before_quitting();
    void centring_data();
    void centring();
    void centring_takes_the_frame_data();
    void centring_takes_the_frame();
    void centring_waits_for_the_frame();

private:
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5)); }
};

void TestMainWindow::captions_menu_and_title() {
    test::DataFolder folder;
    VdnMenu menu(folder.services(), folder.startupInfo());
    QCOMPARE(menu.objectName(), QStringLiteral("VDN_menu"));
    QCOMPARE(menu.windowTitle(),
             QStringLiteral(
                 "VORDAN-   Logiciel VORDAN pour le compte de : LE STRIKE  N° LICENCE : 123"));
    const QList<QPair<const char*, QString>> captions{
        {"cmdclt", QStringLiteral("    CLIENTS")},
        {"cmdmat", QStringLiteral("   MATERIEL")},
        {"cmdfac", QStringLiteral("??? non utilisé")}};
    for (const auto& [name, text] : captions) {
        auto* label = menu.findChild<ClickableLabel*>(QLatin1String(name));
        QVERIFY2(label, name);
        QCOMPARE(label->text(), text);
    }
    for (int i = 1; i <= 6; ++i)
        QVERIFY(menu.findChild<ClickableLabel*>(QStringLiteral("Image%1").arg(i)));
    auto* frame = menu.findChild<QGroupBox*>(QStringLiteral("Frame5"));
    QVERIFY(frame);
    QCOMPARE(frame->title(), QStringLiteral("Saisir la lettre du disque amovible"));
    QVERIFY(frame->isHidden());
    QCOMPARE(menu.findChild<QLineEdit*>(QStringLiteral("txtdisk"))->maxLength(), 1);
    QVERIFY(menu.findChild<QWidget*>(QStringLiteral("cmdok")));

    const QList<QPair<const char*, QString>> entries{
        {"mnu_fic", QStringLiteral("&Fichiers")},
        {"mnu_fic_clt", QStringLiteral("&Clients")},
        {"mnu_fic_par", QStringLiteral("&Paramètres")},
        {"mnu_fic_usb", QStringLiteral("&Sauvegarde USB")},
        {"mnu_fac", QStringLiteral("&Matériels")},
        {"mnu_sta_vte", QStringLiteral("&Recherches")},
        {"mnu_stk", QStringLiteral("&Stocks")},
        {"mnu_stk_mvt", QStringLiteral("&Saisie E/S de stock")},
        {"mnu_stk_cal", QStringLiteral("&Calcul stocks")},
        {"mnu_abd", QStringLiteral("&Quitter")}};
    for (const auto& [name, text] : entries) {
        auto* action = menu.findChild<QAction*>(QLatin1String(name));
        QVERIFY2(action, name);
        QCOMPARE(action->text(), text);
    }
    // Menu bar order, and "&Stocks" shown greyed.
    QStringList bar;
    for (QAction* a : menu.menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, (QStringList{"&Fichiers", "&Matériels", "&Stocks", "&Quitter", "&Aide"}));
    QVERIFY(!menu.findChild<QAction*>(QStringLiteral("mnu_stk"))->isEnabled());
    QVERIFY(menu.findChild<QAction*>(QStringLiteral("mnu_abd"))->isEnabled());
}

void TestMainWindow::windows_open_once_each() {
    test::DataFolder folder;
    VdnMenu menu(folder.services(), folder.startupInfo());
    menu.show();
    click(menu.findChild<ClickableLabel*>(QStringLiteral("cmdclt")));
    QPointer<VdnClient> client = menu.client();
    QVERIFY(client);
    QVERIFY(client->isVisible());
    QCOMPARE(client->windowTitle(), QStringLiteral("Gestion des Clients"));
    click(menu.findChild<ClickableLabel*>(QStringLiteral("Image4")));
    menu.findChild<QAction*>(QStringLiteral("mnu_fic_clt"))->trigger();
    QCOMPARE(menu.client(), client.data());
    int clients = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        clients += w->objectName() == QLatin1String("VDN_client") ? 1 : 0;
    QCOMPARE(clients, 1);

    menu.findChild<QAction*>(QStringLiteral("mnu_fic_par"))->trigger();
    QPointer<VdnParam> param = menu.param();
    QVERIFY(param);
    QCOMPARE(param->windowTitle(), QStringLiteral("Gestion des paramètres"));
    menu.findChild<QAction*>(QStringLiteral("mnu_fic_par"))->trigger();
    QCOMPARE(menu.param(), param.data());

    // Closed, then opened again: a new window with a fresh load.
    client->close();
    QTRY_VERIFY(!client);
    menu.openClient();
    QVERIFY(menu.client());
}

void TestMainWindow::inert_entries_do_nothing() {
    test::DataFolder folder;
    VdnMenu menu(folder.services(), folder.startupInfo());
    menu.show();
    const int before = int(QApplication::topLevelWidgets().size());
    click(menu.findChild<ClickableLabel*>(QStringLiteral("cmdmat")));
    click(menu.findChild<ClickableLabel*>(QStringLiteral("cmdfac")));
    click(menu.findChild<ClickableLabel*>(QStringLiteral("Image5")));
    menu.findChild<QAction*>(QStringLiteral("mnu_sta_vte"))->trigger();
    QCOMPARE(int(QApplication::topLevelWidgets().size()), before);
    QVERIFY(!menu.client());
    QVERIFY(!menu.param());
    QVERIFY(menu.isVisible());
    VDN_CHECK_BOXES(folder);
}

void TestMainWindow::backup_panel_shows_from_the_menu() {
    test::DataFolder folder;
    VdnMenu menu(folder.services(), folder.startupInfo());
    menu.show();
    menu.findChild<QAction*>(QStringLiteral("mnu_fic_usb"))->trigger();
    QVERIFY(menu.findChild<QGroupBox*>(QStringLiteral("Frame5"))->isVisible());
}

void TestMainWindow::closing_ends_every_window() {
    test::DataFolder folder;
    auto* menu = new VdnMenu(folder.services(), folder.startupInfo());
    menu->show();
    QPointer<VdnClient> client = menu->openClient();
    QPointer<VdnParam> param = menu->openParam();
    menu->findChild<QAction*>(QStringLiteral("mnu_abd"))->trigger();
    QVERIFY(!client);
    QVERIFY(!param);
    QVERIFY(!menu->isVisible());
    delete menu;
}

// An entry typed in the customer record, met by "&Quitter", the main
// window's close box or the customer window's close box.
enum class Way { Quit, MainClose, ClientClose };
Q_DECLARE_METATYPE(Way)
Q_DECLARE_METATYPE(Answer)

void TestMainWindow::unsaved_entry_asks_data() {
    QTest::addColumn<Way>("way");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<bool>("withName");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("menuOpen");
    QTest::addColumn<bool>("recordShown");
    QTest::addColumn<int>("stored");
    QTest::newRow("quit, nothing typed: ends at once")
        << Way::Quit << false << true << Answer::No << false << false << 0;
    QTest::newRow("quit, Annuler: back to the entry")
        << Way::Quit << true << true << Answer::Cancel << true << true << 0;
    QTest::newRow("quit, Non: dropped")
        << Way::Quit << true << true << Answer::No << false << false << 0;
    QTest::newRow("quit, Oui: saved")
        << Way::Quit << true << true << Answer::Yes << false << false << 1;
    QTest::newRow("quit, Oui refused: stays")
        << Way::Quit << true << false << Answer::Yes << true << true << 0;
    QTest::newRow("main close box, Annuler")
        << Way::MainClose << true << true << Answer::Cancel << true << true << 0;
    QTest::newRow("main close box, Oui")
        << Way::MainClose << true << true << Answer::Yes << false << false << 1;
    QTest::newRow("client close box, nothing typed: one step back")
        << Way::ClientClose << false << true << Answer::No << true << false << 0;
    QTest::newRow("client close box, Annuler")
        << Way::ClientClose << true << true << Answer::Cancel << true << true << 0;
    QTest::newRow("client close box, Non")
        << Way::ClientClose << true << true << Answer::No << true << false << 0;
    QTest::newRow("client close box, Oui")
        << Way::ClientClose << true << true << Answer::Yes << true << false << 1;
}

void TestMainWindow::unsaved_entry_asks() {
    QFETCH(Way, way);
    QFETCH(bool, typed);
    QFETCH(bool, withName);
    QFETCH(Answer, answer);
    QFETCH(bool, menuOpen);
    QFETCH(bool, recordShown);
    QFETCH(int, stored);
    test::DataFolder folder;
    auto* menu = new VdnMenu(folder.services(), folder.startupInfo());
    menu->show();
    QPointer<VdnClient> client = menu->openClient();
    QVERIFY(client);
    click(client->findChild<QWidget*>(QStringLiteral("cmdajout")));
    QWidget* record = client->findChild<QWidget*>(QStringLiteral("Frame100"));
    QVERIFY(record->isVisible());
    if (typed) {
        client->findChild<QLineEdit*>(QStringLiteral("txtvil"))->setText(QStringLiteral("Lyon"));
        if (withName)
            client->findChild<QLineEdit*>(QStringLiteral("Txtnom"))
                ->setText(QStringLiteral("Martin"));
        folder.boxes.expectQuestionWithCancel(
            QStringLiteral("Enregistrer les modifications de client ?"), answer, Answer::No);
        if (!withName)
            folder.boxes.expectMessage(QStringLiteral(" Nom obligatoire"));
    }
    if (way == Way::Quit)
        menu->findChild<QAction*>(QStringLiteral("mnu_abd"))->trigger();
    else if (way == Way::MainClose)
        menu->close();
    else
        client->close();
    VDN_CHECK_BOXES(folder);
    QCOMPARE(menu->isVisible(), menuOpen);
    QCOMPARE(bool(client), menuOpen);
    if (client)
        QCOMPARE(record->isVisible(), recordShown);
    auto c = folder.connect();
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(), stored);
    delete menu;
}

void TestMainWindow::typed_parameter_asks_before_quitting_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("menuOpen");
    QTest::addColumn<int>("stored");
    QTest::newRow("Annuler: back to the entry") << Answer::Cancel << true << 0;
    QTest::newRow("Non: dropped") << Answer::No << false << 0;
    QTest::newRow("Oui: added") << Answer::Yes << false << 1;
}

void TestMainWindow::typed_parameter_asks_before_quitting() {
    QFETCH(Answer, answer);
    QFETCH(bool, menuOpen);
    QFETCH(int, stored);
    test::DataFolder folder;
    auto* menu = new VdnMenu(folder.services(), folder.startupInfo());
    menu->show();
    QPointer<VdnParam> param = menu->openParam();
    QVERIFY(test::pickItem(param->findChild<QComboBox*>(QStringLiteral("Combo1")), 2));
    QVERIFY(test::pickItem(param->findChild<QComboBox*>(QStringLiteral("Combo3")), 1));
    QTest::mouseClick(param->findChild<QToolButton*>(QStringLiteral("cmdajout3")), Qt::LeftButton);
    auto* entry = param->findChild<QLineEdit*>(QStringLiteral("Txt0"));
    QVERIFY(entry->isVisible());
    entry->setText(QStringLiteral("ZEPHYR"));
    folder.boxes.expectQuestionWithCancel(
        QStringLiteral("Enregistrer la valeur saisie « ZEPHYR » ?"), answer, Answer::No);
    menu->findChild<QAction*>(QStringLiteral("mnu_abd"))->trigger();
    VDN_CHECK_BOXES(folder);
    QCOMPARE(menu->isVisible(), menuOpen);
    if (menuOpen)
        QCOMPARE(entry->text(), QStringLiteral("ZEPHYR"));
    auto c = folder.connect();
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strparam WHERE par_lib = "
                                             "'ZEPHYR'"))
                 .toInt(),
             stored);
    delete menu;
}

void TestMainWindow::centring_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("small") << QSize(400, 300);
    QTest::newRow("odd sizes") << QSize(401, 299);
    QTest::newRow("larger than the screen") << QSize(5000, 4000);
}

void TestMainWindow::centring() {
    QFETCH(QSize, size);
    QWidget w;
    w.setFixedSize(size);
    centrer_fenetre(&w, QStringLiteral("Titre"), StateNormal);
    const QRect screen = w.screen()->geometry();
    QCOMPARE(w.windowTitle(), QStringLiteral("Titre"));
    const QSize outer = w.frameGeometry().size();
    QCOMPARE(w.frameGeometry().x(),
             screen.x() + int(std::floor((screen.width() - outer.width()) / 2.0)));
    QCOMPARE(w.frameGeometry().y(),
             screen.y() + int(std::floor((screen.height() - outer.height()) / 2.0)));
    if (size.width() > screen.width())
        QVERIFY(w.frameGeometry().x() < 0);
    QCOMPARE(w.windowState(), Qt::WindowNoState);
}

void TestMainWindow::centring_takes_the_frame_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("main window") << QSize(640, 460);
    QTest::newRow("odd sizes") << QSize(401, 299);
}

void TestMainWindow::centring_takes_the_frame() {
    // A window manager's frame: borders of 4, a title bar of 24.
    QFETCH(QSize, size);
    const QMargins frame(4, 28, 4, 4);
    setFrameMarginsSourceForTests([frame](const QWidget*) { return frame; });
    struct Restore {
        ~Restore() { setFrameMarginsSourceForTests({}); }
    } restore;
    QWidget w;
    w.setFixedSize(size);
    centrer_fenetre(&w, QStringLiteral("Titre"), StateNormal);
    const QRect screen = w.screen()->geometry();
    // The outer frame is in the middle: its top-left corner is where the
    // window was moved to.
    const QSize outer = size.grownBy(frame);
    QCOMPARE(w.pos(),
             QPoint(screen.x() + int(std::floor((screen.width() - outer.width()) / 2.0)),
                    screen.y() + int(std::floor((screen.height() - outer.height()) / 2.0))));
}

void TestMainWindow::centring_waits_for_the_frame() {
    // A window centred before it is shown has no frame yet; the window
    // manager adds one when it shows it, and the frame is centred then.
    const QMargins frame(1, 20, 1, 1);
    setFrameMarginsSourceForTests(
        [frame](const QWidget* w) { return w->isVisible() ? frame : QMargins(); });
    struct Restore {
        ~Restore() { setFrameMarginsSourceForTests({}); }
    } restore;
    QWidget w;
    w.setFixedSize(640, 460);
    centrer_fenetre(&w, QStringLiteral("Titre"), StateNormal);
    const QRect screen = w.screen()->geometry();
    const QPoint byInnerArea(screen.x() + (screen.width() - 640) / 2,
                             screen.y() + (screen.height() - 460) / 2);
    QCOMPARE(w.pos(), byInnerArea);
    w.show();
    const QSize outer = QSize(640, 460).grownBy(frame);
    const QPoint byFrame(screen.x() + (screen.width() - outer.width()) / 2,
                         screen.y() + (screen.height() - outer.height()) / 2);
    QTRY_COMPARE(w.frameGeometry().topLeft(), byFrame);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
