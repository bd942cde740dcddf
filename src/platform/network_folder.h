#pragma once

#include <QByteArray>
#include <QString>

namespace vdn {

// Whether a folder lies on another computer's share: a \\server\share path
// or a mapped network drive on Windows, an NFS or SMB mount on Linux. An
// SQLite base there is at risk when two computers write to it.
bool isNetworkFolder(const QString& folder);

// Whether `path` lies on a network file system according to a mounts table
// (the format of /proc/self/mounts): the longest mount point holding it
// decides.
bool onNetworkMount(const QString& path, const QByteArray& mountsTable);

} // namespace vdn
