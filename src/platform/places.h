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

// A file of the user's own that a program from Unix reads (a database
// client's password file), where the system's custom keeps it: `dotFile`
// in the home folder ($HOME) on Linux, `appDataFile` (a path written with
// '/') under the roaming application data (%APPDATA%) on Windows. The
// program names the file; this says where it lives.
QString userFile(const QString& dotFile, const QString& appDataFile);
// The same, as the help and the messages name it: ~/dotFile, or
// %APPDATA%\appDataFile.
QString userFileHint(const QString& dotFile, const QString& appDataFile);

} // namespace vdn::places
