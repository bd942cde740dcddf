// The window "Importer des clients" driven as a user does: a Windows-1252
// file with semicolons, the guessed columns, the preview, a dry run, the
// import, the same file a second time, the rejected rows saved; and its entry
// in the main window's menu.
#include "app/vdn_menu.h"
#include "customers/customer_list_model.h"
#include "customers/customer_store.h"
#include "customers/vdn_client.h"
#include "import/import_window.h"
#include "support/files.h"
#include "support/fixture.h"
#include "support/widget_lookup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

using namespace vdn;
using namespace vdn::test;

class TestImportWindow : public QObject {
    Q_OBJECT
private slots:
    void importThroughTheWindow();
    void mixedEncodingsShownBeforeWriting();
    void workbookWithTitleAndTotals();
    void listKeepsItsSearchAndShowsTheImport();
    void menuEntry();
};

void TestImportWindow::importThroughTheWindow() {
    DataFolder folder;
    QVERIFY(folder.ok());
    QTemporaryDir config;
    const QString csv = config.filePath(QStringLiteral("clients.csv"));
    QVERIFY(writeFile(csv, "Nom;Pr\xe9nom;T\xe9l;Main;Poids\r\n"
                           "Dupr\xe9;\xc9lodie;06 12 34 56 78;gaucher;15\r\n"
                           "\"Martin; fils\";Jean;0450000001;;\r\n"
                           "Dupr\xe9;\xc9lodie;0612345678;;\r\n"
                           ";Paul;;;\r\n"));
    int locks = 0;
    auto* w = new ImportWindow(folder.services(), config.path(), [&locks] {
        ++locks;
        return std::make_shared<int>(0);
    });
    QVERIFY(w->load());
    w->show();
    w->openFile(csv);

    // Guessed: Windows-1252, ';', a header, each column's field.
    QCOMPARE(control<QComboBox>(w, "cboCodage")->currentText(), QStringLiteral("Automatique"));
    QCOMPARE(control<QLabel>(w, "lblLecture")->text(),
             QStringLiteral("Lu en Windows-1252, séparateur « ; »"));
    const QStringList guessed{"Nom", "Prénom", "Téléphone", "Main (D/G)", "Poids boule"};
    for (int i = 0; i < guessed.size(); ++i)
        QCOMPARE(control<QComboBox>(w, QStringLiteral("cboChamp_%1").arg(i))->currentText(),
                 guessed.at(i));
    // The preview shows the rows as stored: line, state, reason, code,
    // sigle, name…
    auto* preview = control<QTableWidget>(w, "grdApercu");
    QCOMPARE(preview->rowCount(), 4);
    QCOMPARE(preview->item(0, 5)->text(), QStringLiteral("DUPRÉ ÉLODIE"));
    QCOMPARE(preview->item(1, 5)->text(), QStringLiteral("MARTIN; FILS JEAN"));
    QCOMPARE(preview->item(2, 1)->text(), QStringLiteral("Doublon (ligne 2)"));
    QCOMPARE(preview->item(3, 1)->text(), QStringLiteral("Refusé"));

    QTest::mouseClick(control<QPushButton>(w, "cmdessai"), Qt::LeftButton);
    QVERIFY(w->reportShown().contains(
        QStringLiteral("2 clients importés, 1 ignorés (doublons), 1 refusés")));
    QCOMPARE(locks, 0);

    QSignalSpy imported(w, &ImportWindow::imported);
    folder.boxes.expectMessage(
        QStringLiteral("2 clients importés, 1 ignorés (doublons), 1 refusés"));
    QTest::mouseClick(control<QPushButton>(w, "cmdimporter"), Qt::LeftButton);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(imported.count(), 1);
    QCOMPARE(locks, 1);
    auto c = folder.connect();
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_nom || '|' || clt_dg || '|' || clt_lbs FROM "
                                       "strclient WHERE clt_nom LIKE 'DUPR%'")),
             QStringList{"DUPRÉ ÉLODIE|G|15"});

    // The rejected rows with their reason in the first column.
    const QString saved = config.filePath(QStringLiteral("refus.csv"));
    QVERIFY(w->saveReport(saved));
    QFile f(saved);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF")); // a spreadsheet reads it as UTF-8
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.at(0), QStringLiteral("Motif;Ligne;Nom;Prénom;Tél;Main;Poids"));
    QCOMPARE(lines.at(2), QStringLiteral("nom vide;5;;Paul;;;"));
    w->close();

    // The same file again: its mapping kept, every row a duplicate of the
    // customer it names.
    auto* again = new ImportWindow(folder.services(), config.path(), {});
    QVERIFY(again->load());
    again->show();
    again->openFile(csv);
    const QString met = control<QTableWidget>(again, "grdApercu")->item(0, 1)->text();
    QVERIFY2(met.startsWith("Déjà client 0") && met.endsWith(" : DUPRÉ ÉLODIE"), qPrintable(met));
    // The wheel over a column's box scrolls, it does not change the field;
    // a field given by a column is refused to a second one.
    auto* first = control<QComboBox>(again, "cboChamp_0");
    QWheelEvent wheel(QPointF(5, 5), first->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(first, &wheel);
    QCOMPARE(first->currentText(), QStringLiteral("Nom"));
    auto* second = control<QComboBox>(again, "cboChamp_1");
    folder.boxes.expectMessage(
        QStringLiteral("Le champ « Nom » est déjà donné par la colonne 1 "
                       "(« Nom ») : choisissez d'abord « (ne pas importer) » pour "
                       "elle."));
    second->setCurrentIndex(first->currentIndex());
    VDN_CHECK_BOXES(folder);
    QCOMPARE(second->currentText(), QStringLiteral("Prénom"));
    // What becomes of duplicates is chosen anew for each file.
    auto* duplicates = control<QComboBox>(again, "cboDoublons");
    duplicates->setCurrentIndex(duplicates->findText(QStringLiteral("Ajouter quand même")));
    again->openFile(csv);
    QCOMPARE(duplicates->currentText(), QStringLiteral("Ignorer"));
    QTest::mouseClick(control<QPushButton>(again, "cmdessai"), Qt::LeftButton);
    QVERIFY2(again->reportShown().contains(
                 QStringLiteral("0 clients importés, 3 ignorés (doublons), 1 refusés")),
             qPrintable(again->reportShown()));

    // A duplicate's own choice: its empty e-mail completed, nothing else.
    const QString more = config.filePath(QStringLiteral("courriels.csv"));
    QVERIFY(writeFile(more, "Nom;Pr\xe9nom;T\xe9l;Courriel\r\n"
                            "Dupr\xe9;\xc9lodie;0612345678;e@d.fr\r\n"
                            "\"Martin; fils\";Jean;0450000001;j@m.fr\r\n"));
    again->openFile(more);
    auto* choice = control<QComboBox>(again, "cboChoix_2");
    QVERIFY(choice);
    QCOMPARE(choice->currentText(), QStringLiteral("Ignorer"));
    choice->setCurrentIndex(choice->findText(QStringLiteral("Compléter les champs vides")));
    folder.boxes.expectMessage(
        QStringLiteral("1 clients importés, 1 ignorés (doublons), 0 refusés"));
    QTest::mouseClick(control<QPushButton>(again, "cmdimporter"), Qt::LeftButton);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_mail FROM strclient ORDER BY clt_mail")),
             (QStringList{"", "e@d.fr"}));

    // The history lists both imports, newest first; the first cannot be
    // undone, one of its customers completed since by the second.
    const QString when =
        QDateTime::fromString(scalar(*c, QStringLiteral("SELECT imp_date FROM strimport WHERE "
                                                        "imp_num = '000001'"))
                                  .toString(),
                              QStringLiteral("yyyy-MM-dd HH:mm:ss"))
            .toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    QStringList shown;
    bool undoableAtFirst = true;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        auto* grid = dialog ? control<QTableWidget>(dialog, "grdimports") : nullptr;
        if (!grid)
            return;
        for (int r = 0; r < grid->rowCount(); ++r) {
            QStringList cells;
            for (int col : {0, 2, 5, 6, 9})
                cells << grid->item(r, col)->text();
            shown << cells.join('|');
        }
        auto* undo = control<QPushButton>(dialog, "cmdannuler_import");
        undoableAtFirst = undo->isEnabled();
        grid->selectRow(1);
        folder.boxes.expectQuestion(
            QStringLiteral("Supprimer les 2 clients créés par l'importation n° 000001 du %1 "
                           "(clients.csv) ?")
                .arg(when),
            true);
        folder.boxes.expectMessage(
            QStringLiteral("L'importation n° 000001 n'est pas annulée : ces clients ont changé "
                           "depuis.\n000001 DUPRÉ ÉLODIE : modifié depuis"));
        QTest::mouseClick(undo, Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(dialog, "cmdfermer"), Qt::LeftButton);
    });
    QTest::mouseClick(control<QPushButton>(again, "cmdhistorique"), Qt::LeftButton);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(shown,
             (QStringList{"000002|courriels.csv|0|1|faite", "000001|clients.csv|2|0|faite"}));
    QVERIFY(!undoableAtFirst);
    QCOMPARE(scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(), 2);
    delete again;
}

