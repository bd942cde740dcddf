#include "platform/removable_drives.h"

#include <QFile>

namespace vdn {

QList<DriveLetter> systemRemovableDrives() {
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return {};
    // A procfs file reports no size: read it to its end.
    return lettersForMounts(mounts.readAll());
}

} // namespace vdn
