#include "data/engine_causes.h"

#include <array>

namespace vdn {

namespace {

struct Cause {
    const char* engine;
    const char* code;
    const char* text;
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
};

const char* find(const QString& engine, const QString& code) {
    for (const Cause& c : Causes)
        if (engine == QLatin1String(c.engine) && code == QLatin1String(c.code))
            return c.text;
    return nullptr;
}

} // namespace

QString engineCause(const QString& engine, const QString& code) {
    const char* text = find(engine, code);
    // A SQLSTATE has five characters, its class the first two.
    if (!text && code.size() == 5)
        text = find(engine, code.left(2));
    return QString::fromUtf8(text ? text : "La base de données a refusé l'opération.");
}

} // namespace vdn
