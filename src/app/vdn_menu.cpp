#include "app/vdn_menu.h"

#include "widgets/progress_dialog.h"

#include "app/backup.h"
#include "app/help_window.h"
#include "app/import_command.h"
#include "app/path_file.h"
#include "app/restore.h"
#include "app/window_placement.h"
#include "customers/vdn_client.h"
#include "data/connection.h"
#include "data/dialect.h"
#include "data/globals.h"
#include "data/shop_store.h"
#include "import/import_window.h"
#include "platform/clickable_label.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/pointer.h"
#include "platform/removable_drives.h"
#include "reference/vdn_param.h"
#include "widgets/guide_page.h"
#include "widgets/long_task.h"
#include "widgets/pictures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolButton>

namespace vdn {

namespace {

ClickableLabel* caption(QWidget* parent, const char* name, const QString& text, QColor background,
                        QRect geometry) {
    auto* label = new ClickableLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(pal);
    QFont f = label->font();
    f.setPointSize(14);
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

ClickableLabel* picture(QWidget* parent, const char* name, const QPixmap& pixmap, QPoint at) {
    auto* label = new ClickableLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setPixmap(pixmap);
    label->setGeometry(QRect(at, pixmap.size()));
    return label;
}

} // namespace

VdnMenu::VdnMenu(const Services& services, const StartupInfo& info, QWidget* parent)
    : QMainWindow(parent), services_(services), info_(info) {
    setObjectName(QStringLiteral("VDN_menu"));
    buildMenu();
    buildBody();
    setFixedSize(640, 460);
    // Start-up: the backup panel starts hidden, then the title and placement.
    Frame5->hide();
    centrer_fenetre(this, info_.title, StateNormal);
}

VdnMenu::~VdnMenu() {
    closeOtherWindows();
}

void VdnMenu::buildMenu() {
    QMenuBar* bar = menuBar();
    auto action = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QMenu* mnu_fic = bar->addMenu(QStringLiteral("&Fichiers"));
    mnu_fic->setObjectName(QStringLiteral("mnu_fic"));
    mnu_fic->menuAction()->setObjectName(QStringLiteral("mnu_fic"));
    connect(action(mnu_fic, "mnu_fic_clt", QStringLiteral("&Clients")), &QAction::triggered, this,
            &VdnMenu::openClient);
    connect(action(mnu_fic, "mnu_fic_par", QStringLiteral("&Paramètres")), &QAction::triggered,
            this, &VdnMenu::openParam);
    connect(action(mnu_fic, "mnu_fic_perceur", QStringLiteral("P&erceur…")), &QAction::triggered,
            this, &VdnMenu::openDriller);
    connect(action(mnu_fic, "mnu_fic_usb", QStringLiteral("&Sauvegarde USB")), &QAction::triggered,
            this, &VdnMenu::showBackupPanel);
    connect(action(mnu_fic, "mnu_fic_rest", QStringLiteral("&Restaurer une sauvegarde")),
            &QAction::triggered, this, &VdnMenu::showRestorePanel);
    connect(action(mnu_fic, "mnu_fic_import", QStringLiteral("&Importer des clients…")),
            &QAction::triggered, this, [this] {
                auto* w = new ImportWindow(services_, userConfigFolder(),
                                           [] { return takeRestoreLock(chemin_base); });
                if (!w->load()) {
                    delete w;
                    return;
                }
                // The customer list shows the new customers at once, its
                // search kept and the first one imported current, unless a
                // customer is being entered there.
                connect(w, &ImportWindow::imported, this, [this](const QString& first) {
                    if (!client_)
                        openClient();
                    auto* list = client_ ? client_->findChild<QWidget*>(QStringLiteral("Frame200"))
                                         : nullptr;
                    if (list && list->isVisible())
                        client_->showImported(first);
                });
                connect(w, &ImportWindow::removed, this, [this] {
                    auto* list = client_ ? client_->findChild<QWidget*>(QStringLiteral("Frame200"))
                                         : nullptr;
                    if (list && list->isVisible())
                        client_->showImported(QString());
                });
                w->setWindowModality(Qt::ApplicationModal);
                w->show();
            });

    QMenu* mnu_fac = bar->addMenu(QStringLiteral("&Matériels"));
    mnu_fac->setObjectName(QStringLiteral("mnu_fac"));
    mnu_fac->menuAction()->setObjectName(QStringLiteral("mnu_fac"));
    action(mnu_fac, "mnu_sta_vte", QStringLiteral("&Recherches")); // does nothing

    QMenu* mnu_stk = bar->addMenu(QStringLiteral("&Stocks"));
    mnu_stk->setObjectName(QStringLiteral("mnu_stk"));
    mnu_stk->menuAction()->setObjectName(QStringLiteral("mnu_stk"));
    action(mnu_stk, "mnu_stk_mvt", QStringLiteral("&Saisie E/S de stock"));
    action(mnu_stk, "mnu_stk_cal", QStringLiteral("&Calcul stocks"));
    mnu_stk->menuAction()->setEnabled(false); // shown greyed, not available

    QAction* mnu_abd = bar->addAction(QStringLiteral("&Quitter"));
    mnu_abd->setObjectName(QStringLiteral("mnu_abd"));
    connect(mnu_abd, &QAction::triggered, this, &VdnMenu::quit);

    // Help, last in the bar.
    QMenu* mnu_aide = bar->addMenu(QStringLiteral("&Aide"));
    mnu_aide->setObjectName(QStringLiteral("mnu_aide"));
    mnu_aide->menuAction()->setObjectName(QStringLiteral("mnu_aide"));
    QAction* guide = action(mnu_aide, "mnu_aide_guide", QStringLiteral("&Guide de l'utilisateur"));
    guide->setShortcut(QKeySequence(Qt::Key_F1));
    // The page of the window that has the focus, as F1 gives it elsewhere.
    connect(guide, &QAction::triggered, this, [this] {
        const QWidget* focus = QApplication::focusWidget();
        showHelp(guidePageOf(focus ? focus : this));
    });
    connect(action(mnu_aide, "mnu_aide_propos", QStringLiteral("À &propos de VORDAN")),
            &QAction::triggered, this,
            [this] { services_.boxes->message(this, aboutText(info_.licence)); });
}

QString VdnMenu::versionText() {
    return QStringLiteral("VORDAN version %1").arg(QStringLiteral(VORDAN_VERSION_TEXT));
}

QString VdnMenu::aboutText(const QString& licence) {
    return versionText() +
           QStringLiteral("\nGestion des clients, des boules et des fiches de perçage du pro "
                          "shop.\nN° de licence : %1")
               .arg(licence.isEmpty() ? QStringLiteral("(non renseigné)") : licence);
}

void VdnMenu::buildBody() {
    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("corps"));
    body->setAutoFillBackground(true);
    QPalette pal = body->palette();
    pal.setColor(QPalette::Window, QColor(235, 240, 250));
    body->setPalette(pal);
    setCentralWidget(body);

