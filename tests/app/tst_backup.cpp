// ctest-systems: linux
#include "app/backup.h"
#include "app/startup.h"
#include "app/vdn_menu.h"
#include "data/connection.h"
#include "platform/removable_drives.h"
#include "support/files.h"
#include "support/fixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cerrno>
#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

using namespace vdn;

using test::writeFile;

namespace {

const QString Start = QStringLiteral("Sauvegarde de l'ensemble de vos données");
const QString Done = QStringLiteral("sauvegarde terminée");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The main window on a demo data folder, with drive E standing for a
// temporary folder.
struct Shop {
    Shop() : folder(options()) {
        drives.set(QLatin1Char('E'), drive.path());
        Services s = folder.services();
        s.drives = &drives;
        info = folder.startupInfo();
        menu = std::make_unique<VdnMenu>(s, info);
        menu->show();
        menu->activateWindow();
    }
    static test::DataFolder::Options options() {
        test::DataFolder::Options o;
        o.demo = DemoOptions{};
        return o;
    }
    bool ok() { return folder.ok() && drive.isValid() && QTest::qWaitForWindowActive(menu.get()); }
    template <class T> T* find(const char* name) const {
        return menu->findChild<T*>(QLatin1String(name));
    }
    QString dataFile(const QString& name) const { return folder.folder() + name; }
    QString driveFile(const QString& name) const { return QDir(drive.path()).filePath(name); }

    // "&Sauvegarde USB", the letter typed, then the button.
    void backUp(const QString& letter) {
        find<QAction>("mnu_fic_usb")->trigger();
        auto* txtdisk = find<QLineEdit>("txtdisk");
        txtdisk->setFocus(Qt::MouseFocusReason);
        txtdisk->clear();
        test::typeText(txtdisk, letter);
        QTest::mouseClick(find<QToolButton>("cmdok"), Qt::LeftButton);
    }

    test::DataFolder folder;
    QTemporaryDir drive;
    ScriptedRemovableDrives drives;
    StartupInfo info;
    std::unique_ptr<VdnMenu> menu;
};

int customerCount(Connection& c) {
    return test::scalar(c, QStringLiteral("SELECT count(*) FROM strclient")).toInt();
}

// Lowers the largest file this process may write, as a full drive would,
// and puts the limit back when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN); // a write fails, EFBIG
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
    bool ok_ = false;
};

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void data_files_and_database_copied();
    void refused_letters_data();
    void refused_letters();
    void no_matching_file_copies_the_database_only();
    void snapshot_while_another_connection_writes();
    void write_in_progress_is_never_copied_half_done();
    void full_drive_keeps_previous_backup();
    void unwritable_drive_and_unreadable_file();
    void data_folder_that_cannot_be_listed();
    void tri_rule_applies_to_the_whole_name();
};