// A sheet with a title above the header and a total below: the header
// found, both left out and shown among the file's lines; the first data
// line chosen by the user.
void TestImportWindow::workbookWithTitleAndTotals() {
    DataFolder folder;
    QVERIFY(folder.ok());
    QTemporaryDir config;
    const QString csv = config.filePath(QStringLiteral("classeur.csv"));
    QVERIFY(writeFile(csv, "Clients 2026;;\r\n"
                           "Nom;Ville;Divers\r\n"
                           "Dupont;Annecy;x\r\n"
                           "Martin;Lyon;y\r\n"
                           ";Paris;z\r\n"
                           "TOTAL 2;;\r\n"));
    ImportWindow w(folder.services(), config.path(), {});
    QVERIFY(w.load());
    w.openFile(csv);
    QCOMPARE(control<QSpinBox>(&w, "spnPremiereLigne")->value(), 3);
    QVERIFY(control<QCheckBox>(&w, "chkEntete")->isChecked());
    QCOMPARE(control<QTableWidget>(&w, "grdApercu")->rowCount(), 3);
    QVERIFY(control<QPlainTextEdit>(&w, "txtrapport")
                ->toPlainText()
                .endsWith("2 lignes écartées "
                          "(voir « Lignes du "
                          "fichier »)"));
    // Every line with what became of it, the unmapped column too.
    auto* lines = control<QTableWidget>(&w, "grdLignes");
    const auto row = [lines](int r) {
        QStringList cells;
        for (int c = 0; c < lines->columnCount(); ++c)
            cells << (lines->item(r, c) ? lines->item(r, c)->text() : QString());
        return cells.join('|');
    };
    QCOMPARE(lines->rowCount(), 6);
    QCOMPARE(row(0), QStringLiteral("1|Écartée : au-dessus de l'en-tête|Clients 2026||"));
    QCOMPARE(row(1), QStringLiteral("2|Noms des colonnes|Nom|Ville|Divers"));
    QCOMPARE(row(3), QStringLiteral("4|Client|Martin|Lyon|y"));
    QCOMPARE(row(4), QStringLiteral("5|Refusée : nom vide||Paris|z"));
    QCOMPARE(row(5), QStringLiteral("6|Écartée : ligne de total|TOTAL 2||"));
    // The data from line 4: the line above names the columns.
    control<QSpinBox>(&w, "spnPremiereLigne")->setValue(4);
    auto* preview = control<QTableWidget>(&w, "grdApercu");
    QCOMPARE(preview->rowCount(), 2);
    QCOMPARE(preview->item(0, 0)->text(), QStringLiteral("4"));
    // A refused cell corrected in the list of lines: the row is checked again.
    QCOMPARE(preview->item(1, 1)->text(), QStringLiteral("Refusé"));
    QVERIFY(!(lines->item(0, 2)->flags() & Qt::ItemIsEditable)); // the header is no customer
    const int refused =
        int(lines->findItems(QStringLiteral("5"), Qt::MatchExactly).value(0)->row());
    QVERIFY(lines->item(refused, 2)->flags() & Qt::ItemIsEditable);
    lines->item(refused, 2)->setText(QStringLiteral("Bernard"));
    QTRY_COMPARE(preview->item(1, 1)->text(), QStringLiteral("Nouveau"));
    QCOMPARE(preview->item(1, 5)->text(), QStringLiteral("BERNARD"));
}

