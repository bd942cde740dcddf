#pragma once

#include <QChar>
#include <QList>
#include <QString>

#include <optional>

namespace vdn {

// A drive letter and the folder it stands for.
struct DriveLetter {
    QChar letter; // 'A' .. 'Z'
    QString folder;
    // What the backup panel shows after the letter, when not the folder: the
    // volume's name on Windows, where the folder is the letter itself.
    QString shownName = {};

    bool operator==(const DriveLetter&) const = default;
};

// The removable drives the backup can write to, named by a letter as users of
// the older program know them ("E", "F" ...).
class RemovableDrives {
public:
    virtual ~RemovableDrives() = default;
    // Every letter in use, in letter order.
    virtual QList<DriveLetter> drives() const = 0;
    // The folder a letter (either case) stands for, if any.
    std::optional<QString> folderOf(QChar letter) const;
};

// Letters come from the environment variable VORDAN_LECTEURS
// ("E=/media/jean/CLE;F=/mnt/sauvegarde"). Without it, from the system
// (systemRemovableDrives), asked on every call so that a key plugged in later
// is seen.
class SystemRemovableDrives : public RemovableDrives {
public:
    static constexpr const char* EnvironmentVariable = "VORDAN_LECTEURS";
    QList<DriveLetter> drives() const override;
};

// The removable drives the system has now: on Linux the volumes mounted below
// /media, /run/media and /mnt (read from /proc/self/mounts, lettered from E);
// on Windows the drive letters whose drive is removable (a USB key, a card).
QList<DriveLetter> systemRemovableDrives();

// A fixed list of letters, for tests.
class ScriptedRemovableDrives : public RemovableDrives {
public:
    void set(QChar letter, const QString& folder);
    void clear() { drives_.clear(); }
    QList<DriveLetter> drives() const override { return drives_; }

private:
    QList<DriveLetter> drives_;
};

// "E=/media/jean/CLE;F=/mnt/sauvegarde": letters in either case, blanks around
// entries ignored; an entry that is not a letter, '=' and a folder is skipped,
// and a letter given twice keeps its first folder.
QList<DriveLetter> parseDriveMap(const QString& map);

// The mount points below /media, /run/media and /mnt listed in a mounts table
// (the format of /proc/self/mounts), lettered from E in path order. Octal
// escapes of the table ("\040" for a blank) are decoded.
QList<DriveLetter> lettersForMounts(const QByteArray& mountsTable);

} // namespace vdn
