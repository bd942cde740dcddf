// Renders the pictures of the user guide from the program's own windows on a
// demo database, offscreen: vordan_screenshots DOSSIER writes the PNG files
// into DOSSIER. scripts/screenshots.sh builds and runs it.
#include "app/first_start.h"
#include "app/help_window.h"
#include "app/startup.h"
#include "app/vdn_menu.h"
#include "balls/ball_list_model.h"
#include "balls/ball_panel.h"
#include "balls/ball_record_panel.h"
#include "customers/customer_list_panel.h"
#include "customers/vdn_client.h"
#include "data/connection.h"
#include "data/database_creator.h"
#include "data/globals.h"
#include "driller/layout_window.h"
#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_store.h"
#include "import/import_history_window.h"
#include "import/import_window.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/print_dialog.h"
#include "platform/removable_drives.h"
#include "platform/spreadsheet.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

namespace {

QString outFolder;
int failures = 0;

void save(QWidget* w, const QString& name) {
    QCoreApplication::processEvents();
    const QString path = QDir(outFolder).filePath(name);
    if (!w->grab().save(path, "PNG")) {
        std::fprintf(stderr, "%s : échec\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// Saves the next modal window once it shows, then closes it.
void saveModal(const QString& name) {
    QTimer::singleShot(0, [name] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            saveModal(name);
            return;
        }
        save(modal, name);
        modal->close();
    });
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Utilisation : vordan_screenshots DOSSIER\n");
        return 1;
    }
    outFolder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outFolder);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtFrench);
    vdn::setUpDesktopIntegration();

    QTemporaryDir data;
    vdn::CreateOptions create;
    create.folder = data.path();
    create.shopName = QStringLiteral("PRO SHOP DE DÉMONSTRATION");
    create.licence = QStringLiteral("0001");
    create.demo = vdn::DemoOptions{};
    if (const vdn::Status s = vdn::createDatabase(create); !s) {
        std::fprintf(stderr, "%s\n", qPrintable(s.error().text));
        return 1;
    }
    vdn::chemin_base = data.path() + QLatin1Char('/');
    vdn::shop_name = create.shopName;

    vdn::ScriptedMessageBoxes boxes;
    boxes.setAnswerAll(false);
    vdn::FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
    vdn::RecordingPointer pointer;
    vdn::ScriptedPrintDialog printDialog;
    vdn::ScriptedSpreadsheet spreadsheet;
    vdn::ScriptedRemovableDrives drives;
    // The pictures show a key's usual folder, not the temporary one of the
    // machine that makes them.
    drives.set(QLatin1Char('E'), QStringLiteral("/media/boutique/CLE"));
    vdn::Services services{&boxes, &clock, &pointer, &printDialog, &spreadsheet};
    services.drives = &drives;

    {
        QTemporaryDir config;
        vdn::FirstStartDialog first(boxes, config.path());
        first.txtDossierNouveau->setText(QStringLiteral("/home/boutique/.local/share/vordan"));
        first.txtMagasin->setText(QStringLiteral("LE STRIKE"));
        first.txtLicence->setText(QStringLiteral("123"));
        first.txtPerceur->setText(QStringLiteral("Ana Ruiz"));
        first.show();
        save(&first, QStringLiteral("premier-demarrage.png"));
    }

    vdn::StartupInfo info;
    info.chemin_base = vdn::chemin_base;
    info.shopName = create.shopName;
    info.licence = create.licence;
    info.title = vdn::mainTitle(info.shopName, info.licence);
    vdn::VdnMenu menu(services, info);
    menu.show();
    save(&menu, QStringLiteral("menu.png"));
    if (auto* files = menu.findChild<QMenu*>(QStringLiteral("mnu_fic"))) {
        files->popup(menu.mapToGlobal(QPoint(0, 0)));
        save(files, QStringLiteral("menu-fichiers.png"));
        files->hide();
    }
    menu.findChild<QAction*>(QStringLiteral("mnu_fic_usb"))->trigger();
    menu.findChild<QLineEdit*>(QStringLiteral("txtdisk"))->setText(QStringLiteral("E"));
    save(&menu, QStringLiteral("sauvegarde.png"));

    vdn::VdnClient* client = menu.openClient();
    save(client, QStringLiteral("clients.png"));

    // A customer with balls and a drilling sheet.
    QString code;
    {
        auto c = vdn::Connection::open(vdn::databasePath());
        if (c) {
            QSqlQuery q((*c)->db());
            q.exec(QStringLiteral("SELECT per_code FROM strpercage WHERE per_code IN "
                                  "(SELECT mat_code FROM strmateriel GROUP BY mat_code "
                                  "HAVING count(*) >= 3) ORDER BY per_code LIMIT 1"));
            if (q.next())
                code = q.value(0).toString();
        }
    }
    auto* list = client->findChild<vdn::CustomerListPanel*>(QStringLiteral("Frame200"));
    auto* balls = client->findChild<vdn::BallPanel*>(QStringLiteral("Frame300"));
    emit list->rowClicked(code);
    save(client, QStringLiteral("boules.png"));
    // The layout window of the customer's first ball.
    for (int row = 0; row < balls->ballModel()->rowCount(); ++row)
        if (balls->ballModel()->row(row).cell(vdn::BallColumn::Line) == QLatin1String("001"))
            emit balls->ballRowClicked(row);
    emit balls->record().implantationClicked();
    if (auto* layout = client->findChild<vdn::LayoutWindow*>()) {
        save(layout, QStringLiteral("implantation.png"));
        // Two drillings of the ball recorded, with their holes and weights.
        layout->findChild<QSpinBox*>(QStringLiteral("txtnb_trous"))->setValue(3);
        layout->findChild<QCheckBox*>(QStringLiteral("chktrou_pouce"))->setChecked(true);
        layout->findChild<QLineEdit*>(QStringLiteral("txtlbs"))->setText(QStringLiteral("15"));
        layout->findChild<QLineEdit*>(QStringLiteral("txtpoids_cote"))
            ->setText(QStringLiteral("1/2"));
        boxes.setAnswerAll(true);
        layout->recordDrilling();
        layout->findChild<QLineEdit*>(QStringLiteral("txtcommentaire"))
            ->setText(QStringLiteral("Pouce agrandi de 1/64"));
        layout->recordDrilling();
        boxes.setAnswerAll(false);
        save(layout, QStringLiteral("implantation-percages.png"));
        layout->close();
    } else {
        std::fprintf(stderr, "implantation.png : fenêtre absente\n");
        ++failures;
    }
    emit balls->record().cancelClicked();
    emit balls->openSheetClicked();
    save(client, QStringLiteral("fiche-percage.png"));

    // The side-by-side box of a sheet changed on two workstations, as the
    // sheet's validation shows it.
    saveModal(QStringLiteral("postes-conflit.png"));
    vdn::QtMessageBoxes().chooseValues(
        client,
        QStringLiteral("La fiche de perçage de ce client a été modifiée sur un autre poste "
                       "depuis son affichage."),
        {{vdn::sheetMeasureName(30), QStringLiteral("5 1/2"), QStringLiteral("5 3/4")},
         {vdn::sheetMeasureName(22), QStringLiteral("Noir"), QStringLiteral("Bleu")},
         {QStringLiteral("Commentaire pouce"), QStringLiteral("Pouce ovalisé"),
          QStringLiteral("Slug interchangeable")}});
    client->close();

    // The import of a workbook saved as CSV: a title above the header, a
    // customer already in the base, a row without a name, a total.
    {
        QString tel;
        {
            auto c = vdn::Connection::open(vdn::databasePath());
            QSqlQuery q((*c)->db());
            if (q.exec(QStringLiteral("SELECT clt_tel FROM strclient WHERE clt_nom = "
                                      "'DUPONT JEAN'")) &&
                q.next())
                tel = q.value(0).toString();
        }
        QTemporaryDir files;
        const QString csv = files.filePath(QStringLiteral("clients-ancien-logiciel.csv"));
        QFile f(csv);
        if (f.open(QIODevice::WriteOnly))
            f.write(QStringLiteral("Clients au 30/11/2026;;;;;\r\n"
                                   "N° client;Civilité;Nom;Prénom;Téléphone;CP\r\n"
                                   "1;Monsieur;Dupont;Jean;%1;74000\r\n"
                                   "2;Madame;Lefort;Annie;+33 6 11 22 33 44;1000\r\n"
                                   "3;;;Paul;04 50 11 22 33;74000\r\n"
                                   "4;M. et Mme;Roux;Luc;04 50 99 88 77;74100\r\n"
                                   "TOTAL 4;;;;;\r\n")
                        .arg(tel)
                        .toUtf8());
        f.close();
        QTemporaryDir config;
        vdn::ImportWindow import(services, config.path(), {});
        if (import.load()) {
            import.resize(1100, 700);
            import.show();
            import.openFile(csv);
            // The file's place as a shop's machine would show it.
            if (auto* file = import.findChild<QLineEdit*>(QStringLiteral("txtfichier")))
                file->setText(
                    QStringLiteral("/home/boutique/Documents/clients-ancien-logiciel.csv"));
            save(&import, QStringLiteral("import.png"));
            if (auto* tabs = import.findChild<QTabWidget*>(QStringLiteral("tabApercu")))
                tabs->setCurrentIndex(1);
            save(&import, QStringLiteral("import-lignes.png"));
            // The import made, then its history.
            boxes.setAnswerAll(true);
            import.runImport();
            boxes.setAnswerAll(false);
            if (auto c = vdn::Connection::open(vdn::databasePath())) {
                vdn::ImportHistoryWindow history(services, (*c)->db());
                history.reload();
                history.show();
                save(&history, QStringLiteral("import-historique.png"));
            }
        } else {
            std::fprintf(stderr, "import.png : base illisible\n");
            ++failures;
        }
    }

    {
        QPrinter printer;
        printer.setOutputFileName(QStringLiteral("/home/boutique/Documents/vordan.pdf"));
        QPrintDialog dialog(&printer);
        dialog.show();
        save(&dialog, QStringLiteral("impression.png"));
    }
    client->ferme_fenetre();
    return failures == 0 ? 0 : 1;
}
