#pragma once

#include <QString>

namespace vdn::places {

// The user's own folder for VORDAN's settings (the path file when it is not
// beside the program): $XDG_CONFIG_HOME/vordan (by default ~/.config/vordan)
// on Linux, %APPDATA%\VORDAN on Windows.
QString userSettingsFolder();

// Where the first start proposes a new database: $XDG_DATA_HOME/vordan (by
// default ~/.local/share/vordan) on Linux, %LOCALAPPDATA%\VORDAN on Windows.
QString userDataFolder();

// How the settings folder is written in the help text, before it is known.
QString userSettingsFolderHint();

// The file libpq reads the server's passwords from: the one named by
// PGPASSFILE, else ~/.pgpass on Linux, %APPDATA%\postgresql\pgpass.conf on
// Windows.
QString passwordFile();
// The same, as the help and the messages name it.
QString passwordFileHint();

} // namespace vdn::places
