// ctest-systems: linux
#include "data/server_address.h"
#include "data/server_login.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace vdn;

class TestServerLogin : public QObject {
    Q_OBJECT
private slots:
    void password_file();
    void addresses_read_back_by_libpq();
};

// Each case: the file before (null: absent), the login and password, the file after.
void TestServerLogin::password_file() {
    const ServerLogin shop{"srv", 5432, "vordan", "vendeur"}, odd{"srv", 5433, "ba:se", "r\\o"};
    const struct {
        QByteArray before;
        ServerLogin login;
        QString password;
        QByteArray after;
    } cases[]{
        {{}, shop, "secret", "srv:5432:vordan:vendeur:secret\n"},
        // Replaced in its place; a later duplicate, which libpq never reads, dropped.
        {"a:1:b:c:d\n#srv:5432:vordan:vendeur:old\nsrv:5432:vordan:vendeur:old\n*:*:*:x:y\n"
         "srv:5432:vordan:vendeur:b\n",
         shop, "new",
         "a:1:b:c:d\n#srv:5432:vordan:vendeur:old\nsrv:5432:vordan:vendeur:new\n*:*:*:x:y\n"},
        {"", odd, "p:w\\d é", "srv:5433:ba\\:se:r\\\\o:p\\:w\\\\d é\n"},
        {"srv:5433:ba\\:se:r\\\\o:old\r\nz:1:z:z:z", odd, "n",
         "srv:5433:ba\\:se:r\\\\o:n\nz:1:z:z:z\n"},
        {"srv:5433:vordan:vendeur:a\nsrv:5432:vordan2:vendeur:b\n", shop, "c",
         "srv:5433:vordan:vendeur:a\nsrv:5432:vordan2:vendeur:b\nsrv:5432:vordan:vendeur:c\n"},
        // A wildcard line read first would hide the entry: it goes before it (an
        // escaped star is no wildcard).
        {"\\*:5432:vordan:vendeur:o\n*:*:*:vendeur:old\n", shop, "new",
         "\\*:5432:vordan:vendeur:o\nsrv:5432:vordan:vendeur:new\n*:*:*:vendeur:old\n"},
        {"*:*:*:*:w\n", {"h", 1, "*", "*"}, "s", "h:1:\\*:\\*:s\n*:*:*:*:w\n"},
        {"",
         {"/run/postgresql", 5432, "vordan", "vendeur"},
         "s",
         "localhost:5432:vordan:vendeur:s\n"},
    };
    QTemporaryDir home, other;
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("PGPASSFILE");
    const QString file = home.filePath(".pgpass");
    for (const auto& c : cases) {
        QFile f(file);
        f.remove();
        // Readable by others before: libpq would ignore such a file.
        QVERIFY(c.before.isNull() || (f.open(QIODevice::WriteOnly) && f.write(c.before) >= 0 &&
                                      f.setPermissions(QFile::ReadOwner | QFile::ReadOther)));
        f.close();
        QVERIFY(savePassword(c.login, c.password).ok());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), c.after);
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(file).constData(), &st) == 0 &&
                (st.st_mode & 0777) == 0600);
        // Read back as libpq splits it, one line holds the login and its password.
        int found = 0;
        for (const QByteArray& line : c.after.split('\n'))
            found += passwordFileFields(QString::fromUtf8(line)).mid(1) ==
                     QStringList{QString::number(c.login.port), c.login.database, c.login.role,
                                 c.password};
        QCOMPARE(found, 1);
    }
    QCOMPARE(passwordFileFields("#a:b:c:d:e") + passwordFileFields("a:b:c:d"), QStringList{});
    // PGPASSFILE names the file libpq reads: the entry goes there.
    qputenv("PGPASSFILE", other.filePath("mots").toUtf8());
    QVERIFY(savePassword(shop, "x").ok());
    QVERIFY(QFile::exists(other.filePath("mots")));
    for (const QString& bad : {QString("a\rb"), QString("a\n*:*:*:*:b"), QString("a") + QChar(0)})
        QVERIFY(!savePassword(shop, bad).ok() && !savePassword({bad, 1, "b", "r"}, "x").ok());
    QCOMPARE(QFile(other.filePath("mots")).size(), qint64(26));
    qputenv("PGPASSFILE", "/proc/vordan-absent/mots");
    const Status refused = savePassword(shop, "x");
    QVERIFY(!refused.ok() && refused.error().text.contains("n'a pas pu être écrit"));
    qunsetenv("PGPASSFILE");
}

// The address of the typed fields, read by libpq's own parser, gives back the
// same fields.
void TestServerLogin::addresses_read_back_by_libpq() {
    const ServerLogin logins[]{{"srv", 5432, "vordan", "vendeur"},
                               {"192.168.1.10", 6543, "pro shop", "vendeur@caisse"},
                               {"::1", 5432, "vordan", "r/ô:le"},
                               {"/run/postgresql", 5433, "vordan", "vendeur"},
                               {"serveur-boutique.local", 5432, "b?a#s%e", "v"}};
    for (const ServerLogin& l : logins) {
        const Result<ServerAddress> read = parseServerAddress(loginAddress(l));
        QVERIFY2(read.ok(), qPrintable(loginAddress(l)));
        QCOMPARE((QStringList{read->host, read->database, read->user}),
                 (QStringList{l.host, l.database, l.role}));
        QCOMPARE(read->port, l.port);
    }
}

QTEST_GUILESS_MAIN(TestServerLogin)
#include "tst_server_login.moc"
