// The database files a copy or a creation writes: bytes kept as stored, and
// a file that another program puts in place never removed.
#include "data/connection.h"
#include "data/database_creator.h"
#include "data/transfer.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

using namespace vdn;

namespace {

// Runs one statement on a file's own handle, with one text bound as bytes.
bool writeBytes(const QString& file, const char* sql, const QByteArray& bytes) {
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(file).constData(), &db) == SQLITE_OK &&
              sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
              sqlite3_bind_text(st, 1, bytes.constData(), int(bytes.size()), SQLITE_STATIC) ==
                  SQLITE_OK &&
              sqlite3_step(st) == SQLITE_DONE;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return ok;
}

// The bytes stored in one text field.
QByteArray storedBytes(const QString& file, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    QByteArray bytes("<absent>");
    if (sqlite3_open(QFile::encodeName(file).constData(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        bytes = QByteArray(static_cast<const char*>(sqlite3_column_blob(st, 0)),
                           sqlite3_column_bytes(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return bytes;
}

} // namespace

class TestDatabaseFiles : public QObject {
    Q_OBJECT
private slots:
    void transfer_keeps_the_stored_bytes_data();
    void transfer_keeps_the_stored_bytes();
    void creation_keeps_a_file_put_there_meanwhile();
};

void TestDatabaseFiles::transfer_keeps_the_stored_bytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Windows-1252 memo") << QByteArray("caf\xe9 \x80 \x9c\x75vre");
    QTest::newRow("a NUL inside") << QByteArray("avant\0apr\xc3\xa8s", 12);
    QTest::newRow("a lone continuation byte") << QByteArray("\x80");
    QTest::newRow("UTF-8 beyond the plane") << QByteArray("boule \xf0\x9f\x8e\xb3");
}

void TestDatabaseFiles::transfer_keeps_the_stored_bytes() {
    QFETCH(QByteArray, bytes);
    test::DataFolder source;
    QVERIFY(source.ok());
    QVERIFY(writeBytes(source.databaseFile(),
                       "INSERT INTO strclient (clt_cod, clt_nom, clt_memo) VALUES ('000777', "
                       "'AUTRE OUTIL', ?)",
                       bytes));
    QVERIFY(writeBytes(source.databaseFile(),
                       "INSERT INTO strparam (par_table, par_lib) VALUES ('MARQUE', ?)", bytes));
    QTemporaryDir out;
    Result<QList<TableCount>> copied = transferDatabase(source.folder(), out.path() + "/");
    QVERIFY2(copied.ok(), copied.ok() ? "" : qPrintable(copied.error().text));
    const QString copy = out.filePath("vordan.mdb");
    QCOMPARE(storedBytes(copy, "SELECT CAST(clt_memo AS BLOB) FROM strclient WHERE clt_cod = "
                               "'000777'"),
             bytes);
    // The value added last is copied last.
    QCOMPARE(storedBytes(copy, "SELECT CAST(par_lib AS BLOB) FROM strparam WHERE rowid = (SELECT "
                               "max(rowid) FROM strparam)"),
             bytes);
}

void TestDatabaseFiles::creation_keeps_a_file_put_there_meanwhile() {
    QTemporaryDir folder;
    const QString path = folder.filePath("vordan.mdb");
    CreateOptions options;
    options.folder = folder.path();
    options.demo = DemoOptions{};
    options.demo->customers = 4000;
    Status created;
    QThread* creation = QThread::create([&] { created = createDatabase(options); });
    creation->start();
    // Once the creation is under way, another program puts its own file
    // under the database's name.
    QVERIFY(QTest::qWaitFor(
        [&] { return !QDir(folder.path()).entryList({"vordan.mdb*"}, QDir::Files).isEmpty(); },
        10000));
    QFile other(path);
    const bool written = other.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
                         other.write("le fichier d'un autre programme") > 0;
    other.close();
    QVERIFY(creation->wait(60000));
    delete creation;
    QVERIFY2(written, "a half-made database already carried the name");
    QVERIFY(!created.ok());
    QVERIFY2(created.error().text.contains("existe déjà ; il ne sera pas remplacé"),
             qPrintable(created.error().text));
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("le fichier d'un autre programme"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"vordan.mdb"});
}

QTEST_MAIN(TestDatabaseFiles)
#include "tst_database_files.moc"
