#include "support/soundness.h"

#include "support/fixture.h"

namespace vdn::test {

bool databaseSound(Connection& c) {
    if (!c.onServer())
        return scalar(c, QStringLiteral("PRAGMA integrity_check")).toString() ==
               QLatin1String("ok");
    for (const QString& table :
         {QStringLiteral("strspecif"), QStringLiteral("strclient"), QStringLiteral("strmateriel"),
          QStringLiteral("strpercage"), QStringLiteral("strparam")})
        if (!scalar(c, QStringLiteral("SELECT count(*) FROM ") + table).isValid())
            return false;
    return true;
}

} // namespace vdn::test
