// ctest-systems: linux
// Faults met while the customer window is open: a lock held by another
// process, a read-only file or folder, a full disk, the file deleted or
// replaced. Each time the data-access error report is shown, the entry stays
// on screen, nothing is half written, and once the fault is gone validating
// again works. Each test ends with SQLite's integrity check and every
// acknowledged row still present.
#include "../customers/client_fixture.h"
#include "data/globals.h"
#include "support/report_boxes.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/mount.h>

using namespace vdn;
using test::ClientFixture;

namespace {

// A customer window whose reports are collected.
struct Window {
    explicit Window(ClientFixture& f) : f(f), boxes(f.folder.boxes) {}
    bool open() {
        Services s = f.folder.services();
        s.boxes = &boxes;
        f.w = new VdnClient(s);
        f.w->load();
        f.w->show();
        f.w->activateWindow();
        return QTest::qWaitForWindowActive(f.w);
    }
    // Opens a new customer entry and types a name and a note.
    QString startEntry(const QString& name) {
        f.click("cmdajout");
        const QString code = f.box("Txtcod")->text();
        f.retype("Txtnom", name);
        f.retype("txtvil", QStringLiteral("Lyon"));
        f.find<QPlainTextEdit>("txtmemo")->setPlainText(QStringLiteral("note ").repeated(200));
        return code;
    }
    // The usual start: one customer ADAM in the file, the window open with
    // the only connection on it, and a new entry BRUN typed but not yet
    // validated. Returns the new entry's code, empty when a step failed.
    QString openWithEntryBesideAdam() {
        if (!f.ready() || !test::addCustomer(*f.db, "000001", "ADAM"))
            return {};
        f.db.reset();
        if (!open())
            return {};
        return startEntry(QStringLiteral("BRUN"));
    }
    bool entryStillShown(const QString& name) const {
        return f.find("Frame100")->isVisible() && f.box("Txtnom")->text() == name &&
               f.box("txtvil")->text() == QLatin1String("Lyon") &&
               f.find<QPlainTextEdit>("txtmemo")->toPlainText() ==
                   QStringLiteral("note ").repeated(200);
    }
    ClientFixture& f;
    test::ReportBoxes boxes;
};

QString integrity(const QString& file) {
    auto c = Connection::open(file);
    if (!c)
        return c.error().text;
    return test::scalar(**c, "PRAGMA integrity_check").toString();
}

QStringList codes(const QString& file) {
    auto c = Connection::open(file);
    if (!c)
        return {};
    return test::column(**c, "SELECT clt_cod FROM strclient ORDER BY clt_cod");
}

// Another program holding the database: the sqlite3 shell inside a
// transaction that stays open until release().
class Holder {
public:
    bool hold(const QString& file, const QString& begin) {
        shell_.setProgram(QStringLiteral("sqlite3"));
        shell_.setArguments({file});
        shell_.start();
        if (!shell_.waitForStarted())
            return false;
        shell_.write(begin.toUtf8() +
                     ";\nINSERT INTO strparam VALUES ('99', 'verrou');\nSELECT 'held';\n");
        QByteArray out;
        while (!out.contains("held")) {
            if (!shell_.waitForReadyRead(10000))
                return false;
            out += shell_.readAllStandardOutput();
        }
        return true;
    }
    void release() {
        shell_.write("ROLLBACK;\n.quit\n");
        shell_.closeWriteChannel();
        shell_.waitForFinished(10000);
    }
    ~Holder() {
        if (shell_.state() != QProcess::NotRunning) {
            shell_.kill();
            shell_.waitForFinished();
        }
    }

private:
    QProcess shell_;
};

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void lock_held_by_another_process_data();
    void lock_held_by_another_process();
    void read_only_database();
    void read_only_folder();
    void full_disk_data();
    void full_disk();
    void database_deleted_or_replaced_data();
    void database_deleted_or_replaced();
};

void TestFaults::initTestCase() {
    // A lock is met after a fifth of a second instead of five seconds.
    qputenv("VORDAN_BUSY_TIMEOUT_MS", "200");
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("the sqlite3 shell is needed to hold a lock from another process");
}

