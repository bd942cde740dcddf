#include "app/command_line.h"
#include "app/path_file.h"
#include "app/startup.h"
#include "data/connection.h"
#include "data/error_report.h"
#include "data/globals.h"
#include "data/transfer.h"
#include "support/files.h"
#include "support/fixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace vdn;

using test::writeFile;

namespace {

QByteArray hashOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void title_keeps_its_blanks();
    void path_file_first_line_data();
    void path_file_first_line();
    void path_file_refuses_what_is_not_a_path_data();
    void path_file_refuses_what_is_not_a_path();
    void path_file_found_in_program_folder_then_config_folder();
    void starts_on_the_named_database();
    void failures_name_the_file_and_leave_no_database_behind();
    void foreign_files_are_never_written_to_data();
    void foreign_files_are_never_written_to();
    void empty_shop_identity_is_a_failure();
    void unopened_database_explains_the_path_line();
    void command_line_data();
    void command_line();
    void addresses_through_every_reader_data();
    void addresses_through_every_reader();
};

void TestStartup::title_keeps_its_blanks() {
    QCOMPARE(mainTitle(QStringLiteral("LE STRIKE"), QStringLiteral("123")),
             QStringLiteral(
                 "VORDAN-   Logiciel VORDAN pour le compte de : LE STRIKE  N° LICENCE : 123"));
}

void TestStartup::path_file_first_line_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks around") << QByteArray("   /srv/data/  \nignored\n") << "/srv/data/";
    QTest::newRow("windows path") << QByteArray(" D:\\DATA\\ ") << "D:\\DATA\\";
    QTest::newRow("CR LF") << QByteArray("/srv/data/\r\nsecond\r\n") << "/srv/data/";
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF/srv/data/\n") << "/srv/data/";
    QTest::newRow("empty first line") << QByteArray("\n/srv/other/\n") << "";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("accents in UTF-8")
        << QByteArray("/srv/données clients/\n") << "/srv/données clients/";
    QTest::newRow("accents in Windows-1252") << QByteArray("C:\\DONN\xC9"
                                                           "ES\\\r\n")
                                             << "C:\\DONNÉES\\";
    // Bytes where Windows-1252 and Latin-1 differ, as a Windows editor saves
    // "Œuvres" and "Bœuf".
    QTest::newRow("Windows-1252 beyond Latin-1") << QByteArray("C:\\\x8C"
                                                               "UVRES\\B\x9C"
                                                               "UF\\\r\n")
                                                 << "C:\\ŒUVRES\\BœUF\\";
    QTest::newRow("tab kept inside") << QByteArray("\t/a\tb/ \n") << "/a\tb/";
}

void TestStartup::path_file_first_line() {
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    const Result<QString> base = parsePathFile(content, QStringLiteral("CHEMIN.QZ"));
    QVERIFY(base.ok());
    QCOMPARE(*base, expected);
}

void TestStartup::path_file_refuses_what_is_not_a_path_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("binary garbage") << QByteArray("\x7f\x45\x4c\x46\x02\x01\x00\x00\x00", 9);
    QTest::newRow("NUL inside") << QByteArray("/srv/\0data/\n", 12);
    QTest::newRow("1 MiB line") << QByteArray(1 << 20, 'a');
    QTest::newRow("escape character") << QByteArray("/srv/\x1b[31m/\n");
}

void TestStartup::path_file_refuses_what_is_not_a_path() {
    QFETCH(QByteArray, content);
    const Result<QString> base = parsePathFile(content, QStringLiteral("/x/CHEMIN.QZ"));
    QVERIFY(!base.ok());
    QCOMPARE(base.error().number, errnum::NotText);
    QVERIFY(base.error().text.contains(QStringLiteral("/x/CHEMIN.QZ")));
}