void TestBackup::data_files_and_database_copied() {
    Shop shop;
    QVERIFY(shop.ok());
    // Names matching VDN_*.MDB in any case are copied; the others are not.
    const QStringList copied{"VDN_A.MDB", "vdn_b.mdb", "VDN_tri.MDB", "Vdn_Stock.Mdb"};
    const QStringList ignored{"tri.MDB",   "TRI_X.MDB", "Tri_Y.MDB", "VDN_C.MDB.bak",
                              "notes.txt", "VDN.MDB",   "XVDN_D.MDB"};
    for (const QString& name : copied + ignored)
        QVERIFY(writeFile(shop.dataFile(name), name.toUtf8() + " nouveau"));
    // A previous backup is replaced.
    QVERIFY(writeFile(shop.driveFile("VDN_A.MDB"), "ancien"));
    QVERIFY(writeFile(shop.driveFile("vordan.mdb"), "ancienne base"));

    shop.find<QAction>("mnu_fic_usb")->trigger();
    auto* frame5 = shop.find<QGroupBox>("Frame5");
    QVERIFY(frame5->isVisible());
    QCOMPARE(frame5->title(), QStringLiteral("Saisir la lettre du disque amovible"));
    QVERIFY(shop.find<QLabel>("driveLetters")->text().contains("E: = " + shop.drive.path()));
    // The letter shows in capitals once the box is left.
    auto* txtdisk = shop.find<QLineEdit>("txtdisk");
    txtdisk->setFocus(Qt::MouseFocusReason);
    test::typeText(txtdisk, QStringLiteral("ez"));
    QCOMPARE(txtdisk->text(), QStringLiteral("e"));
    QTest::keyClick(txtdisk, Qt::Key_Tab);
    QCOMPARE(txtdisk->text(), QStringLiteral("E"));

    shop.folder.boxes.expectMessage(Start);
    shop.folder.boxes.expectMessage(Done);
    QTest::mouseClick(shop.find<QToolButton>("cmdok"), Qt::LeftButton);
    VDN_CHECK_BOXES(shop.folder);
    QVERIFY(frame5->isHidden());
    QCOMPARE(shop.folder.pointer.busyCount(), 1);
    QVERIFY(!shop.folder.pointer.isBusy());

    QStringList expected = copied;
    expected << "vordan.mdb";
    expected.sort();
    QStringList found = filesIn(shop.drive.path());
    found.sort();
    QCOMPARE(found, expected); // nothing else, no temporary file left
    for (const QString& name : copied) {
        QCOMPARE(readAll(shop.driveFile(name)), name.toUtf8() + " nouveau");
        QCOMPARE(QFileInfo(shop.driveFile(name)).permissions(),
                 QFileInfo(shop.dataFile(name)).permissions());
    }
    QCOMPARE(QFileInfo(shop.driveFile("vordan.mdb")).permissions(),
             QFileInfo(shop.folder.databaseFile()).permissions());
    auto copy = Connection::open(shop.driveFile("vordan.mdb"));
    QVERIFY(copy.ok());
    QCOMPARE(customerCount(**copy), 40);
}

void TestBackup::refused_letters_data() {
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << ""
                           << "Aucune lettre";
    QTest::newRow("blank") << " "
                           << "Aucune lettre";
    QTest::newRow("no such drive") << "q"
                                   << "Lecteur Q: introuvable";
    QTest::newRow("drive not plugged in") << "F"
                                          << "Lecteur F: introuvable";
    QTest::newRow("not a letter") << "%"
                                  << "Lecteur %: introuvable";
    QTest::newRow("the data folder")
        << "D"
        << "Le lecteur D: est le dossier de vos données ; choisissez un autre lecteur "
           "pour la sauvegarde";
}

void TestBackup::refused_letters() {
    QFETCH(QString, letter);
    QFETCH(QString, message);
    Shop shop;
    QVERIFY(shop.ok());
    shop.drives.set(QLatin1Char('F'), shop.drive.path() + "/absente");
    shop.drives.set(QLatin1Char('D'), shop.folder.folder());
    QVERIFY(writeFile(shop.dataFile("VDN_A.MDB"), "a"));
    const QByteArray database = readAll(shop.folder.databaseFile());
    const QStringList dataFiles = filesIn(shop.folder.folder());
    shop.folder.boxes.expectMessage(message);
    shop.backUp(letter);
    VDN_CHECK_BOXES(shop.folder);
    QVERIFY(shop.find<QGroupBox>("Frame5")->isHidden());
    QCOMPARE(shop.folder.pointer.busyCount(), 0);
    QVERIFY(filesIn(shop.drive.path()).isEmpty());
    QCOMPARE(filesIn(shop.folder.folder()), dataFiles);
    QCOMPARE(readAll(shop.folder.databaseFile()), database);
}

