// Two real VORDAN programs on one database: a restore and a start, two
// starts on a base to upgrade, an upgrade while another program has the
// base open.
#include "app/backup.h"
#include "app/restore.h"
#include "app/vdn_menu.h"
#include "data/database_lock.h"
#include "data/schema.h"
#include "support/files.h"
#include "support/fixture.h"
#include "support/older_schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace vdn;

namespace {

const QDateTime Now(QDate(2026, 12, 8), QTime(14, 30, 5));

// A demo shop taken back to schema version 3 (as an older VORDAN left it),
// its CHEMIN.QZ in a configuration folder of its own.
struct OldShop {
    OldShop() : folder(options()) {
        if (!folder.ok() || !config.isValid())
            return;
        auto c = folder.connect();
        QProcessEnvironment env;
        const QString settings = test::useSettingsRoot(config.path(), env);
        ok_ = c && test::backToVersion3(*c) &&
              test::writeFile(settings + "/CHEMIN.QZ", folder.folder().toUtf8() + "\n");
    }
    static test::DataFolder::Options options() {
        test::DataFolder::Options o;
        o.demo = DemoOptions{};
        return o;
    }
    bool ok() const { return ok_; }
    // Back to version 3 (a backup, like any program that opens the base,
    // brings it forward).
    bool downgrade() {
        auto c = folder.connect();
        return c && test::backToVersion3(*c);
    }
    // The schema version as stored, read without upgrading anything.
    int version() const {
        sqlite3* db = nullptr;
        int v = -1;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(folder.databaseFile()).constData(), &db,
                            SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            v = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return v;
    }
    QStringList locks() const {
        return QDir(folder.folder()).entryList({"vordan.mdb.verrou-*"}, QDir::Files);
    }
    test::DataFolder folder;
    QTemporaryDir config;
    bool ok_ = false;
};

// The program itself, offscreen, on the shop's CHEMIN.QZ.
std::unique_ptr<QProcess> start(const OldShop& shop, const QStringList& arguments, int busyMs,
                                int quitAfterMs = 400) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    test::useSettingsRoot(shop.config.path(), env);
    env.insert("VORDAN_BUSY_TIMEOUT_MS", QString::number(busyMs));
    env.insert("VORDAN_QUIT_AFTER_MS", QString::number(quitAfterMs));
    p->setProcessEnvironment(env);
    p->start(QStringLiteral(VORDAN_PROGRAM), arguments);
    p->waitForStarted();
    return p;
}

// Waits for the program's end; a program that shows a refusal box never
// ends by itself and is ended here once its message is out.
QString endOf(QProcess& p, const QString& expected, int* exitCode) {
    // The program writes its messages in UTF-8 to a pipe, on both systems;
    // the bytes are gathered whole before being read as text.
    QByteArray err;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 40000 && p.state() != QProcess::NotRunning) {
        p.waitForFinished(100);
        err += p.readAllStandardError();
        if (!expected.isEmpty() && QString::fromUtf8(err).contains(expected))
            break;
    }
    *exitCode = p.state() == QProcess::NotRunning ? p.exitCode() : -1;
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
    }
    return QString::fromUtf8(err + p.readAllStandardError());
}

// Another program in the middle of a write: the write lock held.
struct Writer {
    explicit Writer(const QString& file) {
        sqlite3_open(QFile::encodeName(file).constData(), &db);
        ok = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    void end() { sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr); }
    ~Writer() { sqlite3_close_v2(db); }
    sqlite3* db = nullptr;
    bool ok = false;
};

} // namespace

class TestTwoPrograms : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void start_during_a_restore_data();
    void start_during_a_restore();
    void older_base_data();
    void older_base();
    void version_is_printed();
};

// `vordan --version` and `-v` print the version "À propos de VORDAN" shows,
// and start nothing.
void TestTwoPrograms::version_is_printed() {
    for (const char* option : {"--version", "-v"}) {
        QProcess p;
        p.start(QStringLiteral(VORDAN_PROGRAM), {QString::fromLatin1(option)});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        // A console's line end: CR LF on Windows.
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).remove(QLatin1Char('\r')),
                 VdnMenu::aboutText(QString()).section(QLatin1Char('\n'), 0, 0) + "\n");
    }
}

void TestTwoPrograms::initTestCase() {
    qputenv("VORDAN_BUSY_TIMEOUT_MS", "300");
    // The program reads the CHEMIN.QZ of its own folder first.
    QVERIFY(!QFile::exists(QFileInfo(QStringLiteral(VORDAN_PROGRAM)).dir().filePath("CHEMIN.QZ")));
}

void TestTwoPrograms::start_during_a_restore_data() {
    QTest::addColumn<int>("busyMs"); // the program waits twelve times this
    QTest::addColumn<bool>("started");
    QTest::newRow("the restore ends first: the program waits") << 3000 << true;
    QTest::newRow("the restore lasts: the program refuses") << 100 << false;
}

