#include "app/command_line.h"
#include "app/help_window.h"
#include "app/startup.h"
#include "app/vdn_menu.h"
#include "customers/vdn_client.h"
#include "support/fixture.h"
#include "widgets/guide_page.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

using namespace vdn;

namespace {

const QString Source = QStringLiteral(QT_TESTCASE_SOURCEDIR "/..");

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setUpDesktopIntegration(); }
    void every_window_has_the_icon_and_the_desktop_name();
    void f1_opens_the_guide_with_its_pictures();
    void missing_guide_is_said();
    void help_menu_ends_the_bar();
    void contents_link_to_pages_data();
    void contents_link_to_pages();
    void manual_page_lists_every_option();
    void f1_in_the_customer_window_opens_its_part();
    void closing_the_main_window_ends_everything_data();
    void closing_the_main_window_ends_everything();
};

void TestHelp::every_window_has_the_icon_and_the_desktop_name() {
    const QIcon icon = QApplication::windowIcon();
    QCOMPARE(icon.availableSizes(), (QList<QSize>{{48, 48}, {128, 128}, {256, 256}}));
    QVERIFY(!icon.pixmap(48).isNull());
    test::DataFolder folder;
    QVERIFY(folder.ok());
    VdnMenu menu(folder.services(), folder.startupInfo());
    QCOMPARE(menu.windowIcon().cacheKey(), icon.cacheKey());
    // The desktop matches windows to the launcher, the AppStream component
    // and the icon by this one name.
    QCOMPARE(QGuiApplication::desktopFileName(), DesktopId);
    QVERIFY(QFile::exists(Source + "/packaging/" + DesktopId + ".desktop"));
    const QString desktop = readText(Source + "/packaging/" + DesktopId + ".desktop");
    QVERIFY(desktop.contains("\nIcon=" + DesktopId + "\n"));
    const QString metainfo = readText(Source + "/packaging/" + DesktopId + ".metainfo.xml");
    QVERIFY(metainfo.contains("<id>" + DesktopId + "</id>"));
    QVERIFY(metainfo.contains(">" + DesktopId + ".desktop</launchable>"));
}

void TestHelp::f1_opens_the_guide_with_its_pictures() {
    qputenv("VORDAN_GUIDE", QFile::encodeName(Source + "/docs/guide"));
    test::DataFolder folder;
    QVERIFY(folder.ok());
    VdnMenu menu(folder.services(), folder.startupInfo());
    menu.show();
    menu.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&menu));
    QTest::keyClick(&menu, Qt::Key_F1);
    HelpWindow* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<HelpWindow*>(w); h && h->isVisible())
            window = h;
    QVERIFY(window);
    QTextDocument* doc = window->txtAide->document();
    QVERIFY(doc->toPlainText().startsWith("Guide de VORDAN"));
    // F1 again shows the same window.
    QTest::keyClick(&menu, Qt::Key_F1);
    QCOMPARE(showHelp(), window);

    // Every picture the guide names is there and is shown.
    const QString markdown = readText(Source + "/docs/guide/index.md");
    QRegularExpression picture(QStringLiteral("!\\[[^\\]]*\\]\\(([^)]+)\\)"));
    int pictures = 0;
    for (auto it = picture.globalMatch(markdown); it.hasNext(); ++pictures) {
        const QString name = it.next().captured(1);
        const QVariant image = doc->resource(QTextDocument::ImageResource, QUrl(name));
        QVERIFY2(image.isValid() && !image.value<QImage>().isNull(), qPrintable(name));
    }
    QVERIFY(pictures >= 7);
    for (const char* topic : {"100 ou moins", "historique", "Restaurer une sauvegarde",
                              "LibreOffice", "Imprimer", "Créer une nouvelle base"})
        QVERIFY2(doc->toPlainText().contains(QString::fromUtf8(topic)), topic);
    window->close();
    qunsetenv("VORDAN_GUIDE");
}

void TestHelp::missing_guide_is_said() {
    QTemporaryDir empty;
    HelpWindow help(empty.path());
    QVERIFY(help.txtAide->toPlainText().startsWith("Le guide de VORDAN est introuvable."));
}

void TestHelp::help_menu_ends_the_bar() {
    qputenv("VORDAN_GUIDE", QFile::encodeName(Source + "/docs/guide"));
    test::DataFolder folder;
    QVERIFY(folder.ok());
    StartupInfo info = folder.startupInfo();
    info.licence = QStringLiteral("LIC-42");
    VdnMenu menu(folder.services(), info);
    menu.show();
    menu.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&menu));
    const QList<QAction*> bar = menu.menuBar()->actions();
    QCOMPARE(bar.last()->text(), QStringLiteral("&Aide"));
    QStringList entries;
    for (QAction* a : bar.last()->menu()->actions())
        entries << a->text() + '|' + a->shortcut().toString();
    QCOMPARE(entries, (QStringList{"&Guide de l'utilisateur|F1", "À &propos de VORDAN|"}));
    // The version the build was made with, and the shop's licence.
    const QString version = QRegularExpression(QStringLiteral("project\\(vordan VERSION ([0-9.]+)"))
                                .match(readText(Source + "/CMakeLists.txt"))
                                .captured(1);
    QVERIFY(!version.isEmpty());
    folder.boxes.expectMessage(QStringLiteral("VORDAN version ") + version +
                               "\nGestion des clients, des boules et des fiches de perçage du "
                               "pro shop.\nN° de licence : LIC-42");
    menu.findChild<QAction*>("mnu_aide_propos")->trigger();
    VDN_CHECK_BOXES(folder);
    // The guide opens at the page of the panel that has the focus.
    menu.findChild<QAction*>("mnu_fic_rest")->trigger();
    menu.findChild<QLineEdit*>("txtdisk")->setFocus();
    QTRY_VERIFY(menu.findChild<QLineEdit*>("txtdisk")->hasFocus());
    menu.findChild<QAction*>("mnu_aide_guide")->trigger();
    QPointer<HelpWindow> help = showHelp();
    QCOMPARE(help->txtAide->source().fileName(), QStringLiteral("restauration.md"));
    QVERIFY(help->txtAide->toPlainText().startsWith("Restaurer une sauvegarde"));
    help->close();
    qunsetenv("VORDAN_GUIDE");
}

