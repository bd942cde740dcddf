#include "app/backup.h"
#include "app/command_line.h"
#include "app/restore.h"
#include "app/startup.h"
#include "app/vdn_menu.h"
#include "data/connection.h"
#include "data/database_lock.h"
#include "data/globals.h"
#include "platform/removable_drives.h"
#include "support/concurrent_writer.h"
#include "support/files.h"
#include "support/fixture.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <sqlite3.h>

using namespace vdn;

using test::writeFile;

namespace {

const QDateTime Now(QDate(2026, 12, 8), QTime(14, 30, 5));
const QString Saved = QStringLiteral("vordan.mdb.avant-restauration-20261208-143005");

QByteArray digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<absent>";
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList customerNames(const QString& databaseFile) {
    Result<std::unique_ptr<Connection>> c = Connection::open(databaseFile);
    if (!c)
        return {QStringLiteral("<illisible : %1>").arg(c.error().text)};
    return test::column(**c, QStringLiteral("SELECT clt_nom FROM strclient ORDER BY clt_cod"));
}

// A demo shop backed up to a drive folder, then changed: every customer
// gone but one new one, and its data file rewritten.
struct Shop {
    Shop() : folder(options()) {
        if (!folder.ok() || !drive.isValid())
            return;
        writeFile(folder.folder() + "VDN_STOCK.MDB", "stock sauvegardé");
        const BackupResult b = backUp(folder.folder(), drive.path());
        backedUp = customerNames(folder.databaseFile());
        if (!b.complete()) {
            qWarning("backup: %s", qPrintable(backupEndMessage(b)));
            return;
        }
        if (backedUp.size() < 10)
            return;
        auto c = folder.connect();
        QSqlQuery q(c->db());
        if (!q.exec("DELETE FROM strclient") ||
            !q.exec("INSERT INTO strclient (clt_cod, clt_nom) VALUES ('9999', 'APRES')"))
            return;
        writeFile(folder.folder() + "VDN_STOCK.MDB", "stock du jour");
        ok_ = true;
    }
    static test::DataFolder::Options options() {
        test::DataFolder::Options o;
        o.demo = DemoOptions{};
        return o;
    }
    bool ok() const { return ok_; }
    QString base() const { return folder.folder(); }
    QString data(const QString& name) const { return folder.folder() + name; }
    QString backup(const QString& name) const { return QDir(drive.path()).filePath(name); }

    test::DataFolder folder;
    QTemporaryDir drive;
    QStringList backedUp;
    bool ok_ = false;
};

// The database folder as it is: names and contents.
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> m;
    for (const QString& name : filesIn(folder))
        m.insert(name, digest(QDir(folder).filePath(name)));
    return m;
}

} // namespace

class TestRestore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("VORDAN_BUSY_TIMEOUT_MS", "300"); }
    void good_backup_comes_back_and_previous_is_saved();
    void writes_of_another_program_are_never_lost();
    void busy_or_newer_current_database_is_kept_data();
    void busy_or_newer_current_database_is_kept();
    void data_files_under_the_name_prefix_data();
    void data_files_under_the_name_prefix();
    void bad_backups_change_nothing_data();
    void bad_backups_change_nothing();
    void another_program_holding_the_lock();
    void missing_or_damaged_current_database();
    void server_database_is_refused();
    void from_the_menu();
    void from_the_command_line();
};

