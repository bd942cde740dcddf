#include "data/globals.h"

namespace vdn {

bool en_ajout = false;
bool en_modif = false;
QString chemin_base;
QString shop_name;

QString databasePath(const QString& base) {
    return base + QStringLiteral("vordan.mdb");
}

} // namespace vdn
