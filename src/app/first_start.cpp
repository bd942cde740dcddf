#include "app/first_start.h"

#include "app/path_file.h"
#include "app/startup.h"
#include "data/connection.h"
#include "data/database_creator.h"
#include "data/dialect.h"
#include "data/globals.h"
#include "data/schema.h"
#include "data/server_address.h"
#include "data/server_login.h"
#include "data/shop_store.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/places.h"
#include "widgets/progress_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vdn {

namespace {

QString cleanFolder(const QString& typed) {
    const QString t = typed.trimmed();
    return t.isEmpty() ? QString() : QDir::cleanPath(QDir(t).absolutePath());
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

bool firstStartWanted(const QString& programFolder, const QString& configFolder) {
    if (!findPathFile(programFolder, configFolder).isEmpty())
        return false;
    if (qEnvironmentVariable("VORDAN_PREMIER_DEMARRAGE") == QLatin1String("1"))
        return true;
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") &&
           platform != QLatin1String("minimal");
}

QString defaultDataFolder() {
    return places::userDataFolder();
}

FirstStartDialog::FirstStartDialog(MessageBoxes& boxes, const QString& configFolder,
                                   QWidget* parent)
    : QDialog(parent), boxes_(boxes), configFolder_(configFolder) {
    setObjectName(QStringLiteral("VDN_premier_demarrage"));
    setWindowTitle(QStringLiteral("VORDAN - Premier démarrage"));
    auto* intro = new QLabel(
        QStringLiteral("Bienvenue dans VORDAN. Aucune base de données n'est encore choisie :\n"
                       "créez la base de votre magasin, ou ouvrez une base existante."),
        this);

    optCreer = new QRadioButton(QStringLiteral("Créer une nouvelle base"), this);
    optCreer->setObjectName(QStringLiteral("optCreer"));
    optOuvrir = new QRadioButton(QStringLiteral("Ouvrir une base existante"), this);
    optOuvrir->setObjectName(QStringLiteral("optOuvrir"));

    fraCreer = new QGroupBox(this);
    fraCreer->setObjectName(QStringLiteral("fraCreer"));
    auto* create = new QFormLayout(fraCreer);
    txtDossierNouveau = new QLineEdit(native(defaultDataFolder()), fraCreer);
    txtDossierNouveau->setObjectName(QStringLiteral("txtDossierNouveau"));
    cmdParcourirNouveau = new QPushButton(QStringLiteral("Parcourir..."), fraCreer);
    cmdParcourirNouveau->setObjectName(QStringLiteral("cmdParcourirNouveau"));
    auto* row1 = new QHBoxLayout;
    row1->addWidget(txtDossierNouveau, 1);
    row1->addWidget(cmdParcourirNouveau);
    create->addRow(QStringLiteral("Dossier de la base :"), row1);
    txtMagasin = new QLineEdit(fraCreer);
    txtMagasin->setObjectName(QStringLiteral("txtMagasin"));
    txtMagasin->setMaxLength(50);
    create->addRow(QStringLiteral("Nom du magasin :"), txtMagasin);
    txtLicence = new QLineEdit(fraCreer);
    txtLicence->setObjectName(QStringLiteral("txtLicence"));
    txtLicence->setMaxLength(20);
    create->addRow(QStringLiteral("N° de licence :"), txtLicence);
    // The driller named on every drilling sheet, from the first one on.
    txtPerceur = new QLineEdit(fraCreer);
    txtPerceur->setObjectName(QStringLiteral("txtPerceur"));
    txtPerceur->setMaxLength(DrillerMaxLength);
    create->addRow(QStringLiteral("Nom du perceur :"), txtPerceur);
    chkDemo = new QCheckBox(QStringLiteral("Ajouter des données de démonstration (clients, "
                                           "boules, fiches de perçage)"),
                            fraCreer);
    chkDemo->setObjectName(QStringLiteral("chkDemo"));
    create->addRow(chkDemo);

    fraOuvrir = new QGroupBox(this);
    fraOuvrir->setObjectName(QStringLiteral("fraOuvrir"));
    auto* open = new QFormLayout(fraOuvrir);
    txtDossierExistant = new QLineEdit(fraOuvrir);
    txtDossierExistant->setObjectName(QStringLiteral("txtDossierExistant"));
    cmdParcourirExistant = new QPushButton(QStringLiteral("Parcourir..."), fraOuvrir);
    cmdParcourirExistant->setObjectName(QStringLiteral("cmdParcourirExistant"));
    auto* row2 = new QHBoxLayout;
    row2->addWidget(txtDossierExistant, 1);
    row2->addWidget(cmdParcourirExistant);
    open->addRow(QStringLiteral("Dossier contenant vordan.mdb :"), row2);

    optServeur = new QRadioButton(QStringLiteral("Se connecter au serveur de la boutique"), this);
    optServeur->setObjectName(QStringLiteral("optServeur"));
    fraServeur = new QGroupBox(this);
    fraServeur->setObjectName(QStringLiteral("fraServeur"));
    auto* server = new QFormLayout(fraServeur);
    txtServeur = new QLineEdit(fraServeur);
    txtServeur->setObjectName(QStringLiteral("txtServeur"));
    txtServeur->setPlaceholderText(QStringLiteral("nom ou adresse IP du serveur"));
    txtPort = new QSpinBox(fraServeur);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setRange(1, 65535);
    txtPort->setValue(Dialect::server().defaultPort());
    auto* row3 = new QHBoxLayout;
    row3->addWidget(txtServeur, 1);
    row3->addWidget(new QLabel(QStringLiteral("Port :"), fraServeur));
    row3->addWidget(txtPort);
    server->addRow(QStringLiteral("Serveur :"), row3);
    txtBaseServeur = new QLineEdit(QStringLiteral("vordan"), fraServeur);
    txtBaseServeur->setObjectName(QStringLiteral("txtBaseServeur"));
    server->addRow(QStringLiteral("Base :"), txtBaseServeur);
    txtRole = new QLineEdit(fraServeur);
    txtRole->setObjectName(QStringLiteral("txtRole"));
    server->addRow(QStringLiteral("Rôle :"), txtRole);
    txtMotDePasse = new QLineEdit(fraServeur);
    txtMotDePasse->setObjectName(QStringLiteral("txtMotDePasse"));
    txtMotDePasse->setEchoMode(QLineEdit::Password);
    server->addRow(QStringLiteral("Mot de passe :"), txtMotDePasse);

    auto* buttons = new QDialogButtonBox(this);
    cmdContinuer = buttons->addButton(QStringLiteral("Continuer"), QDialogButtonBox::AcceptRole);
    cmdContinuer->setObjectName(QStringLiteral("cmdContinuer"));
    cmdContinuer->setDefault(true);
    cmdQuitter = buttons->addButton(QStringLiteral("Quitter"), QDialogButtonBox::RejectRole);
    cmdQuitter->setObjectName(QStringLiteral("cmdQuitter"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addSpacing(8);
    layout->addWidget(optCreer);
    layout->addWidget(fraCreer);
    layout->addWidget(optOuvrir);
    layout->addWidget(fraOuvrir);
    layout->addWidget(optServeur);
    layout->addWidget(fraServeur);
    layout->addStretch(1);
    layout->addWidget(buttons);
    setMinimumWidth(560);

    optCreer->setChecked(true);
    updateMode();
    connect(optCreer, &QRadioButton::toggled, this, &FirstStartDialog::updateMode);
    connect(optServeur, &QRadioButton::toggled, this, &FirstStartDialog::updateMode);
    connect(cmdParcourirNouveau, &QPushButton::clicked, this,
            [this] { browse(txtDossierNouveau); });
    connect(cmdParcourirExistant, &QPushButton::clicked, this,
            [this] { browse(txtDossierExistant); });
    connect(cmdContinuer, &QPushButton::clicked, this, &FirstStartDialog::proceed);
    connect(cmdQuitter, &QPushButton::clicked, this, &QDialog::reject);
}

void FirstStartDialog::updateMode() {
    fraCreer->setEnabled(optCreer->isChecked());
    fraOuvrir->setEnabled(optOuvrir->isChecked());
    fraServeur->setEnabled(optServeur->isChecked());
}

void FirstStartDialog::browse(QLineEdit* into) {
    QString start = cleanFolder(into->text());
    while (!start.isEmpty() && !QFileInfo(start).isDir() && start != QDir::rootPath())
        start = QFileInfo(start).absolutePath();
    // Qt's own dialog, in French with the translations loaded at start-up.
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Choisir le dossier de la base"),
        start.isEmpty() ? QDir::homePath() : start,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty())
        into->setText(native(chosen));
}

void FirstStartDialog::proceed() {
    if (optCreer->isChecked()) {
        const QString folder = cleanFolder(txtDossierNouveau->text());
        if (folder.isEmpty()) {
            boxes_.message(this, QStringLiteral("Indiquez le dossier de la nouvelle base."));
            return;
        }
        if (txtMagasin->text().trimmed().isEmpty()) {
            boxes_.message(this, QStringLiteral("Indiquez le nom du magasin."));
            return;
        }
        if (!create(folder) || !writePathFile(folder))
            return;
    } else if (optServeur->isChecked()) {
        if (!joinServer())
            return;
    } else {
        const QString folder = cleanFolder(txtDossierExistant->text());
        if (folder.isEmpty()) {
            boxes_.message(this, QStringLiteral("Indiquez le dossier de la base existante."));
            return;
        }
        if (!openExisting(folder) || !writePathFile(folder))
            return;
    }
    accept();
}

bool FirstStartDialog::create(const QString& folder) {
    const QString file = databasePath(folder + QLatin1Char('/'));
    if (QFileInfo::exists(file)) {
        boxes_.message(this,
                       QStringLiteral("Le dossier %1 contient déjà une base VORDAN ; elle ne sera "
                                      "pas remplacée. Choisissez « Ouvrir une base existante » "
                                      "pour l'utiliser.")
                           .arg(native(folder)));
        return false;
    }
    CreateOptions options;
    options.folder = folder;
    options.shopName = txtMagasin->text().trimmed();
    options.licence = txtLicence->text().trimmed();
    if (chkDemo->isChecked())
        options.demo = DemoOptions{};
    if (const Status s = createDatabase(options); !s) {
        boxes_.message(this,
                       QStringLiteral("La base n'a pas pu être créée : %1").arg(s.error().text));
        return false;
    }
    // Left empty: the starter name stays until "P&erceur…" names one.
    if (const QString driller = txtPerceur->text().trimmed(); !driller.isEmpty()) {
        Result<std::unique_ptr<Connection>> c = Connection::open(file);
        const Status named = c ? ShopStore((*c)->db()).setDriller(driller) : c.status();
        if (!named)
            boxes_.message(this, QStringLiteral("La base a été créée, mais le nom du perceur n'a "
                                                "pas pu être enregistré : %1")
                                     .arg(named.error().text));
    }
    return true;
}

bool FirstStartDialog::openExisting(const QString& folder) {
    const QString file = databasePath(folder + QLatin1Char('/'));
    if (!QFileInfo(file).isFile()) {
        boxes_.message(this, QStringLiteral("Le dossier %1 ne contient pas de base VORDAN "
                                            "(fichier vordan.mdb absent).")
                                 .arg(native(folder)));
        return false;
    }
    // A database of an older version is brought up to date here.
    const SystemClock clock;
    ProgressDialog upgrading(clock, this, upgradeProgressText(), false);
    Result<std::unique_ptr<Connection>> c =
        Connection::open(file, Connection::Mode::ExistingOnly, &upgrading);
    if (c) {
        if (Result<ShopIdentity> shop = ShopStore((*c)->db()).first(); !shop)
            c = shop.error();
    }
    if (!c) {
        boxes_.message(this, QStringLiteral("La base %1 ne peut pas être ouverte : %2")
                                 .arg(native(file), c.error().text));
        return false;
    }
    return true;
}

bool FirstStartDialog::joinServer() {
    ServerLogin login;
    login.host = txtServeur->text().trimmed();
    login.port = txtPort->value();
    login.database = txtBaseServeur->text().trimmed();
    login.role = txtRole->text().trimmed();
    const QString missing = login.host.isEmpty()       ? QStringLiteral("le nom du serveur")
                            : login.database.isEmpty() ? QStringLiteral("le nom de la base")
                            : login.role.isEmpty()     ? QStringLiteral("le rôle")
                                                       : QString();
    if (!missing.isEmpty()) {
        boxes_.message(this, QStringLiteral("Indiquez %1.").arg(missing));
        return false;
    }
    // Taken as typed: blanks may belong to a password.
    const QString password = txtMotDePasse->text();
    const QString address = loginAddress(login);
    {
        Result<std::unique_ptr<Connection>> c = openWithPassword(address, password);
        if (!c) {
            boxes_.message(this,
                           QStringLiteral("La connexion au serveur a échoué (%1) :\n%2")
                               .arg(shownAddress(address), joinFailureText(c.error(), login)));
            return false;
        }
    }
    if (!password.isEmpty()) {
        if (const Status s = savePassword(login, password); !s) {
            boxes_.message(this, s.error().text);
            return false;
        }
    }
    return writePathLine(address);
}

// The folder as the system writes paths (C:\...\VORDAN\ on Windows), as a
// user opening the file would expect to read it.
bool FirstStartDialog::writePathFile(const QString& folder) {
    return writePathLine(native(folder) + QDir::separator());
}

bool FirstStartDialog::writePathLine(const QString& base) {
    QSaveFile out(QDir(configFolder_).filePath(PathFileName));
    const QByteArray line = base.toUtf8() + '\n';
    if (!QDir().mkpath(configFolder_) || !out.open(QIODevice::WriteOnly) ||
        out.write(line) != line.size() || !out.commit()) {
        boxes_.message(this, QStringLiteral("Le fichier %1 n'a pas pu être écrit : %2")
                                 .arg(native(out.fileName()), out.errorString()));
        return false;
    }
    chosenBase_ = base;
    return true;
}

bool runFirstStart(MessageBoxes& boxes, const QString& configFolder) {
    FirstStartDialog dialog(boxes, configFolder);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace vdn