void TestTwoPrograms::start_during_a_restore() {
    QFETCH(int, busyMs);
    QFETCH(bool, started);
    OldShop shop;
    QVERIFY(shop.ok());
    QTemporaryDir drive;
    QVERIFY(backUp(shop.folder.folder(), drive.path()).complete());
    QVERIFY(shop.downgrade());

    Result<std::unique_ptr<PreparedRestore>> restore =
        prepareRestore(shop.folder.folder(), drive.path(), Now);
    QVERIFY2(restore.ok(), restore.ok() ? "" : qPrintable(restore.error().text));
    auto program = start(shop, {}, busyMs);
    // While the restore runs the program neither opens (nor upgrades) the
    // base nor counts as a program at work on it.
    QTest::qWait(1500);
    QCOMPARE(shop.version(), 3);
    QCOMPARE(shop.locks(), QStringList{});
    if (!started) {
        int code = 0;
        const QString err =
            endOf(*program, QStringLiteral("Une restauration de sauvegarde est en cours"), &code);
        QVERIFY2(err.contains(QStringLiteral("Une restauration de sauvegarde est en cours sur la "
                                             "base %1 ; VORDAN ne peut pas l'ouvrir")
                                  .arg(QDir::toNativeSeparators(shop.folder.databaseFile()))),
                 qPrintable(err));
    }
    Result<RestoreOutcome> done = completeRestore(**restore);
    QVERIFY2(done.ok(), done.ok() ? "" : qPrintable(done.error().text));
    if (started) {
        int code = 0;
        const QString err = endOf(*program, {}, &code);
        QVERIFY2(code == 0, qPrintable(err));
    }
    QCOMPARE(shop.version(), SchemaVersion);
    QCOMPARE(shop.locks(), QStringList{});
}

void TestTwoPrograms::older_base_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("two programs start together") << "start";
    QTest::newRow("two transfers read it together") << "transfer";
    QTest::newRow("another program has it open") << "open";
}

void TestTwoPrograms::older_base() {
    QFETCH(QString, what);
    OldShop shop;
    QVERIFY(shop.ok());
    QTemporaryDir out;
    QList<std::shared_ptr<QProcess>> programs;
    if (what == "open") {
        // This test program holds its lock as a running VORDAN does.
        DatabaseLock lock(shop.folder.folder());
        QVERIFY(lock.acquire());
        auto program = start(shop, {}, 300);
        int code = 0;
        const QString err = endOf(*program, QStringLiteral("relancez-le"), &code);
        // The holder is named by its process number (under Wine a Windows
        // program's number is Wine's own, which the lock file need not
        // share with the test: there any number is taken).
#ifdef Q_OS_WIN
        const QString pid = QStringLiteral("\\d+");
#else
        const QString pid = QString::number(QCoreApplication::applicationPid());
#endif
        const QRegularExpression said(
            QRegularExpression::escape(
                QStringLiteral("La base %1 doit être mise à jour pour cette version de VORDAN, "
                               "mais elle est ouverte ailleurs : programme ")
                    .arg(QDir::toNativeSeparators(shop.folder.databaseFile()))) +
            pid + QStringLiteral(" sur le poste "));
        QVERIFY2(err.contains(said), qPrintable(err));
        QCOMPARE(shop.version(), 3);
        lock.release();
        program = start(shop, {}, 300);
        const QString again = endOf(*program, {}, &code);
        QVERIFY2(code == 0, qPrintable(again));
        QCOMPARE(shop.version(), SchemaVersion);
        return;
    }
    // Both wait behind another program's write, then go at once.
    Writer writer(shop.folder.databaseFile());
    QVERIFY(writer.ok);
    for (int i = 1; i <= 2; ++i) {
        QVERIFY(QDir().mkpath(out.filePath(QString::number(i))));
        const QStringList args = what == "start"
                                     ? QStringList{}
                                     : QStringList{"--transferer", shop.folder.folder(),
                                                   out.filePath(QString::number(i)) + "/"};
        programs << start(shop, args, 15000);
    }
    QTest::qWait(1000);
    QCOMPARE(shop.version(), 3);
    writer.end();
    for (auto& p : programs) {
        int code = 0;
        const QString err = endOf(*p, {}, &code);
        QVERIFY2(code == 0, qPrintable(err));
    }
    QCOMPARE(shop.version(), SchemaVersion);
    if (what == "transfer")
        for (int i = 1; i <= 2; ++i) {
            auto copy = Connection::open(out.filePath(QString::number(i)) + "/vordan.mdb");
            QVERIFY(copy.ok());
            QCOMPARE(test::scalar(**copy, "SELECT count(*) FROM strclient").toInt(), 40);
        }
}

QTEST_MAIN(TestTwoPrograms)
#include "tst_two_programs.moc"