void TestHelp::contents_link_to_pages_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("words");
    QTest::newRow("layout") << "implantation.md"
                            << "L'implantation de la boule";
    QTest::newRow("history") << "historique.md"
                             << "en vigueur";
    QTest::newRow("driller") << "perceur.md"
                             << "Nom du perceur";
    QTest::newRow("restore") << "restauration.md"
                             << "à côté de la sauvegarde";
    QTest::newRow("workstations") << "postes.md"
                                  << "Connexion au serveur…";
    QTest::newRow("import") << "import.md"
                            << "Remettre les zéros perdus";
}

void TestHelp::contents_link_to_pages() {
    QFETCH(QString, page);
    QFETCH(QString, words);
    const QString index = readText(Source + "/docs/guide/index.md");
    const QString contents = index.section("## Sommaire", 1).section("\n## ", 0, 0);
    QVERIFY2(contents.contains("](" + page + ")"), qPrintable(page));
    HelpWindow help(Source + "/docs/guide");
    help.showPage(page);
    QVERIFY2(help.txtAide->toPlainText().contains(words), qPrintable(page));
    // Its own pictures name no folder of the machine that made them.
    QVERIFY(!help.txtAide->toPlainText().contains(QDir::homePath()));
    // Back to the contents from the page.
    QVERIFY(readText(Source + "/docs/guide/" + page).contains("[Retour au guide](index.md)"));
}

// F1 in the customer window shows the guide from its part on customers, on
// the ball panel from its part on balls.
void TestHelp::f1_in_the_customer_window_opens_its_part() {
    qputenv("VORDAN_GUIDE", QFile::encodeName(Source + "/docs/guide"));
    test::DataFolder folder;
    QVERIFY(folder.ok());
    VdnMenu menu(folder.services(), folder.startupInfo());
    menu.show();
    QPointer<VdnClient> client = menu.openClient();
    QVERIFY(client);
    client->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(client));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : client.data(),
                    Qt::Key_F1);
    QPointer<HelpWindow> help = showHelp();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->txtAide->textCursor().block().text(), QStringLiteral("Les clients"));
    QTRY_VERIFY(help->txtAide->verticalScrollBar()->value() > 0);
    QCOMPARE(guidePageOf(client->findChild<QWidget*>("Frame300")),
             QStringLiteral("index.md#Les boules"));
    help->showPage(guidePageOf(client->findChild<QWidget*>("Frame300")));
    QCOMPARE(help->txtAide->textCursor().block().text(), QStringLiteral("Les boules"));
    help->close();
    client->close();
    qunsetenv("VORDAN_GUIDE");
}

void TestHelp::manual_page_lists_every_option() {
    const QString manual = readText(Source + "/packaging/vordan.1");
    QVERIFY(!manual.isEmpty());
    QRegularExpression option(QStringLiteral("--[a-z-]+"));
    QStringList options;
    for (auto it = option.globalMatch(usageText()); it.hasNext();)
        options << it.next().captured(0);
    options.removeDuplicates();
    QVERIFY(options.contains("--transferer"));
    for (const QString& o : std::as_const(options))
        QVERIFY2(manual.contains(QString(o).replace("-", "\\-")), qPrintable(o));
}

// With the guide open, closing the main window (its close button or
// "&Quitter") leaves no window open: the program ends.
void TestHelp::closing_the_main_window_ends_everything_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("close button") << false;
    QTest::newRow("Quitter") << true;
}

void TestHelp::closing_the_main_window_ends_everything() {
    QFETCH(bool, byMenu);
    test::DataFolder folder;
    QVERIFY(folder.ok());
    VdnMenu menu(folder.services(), folder.startupInfo());
    menu.show();
    menu.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&menu));
    QTest::keyClick(&menu, Qt::Key_F1);
    QPointer<HelpWindow> help = showHelp();
    QVERIFY(help && help->isVisible());
    if (byMenu) {
        QAction* quit = nullptr;
        for (QAction* a : menu.menuBar()->actions())
            if (a->text() == QStringLiteral("&Quitter"))
                quit = a;
        QVERIFY(quit);
        quit->trigger();
    } else {
        QVERIFY(menu.close());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(help.isNull());
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