void TestFaults::lock_held_by_another_process_data() {
    QTest::addColumn<QString>("begin");
    // A writer that has not started writing to the file: reads go on,
    // the write waits and gives up.
    QTest::newRow("write transaction") << "BEGIN IMMEDIATE";
    // A writer holding the file itself: the look-up of the code fails too.
    QTest::newRow("exclusive transaction") << "BEGIN EXCLUSIVE";
}

void TestFaults::lock_held_by_another_process() {
    QFETCH(QString, begin);
    ClientFixture f;
    Window win(f);
    const QString code = win.openWithEntryBesideAdam();
    QVERIFY(!code.isEmpty());

    Holder other;
    QVERIFY(other.hold(f.folder.databaseFile(), begin));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(win.boxes.reports.size(), 1);
    // SQLITE_BUSY, after the busy timeout.
    QVERIFY2(win.boxes.reports.first().contains(QStringLiteral("Numéro d'erreur: 5\r\n")),
             qPrintable(win.boxes.reports.first()));
    QVERIFY(win.entryStillShown(QStringLiteral("BRUN")));
    QVERIFY(!f.folder.pointer.isBusy());

    other.release();
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(win.boxes.reports.size(), 1);
    QVERIFY(f.find("Frame200")->isVisible());
    QCOMPARE(f.gridCodes(), (QStringList{"000001", code}));
    QCOMPARE(integrity(f.folder.databaseFile()), QStringLiteral("ok"));
    QCOMPARE(codes(f.folder.databaseFile()), (QStringList{"000001", code}));
}

void TestFaults::read_only_database() {
    // Root ignores file permissions: the window's own connection is made
    // read-only, as SQLite does with a file it may not write.
    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "ADAM"));
    Window win(f);
    QVERIFY(win.open());
    QSqlQuery pragma(f.w->database());
    QVERIFY(pragma.exec("PRAGMA query_only = 1"));
    const QString code = win.startEntry(QStringLiteral("BRUN"));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(win.boxes.reports.size(), 1);
    QVERIFY2(win.boxes.reports.first().contains(QStringLiteral("Numéro d'erreur: 8\r\n")),
             qPrintable(win.boxes.reports.first()));
    QVERIFY(win.entryStillShown(QStringLiteral("BRUN")));
    QCOMPARE(codes(f.folder.databaseFile()), QStringList{"000001"});

    QVERIFY(pragma.exec("PRAGMA query_only = 0"));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(win.boxes.reports.size(), 1);
    QCOMPARE(integrity(f.folder.databaseFile()), QStringLiteral("ok"));
    QCOMPARE(codes(f.folder.databaseFile()), (QStringList{"000001", code}));
}

void TestFaults::read_only_folder() {
    // A folder where no file can be made: SQLite cannot create its journal
    // beside the database, so no write can start. Root ignores folder
    // permissions and a read-only remount is refused while the database is
    // open for writing, so a folder takes the journal's name instead.
    ClientFixture f;
    Window win(f);
    const QString code = win.openWithEntryBesideAdam();
    QVERIFY(!code.isEmpty());
    const QString journal = f.folder.databaseFile() + QStringLiteral("-journal");
    QVERIFY(QDir().mkdir(journal));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(win.boxes.reports.size(), 1);
    QVERIFY(win.entryStillShown(QStringLiteral("BRUN")));

    QVERIFY(QDir().rmdir(journal));
    QCOMPARE(codes(f.folder.databaseFile()), QStringList{"000001"});
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(win.boxes.reports.size(), 1);
    QVERIFY(f.find("Frame200")->isVisible());
    QCOMPARE(integrity(f.folder.databaseFile()), QStringLiteral("ok"));
    QCOMPARE(codes(f.folder.databaseFile()), (QStringList{"000001", code}));
}

void TestFaults::full_disk_data() {
    QTest::addColumn<bool>("realFileSystem");
    // SQLite's page limit: the file cannot grow by a page.
    QTest::newRow("page limit") << false;
    // A small file system filled up (skipped where mounting is not allowed).
    QTest::newRow("small file system") << true;
}