void TestRestore::good_backup_comes_back_and_previous_is_saved() {
    Shop shop;
    QVERIFY(shop.ok());
    const QStringList before = customerNames(shop.folder.databaseFile());
    QCOMPARE(before, QStringList{"APRES"});
    // A connection kept open meanwhile, as another window of the program.
    auto open = shop.folder.connect();

    Result<RestoreOutcome> r = restoreBackup(shop.base(), shop.drive.path(), Now);
    QVERIFY2(r.ok(), r.ok() ? "" : qPrintable(r.error().text));
    QCOMPARE(customerNames(shop.folder.databaseFile()), shop.backedUp);
    QCOMPARE(test::column(*open, "SELECT clt_nom FROM strclient ORDER BY clt_cod"), shop.backedUp);
    QCOMPARE(customerNames(shop.data(Saved)), before);
    QCOMPARE(r->previousSavedAs, shop.data(Saved));
    QVERIFY(!r->previousDamaged);
    QCOMPARE(r->customers, shop.backedUp.size());
    QCOMPARE(r->restored, (QStringList{"vordan.mdb", "VDN_STOCK.MDB"}));
    QVERIFY(r->failures.isEmpty());
    QCOMPARE(digest(shop.data("VDN_STOCK.MDB")), digest(shop.backup("VDN_STOCK.MDB")));
    // The replaced data file is kept beside the saved base, as the question says.
    const QString keptStock = "VDN_STOCK.MDB.avant-restauration-20261208-143005";
    QCOMPARE(r->keptFiles, QStringList{shop.data(keptStock)});
    QFile kept(shop.data(keptStock));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("stock du jour"));
    // Nothing of the work is left behind.
    QCOMPARE(filesIn(shop.base()),
             (QStringList{"CHEMIN.QZ", "VDN_STOCK.MDB", keptStock, "vordan.mdb", Saved}));
    QCOMPARE(test::scalar(*open, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    const QString message = restoreEndMessage(*r);
    QVERIFY2(message.startsWith("Restauration terminée depuis "), qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("%1 client(s) restauré(s).").arg(r->customers)));
    QVERIFY(message.contains("conservée sous le nom " + Saved));

    // A second restore in the same second keeps the first one's save.
    Result<RestoreOutcome> again = restoreBackup(shop.base(), shop.drive.path(), Now);
    QVERIFY(again.ok());
    QCOMPARE(again->previousSavedAs, shop.data(Saved + "-2"));
    QCOMPARE(customerNames(shop.data(Saved)), before);
}

// Restores one after the other while another program commits rows: each
// row it saw committed is in the restored base or in a saved one.
void TestRestore::writes_of_another_program_are_never_lost() {
    Shop shop;
    QVERIFY(shop.ok());
    test::ConcurrentWriter writer(VORDAN_OUTSIDE_WRITER, shop.folder.databaseFile(), "W");
    QVERIFY(writer.started());
    QStringList saved;
    QStringList refusals;
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(30);
        Result<RestoreOutcome> r = restoreBackup(shop.base(), shop.drive.path(), Now.addSecs(i));
        if (r)
            saved << r->previousSavedAs;
        else
            refusals << r.error().text;
    }
    const QStringList acknowledged = writer.stop();
    QVERIFY2(saved.size() >= 15, qPrintable(refusals.join('\n')));
    QVERIFY2(acknowledged.size() >= 40, qPrintable(writer.errors()));
    QStringList found;
    for (const QString& file : QStringList{shop.folder.databaseFile()} + saved) {
        auto c = Connection::open(file);
        QVERIFY2(c, qPrintable(file));
        found += test::column(**c, "SELECT clt_cod FROM strclient WHERE clt_cod LIKE 'W%'");
    }
    const QString lost = test::lostWrites(acknowledged, found);
    QVERIFY2(lost.isEmpty(), qPrintable(lost));
}

void TestRestore::bad_backups_change_nothing_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("absent") << "absent"
                            << "aucune sauvegarde VORDAN dans";
    QTest::newRow("pages damaged") << "damaged"
                                   << "en bon état";
    QTest::newRow("truncated") << "truncated"
                               << "illisible ou endommagée";
    QTest::newRow("not SQLite") << "text"
                                << "illisible ou endommagée";
    QTest::newRow("foreign SQLite file") << "foreign"
                                         << "n'est pas une base de données VORDAN";
    QTest::newRow("no shop identity") << "nospecif"
                                      << "strspecif";
    QTest::newRow("newer version") << "newer"
                                   << "version plus récente";
    QTest::newRow("the data folder itself") << "itself"
                                            << "est le dossier de vos données";
}

