#include "platform/places.h"

#include <QDir>

namespace vdn::places {

namespace {

// A folder named by an environment variable of every Windows session, or
// its usual place under the profile when the variable is missing.
QString knownFolder(const char* variable, const QString& underProfile) {
    QString base = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + underProfile;
    return base + QStringLiteral("/VORDAN");
}

} // namespace

QString userSettingsFolder() {
    return knownFolder("APPDATA", QStringLiteral("/AppData/Roaming"));
}

QString userDataFolder() {
    return knownFolder("LOCALAPPDATA", QStringLiteral("/AppData/Local"));
}

QString userSettingsFolderHint() {
    return QStringLiteral("%APPDATA%\\VORDAN\\");
}

QString passwordFile() {
    const QString named = qEnvironmentVariable("PGPASSFILE");
    if (!named.isEmpty())
        return named;
    QString appData = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    if (appData.isEmpty())
        appData = QDir::homePath() + QStringLiteral("/AppData/Roaming");
    return appData + QStringLiteral("/postgresql/pgpass.conf");
}

QString passwordFileHint() {
    return QStringLiteral("%APPDATA%\\postgresql\\pgpass.conf");
}

} // namespace vdn::places
