#include "platform/places.h"

#include <QDir>

namespace vdn::places {

namespace {

// An XDG base folder, or its default under the home folder when the
// variable is unset or not absolute.
QString xdgFolder(const char* variable, const QString& underHome) {
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + underHome;
    return base + QStringLiteral("/vordan");
}

} // namespace

QString userSettingsFolder() {
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString userDataFolder() {
    return xdgFolder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

QString userSettingsFolderHint() {
    return QStringLiteral("$XDG_CONFIG_HOME/vordan/, par défaut ~/.config/vordan/");
}

QString userFile(const QString& dotFile, const QString&) {
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        home = QDir::homePath();
    return QDir(home).filePath(dotFile);
}

QString userFileHint(const QString& dotFile, const QString&) {
    return QStringLiteral("~/") + dotFile;
}

} // namespace vdn::places