void TestBackup::no_matching_file_copies_the_database_only() {
    Shop shop;
    QVERIFY(shop.ok());
    QVERIFY(writeFile(shop.dataFile("tri.MDB"), "t"));
    shop.folder.boxes.expectMessage(Start);
    shop.folder.boxes.expectMessage(Done);
    shop.backUp(QStringLiteral("E"));
    VDN_CHECK_BOXES(shop.folder);
    QCOMPARE(filesIn(shop.drive.path()), QStringList{"vordan.mdb"});
}

void TestBackup::snapshot_while_another_connection_writes() {
    Shop shop;
    QVERIFY(shop.ok());
    // Another window holds the database open, in the middle of a write.
    auto other = shop.folder.connect();
    QVERIFY(other);
    QVERIFY(other->db().transaction());
    QSqlQuery insert(other->db());
    QVERIFY(insert.exec(QStringLiteral("INSERT INTO strclient (clt_cod, clt_nom) "
                                       "VALUES ('999999', 'PAS ENCORE ENREGISTRE')")));
    QVERIFY(insert.exec(QStringLiteral("UPDATE strclient SET clt_nom = 'CHANGE'")));

    shop.folder.boxes.expectMessage(Start);
    shop.folder.boxes.expectMessage(Done);
    shop.backUp(QStringLiteral("E"));
    VDN_CHECK_BOXES(shop.folder);
    QVERIFY(other->db().commit());

    // The copy is a sound database holding the committed state, whole.
    auto copy = Connection::open(shop.driveFile("vordan.mdb"));
    QVERIFY(copy.ok());
    QCOMPARE(test::scalar(**copy, QStringLiteral("PRAGMA integrity_check")).toString(),
             QStringLiteral("ok"));
    QCOMPARE(customerCount(**copy), 40);
    QCOMPARE(test::scalar(**copy, QStringLiteral("SELECT count(*) FROM strclient WHERE "
                                                 "clt_nom = 'CHANGE'"))
                 .toInt(),
             0);
    for (const char* table : {"strmateriel", "strpercage", "strparam", "strspecif"}) {
        const QString count = QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table));
        QCOMPARE(test::scalar(**copy, count).toInt(), test::scalar(*other, count).toInt());
    }
    QVERIFY(test::scalar(**copy, QStringLiteral("SELECT count(*) FROM strmateriel")).toInt() > 0);
}

void TestBackup::write_in_progress_is_never_copied_half_done() {
    Shop shop;
    QVERIFY(shop.ok());
    QVERIFY(writeFile(shop.driveFile("vordan.mdb"), "ancienne base"));
    // A large write overflows the other connection's page cache, so the
    // database file itself already holds uncommitted pages; a plain copy of
    // the file now would save them.
    auto other = shop.folder.connect();
    QVERIFY(other);
    QVERIFY(other->execute(QStringLiteral("PRAGMA cache_size = 1")).ok());
    QVERIFY(other->db().transaction());
    QSqlQuery update(other->db());
    QVERIFY(update.exec(QStringLiteral("UPDATE strclient SET clt_nom = 'CHANGE', "
                                       "clt_memo = printf('%.5000c', 'x')")));
    const QByteArray raw = readAll(shop.folder.databaseFile());
    QVERIFY(raw.contains("CHANGE")); // the file is mid-write

    shop.folder.boxes.setAnswerAll(true);
    shop.backUp(QStringLiteral("E"));
    QCOMPARE(shop.folder.boxes.shown().size(), 2);
    const QString end = shop.folder.boxes.shown().at(1).text;
    QVERIFY2(end.startsWith(QStringLiteral("Sauvegarde incomplète :\nvordan.mdb : lecture "
                                           "impossible (")),
             qPrintable(end));
    QCOMPARE(readAll(shop.driveFile("vordan.mdb")), QByteArray("ancienne base"));
    QVERIFY(!shop.folder.pointer.isBusy());

    // Once the write is over, the backup holds it.
    other->db().rollback();
    shop.folder.boxes.clear();
    shop.backUp(QStringLiteral("E"));
    QCOMPARE(shop.folder.boxes.shown().size(), 2);
    QCOMPARE(shop.folder.boxes.shown().at(1).text, Done);
    auto copy = Connection::open(shop.driveFile("vordan.mdb"));
    QVERIFY(copy.ok());
    QCOMPARE(customerCount(**copy), 40);
    QCOMPARE(test::scalar(**copy, QStringLiteral("SELECT count(*) FROM strclient WHERE "
                                                 "clt_nom = 'CHANGE'"))
                 .toInt(),
             0);
}