void TestRestore::bad_backups_change_nothing() {
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    Shop shop;
    QVERIFY(shop.ok());
    const QString file = shop.backup("vordan.mdb");
    QString from = shop.drive.path();
    if (kind == "absent") {
        QVERIFY(QFile::remove(file));
    } else if (kind == "damaged") {
        // Garbage over the pages of the customer table and its indexes.
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 size = f.size();
        QVERIFY(size > 16384);
        f.seek(4096);
        f.write(QByteArray(int(size - 8192), '\x5a'));
    } else if (kind == "truncated") {
        QFile f(file);
        QVERIFY(f.resize(1000));
    } else if (kind == "text") {
        QVERIFY(writeFile(file, "ceci n'est pas une base\n"));
    } else {
        auto c = Connection::open(file);
        QVERIFY(c.ok());
        QSqlQuery q((*c)->db());
        if (kind == "foreign")
            QVERIFY(q.exec("DROP TABLE strpercage"));
        else if (kind == "nospecif")
            QVERIFY(q.exec("DELETE FROM strspecif"));
        else if (kind == "newer")
            QVERIFY(q.exec("PRAGMA user_version = 99"));
        else if (kind == "itself")
            from = shop.base();
    }
    const QMap<QString, QByteArray> before = snapshot(shop.base());
    const QByteArray backupBefore = digest(file);

    Result<RestoreOutcome> r = restoreBackup(shop.base(), from, Now);
    QVERIFY(!r.ok());
    QVERIFY2(r.error().text.startsWith("Restauration impossible : "), qPrintable(r.error().text));
    QVERIFY2(r.error().text.contains(expected), qPrintable(r.error().text));
    QCOMPARE(snapshot(shop.base()), before);
    QCOMPARE(digest(file), backupBefore); // the backup itself is only read
    QCOMPARE(customerNames(shop.folder.databaseFile()), QStringList{"APRES"});
}

void TestRestore::busy_or_newer_current_database_is_kept_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("written by another program") << "busy"
                                                << "la base est utilisée par un autre programme";
    QTest::newRow("newer schema") << "newer"
                                  << "version plus récente de VORDAN (version 99)";
}

void TestRestore::busy_or_newer_current_database_is_kept() {
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    Shop shop;
    QVERIFY(shop.ok());
    const QString live = shop.folder.databaseFile();
    // Another program on the file, outside VORDAN: in the middle of a write.
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(live).constData(), &other), SQLITE_OK);
    const auto exec = [&](const char* sql) { return sqlite3_exec(other, sql, 0, 0, 0); };
    if (kind == "busy") {
        QCOMPARE(exec("BEGIN EXCLUSIVE"), SQLITE_OK);
        QCOMPARE(exec("INSERT INTO strclient (clt_cod, clt_nom) VALUES ('9998', 'AUTRE')"),
                 SQLITE_OK);
    } else {
        QCOMPARE(exec("PRAGMA user_version = 99"), SQLITE_OK);
    }
    const QMap<QString, QByteArray> before = snapshot(shop.base());

    Result<RestoreOutcome> r = restoreBackup(shop.base(), shop.drive.path(), Now);
    QVERIFY(!r.ok());
    QVERIFY2(r.error().text.contains(expected), qPrintable(r.error().text));
    QVERIFY(r.error().text.contains("Rien n'a été changé."));
    QCOMPARE(snapshot(shop.base()), before);
    // The other program's write goes through, and stays.
    if (kind == "busy")
        QCOMPARE(exec("COMMIT"), SQLITE_OK);
    sqlite3_close(other);
    if (kind == "busy") {
        QCOMPARE(customerNames(live), (QStringList{"AUTRE", "APRES"}));
        QCOMPARE(filesIn(shop.base()), (QStringList{"CHEMIN.QZ", "VDN_STOCK.MDB", "vordan.mdb"}));
    }
}

void TestRestore::data_files_under_the_name_prefix_data() {
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("blocked");
    QTest::newRow("folder") << "" << false;
    QTest::newRow("file prefix") << "shop_" << false;
    QTest::newRow("file prefix, one file blocked") << "shop_" << true;
}

