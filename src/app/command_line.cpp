#include "app/command_line.h"

#include "data/dialect.h"
#include "data/server_address.h"
#include "platform/places.h"

namespace vdn {

QString usageText() {
    const QString loginFile = Dialect::server().loginFileHint();
    return QStringLiteral(
        "Utilisation :\n"
        "  vordan\n"
        "      démarre VORDAN sur la base désignée par CHEMIN.QZ (dossier du programme,\n"
        "      puis %1).\n"
        "  vordan --creer-base DOSSIER [--magasin NOM] [--licence NUMERO] [--demo]\n"
        "      crée la base DOSSIER/vordan.mdb avec ses listes de valeurs de départ ;\n"
        "      --magasin : nom du magasin (titre et impressions),\n"
        "      --licence : numéro de licence affiché dans le titre,\n"
        "      --demo    : ajoute des clients, boules et fiches de perçage d'exemple.\n"
        "      Une base existante n'est jamais remplacée.\n"
        "  vordan --creer-base postgresql://[ROLE@]SERVEUR[:PORT]/BASE [--magasin NOM] ...\n"
        "      crée les tables de VORDAN dans une base vide d'un serveur PostgreSQL (13 ou\n"
        "      plus récent) ; le mot de passe se met dans %2, jamais dans l'adresse.\n"
        "  vordan --transferer SOURCE DESTINATION\n"
        "      copie toute une base (un dossier écrit comme la première ligne de CHEMIN.QZ,\n"
        "      ou une adresse postgresql://) dans une base vide : un dossier sans\n"
        "      vordan.mdb, ou une base du serveur sans les tables de VORDAN. Rien n'est\n"
        "      écrit si la destination n'est pas vide ; affiche le nombre de lignes de\n"
        "      chaque table.\n"
        "  vordan --restaurer DOSSIER\n"
        "      restaure la sauvegarde DOSSIER/vordan.mdb (et les fichiers VDN_*.MDB) sur la\n"
        "      base désignée par CHEMIN.QZ ; la base actuelle est d'abord enregistrée sous\n"
        "      vordan.mdb.avant-restauration-AAAAMMJJ-HHMMSS à côté d'elle.\n"
        "  vordan --importer FICHIER [--correspondance FICHIER.ini] [--essai]\n"
        "      importe les clients de FICHIER (CSV, ODS ou XLSX) dans la base désignée par\n"
        "      CHEMIN.QZ : tout ou rien, doublons ignorés ; --essai donne le rapport sans\n"
        "      rien écrire ; le rapport s'affiche sur la sortie d'erreur.\n"
        "  vordan --aide | --help\n"
        "      affiche cette aide.\n"
        "  vordan --version | -v\n"
        "      affiche la version de VORDAN.\n")
        .arg(places::userSettingsFolderHint(), loginFile);
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine cl;
    bool sawRestore = false, sawTransfer = false, sawImport = false, sawImportOption = false;
    bool sawCreate = false, sawShop = false, sawLicence = false, sawDemo = false;
    auto fail = [&cl](const QString& message) {
        cl.action = CommandLine::Action::Error;
        cl.error = message;
        return cl;
    };
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        auto next = [&](QString* out) {
            if (i + 1 >= arguments.size())
                return false;
            *out = arguments.at(++i);
            return true;
        };
        if (a == QLatin1String("--aide") || a == QLatin1String("--help") ||
            a == QLatin1String("-h")) {
            cl.action = CommandLine::Action::Help;
            return cl;
        } else if (a == QLatin1String("--version") || a == QLatin1String("-v")) {
            cl.action = CommandLine::Action::Version;
            return cl;
        } else if (a == QLatin1String("--creer-base")) {
            if (!next(&cl.create.folder) || cl.create.folder.isEmpty())
                return fail(QStringLiteral("--creer-base attend le dossier de la base."));
            sawCreate = true;
        } else if (a == QLatin1String("--restaurer")) {
            if (!next(&cl.restoreFolder) || cl.restoreFolder.isEmpty())
                return fail(QStringLiteral("--restaurer attend le dossier de la sauvegarde."));
            sawRestore = true;
        } else if (a == QLatin1String("--transferer")) {
            if (!next(&cl.transferFrom) || !next(&cl.transferTo) || cl.transferFrom.isEmpty() ||
                cl.transferTo.isEmpty())
                return fail(
                    QStringLiteral("--transferer attend la base source puis la base destination."));
            sawTransfer = true;
        } else if (a == QLatin1String("--importer")) {
            if (!next(&cl.importFile) || cl.importFile.isEmpty())
                return fail(QStringLiteral("--importer attend le fichier des clients."));
            sawImport = true;
        } else if (a == QLatin1String("--correspondance")) {
            if (!next(&cl.mappingFile) || cl.mappingFile.isEmpty())
                return fail(
                    QStringLiteral("--correspondance attend le fichier de correspondance."));
            sawImportOption = true;
        } else if (a == QLatin1String("--essai")) {
            cl.dryRun = true;
            sawImportOption = true;
        } else if (a == QLatin1String("--magasin")) {
            if (!next(&cl.create.shopName))
                return fail(QStringLiteral("--magasin attend le nom du magasin."));
            sawShop = true;
        } else if (a == QLatin1String("--licence")) {
            if (!next(&cl.create.licence))
                return fail(QStringLiteral("--licence attend un numéro de licence."));
            sawLicence = true;
        } else if (a == QLatin1String("--demo")) {
            cl.create.demo = DemoOptions{};
            sawDemo = true;
        } else {
            return fail(QStringLiteral("Option inconnue : %1").arg(shownAddress(a)));
        }
    }
    // A folder or a server address: "http://…" is neither, and would
    // otherwise be made into a local folder "http:".
    for (const QString* location :
         {&cl.create.folder, &cl.restoreFolder, &cl.transferFrom, &cl.transferTo})
        if (std::optional<DataError> refused = unknownScheme(*location))
            return fail(refused->text);
    if (sawRestore && (sawCreate || sawShop || sawLicence || sawDemo))
        return fail(QStringLiteral("--restaurer ne va pas avec --creer-base."));
    if (sawTransfer && (sawRestore || sawCreate || sawShop || sawLicence || sawDemo))
        return fail(QStringLiteral("--transferer ne va avec aucune autre option."));
    if (sawImportOption && !sawImport)
        return fail(QStringLiteral("--correspondance et --essai vont avec --importer."));
    if (sawImport && (sawTransfer || sawRestore || sawCreate || sawShop || sawLicence || sawDemo))
        return fail(QStringLiteral("--importer ne va qu'avec --correspondance et --essai."));
    if (sawImport)
        cl.action = CommandLine::Action::Import;
    else if (sawTransfer)
        cl.action = CommandLine::Action::Transfer;
    else if (sawRestore)
        cl.action = CommandLine::Action::Restore;
    else if (sawCreate)
        cl.action = CommandLine::Action::Create;
    else if (sawShop || sawLicence || sawDemo)
        return fail(QStringLiteral("--magasin, --licence et --demo vont avec --creer-base."));
    return cl;
}

} // namespace vdn