void TestBackup::full_drive_keeps_previous_backup() {
    Shop shop;
    QVERIFY(shop.ok());
    const QByteArray big(128 * 1024, 'B');
    QVERIFY(writeFile(shop.dataFile("VDN_BIG.MDB"), big));
    QVERIFY(writeFile(shop.dataFile("VDN_SMALL.MDB"), "petit"));
    QVERIFY(writeFile(shop.driveFile("VDN_BIG.MDB"), "ancien gros"));
    QVERIFY(writeFile(shop.driveFile("vordan.mdb"), "ancienne base"));
    QVERIFY(QFileInfo(shop.folder.databaseFile()).size() > 32 * 1024);

    QStringList shown;
    {
        FileSizeLimit full(32 * 1024);
        QVERIFY(full.ok());
        shop.folder.boxes.setAnswerAll(true);
        shop.backUp(QStringLiteral("E"));
    }
    for (const auto& box : shop.folder.boxes.shown())
        shown << box.text;
    QCOMPARE(shown,
             (QStringList{Start, "Sauvegarde incomplète :\n"
                                 "vordan.mdb : écriture impossible (fichier trop gros pour ce "
                                 "disque)\n"
                                 "VDN_BIG.MDB : écriture impossible (fichier trop gros pour ce "
                                 "disque)"}));
    QVERIFY(!shop.folder.pointer.isBusy());

    // The previous backup of each failed file is intact, the file that fitted
    // is copied, and no partial file is left behind.
    QCOMPARE(readAll(shop.driveFile("VDN_BIG.MDB")), QByteArray("ancien gros"));
    QCOMPARE(readAll(shop.driveFile("vordan.mdb")), QByteArray("ancienne base"));
    QCOMPARE(readAll(shop.driveFile("VDN_SMALL.MDB")), QByteArray("petit"));
    QCOMPARE(filesIn(shop.drive.path()),
             (QStringList{"VDN_BIG.MDB", "VDN_SMALL.MDB", "vordan.mdb"}));
}