    cmdclt = caption(body, "cmdclt", QStringLiteral("    CLIENTS"), QColor(30, 80, 160),
                     QRect(150, 30, 300, 50));
    cmdclt->setCursor(Qt::PointingHandCursor);
    cmdmat = caption(body, "cmdmat", QStringLiteral("   MATERIEL"), QColor(120, 40, 140),
                     QRect(150, 110, 300, 50));
    cmdfac = caption(body, "cmdfac", QStringLiteral("??? non utilisé"), QColor(110, 110, 120),
                     QRect(150, 190, 300, 50));

    Image4 = picture(body, "Image4", pictures::customers(QSize(64, 56)), QPoint(60, 27));
    Image4->setCursor(Qt::PointingHandCursor);
    Image5 =
        picture(body, "Image5", pictures::bowlingBall(52, QColor(120, 40, 140)), QPoint(66, 109));
    Image1 = picture(body, "Image1", pictures::pins(QSize(70, 60)), QPoint(480, 22));
    Image2 = picture(body, "Image2", pictures::drill(QSize(64, 64)), QPoint(484, 100));
    Image3 = picture(body, "Image3", pictures::lane(QSize(90, 90)), QPoint(470, 180));
    Image6 =
        picture(body, "Image6", pictures::bowlingBall(40, QColor(30, 80, 160)), QPoint(72, 195));

    connect(cmdclt, &ClickableLabel::clicked, this, &VdnMenu::openClient);
    connect(Image4, &ClickableLabel::clicked, this, &VdnMenu::openClient);

