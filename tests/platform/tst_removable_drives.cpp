#include "platform/removable_drives.h"

#include <QTest>

using namespace vdn;

Q_DECLARE_METATYPE(QList<DriveLetter>)

namespace {

QList<DriveLetter> drives(std::initializer_list<std::pair<char, const char*>> list) {
    QList<DriveLetter> out;
    for (const auto& [letter, folder] : list)
        out.append({QLatin1Char(letter), QString::fromUtf8(folder), {}});
    return out;
}

} // namespace

namespace QTest {
template <> char* toString(const QList<DriveLetter>& list) {
    QStringList parts;
    for (const DriveLetter& d : list)
        parts << QStringLiteral("%1=%2").arg(d.letter, d.folder);
    return qstrdup(qPrintable(parts.join(QLatin1Char(';'))));
}
} // namespace QTest

class TestRemovableDrives : public QObject {
    Q_OBJECT
private slots:
    void drive_map_data();
    void drive_map();
    void mounts_data();
    void mounts();
    void environment_wins_over_mounts();
};

void TestRemovableDrives::drive_map_data() {
    QTest::addColumn<QString>("map");
    QTest::addColumn<QList<DriveLetter>>("expected");
    QTest::newRow("two letters") << "E=/media/jean/CLE;F=/mnt/sauvegarde"
                                 << drives({{'E', "/media/jean/CLE"}, {'F', "/mnt/sauvegarde"}});
    QTest::newRow("small letter, blanks, trailing ;")
        << " f = /mnt/ma sauvegarde ; " << drives({{'F', "/mnt/ma sauvegarde"}});
    QTest::newRow("listed in letter order") << "G=/g;E=/e" << drives({{'E', "/e"}, {'G', "/g"}});
    QTest::newRow("first of a letter given twice") << "E=/un;e=/deux" << drives({{'E', "/un"}});
    QTest::newRow("malformed entries skipped")
        << "E;=/x;EF=/y;1=/z;É=/a;H=;I=/ok=1" << drives({{'I', "/ok=1"}});
    QTest::newRow("empty") << "" << QList<DriveLetter>{};
}

void TestRemovableDrives::drive_map() {
    QFETCH(QString, map);
    QFETCH(QList<DriveLetter>, expected);
    QCOMPARE(parseDriveMap(map), expected);
}

void TestRemovableDrives::mounts_data() {
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QList<DriveLetter>>("expected");
    const QByteArray system = "/dev/sda1 / ext4 rw,relatime 0 0\n"
                              "proc /proc proc rw 0 0\n"
                              "tmpfs /run tmpfs rw 0 0\n"
                              "/dev/sdc1 /mnt ext4 rw 0 0\n"
                              "/dev/sdd1 /mediatheque ext4 rw 0 0\n";
    QTest::newRow("nothing removable") << system << QList<DriveLetter>{};
    QTest::newRow("lettered from E in path order")
        << system + "/dev/sdb1 /media/jean/CLE vfat rw 0 0\n"
                    "/dev/sde1 /run/media/marie/USB vfat rw 0 0\n"
                    "/dev/sdf1 /mnt/sauvegarde ext4 rw 0 0\n"
                    "/dev/sdg1 /media/jean/ARCHIVE vfat rw 0 0\n"
        << drives({{'E', "/media/jean/ARCHIVE"},
                   {'F', "/media/jean/CLE"},
                   {'G', "/mnt/sauvegarde"},
                   {'H', "/run/media/marie/USB"}});
    QTest::newRow("escaped blank, mounted twice")
        << QByteArray("/dev/sdb1 /media/jean/MA\\040CLE vfat rw 0 0\n"
                      "/dev/sdb1 /media/jean/MA\\040CLE vfat rw 0 0\n"
                      "/dev/sdh1 /media/jean/CL\\303\\211 vfat rw 0 0")
        << drives({{'E', "/media/jean/CLÉ"}, {'F', "/media/jean/MA CLE"}});
}

void TestRemovableDrives::mounts() {
    QFETCH(QByteArray, table);
#ifdef Q_OS_WIN
    // Linux's mount table names folders in the locale's encoding, UTF-8 on
    // Linux but not on Windows, where no mount table is read.
    if (table.contains("\\303"))
        QSKIP("a Linux mount table's non-ASCII names are read as Linux does");
#endif
    QFETCH(QList<DriveLetter>, expected);
    QCOMPARE(lettersForMounts(table), expected);
}

void TestRemovableDrives::environment_wins_over_mounts() {
    const QByteArray saved = qgetenv(SystemRemovableDrives::EnvironmentVariable);
    const bool had = qEnvironmentVariableIsSet(SystemRemovableDrives::EnvironmentVariable);
    qputenv(SystemRemovableDrives::EnvironmentVariable, "e=/srv/cle;Z=/srv/autre");
    SystemRemovableDrives system;
    QCOMPARE(system.drives(), drives({{'E', "/srv/cle"}, {'Z', "/srv/autre"}}));
    QCOMPARE(system.folderOf(QLatin1Char('e')), std::optional<QString>(QStringLiteral("/srv/cle")));
    QCOMPARE(system.folderOf(QLatin1Char('F')), std::optional<QString>());
    if (had)
        qputenv(SystemRemovableDrives::EnvironmentVariable, saved);
    else
        qunsetenv(SystemRemovableDrives::EnvironmentVariable);
}

QTEST_GUILESS_MAIN(TestRemovableDrives)
#include "tst_removable_drives.moc"
