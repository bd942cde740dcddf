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
               "      copie toute une base (un dossier écrit comme la première ligne de "
               "CHEMIN.QZ,\n"
               "      ou une adresse postgresql://) dans une base vide : un dossier sans\n"
               "      vordan.mdb, ou une base du serveur sans les tables de VORDAN. Rien n'est\n"
               "      écrit si la destination n'est pas vide ; affiche le nombre de lignes de\n"
               "      chaque table.\n"
               "  vordan --restaurer DOSSIER\n"
               "      restaure la sauvegarde DOSSIER/vordan.mdb (et les fichiers VDN_*.MDB) sur "
               "la\n"
               "      base désignée par CHEMIN.QZ ; la base actuelle est d'abord enregistrée sous\n"
               "      vordan.mdb.avant-restauration-AAAAMMJJ-HHMMSS à côté d'elle.\n"
               "  vordan --importer FICHIER [--correspondance FICHIER.ini] [--doublons CHOIX]\n"
               "         [--feuille N|NOM] [--essai]\n"
               "      importe les clients de FICHIER (CSV, ODS ou XLSX) dans la base désignée par\n"
               "      CHEMIN.QZ, tout ou rien ; --doublons : ignorer (par défaut), completer ou\n"
               "      ajouter les clients déjà dans la base ; --feuille : la feuille d'un "
               "classeur\n"
               "      (numéro à partir de 1, ou nom ; la première par défaut) ; --essai donne le\n"
               "      rapport sans rien écrire ; le rapport s'affiche sur la sortie d'erreur.\n"
               "  vordan --aide | --help\n"
               "      affiche cette aide.\n"
               "  vordan --version | -v\n"
               "      affiche la version de VORDAN.\n")
        .arg(places::userSettingsFolderHint(), loginFile);
}

namespace {

// The options seen on the command line.
struct Seen {
    bool create = false, shop = false, licence = false, demo = false;
    bool restore = false, transfer = false, import = false, importOption = false;
};

// An option followed by one value: where the value goes, what the option
// counts as, whether an empty value is refused, and the message when the
// value is missing.
struct ValueOption {
    const char* name;
    QString& (*value)(CommandLine&);
    bool Seen::*seen;
    bool refusesEmpty;
    const char* missing;
};

const ValueOption ValueOptions[] = {
    {"--creer-base", [](CommandLine& c) -> QString& { return c.create.folder; }, &Seen::create,
     true, "--creer-base attend le dossier de la base."},
    {"--restaurer", [](CommandLine& c) -> QString& { return c.restoreFolder; }, &Seen::restore,
     true, "--restaurer attend le dossier de la sauvegarde."},
    {"--importer", [](CommandLine& c) -> QString& { return c.importFile; }, &Seen::import, true,
     "--importer attend le fichier des clients."},
    {"--correspondance", [](CommandLine& c) -> QString& { return c.mappingFile; },
     &Seen::importOption, true, "--correspondance attend le fichier de correspondance."},
    {"--doublons", [](CommandLine& c) -> QString& { return c.duplicates; }, &Seen::importOption,
     true, "--doublons attend ignorer, completer ou ajouter."},
    {"--feuille", [](CommandLine& c) -> QString& { return c.sheet; }, &Seen::importOption, true,
     "--feuille attend le numéro ou le nom d'une feuille."},
    {"--magasin", [](CommandLine& c) -> QString& { return c.create.shopName; }, &Seen::shop, false,
     "--magasin attend le nom du magasin."},
    {"--licence", [](CommandLine& c) -> QString& { return c.create.licence; }, &Seen::licence,
     false, "--licence attend un numéro de licence."},
};

// Makes `cl` the error `message`; false, for the caller to stop reading.
bool fail(CommandLine& cl, const QString& message) {
    cl.action = CommandLine::Action::Error;
    cl.error = message;
    return false;
}

// Reads the option at `i` and its values, `i` left on the last one read.
// False, with `cl` an error, when the option is unknown or misses a value.
bool readOption(const QStringList& arguments, int& i, CommandLine& cl, Seen& seen) {
    const QString& a = arguments.at(i);
    auto next = [&](QString* out) {
        if (i + 1 >= arguments.size())
            return false;
        *out = arguments.at(++i);
        return true;
    };
    for (const ValueOption& o : ValueOptions)
        if (a == QLatin1String(o.name)) {
            QString& value = o.value(cl);
            if (!next(&value) || (o.refusesEmpty && value.isEmpty()))
                return fail(cl, QString::fromUtf8(o.missing));
            seen.*o.seen = true;
            return true;
        }
    if (a == QLatin1String("--transferer")) {
        if (!next(&cl.transferFrom) || !next(&cl.transferTo) || cl.transferFrom.isEmpty() ||
            cl.transferTo.isEmpty())
            return fail(
                cl, QStringLiteral("--transferer attend la base source puis la base destination."));
        seen.transfer = true;
    } else if (a == QLatin1String("--essai")) {
        cl.dryRun = true;
        seen.importOption = true;
    } else if (a == QLatin1String("--demo")) {
        cl.create.demo = DemoOptions{};
        seen.demo = true;
    } else {
        return fail(cl, QStringLiteral("Option inconnue : %1").arg(shownAddress(a)));
    }
    return true;
}

// Why options seen together do not go together; empty when they do.
QString refusedCombination(const Seen& seen) {
    const bool creation = seen.create || seen.shop || seen.licence || seen.demo;
    if (seen.restore && creation)
        return QStringLiteral("--restaurer ne va pas avec --creer-base.");
    if (seen.transfer && (seen.restore || creation))
        return QStringLiteral("--transferer ne va avec aucune autre option.");
    if (seen.importOption && !seen.import)
        return QStringLiteral(
            "--correspondance, --doublons, --feuille et --essai vont avec --importer.");
    if (seen.import && (seen.transfer || seen.restore || creation))
        return QStringLiteral(
            "--importer ne va qu'avec --correspondance, --doublons, --feuille et --essai.");
    // Reached with none of the three above: the creation's options alone.
    if (!seen.create && creation)
        return QStringLiteral("--magasin, --licence et --demo vont avec --creer-base.");
    return {};
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine cl;
    Seen seen;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--aide") || a == QLatin1String("--help") ||
            a == QLatin1String("-h")) {
            cl.action = CommandLine::Action::Help;
            return cl;
        }
        if (a == QLatin1String("--version") || a == QLatin1String("-v")) {
            cl.action = CommandLine::Action::Version;
            return cl;
        }
        if (!readOption(arguments, i, cl, seen))
            return cl;
    }
    // A folder or a server address: "http://…" is neither, and would
    // otherwise be made into a local folder "http:".
    for (const QString* location :
         {&cl.create.folder, &cl.restoreFolder, &cl.transferFrom, &cl.transferTo})
        if (std::optional<DataError> refused = unknownScheme(*location)) {
            fail(cl, refused->text);
            return cl;
        }
    if (const QString refused = refusedCombination(seen); !refused.isEmpty()) {
        fail(cl, refused);
        return cl;
    }
    if (seen.import)
        cl.action = CommandLine::Action::Import;
    else if (seen.transfer)
        cl.action = CommandLine::Action::Transfer;
    else if (seen.restore)
        cl.action = CommandLine::Action::Restore;
    else if (seen.create)
        cl.action = CommandLine::Action::Create;
    return cl;
}

} // namespace vdn
