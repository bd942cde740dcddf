#pragma once

#include "data/data_error.h"

#include <QByteArray>
#include <QString>

namespace vdn {

// Name of the path file whose first line is the database folder prefix.
inline const QString PathFileName = QStringLiteral("CHEMIN.QZ");

// Where the path file is looked for: the program's folder first, then the
// user's configuration folder ($XDG_CONFIG_HOME/vordan, by default
// ~/.config/vordan). Returns the first that exists, or an empty text.
QString findPathFile(const QString& programFolder, const QString& configFolder);
// $XDG_CONFIG_HOME/vordan, or ~/.config/vordan.
QString userConfigFolder();

// chemin_base from the path file's content: its first line, trimmed of blanks.
// A UTF-8 byte order mark and CR LF line ends are accepted; a file that is not
// text, or whose first line is too long to be a path, is refused.
Result<QString> parsePathFile(const QByteArray& content, const QString& fileName);
Result<QString> readPathFile(const QString& fileName);
// The second line of the path file, trimmed (the folder of the files kept
// beside a server database); empty when there is none or it cannot be read.
QString readPathFileSecondLine(const QString& fileName);

} // namespace vdn
