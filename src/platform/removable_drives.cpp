#include "platform/removable_drives.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

namespace vdn {

std::optional<QString> RemovableDrives::folderOf(QChar letter) const {
    const QChar wanted = letter.toUpper();
    for (const DriveLetter& d : drives())
        if (d.letter == wanted)
            return d.folder;
    return std::nullopt;
}

namespace {

bool isDriveLetter(QChar c) {
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
}

void addLetter(QList<DriveLetter>& drives, QChar letter, const QString& folder) {
    for (const DriveLetter& d : drives)
        if (d.letter == letter)
            return;
    drives.append({letter, folder, {}});
    std::sort(drives.begin(), drives.end(),
              [](const DriveLetter& a, const DriveLetter& b) { return a.letter < b.letter; });
}

// Mount tables escape blanks, tabs, new lines and backslashes as \ooo.
QByteArray unescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out.append(
                char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return out;
}

bool isBelowRemovableRoot(const QString& mountPoint) {
    for (const char* root : {"/media/", "/run/media/", "/mnt/"}) {
        const QString prefix = QLatin1String(root);
        if (mountPoint.startsWith(prefix) && mountPoint.size() > prefix.size())
            return true;
    }
    return false;
}

} // namespace

void ScriptedRemovableDrives::set(QChar letter, const QString& folder) {
    const QChar upper = letter.toUpper();
    drives_.removeIf([upper](const DriveLetter& d) { return d.letter == upper; });
    addLetter(drives_, upper, folder);
}

QList<DriveLetter> parseDriveMap(const QString& map) {
    QList<DriveLetter> drives;
    for (const QString& raw : map.split(QLatin1Char(';'))) {
        const QString entry = raw.trimmed();
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString letter = entry.left(eq).trimmed().toUpper();
        const QString folder = entry.mid(eq + 1).trimmed();
        if (letter.size() != 1 || !isDriveLetter(letter.at(0)) || folder.isEmpty())
            continue;
        addLetter(drives, letter.at(0), folder);
    }
    return drives;
}

QList<DriveLetter> lettersForMounts(const QByteArray& mountsTable) {
    QStringList points;
    for (const QByteArray& line : mountsTable.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        const QString point = QString::fromLocal8Bit(unescapeMountField(fields.at(1)));
        if (isBelowRemovableRoot(point) && !points.contains(point))
            points.append(point);
    }
    std::sort(points.begin(), points.end());
    QList<DriveLetter> drives;
    char letter = 'E';
    for (const QString& point : points) {
        if (letter > 'Z')
            break;
        drives.append({QLatin1Char(letter++), point, {}});
    }
    return drives;
}

QList<DriveLetter> SystemRemovableDrives::drives() const {
    const QString map = qEnvironmentVariable(EnvironmentVariable);
    if (!map.trimmed().isEmpty())
        return parseDriveMap(map);
    return systemRemovableDrives();
}

} // namespace vdn
