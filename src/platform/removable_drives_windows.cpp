#include "platform/removable_drives.h"

#include <windows.h>

namespace vdn {

QList<DriveLetter> systemRemovableDrives() {
    QList<DriveLetter> out;
    const DWORD letters = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(letters & (1u << i)))
            continue;
        const QChar letter(QLatin1Char(char('A' + i)));
        const QString root = QString(letter) + QStringLiteral(":\\");
        if (GetDriveTypeW(reinterpret_cast<LPCWSTR>(root.utf16())) == DRIVE_REMOVABLE)
            out.append(DriveLetter{letter, QString(letter) + QStringLiteral(":/")});
    }
    return out;
}

} // namespace vdn
