#pragma once

#include <QString>
#include <QStringList>

namespace vdn {

// The file operations whose guarantees differ between systems: a rename that
// replaces its target in one step, a write that is on the drive before it is
// called done, a folder listing whose own failure is seen. Each returns 0 or
// an error number of <cerrno> (ENOENT, EACCES, ENOSPC, EEXIST …), so that the
// callers speak of failures the same way on every system.
namespace files {

// The system's text for an error number of these functions.
QString systemReason(int error);

// Renames `from` to `to`, replacing `to` in one step when it exists. Where
// another program (an antivirus, an indexer) holds either file for a moment,
// tries again for a few seconds before giving up.
int replace(const QString& from, const QString& to);

// Renames `from` to `to` only if `to` does not exist (EEXIST otherwise), in
// one step: two programs placing the same name never both succeed.
int placeWithoutReplacing(const QString& from, const QString& to);

// A second name for an existing file (a hard link); fails where the drive
// has none (FAT, most network shares).
int link(const QString& existing, const QString& newName);

// Writes all of `size` bytes to an open file descriptor, as they are (no line
// end translation), going on after interruptions.
int writeAll(int descriptor, const char* data, qint64 size);

// Puts what was written through a descriptor on the drive.
int flushDescriptor(int descriptor);

// Puts a closed file's content on the drive.
int flushFile(const QString& path);

// Makes the renames and creations in a folder durable where the system needs
// it; failures are not reported (the files themselves were flushed).
void flushFolder(const QString& folder);

// The names of the regular files of a folder (links followed), or the
// listing's own failure: a folder that cannot be read is never taken for one
// without files.
int listFiles(const QString& folder, QStringList* names);

} // namespace files
} // namespace vdn