void TestRestore::data_files_under_the_name_prefix() {
    QFETCH(QString, prefix);
    QFETCH(bool, blocked);
    QTemporaryDir data, drive;
    CreateOptions create;
    create.folder = data.path();
    QVERIFY(createDatabase(create).ok());
    const QString base = data.path() + "/" + prefix;
    if (!prefix.isEmpty())
        QVERIFY(QFile::rename(data.filePath("vordan.mdb"), base + "vordan.mdb"));
    QVERIFY(writeFile(base + "VDN_STOCK.MDB", "stock sauvegardé"));
    QVERIFY(writeFile(base + "VDN_TARIF.MDB", "tarif sauvegardé"));
    QVERIFY(backUp(base, drive.path()).complete());
    QVERIFY(writeFile(base + "VDN_STOCK.MDB", "stock du jour"));
    QVERIFY(QFile::remove(base + "VDN_TARIF.MDB"));
    if (blocked) // a folder where the file goes: it cannot be replaced
        QVERIFY(QDir().mkpath(base + "VDN_TARIF.MDB/dedans"));

    Result<RestoreOutcome> r = restoreBackup(base, drive.path(), Now);
    QVERIFY2(r.ok(), r.ok() ? "" : qPrintable(r.error().text));
    QCOMPARE(digest(base + "VDN_STOCK.MDB"),
             digest(QDir(drive.path()).filePath(prefix + "VDN_STOCK.MDB")));
    const QString message = restoreEndMessage(*r);
    if (blocked) {
        QCOMPARE(r->restored, (QStringList{prefix + "vordan.mdb", prefix + "VDN_STOCK.MDB"}));
        QVERIFY2(message.startsWith("Restauration incomplète depuis "), qPrintable(message));
        QVERIFY2(message.contains("\n" + prefix + "VDN_TARIF.MDB : remplacement impossible ("),
                 qPrintable(message));
        QVERIFY(QFileInfo(base + "VDN_TARIF.MDB").isDir());
    } else {
        QCOMPARE(r->restored, (QStringList{prefix + "vordan.mdb", prefix + "VDN_STOCK.MDB",
                                           prefix + "VDN_TARIF.MDB"}));
        QVERIFY2(message.startsWith("Restauration terminée depuis "), qPrintable(message));
        QCOMPARE(digest(base + "VDN_TARIF.MDB"),
                 digest(QDir(drive.path()).filePath(prefix + "VDN_TARIF.MDB")));
    }
    // The saved copy is named with the folder it is in.
    QVERIFY2(message.contains(QStringLiteral("sous le nom %1vordan.mdb.%2 dans le dossier %3.")
                                  .arg(prefix, previousDatabaseSuffix(Now),
                                       QDir::toNativeSeparators(data.path()))),
             qPrintable(message));
}