// Rows pasted from a UTF-8 file into a Windows-1252 one: each line read in
// its own encoding, the lines named above the preview and on their rows,
// and the import asks before writing.
void TestImportWindow::mixedEncodingsShownBeforeWriting() {
    DataFolder folder;
    QVERIFY(folder.ok());
    QTemporaryDir config;
    const QString csv = config.filePath(QStringLiteral("melange.csv"));
    QVERIFY(writeFile(csv, "Nom;Pr\xe9nom\r\n"
                           "Gu\xc3\xa9rin;Zo\xc3\xa9\r\n"
                           "Dupr\xe9;\xc9lodie\r\n"
                           "Martin;Paul\r\n"));
    auto* w = new ImportWindow(folder.services(), config.path(), {});
    QVERIFY(w->load());
    w->show();
    w->openFile(csv);
    const QString warning = QStringLiteral(
        "Le fichier mélange deux codages : UTF-8 (ligne 2) et Windows-1252 (lignes 1, 3). "
        "Chaque ligne est lue dans le sien : vérifiez les accents des lignes signalées dans "
        "l'aperçu avant d'importer.");
    auto* said = control<QLabel>(w, "lblCodage");
    QVERIFY(said && said->isVisible());
    QCOMPARE(said->text(), warning);
    QCOMPARE(control<QLabel>(w, "lblLecture")->text(),
             QStringLiteral("Lu en UTF-8 et Windows-1252, ligne par ligne, séparateur « ; »"));
    auto* preview = control<QTableWidget>(w, "grdApercu");
    const int reason = 2;
    QCOMPARE(preview->rowCount(), 3);
    QStringList rows;
    for (int r = 0; r < 3; ++r)
        rows << preview->item(r, 5)->text() + QLatin1Char('|') + preview->item(r, reason)->text();
    QCOMPARE(rows, (QStringList{"GUÉRIN ZOÉ|lue en UTF-8", "DUPRÉ ÉLODIE|lue en Windows-1252",
                                "MARTIN PAUL|"}));

    auto c = folder.connect();
    const QString written = QStringLiteral("SELECT clt_nom FROM strclient WHERE clt_nom LIKE "
                                           "'GU%' OR clt_nom LIKE 'DUPR%' ORDER BY clt_nom");
    folder.boxes.expectQuestion(warning + QStringLiteral("\n\nImporter quand même ?"), false);
    QTest::mouseClick(control<QPushButton>(w, "cmdimporter"), Qt::LeftButton);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(column(*c, written), QStringList());
    folder.boxes.expectQuestion(warning + QStringLiteral("\n\nImporter quand même ?"), true);
    folder.boxes.expectMessage(
        QStringLiteral("3 clients importés, 0 ignorés (doublons), 0 refusés"));
    QTest::mouseClick(control<QPushButton>(w, "cmdimporter"), Qt::LeftButton);
    VDN_CHECK_BOXES(folder);
    QCOMPARE(column(*c, written), (QStringList{"DUPRÉ ÉLODIE", "GUÉRIN ZOÉ"}));
    delete w;
}

