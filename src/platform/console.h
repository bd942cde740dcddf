#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

namespace vdn::console {

// The program's arguments as typed, whatever the characters (on Windows,
// from the system's wide command line rather than the code page's bytes).
QStringList arguments(int argc, char* argv[]);

// Gives a window program started from a command prompt that prompt's output
// (Windows; nothing to do elsewhere), so that --aide, --version and the
// command-line tasks show what they print.
void useParentConsole();

// Writes `text` to stdout or stderr in the characters the reader expects: a
// console gets it as text, a file or pipe in UTF-8 (the locale's on Linux).
void write(std::FILE* stream, const QString& text);

} // namespace vdn::console