void TestStartup::path_file_found_in_program_folder_then_config_folder() {
    QTemporaryDir program, config;
    QCOMPARE(findPathFile(program.path(), config.path()), QString());
    QVERIFY(writeFile(config.filePath(QStringLiteral("CHEMIN.QZ")), "/c/\n"));
    QCOMPARE(findPathFile(program.path(), config.path()),
             config.filePath(QStringLiteral("CHEMIN.QZ")));
    QVERIFY(writeFile(program.filePath(QStringLiteral("CHEMIN.QZ")), "/p/\n"));
    QCOMPARE(findPathFile(program.path(), config.path()),
             program.filePath(QStringLiteral("CHEMIN.QZ")));
    // Also a whole read from a real file, 1 MiB long.
    QVERIFY(writeFile(program.filePath(QStringLiteral("CHEMIN.QZ")), QByteArray(1 << 20, 'x')));
    QVERIFY(!readPathFile(program.filePath(QStringLiteral("CHEMIN.QZ"))).ok());
}

void TestStartup::starts_on_the_named_database() {
    // A data folder whose path holds blanks and accents, named with blanks
    // around it and CR LF line ends.
    QTemporaryDir root;
    const QString data = root.filePath(QStringLiteral("Données du magasin/"));
    CreateOptions create;
    create.folder = data;
    create.shopName = QStringLiteral("LE STRIKE");
    create.licence = QStringLiteral("123");
    QVERIFY(createDatabase(create).ok());
    QTemporaryDir program;
    QVERIFY(writeFile(program.filePath(QStringLiteral("CHEMIN.QZ")),
                      "  " + data.toUtf8() + "  \r\nautre\r\n"));
    const Result<StartupInfo> info = startUp(program.path(), QString());
    QVERIFY2(info.ok(), info.ok() ? "" : qPrintable(info.error().text));
    QCOMPARE(info->chemin_base, data);
    QCOMPARE(info->shopName, QStringLiteral("LE STRIKE"));
    QCOMPARE(info->licence, QStringLiteral("123"));
    QCOMPARE(info->shopCode, QStringLiteral("1"));
    QCOMPARE(info->title,
             QStringLiteral(
                 "VORDAN-   Logiciel VORDAN pour le compte de : LE STRIKE  N° LICENCE : 123"));
}

void TestStartup::failures_name_the_file_and_leave_no_database_behind() {
    QTemporaryDir program, config, data;
    // No CHEMIN.QZ anywhere: the message says how to make a database.
    Result<StartupInfo> info = startUp(program.path(), config.path());
    QVERIFY(!info.ok());
    QCOMPARE(info.error().number, errnum::FileNotFound);
    QVERIFY(info.error().text.contains(QStringLiteral("CHEMIN.QZ")));
    QVERIFY(info.error().text.contains(QStringLiteral("--creer-base")));

    // CHEMIN.QZ names a folder without a database: refused, nothing created.
    const QString base = data.path() + QLatin1Char('/');
    QVERIFY(writeFile(config.filePath(QStringLiteral("CHEMIN.QZ")), base.toUtf8() + "\n"));
    info = startUp(program.path(), config.path());
    QVERIFY(!info.ok());
    QCOMPARE(info.error().number, errnum::DatabaseNotFound);
    QVERIFY(info.error().text.contains(base + QStringLiteral("vordan.mdb")));
    QVERIFY(!QFile::exists(base + QStringLiteral("vordan.mdb")));

    // Unreadable CHEMIN.QZ (a folder of that name).
    QVERIFY(QDir(program.path()).mkdir(QStringLiteral("CHEMIN.QZ")));
    info = startUp(program.path(), config.path());
    QVERIFY(!info.ok());
    QVERIFY(info.error().text.contains(QStringLiteral("CHEMIN.QZ")));
}

void TestStartup::foreign_files_are_never_written_to_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("number");
    QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    jet.append(QByteArray(2048, '\x11'));
    QByteArray ace("\x00\x01\x00\x00Standard ACE DB\x00", 20);
    ace.append(QByteArray(2048, '\x22'));
    QTest::newRow("Access Jet file") << jet << errnum::UnrecognizedFormat;
    QTest::newRow("Access ACE file") << ace << errnum::UnrecognizedFormat;
    QTest::newRow("text file") << QByteArray("bonjour\n") << errnum::UnrecognizedFormat;
    QTest::newRow("empty file") << QByteArray() << errnum::UnrecognizedFormat;
    QByteArray corrupt("SQLite format 3\0", 16);
    corrupt.append(QByteArray(4080, '\xff'));
    QTest::newRow("damaged SQLite header") << corrupt << 26; // SQLITE_NOTADB
}

