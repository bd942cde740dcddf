#include "app/driller_dialog.h"

#include "data/connection.h"
#include "data/globals.h"
#include "data/schema.h"
#include "data/shop_store.h"
#include "platform/message_boxes.h"
#include "session/error_box.h"
#include "widgets/guide_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vdn {

DrillerDialog::DrillerDialog(const Services& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("VDN_perceur"));
    setWindowTitle(QStringLiteral("Perceur"));
    setGuidePage(this, QStringLiteral("perceur.md"));
    auto* caption = new QLabel(
        QStringLiteral(
            "Nom du perceur, imprimé sur chaque fiche de perçage (%1 caractères au plus) :")
            .arg(DrillerMaxLength),
        this);
    caption->setWordWrap(true);
    txtperceur = new QLineEdit(this);
    txtperceur->setObjectName(QStringLiteral("txtperceur"));
    txtperceur->setMaxLength(DrillerMaxLength);
    caption->setBuddy(txtperceur);
    cmdvalide = new QPushButton(QStringLiteral("&Valider"), this);
    cmdvalide->setObjectName(QStringLiteral("cmdvalide"));
    cmdvalide->setDefault(true);
    cmdannule = new QPushButton(QStringLiteral("&Annuler"), this);
    cmdannule->setObjectName(QStringLiteral("cmdannule"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdvalide);
    buttons->addWidget(cmdannule);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(txtperceur);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    connect(cmdvalide, &QPushButton::clicked, this, &DrillerDialog::save);
    connect(cmdannule, &QPushButton::clicked, this, &QDialog::reject);
}

QString DrillerDialog::emptyNameMessage() {
    return QStringLiteral("Veuillez saisir le nom du perceur.");
}

bool DrillerDialog::load() {
    Result<std::unique_ptr<Connection>> c = Connection::open(databasePath());
    if (!c) {
        erreur_donnees(c.error(), services_, parentWidget());
        return false;
    }
    Result<QString> name = ShopStore((*c)->db()).driller();
    if (!name) {
        erreur_donnees(name.error(), services_, parentWidget());
        return false;
    }
    txtperceur->setText(*name);
    return true;
}

void DrillerDialog::save() {
    if (txtperceur->text().trimmed().isEmpty()) {
        services_.boxes->message(this, emptyNameMessage());
        txtperceur->setFocus();
        return;
    }
    Result<std::unique_ptr<Connection>> c = Connection::open(databasePath());
    Status s = c ? ShopStore((*c)->db()).setDriller(txtperceur->text()) : Status(c.error());
    if (!s) {
        erreur_donnees(s.error(), services_, this, QStringLiteral("Enregistrement du perceur"));
        return;
    }
    accept();
}

} // namespace vdn
