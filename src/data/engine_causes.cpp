#include "data/engine_causes.h"

#include <array>

namespace vdn {

namespace {

struct Cause {
    const char* engine;
    const char* code;
    const char* text;
    int number = 0; // VORDAN's number for the code (server engines)
};

const char* const Busy =
    "La base de données est utilisée par un autre programme : fermez-le puis réessayez.";
const char* const ReadOnly =
    "Le fichier de la base de données ou son dossier est en lecture seule : il faut le droit "
    "d'y écrire.";

// One line per engine result that a shop meets; add a second engine's lines
// beside SQLite's.
const std::array Causes{
    Cause{"QSQLITE", "5", Busy},  // SQLITE_BUSY
    Cause{"QSQLITE", "6", Busy},  // SQLITE_LOCKED
    Cause{"QSQLITE", "15", Busy}, // SQLITE_PROTOCOL: the locks changed hands too often
    Cause{"QSQLITE", "13", "Le disque est plein : libérez de la place puis réessayez."},
    Cause{"QSQLITE", "8", ReadOnly}, // SQLITE_READONLY
    Cause{"QSQLITE", "3", ReadOnly}, // SQLITE_PERM
    Cause{"QSQLITE", "11", "Le fichier de la base de données est endommagé."},
    Cause{"QSQLITE", "26", "Le fichier n'est pas une base de données VORDAN."},
    Cause{"QSQLITE", "14", "La base de données ne peut pas être ouverte."},
    Cause{"QSQLITE", "10",
          "Le disque n'a pas pu être lu ou écrit (disque retiré, plein ou défectueux)."},
    Cause{"QSQLITE", "7", "La mémoire manque pour terminer l'opération."},
    Cause{"QSQLITE", "18", "Une valeur est trop grande pour la base de données."},
    Cause{"QSQLITE", "19", "La base de données refuse cette valeur (elle existe déjà ?)."},
    // PostgreSQL: by SQLSTATE class (two characters), a few codes of their own.
    Cause{"QPSQL", "08",
          "Le serveur de base de données ne répond pas (serveur arrêté ou réseau coupé) : "
          "vérifiez qu'il est démarré et joignable, puis réessayez.",
          8008},
    Cause{"QPSQL", "28",
          "Le serveur de base de données refuse la connexion de ce rôle (rôle inconnu, mot de "
          "passe absent ou faux : voir ~/.pgpass et pg_hba.conf).",
          8028},
    Cause{"QPSQL", "3D",
          "La base de données n'existe pas sur le serveur : vérifiez son nom dans CHEMIN.QZ.",
          8030},
    Cause{"QPSQL", "42501",
          "Le rôle n'a pas les droits nécessaires sur la base de données du serveur.", 8043},
    Cause{"QPSQL", "42",
          "La base de données du serveur a refusé l'instruction (table ou colonne absente : "
          "est-ce une base VORDAN ?).",
          8042},
    Cause{"QPSQL", "23", "La base de données refuse cette valeur (elle existe déjà ?).", 8023},
    Cause{"QPSQL", "22",
          "Une valeur ne convient pas à la base de données (trop grande ou mal formée).", 8022},
    Cause{"QPSQL", "25", "L'opération en cours sur le serveur a échoué : réessayez.", 8025},
    Cause{"QPSQL", "40", "Un autre poste modifiait les mêmes données au même moment : réessayez.",
          8040},
    Cause{"QPSQL", "53",
          "Le serveur de base de données manque de place ou de mémoire : prévenez la personne "
          "qui s'en occupe.",
          8053},
    Cause{"QPSQL", "54", "Une valeur ou une instruction dépasse les limites du serveur.", 8054},
    Cause{"QPSQL", "55", Busy, 8055},
    Cause{"QPSQL", "57",
          "Le serveur de base de données s'arrête ou démarre : réessayez dans un instant.", 8057},
    Cause{"QPSQL", "58",
          "Le serveur de base de données n'a pas pu lire ou écrire ses propres fichiers.", 8058},
    Cause{"QPSQL", "0A",
          "Le serveur de base de données ne sait pas faire cette opération (version trop "
          "ancienne : VORDAN demande PostgreSQL 13 ou plus récent).",
          8010},
    Cause{"QPSQL", "XX",
          "Le serveur de base de données signale une erreur interne (données endommagées ?).",
          8099},
};

const Cause* find(const QString& engine, const QString& code) {
    for (const Cause& c : Causes)
        if (engine == QLatin1String(c.engine) && code == QLatin1String(c.code))
            return &c;
    return nullptr;
}

const Cause* findWithClass(const QString& engine, const QString& code) {
    const Cause* cause = find(engine, code);
    // A SQLSTATE has five characters, its class the first two.
    if (!cause && code.size() == 5)
        cause = find(engine, code.left(2));
    return cause;
}

} // namespace

QString engineCause(const QString& engine, const QString& code) {
    const Cause* cause = findWithClass(engine, code);
    return QString::fromUtf8(cause ? cause->text : "La base de données a refusé l'opération.");
}

int serverErrorNumber(const QString& sqlState) {
    const Cause* cause = findWithClass(PostgresEngine, sqlState);
    return cause && cause->number ? cause->number : ServerErrorOther;
}

} // namespace vdn