void TestStartup::foreign_files_are_never_written_to() {
    QFETCH(QByteArray, content);
    QFETCH(int, number);
    QTemporaryDir program, data;
    const QString db = data.filePath(QStringLiteral("vordan.mdb"));
    QVERIFY(writeFile(db, content));
    QVERIFY(writeFile(program.filePath(QStringLiteral("CHEMIN.QZ")), data.path().toUtf8() + "/"));
    const QByteArray before = hashOf(db);
    const Result<StartupInfo> info = startUp(program.path(), QString());
    QVERIFY(!info.ok());
    QCOMPARE(info.error().number, number);
    // The message names the file and says why in French.
    QVERIFY2(info.error().text.contains(QDir::toNativeSeparators(db)),
             qPrintable(info.error().text));
    QVERIFY2(!info.error().text.contains(QStringLiteral("file is not a database")),
             qPrintable(info.error().text));
    if (number == 26)
        QVERIFY(info.error().text.contains(QStringLiteral("n'est pas une base de données VORDAN")));
    QCOMPARE(hashOf(db), before);
    QVERIFY(!QFile::exists(db + QStringLiteral("-journal")));
}

void TestStartup::empty_shop_identity_is_a_failure() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    {
        auto c = folder.connect();
        QVERIFY(c->execute(QStringLiteral("DELETE FROM strspecif")).ok());
    }
    const Result<StartupInfo> info = startUp(folder.folder(), QString());
    QVERIFY(!info.ok());
    QCOMPARE(info.error().number, errnum::NoCurrentRecord);
    QVERIFY2(info.error().text.contains(QDir::toNativeSeparators(folder.databaseFile())),
             qPrintable(info.error().text));
}

void TestStartup::unopened_database_explains_the_path_line() {
    QTemporaryDir program, data;
    const QString pathFile = program.filePath(QStringLiteral("CHEMIN.QZ"));
    // An empty line: the bare name, looked for in the current folder.
    QVERIFY(writeFile(pathFile, "  \n"));
    Result<StartupInfo> info = startUp(program.path(), QString());
    QVERIFY(!info.ok());
    QCOMPARE(info.error().number, errnum::DatabaseNotFound);
    QVERIFY2(info.error().text.contains(QStringLiteral("la base a été cherchée dans le dossier "
                                                       "courant (") +
                                        QDir::toNativeSeparators(QDir::currentPath()) +
                                        QLatin1Char(')')),
             qPrintable(info.error().text));

    // A folder named without its final "/".
    QVERIFY(writeFile(data.filePath(QStringLiteral("vordan.mdb")), "x"));
    QVERIFY(writeFile(pathFile, data.path().toUtf8() + "\n"));
    info = startUp(program.path(), QString());
    QVERIFY(!info.ok());
    QVERIFY2(info.error().text.contains(data.path() + QStringLiteral("vordan.mdb")),
             qPrintable(info.error().text));
    QVERIFY2(info.error().text.contains(QStringLiteral("le chemin doit se terminer par ") +
                                        QDir::separator()),
             qPrintable(info.error().text));

    // With its "/", a missing database gets no such hint.
    QVERIFY(QFile::remove(data.filePath(QStringLiteral("vordan.mdb"))));
    QVERIFY(writeFile(pathFile, data.path().toUtf8() + "/\n"));
    info = startUp(program.path(), QString());
    QVERIFY(!info.ok());
    QVERIFY(!info.error().text.contains(QStringLiteral("doit se terminer")));
    QVERIFY(!info.error().text.contains(QStringLiteral("dossier courant")));
}

