#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace vdn {

// Text in the Windows-1252 code page, as spreadsheet programs read a
// comma-separated file by default: Latin-1 plus the printable specials of
// 0x80-0x9F (€, Œ, œ, ’, … and the like). A character the code page lacks
// becomes "?".
QByteArray toWindows1252(QStringView text);
// The same, appended to a buffer (the export builds each line in one buffer).
void appendWindows1252(QStringView text, QByteArray& out);

// One field of a comma-separated line: unchanged, or between double quotes
// (inner quotes doubled) when it holds a comma, a double quote or a line
// break, so that it cannot shift the columns after it.
QString csvField(const QString& value);

// One line of a comma-separated file: each field through csvField, joined by
// commas, ended by CR LF, in Windows-1252.
QByteArray csvLine(const QStringList& fields);

} // namespace vdn
