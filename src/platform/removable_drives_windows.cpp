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
        const auto* rootName = reinterpret_cast<LPCWSTR>(root.utf16());
        if (GetDriveTypeW(rootName) != DRIVE_REMOVABLE)
            continue;
        // The volume's name as the Explorer shows it; none for an empty
        // card reader or a key without a name.
        wchar_t label[MAX_PATH + 1] = {};
        QString name;
        if (GetVolumeInformationW(rootName, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr,
                                  0))
            name = QString::fromWCharArray(label);
        if (name.isEmpty())
            name = QStringLiteral("disque amovible");
        out.append(DriveLetter{letter, QString(letter) + QStringLiteral(":/"), name});
    }
    return out;
}

} // namespace vdn