void TestStartup::command_line_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("shop");
    QTest::addColumn<bool>("demo");
    const int run = int(CommandLine::Action::Run), create = int(CommandLine::Action::Create),
              help = int(CommandLine::Action::Help), error = int(CommandLine::Action::Error);
    QTest::newRow("nothing") << QStringList{"vordan"} << run << ""
                             << "MON PRO SHOP" << false;
    QTest::newRow("create") << QStringList{"vordan",    "--creer-base", "/d",
                                           "--magasin", "LE STRIKE",    "--demo"}
                            << create << "/d"
                            << "LE STRIKE" << true;
    QTest::newRow("aide") << QStringList{"vordan", "--aide"} << help << ""
                          << "MON PRO SHOP" << false;
    QTest::newRow("help") << QStringList{"vordan", "--help"} << help << ""
                          << "MON PRO SHOP" << false;
    for (const char* option : {"--version", "-v"})
        QTest::newRow(option) << QStringList{"vordan", option} << int(CommandLine::Action::Version)
                              << ""
                              << "MON PRO SHOP" << false;
    QTest::newRow("missing folder") << QStringList{"vordan", "--creer-base"} << error << ""
                                    << "MON PRO SHOP" << false;
    QTest::newRow("unknown") << QStringList{"vordan", "--vite"} << error << ""
                             << "MON PRO SHOP" << false;
    QTest::newRow("demo alone") << QStringList{"vordan", "--demo"} << error << ""
                                << "MON PRO SHOP" << true;
}

void TestStartup::command_line() {
    QFETCH(QStringList, args);
    QFETCH(int, action);
    QFETCH(QString, folder);
    QFETCH(QString, shop);
    QFETCH(bool, demo);
    const CommandLine cl = parseCommandLine(args);
    QCOMPARE(int(cl.action), action);
    QCOMPARE(cl.create.folder, folder);
    QCOMPARE(cl.create.shopName, shop);
    QCOMPARE(cl.create.demo.has_value(), demo);
    QCOMPARE(cl.error.isEmpty(), action != int(CommandLine::Action::Error));
}

// The path file, --creer-base and --transferer, given an address: a password
// in it reaches no message (the start-up box and stderr show the report's
// text), and an address that names no server VORDAN reads never becomes a
// local folder.
void TestStartup::addresses_through_every_reader_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("commandLineTakesIt");
    const QString pg = QStringLiteral("postgresql://");
    QTest::newRow("password") << pg + "vendeur:secret42@127.0.0.1:1/b" << true;
    QTest::newRow("percent in password") << pg + "vendeur:se%cret42@127.0.0.1:1/b" << true;
    QTest::newRow("unknown parameter") << pg + "v:secret42@h/b?currentSchema=x" << true;
    QTest::newRow("client key") << pg + "h/b?sslpassword=secret42&sslmode=require" << true;
    // Reaches no server (a socket folder that does not exist).
    QTest::newRow("other spelling") << "postgres:///b?host=/nonexistent-vordan" << true;
    QTest::newRow("capitals") << "POSTGRESQL:///b?host=/nonexistent-vordan" << true;
    QTest::newRow("web") << "http://h/b" << false;
}

void TestStartup::addresses_through_every_reader() {
    QFETCH(QString, location);
    QFETCH(bool, commandLineTakesIt);
    QTemporaryDir cwd, program;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(cwd.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    test::DataFolder data;
    QVERIFY(data.ok());
    QList<DataError> errors;

    QVERIFY(writeFile(program.filePath(QStringLiteral("CHEMIN.QZ")), location.toUtf8() + "\n"));
    const Result<StartupInfo> info = startUp(program.path(), QString());
    QVERIFY(!info.ok());
    errors << info.error();
    CreateOptions create;
    create.folder = location;
    const Status made = createDatabase(create);
    QVERIFY(!made.ok());
    errors << made.error();
    for (const auto& [from, to] :
         {std::pair(data.folder(), location), std::pair(location, data.folder())}) {
        const Result<QList<TableCount>> copied = transferDatabase(from, to);
        QVERIFY(!copied.ok());
        errors << copied.error();
    }
    for (const QStringList& args :
         {QStringList{"vordan", "--creer-base", location},
          QStringList{"vordan", "--transferer", data.folder(), location}}) {
        const CommandLine cl = parseCommandLine(args);
        QCOMPARE(cl.action == CommandLine::Action::Error, !commandLineTakesIt);
        errors << DataError::other(0, cl.error);
    }

    for (const DataError& e : errors) {
        QString all = errorReportText(e) + e.text;
        for (const EngineError& engine : e.engineErrors)
            all += engine.message + engine.statement;
        for (const char* piece : {"secret42", "ret42"})
            QVERIFY2(!all.contains(QLatin1String(piece)), qPrintable(all));
    }
    // Nothing was made where the program runs ("./postgres:/b/vordan.mdb").
    QCOMPARE(QDir(cwd.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
