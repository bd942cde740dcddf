#pragma once

// Writing whole files in a test's temporary folders.

#include <QByteArray>
#include <QString>

class QProcessEnvironment;

namespace vdn::test {

// Writes the bytes as the whole file; false when it could not.
bool writeFile(const QString& path, const QByteArray& bytes);

// Makes `root` the user's settings root for this process (Linux's
// XDG_CONFIG_HOME, Windows' APPDATA) and returns the program's settings
// folder under it, where its CHEMIN.QZ goes (made).
QString useSettingsRoot(const QString& root);
// The same for a program started with `env`.
QString useSettingsRoot(const QString& root, QProcessEnvironment& env);

// Windows-1252 bytes as text, by the code page's own table (independent of
// the program's encoder and of the system's codecs).
QString fromWindows1252(const QByteArray& bytes);

} // namespace vdn::test
