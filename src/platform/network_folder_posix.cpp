#include "platform/network_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vdn {

bool isNetworkFolder(const QString& folder) {
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return false;
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return onNetworkMount(canonical.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath())
                                              : canonical,
                          mounts.readAll());
}

} // namespace vdn
