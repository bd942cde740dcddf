// The file operations the backup, the restore and the database creation rely
// on, as each system's implementation gives them: run on Linux and, in the
// Windows build, under Wine.

#include "platform/file_system.h"
#include "platform/network_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using namespace vdn;

namespace {

bool write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

} // namespace

class TestFileSystem : public QObject {
    Q_OBJECT
private slots:
    void renames();
    void bytes_written_as_they_are();
    void listing();
    void network_mounts_data();
    void network_mounts();
};

// A replace takes the place of an existing file in one step; a placement
// never does, and says so with EEXIST.
void TestFileSystem::renames() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString a = dir.filePath(QStringLiteral("a")), b = dir.filePath(QStringLiteral("b"));
    const QString c = dir.filePath(QStringLiteral("c"));
    QVERIFY(write(a, "new") && write(b, "old"));
    QCOMPARE(files::replace(a, b), 0);
    QCOMPARE(read(b), QByteArray("new"));
    QVERIFY(!QFile::exists(a));

    QVERIFY(write(a, "other"));
    QCOMPARE(files::placeWithoutReplacing(a, b), EEXIST);
    QCOMPARE(read(b), QByteArray("new"));
    QCOMPARE(read(a), QByteArray("other"));
    QCOMPARE(files::placeWithoutReplacing(a, c), 0);
    QCOMPARE(read(c), QByteArray("other"));

    QCOMPARE(files::replace(dir.filePath(QStringLiteral("absent")), b), ENOENT);
    QVERIFY(!files::systemReason(ENOENT).isEmpty());
    QCOMPARE(files::link(b, dir.filePath(QStringLiteral("b2"))), 0);
    QCOMPARE(read(dir.filePath(QStringLiteral("b2"))), QByteArray("new"));
}

// A database is binary: written through a descriptor, an LF stays an LF and
// a 0x1A stays in the file.
void TestFileSystem::bytes_written_as_they_are() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray bytes("a\nb\r\nc\x1a"
                           "d\0e",
                           10);
    QCOMPARE(files::writeAll(f.handle(), bytes.constData(), bytes.size()), 0);
    QCOMPARE(files::flushDescriptor(f.handle()), 0);
    f.close();
    QCOMPARE(read(path), bytes);
    QCOMPARE(files::flushFile(path), 0);
    QCOMPARE(files::flushFile(dir.filePath(QStringLiteral("absent"))), ENOENT);
}

// Files only, and a folder that cannot be read is a failure, not an empty one.
void TestFileSystem::listing() {
    QTemporaryDir dir;
    QVERIFY(write(dir.filePath(QStringLiteral("VDN_A.MDB")), "x"));
    QVERIFY(write(dir.filePath(QStringLiteral("vordan.mdb")), "x"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sous-dossier")));
    QStringList names;
    QCOMPARE(files::listFiles(dir.path(), &names), 0);
    names.sort();
    QCOMPARE(names, QStringList({QStringLiteral("VDN_A.MDB"), QStringLiteral("vordan.mdb")}));
    names.clear();
    QCOMPARE(files::listFiles(dir.filePath(QStringLiteral("absent")), &names), ENOENT);
    QVERIFY(names.isEmpty());
}

void TestFileSystem::network_mounts_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("network");
    QTest::newRow("local root") << "/home/boutique/vordan" << false;
    QTest::newRow("nfs share") << "/srv/partage/vordan" << true;
    QTest::newRow("local mount inside the share") << "/srv/partage/local/base" << false;
    QTest::newRow("smb with a blank") << "/mnt/Mes Données/base" << true;
    QTest::newRow("prefix of a mount point is not inside") << "/srv/partagee/base" << false;
    QTest::newRow("the mount point itself") << "/mnt/Mes Données" << true;
}

void TestFileSystem::network_mounts() {
    QFETCH(QString, path);
    QFETCH(bool, network);
    const QByteArray mounts = "/dev/sda1 / ext4 rw 0 0\n"
                              "nas:/export /srv/partage nfs4 rw 0 0\n"
                              "/dev/sdb1 /srv/partage/local ext4 rw 0 0\n"
                              "//nas/donnees /mnt/Mes\\040Donn\xc3\xa9"
                              "es cifs rw 0 0\n";
    QCOMPARE(onNetworkMount(path, mounts), network);
}

QTEST_GUILESS_MAIN(TestFileSystem)
#include "tst_file_system.moc"
