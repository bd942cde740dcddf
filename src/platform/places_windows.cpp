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

QString userFile(const QString&, const QString& appDataFile) {
    QString appData = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    if (appData.isEmpty())
        appData = QDir::homePath() + QStringLiteral("/AppData/Roaming");
    return appData + QLatin1Char('/') + appDataFile;
}

QString userFileHint(const QString&, const QString& appDataFile) {
    return QStringLiteral("%APPDATA%\\") + QDir::toNativeSeparators(appDataFile);
}

} // namespace vdn::places