// An import made while the customer list shows a search: the search stays
// as typed and is read again, and the first customer imported is the list's
// current row, on top of the list when the search would not show it.
void TestImportWindow::listKeepsItsSearchAndShowsTheImport() {
    DataFolder folder;
    QVERIFY(folder.ok());
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    {
        auto c = folder.connect();
        CustomerStore store(c->db());
        for (const char* name : {"DUPONT A", "DUPONT B"}) {
            CustomerRecord r;
            r.set(CustomerField::Cod, QStringLiteral("00090%1").arg(name[7]));
            r.set(CustomerField::Nom, QString::fromUtf8(name));
            QVERIFY(store.insert(r).ok());
        }
    }
    VdnMenu menu(folder.services(), folder.startupInfo());
    menu.findChild<QAction*>(QStringLiteral("mnu_fic_clt"))->trigger();
    QPointer<VdnClient> client = menu.client();
    QVERIFY(client);
    auto* search = control<QLineEdit>(client, "selnom");
    QTest::keyClicks(search, QStringLiteral("dup"));
    auto* grid = control<QTableView>(client, "DBGrid1");
    const auto list = [grid] {
        QStringList names;
        const QAbstractItemModel* m = grid->model();
        for (int r = 0; r < m->rowCount(); ++r)
            names << m->index(r, int(CustomerColumn::Name)).data().toString();
        const QModelIndex current = grid->currentIndex();
        return names.join('|') + QStringLiteral(" @%1").arg(current.isValid() ? current.row() : -1);
    };
    QCOMPARE(list(), QStringLiteral("DUPONT A|DUPONT B @0"));

    const auto import = [&](const QByteArray& rows, const QString& done) {
        const QString csv = config.filePath(QStringLiteral("clients.csv"));
        QVERIFY(writeFile(csv, "Nom;Pr\xe9nom\r\n" + rows));
        menu.findChild<QAction*>(QStringLiteral("mnu_fic_import"))->trigger();
        ImportWindow* w = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("VDN_import") && top->isVisible())
                w = qobject_cast<ImportWindow*>(top);
        QVERIFY(w);
        w->openFile(csv);
        folder.boxes.expectMessage(done);
        QTest::mouseClick(control<QPushButton>(w, "cmdimporter"), Qt::LeftButton);
        VDN_CHECK_BOXES(folder);
        delete w;
    };
    // The first one imported is not found by the search: on top, current.
    import("Zola;\xc9mile\r\nDupuis;Jean\r\n",
           QStringLiteral("2 clients importés, 0 ignorés (doublons), 0 refusés"));
    QCOMPARE(search->text(), QStringLiteral("dup"));
    QCOMPARE(list(), QStringLiteral("ZOLA ÉMILE|DUPONT A|DUPONT B|DUPUIS JEAN @0"));
    // Found by the search: current where the search puts it, listed once.
    import("Dupont;C\r\n", QStringLiteral("1 clients importés, 0 ignorés (doublons), 0 refusés"));
    QCOMPARE(search->text(), QStringLiteral("dup"));
    QCOMPARE(list(), QStringLiteral("DUPONT A|DUPONT B|DUPONT C|DUPUIS JEAN @2"));
    // The next keystroke shows the search alone again.
    QTest::keyClicks(search, QStringLiteral("o"));
    QCOMPARE(list(), QStringLiteral("DUPONT A|DUPONT B|DUPONT C @0"));
    client->close();
}

void TestImportWindow::menuEntry() {
    DataFolder folder;
    QVERIFY(folder.ok());
    VdnMenu menu(folder.services(), folder.startupInfo());
    auto* fileMenu = control<QMenu>(&menu, "mnu_fic");
    QStringList names;
    for (const QAction* a : fileMenu->actions())
        names << a->objectName();
    QCOMPARE(names.indexOf("mnu_fic_import"), names.indexOf("mnu_fic_rest") + 1);
    QAction* entry = fileMenu->actions().at(names.indexOf("mnu_fic_import"));
    QCOMPARE(entry->text(), QStringLiteral("&Importer des clients…"));
    entry->trigger();
    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String("VDN_import") && top->isVisible())
            window = top;
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Importer des clients"));
    window->close();
}

QTEST_MAIN(TestImportWindow)
#include "tst_window.moc"
