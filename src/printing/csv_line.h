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

// The same field, quoted as csvField quotes it and in Windows-1252, made
// straight from UTF-8 text (the database's own encoding) and appended to
// `out`. Returns false, with `out` left as it was, when the text is not
// well-formed UTF-8: such bytes are for the caller to decode as the engine
// does. Gives the bytes of toWindows1252(csvField(QString::fromUtf8(...)))
// for every well-formed text, without building a QString.
bool appendCsvFieldUtf8(const char* text, qsizetype size, QByteArray& out);

// One line of a comma-separated file: each field through csvField, joined by
// commas, ended by CR LF, in Windows-1252.
QByteArray csvLine(const QStringList& fields);

} // namespace vdn