void TestRestore::another_program_holding_the_lock() {
    Shop shop;
    QVERIFY(shop.ok());
    DatabaseLock mine(shop.base()), other(shop.base());
    QVERIFY(mine.acquire());
    QVERIFY(other.acquire());
    QVERIFY(mine.fileName() != other.fileName());
    QCOMPARE(DatabaseLock::otherHolders(shop.base(), mine.fileName()),
             QStringList{other.fileName()});
    const QMap<QString, QByteArray> before = snapshot(shop.base());

    Result<RestoreOutcome> r = restoreBackup(shop.base(), shop.drive.path(), Now, mine.fileName());
    QVERIFY(!r.ok());
    QVERIFY2(r.error().text.contains("VORDAN est ouvert sur cette base"),
             qPrintable(r.error().text));
    QCOMPARE(snapshot(shop.base()), before);

    // A lock left by a program that ended (its process is gone) is no
    // obstacle and is cleared; one held on another machine is.
    other.release();
    QVERIFY(!QFile::exists(other.fileName()));
    // The dead program's file says this machine as Qt's own lock files do
    // (names and identifiers differ between systems): this program's file
    // with another process number.
    QFile own(mine.fileName());
    QVERIFY(own.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = own.readAll().split('\n');
    own.close();
    QVERIFY(lines.size() >= 3);
    lines[0] = "2147483000";
    const QString dead = shop.data("vordan.mdb.verrou-ancien");
    QVERIFY(writeFile(dead, lines.join('\n')));
    const QString remote = shop.data("vordan.mdb.verrou-caisse");
    QVERIFY(writeFile(remote, "4242\nvordan\nposte-de-la-caisse\n"));
    QCOMPARE(DatabaseLock::otherHolders(shop.base(), mine.fileName()), QStringList{remote});
    QVERIFY(!QFile::exists(dead));
    QVERIFY(QFile::remove(remote));

    r = restoreBackup(shop.base(), shop.drive.path(), Now, mine.fileName());
    QVERIFY2(r.ok(), r.ok() ? "" : qPrintable(r.error().text));
    QCOMPARE(customerNames(shop.folder.databaseFile()), shop.backedUp);
    QVERIFY(mine.held());
}

void TestRestore::missing_or_damaged_current_database() {
    for (const bool damaged : {false, true}) {
        Shop shop;
        QVERIFY(shop.ok());
        const QString live = shop.folder.databaseFile();
        // A journal left by a write that never finished: played into the
        // restored file it would damage it.
        QVERIFY(writeFile(live + "-journal", QByteArray(4096, '\x11')));
        const QByteArray journalDigest = digest(live + "-journal");
        if (damaged) {
            QFile f(live);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(0);
            f.write(QByteArray(8192, '\x00'));
        } else {
            QVERIFY(QFile::remove(live));
        }
        const QByteArray damagedDigest = digest(live);

        Result<RestoreOutcome> r = restoreBackup(shop.base(), shop.drive.path(), Now);
        QVERIFY2(r.ok(), r.ok() ? "" : qPrintable(r.error().text));
        QCOMPARE(customerNames(live), shop.backedUp);
        QVERIFY(!QFile::exists(live + "-journal"));
        QCOMPARE(digest(shop.data(Saved + "-journal")), journalDigest);
        if (damaged) {
            QVERIFY(r->previousDamaged);
            QCOMPARE(digest(shop.data(Saved)), damagedDigest);
            QVERIFY(restoreEndMessage(*r).contains("endommagée, a été mise de côté"));
        } else {
            QVERIFY(r->previousSavedAs.isEmpty());
            QVERIFY(!QFile::exists(shop.data(Saved)));
            QVERIFY(restoreEndMessage(*r).contains("Aucune base n'était en place."));
        }
        auto c = shop.folder.connect();
        QVERIFY(c);
        QCOMPARE(test::scalar(*c, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    }
}

void TestRestore::server_database_is_refused() {
    QTemporaryDir drive;
    Result<RestoreOutcome> r =
        restoreBackup(QStringLiteral("postgresql://boutique@serveur/vordan"), drive.path(), Now);
    QVERIFY(!r.ok());
    // Put back like a file base's backup: the same checks, the same words.
    QCOMPARE(r.error().text, QStringLiteral("Restauration impossible : aucune sauvegarde VORDAN "
                                            "dans %1 (fichier vordan.mdb absent).")
                                 .arg(QDir::toNativeSeparators(drive.path())));
}

void TestRestore::from_the_menu() {
    Shop shop;
    QVERIFY(shop.ok());
    ScriptedRemovableDrives drives;
    drives.set(QLatin1Char('E'), shop.drive.path());
    Services s = shop.folder.services();
    s.drives = &drives;
    StartupInfo info;
    info.chemin_base = shop.base();
    info.title = mainTitle(QStringLiteral("LE STRIKE"), QStringLiteral("123"));
    DatabaseLock lock(shop.base());
    QVERIFY(lock.acquire());
    VdnMenu menu(s, info);
    menu.setOwnLockFile(lock.fileName());
    menu.show();
    menu.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&menu));

    // The restore entry of the "Fichiers" menu, right after the backup.
    QStringList entries;
    for (QAction* a : menu.findChild<QMenu*>("mnu_fic")->actions())
        entries << a->objectName() + "=" + a->text();
    QCOMPARE(entries, (QStringList{"mnu_fic_clt=&Clients", "mnu_fic_par=&Paramètres",
                                   "mnu_fic_perceur=P&erceur…", "mnu_fic_usb=&Sauvegarde USB",
                                   "mnu_fic_rest=&Restaurer une sauvegarde",
                                   "mnu_fic_import=&Importer des clients…"}));

    // An open customer window goes before its data is replaced, and only
    // then: a refused restore leaves it, and what it holds, as it was.
    QPointer<VdnClient> client = menu.openClient();
    auto restoreFrom = [&](const QString& letter) {
        menu.findChild<QAction*>("mnu_fic_rest")->trigger();
        auto* txtdisk = menu.findChild<QLineEdit*>("txtdisk");
        QVERIFY(txtdisk->isVisible());
        QCOMPARE(menu.findChild<QGroupBox*>("Frame5")->title(),
                 QStringLiteral("Restaurer depuis le lecteur"));
        txtdisk->clear();
        test::typeText(txtdisk, letter);
        QTest::mouseClick(menu.findChild<QToolButton*>("cmdok"), Qt::LeftButton);
    };
    // The backup named by its file's date and its customers.
    const QDateTime written =
        QFileInfo(QDir(shop.drive.path()).filePath("vordan.mdb")).lastModified();
    const qsizetype inBackup = customerNames(QDir(shop.drive.path()).filePath("vordan.mdb")).size();
    QVERIFY(inBackup > 0);
    const QString tail = QStringLiteral(
        " ?\nLes données actuelles seront remplacées par "
        "celles de la sauvegarde ; elles sont d'abord enregistrées à côté de la base.");
    // On a server, the current data go beside the backup: the question says so.
    QVERIFY(restoreQuestion("E", BackupSummary{}, true)
                .endsWith(QStringLiteral("elles sont d'abord enregistrées à côté de la "
                                         "sauvegarde, sur le lecteur E:.")));
    const QString question =
        QStringLiteral("Restaurer la sauvegarde du lecteur E: du %1 (%2 client%3)")
            .arg(QLocale::c().toString(written, "dd/MM/yyyy à HH:mm"))
            .arg(inBackup)
            .arg(inBackup > 1 ? "s" : "") +
        tail;
    // No answers Yes: nothing happens.
    shop.folder.boxes.expectQuestion(question, false);
    restoreFrom("e");
    VDN_CHECK_BOXES(shop.folder);
    QCOMPARE(customerNames(shop.folder.databaseFile()), QStringList{"APRES"});
    QVERIFY(client);
    shop.folder.boxes.expectMessage("Lecteur F: introuvable");
    restoreFrom("F");
    VDN_CHECK_BOXES(shop.folder);
    QTemporaryDir empty;
    drives.set(QLatin1Char('G'), empty.path());
    shop.folder.boxes.expectQuestion("Restaurer la sauvegarde du lecteur G:" + tail, true);
    shop.folder.boxes.expectMessage(
        QStringLiteral("Restauration impossible : aucune sauvegarde VORDAN dans %1 (fichier "
                       "vordan.mdb absent).")
            .arg(QDir::toNativeSeparators(empty.path())));
    restoreFrom("G");
    VDN_CHECK_BOXES(shop.folder);
    QTest::qWait(50);
    QVERIFY(client);
    QVERIFY(client->isVisible());

    shop.folder.boxes.expectQuestion(question, true);
    restoreFrom("E");
    QCOMPARE(shop.folder.boxes.shown().size(), 2);
    const QString end = shop.folder.boxes.shown().last().text;
    QVERIFY2(end.startsWith("Restauration terminée depuis "), qPrintable(end));
    QVERIFY(QTest::qWaitFor([&] { return client.isNull(); }));
    QCOMPARE(customerNames(shop.folder.databaseFile()), shop.backedUp);
    // Named after the program's clock.
    QCOMPARE(customerNames(shop.data("vordan.mdb.avant-restauration-20261208-143000")),
             QStringList{"APRES"});

    // "&Sauvegarde USB" afterwards backs up again, not restores.
    shop.folder.boxes.clear();
    menu.findChild<QAction*>("mnu_fic_usb")->trigger();
    shop.folder.boxes.expectMessage("Sauvegarde de l'ensemble de vos données");
    shop.folder.boxes.expectMessage("sauvegarde terminée");
    QTest::mouseClick(menu.findChild<QToolButton*>("cmdok"), Qt::LeftButton);
    VDN_CHECK_BOXES(shop.folder);
}

void TestRestore::from_the_command_line() {
    CommandLine cl = parseCommandLine({"vordan", "--restaurer", "/media/cle"});
    QCOMPARE(int(cl.action), int(CommandLine::Action::Restore));
    QCOMPARE(cl.restoreFolder, QStringLiteral("/media/cle"));
    QCOMPARE(int(parseCommandLine({"vordan", "--restaurer"}).action),
             int(CommandLine::Action::Error));
    QCOMPARE(int(parseCommandLine({"vordan", "--restaurer", "/x", "--demo"}).action),
             int(CommandLine::Action::Error));

    Shop shop;
    QVERIFY(shop.ok());
    QTemporaryDir program, config;
    QVERIFY(writeFile(config.filePath("CHEMIN.QZ"), shop.base().toUtf8() + "\n"));
    Result<RestoreOutcome> r =
        restoreFromPathFile(program.path(), config.path(), shop.drive.path(), Now);
    QVERIFY2(r.ok(), r.ok() ? "" : qPrintable(r.error().text));
    QCOMPARE(customerNames(shop.folder.databaseFile()), shop.backedUp);
    // Its own lock is gone with it.
    QCOMPARE(DatabaseLock::otherHolders(shop.base()), QStringList{});
    QVERIFY(filesIn(shop.base()).filter("verrou").isEmpty());

    QTemporaryDir nowhere;
    r = restoreFromPathFile(program.path(), nowhere.path(), shop.drive.path(), Now);
    QVERIFY(!r.ok());
    QVERIFY(r.error().text.startsWith("Fichier introuvable : CHEMIN.QZ"));
}

QTEST_MAIN(TestRestore)
#include "tst_restore.moc"
