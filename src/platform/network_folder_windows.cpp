#include "platform/network_folder.h"

#include <QDir>

#include <windows.h>

namespace vdn {

bool isNetworkFolder(const QString& folder) {
    const QString path = QDir::toNativeSeparators(QDir(folder).absolutePath());
    if (path.startsWith(QLatin1String("\\\\")))
        return true;
    if (path.size() < 2 || path.at(1) != QLatin1Char(':'))
        return false;
    const QString root = path.left(2) + QLatin1Char('\\');
    return GetDriveTypeW(reinterpret_cast<LPCWSTR>(root.utf16())) == DRIVE_REMOTE;
}

} // namespace vdn