    Frame5 = new QGroupBox(QStringLiteral("Saisir la lettre du disque amovible"), body);
    Frame5->setObjectName(QStringLiteral("Frame5"));
    Frame5->setGeometry(150, 255, 310, 170);
    txtdisk = new QLineEdit(Frame5);
    txtdisk->setObjectName(QStringLiteral("txtdisk"));
    txtdisk->setMaxLength(1);
    txtdisk->setGeometry(20, 40, 40, 30);
    txtdisk->installEventFilter(this);
    cmdok = new QToolButton(Frame5);
    cmdok->setObjectName(QStringLiteral("cmdok"));
    cmdok->setIcon(QIcon(pictures::validate(32)));
    cmdok->setIconSize(QSize(32, 32));
    cmdok->setGeometry(80, 34, 44, 44);
    cmdok->setToolTip(QStringLiteral("Lancer la sauvegarde"));
    connect(cmdok, &QToolButton::clicked, this, &VdnMenu::startBackup);
    driveLetters = new QLabel(Frame5);
    driveLetters->setObjectName(QStringLiteral("driveLetters"));
    driveLetters->setGeometry(20, 86, 275, 76);
    driveLetters->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    driveLetters->setTextFormat(Qt::PlainText);
}

VdnClient* VdnMenu::openClient() {
    if (!client_) {
        client_ = new VdnClient(services_);
        client_->load();
    }
    client_->show();
    client_->raise();
    client_->activateWindow();
    return client_;
}

VdnParam* VdnMenu::openParam() {
    if (!param_) {
        param_ = new VdnParam(services_);
        param_->load();
    }
    param_->show();
    param_->raise();
    param_->activateWindow();
    return param_;
}

DrillerDialog* VdnMenu::openDriller() {
    if (driller_) {
        driller_->raise();
        driller_->activateWindow();
        return driller_;
    }
    auto* dialog = new DrillerDialog(services_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    if (!dialog->load()) {
        delete dialog;
        return nullptr;
    }
    driller_ = dialog;
    dialog->show();
    return dialog;
}

void VdnMenu::showBackupPanel() {
    restoring_ = false;
    Frame5->setTitle(QStringLiteral("Saisir la lettre du disque amovible"));
    setGuidePage(Frame5, QString());
    cmdok->setToolTip(QStringLiteral("Lancer la sauvegarde"));
    showDriveLetters();
    Frame5->show();
}

void VdnMenu::showDriveLetters() {
    const QList<DriveLetter> drives =
        services_.drives ? services_.drives->drives() : QList<DriveLetter>{};
    if (drives.isEmpty()) {
        driveLetters->setText(QStringLiteral("Aucun disque amovible trouvé"));
        driveLetters->setToolTip({});
        return;
    }
    // One line per letter; long folders are shortened in the middle, the
    // tooltip keeps them whole.
    QStringList lines, full;
    const QFontMetrics fm(driveLetters->font());
    for (const DriveLetter& d : drives) {
        const QString line =
            QStringLiteral("%1: = %2")
                .arg(d.letter,
                     d.shownName.isEmpty() ? QDir::toNativeSeparators(d.folder) : d.shownName);
        full << line;
        lines << fm.elidedText(line, Qt::ElideMiddle, driveLetters->width());
    }
    driveLetters->setText(lines.join(QLatin1Char('\n')));
    driveLetters->setToolTip(full.join(QLatin1Char('\n')));
}

void VdnMenu::showRestorePanel() {
    showBackupPanel();
    restoring_ = true;
    Frame5->setTitle(QStringLiteral("Restaurer depuis le lecteur"));
    setGuidePage(Frame5, QStringLiteral("restauration.md"));
    cmdok->setToolTip(QStringLiteral("Restaurer la sauvegarde de ce disque"));
}

std::optional<QString> VdnMenu::chosenDriveFolder() {
    MessageBoxes& boxes = *services_.boxes;
    const QString letter = txtdisk->text().trimmed().toUpper();
    if (letter.isEmpty()) {
        boxes.message(this, QStringLiteral("Aucune lettre"));
        return std::nullopt;
    }
    const std::optional<QString> folder =
        services_.drives ? services_.drives->folderOf(letter.at(0)) : std::nullopt;
    // A letter that stands for no folder, or for one that is not there (the
    // key is not plugged in), names no drive.
    if (!folder || !QFileInfo(*folder).isDir()) {
        boxes.message(this, QStringLiteral("Lecteur ") + letter + QStringLiteral(": introuvable"));
        return std::nullopt;
    }
    return folder;
}

void VdnMenu::startRestore() {
    // "&Quitter" during the restore waits for its end and its message.
    const LongTask task;
    MessageBoxes& boxes = *services_.boxes;
    const std::optional<QString> folder = chosenDriveFolder();
    if (!folder)
        return;
    const QString letter = txtdisk->text().trimmed().toUpper();
    if (!boxes.question(this, restoreQuestion(letter, summarizeBackup(*folder),
                                              Dialect::at(chemin_base).isServer())))
        return;
    // Everything is checked before anything goes: a refused restore leaves
    // the open windows, and what is being typed in them, as they were.
    Result<RestoreOutcome> outcome = DataError{};
    {
        BusyPointer busy(*services_.pointer);
        Result<std::unique_ptr<PreparedRestore>> prepared = DataError{};
        {
            // The backup is copied and checked first (an older one brought
            // up to date): nothing of the shop's data is written yet.
            ProgressDialog checking(*services_.clock, this,
                                    QStringLiteral("Vérification de la sauvegarde du lecteur ") +
                                        letter + QLatin1Char(':'),
                                    false);
            prepared = prepareRestore(chemin_base, *folder, services_.clock->now(), ownLockFile_,
                                      &checking);
        }
        if (prepared && !settleEntries()) {
            // Annuler, or an entry its validation refused: nothing restored.
            return;
        }
        if (prepared) {
            // The open windows show data the restore replaces.
            closeOtherWindows();
            // Once it writes, the restore cannot stop: its window says so
            // and offers no "Annuler".
            ProgressDialog progress(*services_.clock, this,
                                    QStringLiteral("Restauration de la base.\nLa restauration ne "
                                                   "peut pas être interrompue."),
                                    false);
            outcome = completeRestore(**prepared, &progress);
        } else {
            outcome = prepared.error();
        }
    }
    if (!outcome) {
        boxes.message(this, outcome.error().text);
        return;
    }
    // The restored shop identity names the window.
    if (Result<std::unique_ptr<Connection>> c = Connection::open(databasePath())) {
        if (Result<ShopIdentity> shop = ShopStore((*c)->db()).first()) {
            info_.shopName = shop->name;
            info_.licence = shop->licence;
            info_.title = mainTitle(shop->name, shop->licence);
            shop_name = shop->name;
            setWindowTitle(info_.title);
        }
    }
    boxes.message(this, restoreEndMessage(*outcome));
}

void VdnMenu::startBackup() {
    Frame5->hide();
    if (restoring_) {
        startRestore();
        return;
    }
    MessageBoxes& boxes = *services_.boxes;
    const std::optional<QString> folder = chosenDriveFolder();
    if (!folder)
        return;
    const QString letter = txtdisk->text().trimmed().toUpper();
    if (isDatabaseFolder(chemin_base, *folder)) {
        boxes.message(this, QStringLiteral("Le lecteur ") + letter +
                                QStringLiteral(": est le dossier de vos données ; choisissez "
                                               "un autre lecteur pour la sauvegarde"));
        return;
    }
    // "&Quitter" during the backup waits for its end and its message.
    const LongTask task;
    BackupResult result;
    {
        BusyPointer busy(*services_.pointer);
        boxes.message(this, QStringLiteral("Sauvegarde de l'ensemble de vos données"));
        // The copy of the database shows its progress; "Annuler" there
        // leaves the previous backup of the drive as it was.
        ProgressDialog progress(*services_.clock, this,
                                QStringLiteral("Sauvegarde de la base sur le lecteur ") + letter +
                                    QLatin1Char(':'));
        result = backUp(chemin_base, *folder, &progress);
    }
    boxes.message(this, backupEndMessage(result));
}

void VdnMenu::closeOtherWindows() {
    // Destroyed directly: their close handling would step back panel by panel.
    delete client_.data();
    delete param_.data();
}

void VdnMenu::quit() {
    close();
}

bool VdnMenu::eventFilter(QObject* watched, QEvent* event) {
    // The drive letter shows in capitals once the box is left.
    if (watched == txtdisk && event->type() == QEvent::FocusOut)
        txtdisk->setText(txtdisk->text().toUpper());
    return QMainWindow::eventFilter(watched, event);
}

bool VdnMenu::settleEntries() {
    if (!client_ && !param_)
        return true;
    services_.pointer->setDefault();
    if (param_ && !param_->settleEntry())
        return false;
    if (!client_)
        return true;
    // The window goes: every entry it holds, shown or under another panel.
    return client_->settleEntry(VdnClient::Reach::Everything) != VdnClient::EntryOutcome::Kept;
}

void VdnMenu::closeEvent(QCloseEvent* event) {
    // An entry being typed is saved or dropped by the user's choice first.
    if (!settleEntries()) {
        event->ignore();
        return;
    }
    closeOtherWindows();
    event->accept();
    // The program ends with its main window: the guide and any other window
    // still open close with it, so that no VORDAN stays running (and holding
    // the base) without its menu.
    closeHelp();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible())
            w->close();
    QCoreApplication::quit();
}

} // namespace vdn