void TestFaults::full_disk() {
    QFETCH(bool, realFileSystem);
    QTemporaryDir mountPoint;
    QVERIFY(mountPoint.isValid());
    const QByteArray where = QFile::encodeName(mountPoint.path());
    struct Unmount {
        QByteArray where;
        bool mounted = false;
        ~Unmount() {
            if (mounted)
                ::umount2(where.constData(), MNT_DETACH);
        }
    } unmount{where};
    if (realFileSystem) {
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("mounting a tmpfs is not allowed here");
        unmount.mounted = true;
    }

    ClientFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addCustomer(*f.db, "000001", "ADAM"));
    f.db.reset();
    QString file = f.folder.databaseFile();
    if (realFileSystem) {
        const QString folder = mountPoint.path() + QLatin1Char('/');
        file = folder + QStringLiteral("vordan.mdb");
        QVERIFY(QFile::copy(f.folder.databaseFile(), file));
        chemin_base = folder;
    }
    Window win(f);
    QVERIFY(win.open());
    if (realFileSystem) {
        // Fill the rest of the file system.
        QFile filler(mountPoint.path() + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    } else {
        QSqlQuery pragma(f.w->database());
        QVERIFY(pragma.exec("PRAGMA page_count") && pragma.next());
        const int pages = pragma.value(0).toInt();
        QVERIFY(pragma.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages)));
    }
    // A note long enough to need new pages.
    const QString code = win.startEntry(QStringLiteral("BRUN"));
    f.find<QPlainTextEdit>("txtmemo")->setPlainText(QStringLiteral("note ").repeated(200));
    f.retype("txtad1", QStringLiteral("x"));
    auto* memo = f.find<QPlainTextEdit>("txtmemo");
    memo->setPlainText(memo->toPlainText() + QStringLiteral("y").repeated(20000));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(win.boxes.reports.size(), 1);
    // SQLITE_FULL
    QVERIFY2(win.boxes.reports.first().contains(QStringLiteral("Numéro d'erreur: 13\r\n")),
             qPrintable(win.boxes.reports.first()));
    QVERIFY(f.find("Frame100")->isVisible());
    QCOMPARE(f.box("Txtnom")->text(), QStringLiteral("BRUN"));
    QCOMPARE(integrity(file), QStringLiteral("ok"));
    QCOMPARE(codes(file), QStringList{"000001"});

    // Room again: the same entry is saved.
    if (realFileSystem) {
        QVERIFY(QFile::remove(mountPoint.path() + QStringLiteral("/filler")));
    } else {
        QSqlQuery pragma(f.w->database());
        QVERIFY(pragma.exec("PRAGMA max_page_count = 1073741823"));
    }
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(win.boxes.reports.size(), 1);
    QVERIFY(f.find("Frame200")->isVisible());
    delete f.w.data();
    QCOMPARE(integrity(file), QStringLiteral("ok"));
    QCOMPARE(codes(file), (QStringList{"000001", code}));
}

void TestFaults::database_deleted_or_replaced_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("replaced by a garbage file") << "replaced";
    QTest::newRow("overwritten with garbage") << "overwritten";
}

void TestFaults::database_deleted_or_replaced() {
    QFETCH(QString, how);
    ClientFixture f;
    Window win(f);
    const QString code = win.openWithEntryBesideAdam();
    QVERIFY(!code.isEmpty());
    const QString file = f.folder.databaseFile();
    QByteArray garbage;
    for (int i = 0; i < 64 * 1024; ++i)
        garbage.append(char((i * 7919) % 251));
    if (how == QLatin1String("deleted")) {
        QVERIFY(QFile::remove(file));
    } else if (how == QLatin1String("replaced")) {
        QFile other(file + QStringLiteral(".new"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(garbage);
        other.close();
        QVERIFY(::rename(QFile::encodeName(other.fileName()).constData(),
                         QFile::encodeName(file).constData()) == 0);
    } else {
        QFile same(file);
        QVERIFY(same.open(QIODevice::ReadWrite));
        same.write(garbage);
        same.close();
    }

    // Validating: the report, the entry kept, no row written anywhere.
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(!win.boxes.reports.isEmpty());
    QVERIFY(win.entryStillShown(QStringLiteral("BRUN")));
    // Leaving the entry and listing again: reported, no crash.
    f.click("cmdannule");
    VDN_CHECK_BOXES(f.folder);
    f.w->close();
    QVERIFY(!f.w || f.w->isHidden());
    // Nothing was written into the garbage or a new file.
    if (how == QLatin1String("deleted")) {
        QVERIFY(!QFile::exists(file));
    } else {
        QFile after(file);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll().left(garbage.size()), garbage);
    }
    Q_UNUSED(code);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