void TestBackup::unwritable_drive_and_unreadable_file() {
    if (::geteuid() == 0)
        QSKIP("permissions do not bind the superuser");
    Shop shop;
    QVERIFY(shop.ok());
    QVERIFY(writeFile(shop.dataFile("VDN_A.MDB"), "a"));
    QVERIFY(writeFile(shop.driveFile("VDN_A.MDB"), "ancien"));
    QVERIFY(QFile::setPermissions(shop.drive.path(), QFile::ReadOwner | QFile::ExeOwner));
    shop.folder.boxes.setAnswerAll(true);
    shop.backUp(QStringLiteral("E"));
    QVERIFY(QFile::setPermissions(shop.drive.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(shop.folder.boxes.shown().size(), 2);
    QCOMPARE(shop.folder.boxes.shown().at(1).text,
             QStringLiteral("Sauvegarde incomplète :\n"
                            "vordan.mdb : écriture impossible (accès refusé)\n"
                            "VDN_A.MDB : écriture impossible (accès refusé)"));
    QCOMPARE(readAll(shop.driveFile("VDN_A.MDB")), QByteArray("ancien"));
    QCOMPARE(filesIn(shop.drive.path()), QStringList{"VDN_A.MDB"});

    // A data file that cannot be read is named; the others are still copied.
    shop.folder.boxes.clear();
    QVERIFY(writeFile(shop.dataFile("VDN_B.MDB"), "b"));
    QVERIFY(QFile::setPermissions(shop.dataFile("VDN_A.MDB"), QFile::WriteOwner));
    shop.backUp(QStringLiteral("E"));
    QCOMPARE(shop.folder.boxes.shown().size(), 2);
    QCOMPARE(shop.folder.boxes.shown().at(1).text,
             QStringLiteral("Sauvegarde incomplète :\n"
                            "VDN_A.MDB : lecture impossible (accès refusé)"));
    QCOMPARE(readAll(shop.driveFile("VDN_A.MDB")), QByteArray("ancien"));
    QCOMPARE(readAll(shop.driveFile("VDN_B.MDB")), QByteArray("b"));
    QVERIFY(Connection::open(shop.driveFile("vordan.mdb")).ok());
}

void TestBackup::data_folder_that_cannot_be_listed() {
    Shop shop;
    QVERIFY(shop.ok());
    QVERIFY(writeFile(shop.dataFile("VDN_A.MDB"), "a"));
    const QString folder = QDir::toNativeSeparators(QDir(shop.folder.folder()).absolutePath());
    // The superuser lists any folder: the listing's failure is forced, as a
    // folder without read permission gives it to a shop's user.
    struct Restore {
        ~Restore() { setFolderListerForTests({}); }
    } restore;
    setFolderListerForTests([](const QString&, QStringList*) { return EACCES; });
    shop.folder.boxes.expectMessage(Start);
    shop.folder.boxes.expectMessage(QStringLiteral("Sauvegarde incomplète :\n") + folder +
                                    QStringLiteral(" : lecture impossible (accès refusé)"));
    shop.backUp(QStringLiteral("E"));
    VDN_CHECK_BOXES(shop.folder);
    // The database itself is still saved.
    QCOMPARE(filesIn(shop.drive.path()), QStringList{"vordan.mdb"});

    // An empty listing is no failure: nothing matched.
    setFolderListerForTests([](const QString&, QStringList*) { return 0; });
    shop.folder.boxes.expectMessage(Start);
    shop.folder.boxes.expectMessage(Done);
    shop.backUp(QStringLiteral("E"));
    VDN_CHECK_BOXES(shop.folder);

    // The system's own refusal, where permissions bind.
    setFolderListerForTests({});
    if (::geteuid() == 0)
        return;
    QVERIFY(QFile::setPermissions(shop.folder.folder(), QFile::WriteOwner | QFile::ExeOwner));
    shop.folder.boxes.expectMessage(Start);
    shop.folder.boxes.expectMessage(QStringLiteral("Sauvegarde incomplète :\n") + folder +
                                    QStringLiteral(" : lecture impossible (accès refusé)"));
    shop.backUp(QStringLiteral("E"));
    QVERIFY(QFile::setPermissions(shop.folder.folder(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    VDN_CHECK_BOXES(shop.folder);
}

void TestBackup::tri_rule_applies_to_the_whole_name() {
    // Names reach the rule on their first three characters only when
    // chemin_base ends in a file prefix: "tri" and "TRI" are left out, "Tri"
    // is copied, whatever the case of the prefix itself.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"triVDN_A.MDB", "TRIVDN_B.MDB", "TriVDN_C.MDB", "VDN_D.MDB"})
        QVERIFY(writeFile(dir.filePath(QLatin1String(name)), name));
    for (const char* prefix : {"tri", "TRI", "Tri"}) {
        int error = -1;
        QCOMPARE(backupFileNames(dir.filePath(QLatin1String(prefix)), &error),
                 QStringList{"TriVDN_C.MDB"});
        QCOMPARE(error, 0);
    }
    QCOMPARE(backupFileNames(dir.path() + QLatin1Char('/')), QStringList{"VDN_D.MDB"});
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
