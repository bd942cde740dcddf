// ctest-labels: postgresql
#include "app/backup.h"
#include "app/restore.h"
#include "customers/customer_store.h"
#include "data/connection.h"
#include "data/database_creator.h"
#include "data/dialect.h"
#include "data/error_report.h"
#include "data/globals.h"
#include "data/schema.h"
#include "data/statement.h"
#include "data/transfer.h"
#include "data/val.h"
#include "support/concurrent_writer.h"
#include "support/fixture.h"
#include "support/outside_program.h"
#include "support/pg_cluster.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <thread>

using namespace vdn;

namespace {

std::unique_ptr<Connection> open(const QString& address,
                                 Connection::Mode mode = Connection::Mode::ExistingOnly) {
    Result<std::unique_ptr<Connection>> c = Connection::open(address, mode);
    if (!c) {
        qWarning("cannot open %s: %s", qPrintable(address), qPrintable(c.error().text));
        return nullptr;
    }
    return std::move(*c);
}

// A new database of the test cluster made by the program's creation code
// (its address in `address`), and a connection on it; null on a failure.
std::unique_ptr<Connection> createdDatabase(test::PgCluster& cluster, QString* address = nullptr,
                                            std::optional<DemoOptions> demo = std::nullopt) {
    CreateOptions options;
    options.folder = cluster.newDatabase();
    options.demo = demo;
    if (address)
        *address = options.folder;
    if (Status s = createDatabase(options); !s) {
        qWarning("creation failed: %s", qPrintable(s.error().text));
        return nullptr;
    }
    return open(options.folder);
}

// Every row of every table, each row its fields joined, in key order: two
// databases with the same rows give the same lists.
QStringList contentOf(Connection& c) {
    QStringList all;
    const QList<std::pair<QString, QStringList>> tables{
        {QStringLiteral("strspecif"),
         specifFields() + QStringList{drillerField(), ruleProfileField()}},
        {QStringLiteral("strclient"), clientFields() + clientKeyFields()},
        {QStringLiteral("strmateriel"), ballFields()},
        {QStringLiteral("strpercage"), sheetFields()},
        {QStringLiteral("strparam"), paramFields()},
        {sheetHistoryTable(), sheetHistoryFields()},
        {ballDrillingTable(), ballDrillingFields()},
        {importTable(), importFields()},
        {importCodeTable(), importCodeFields()}};
    for (const auto& [table, fields] : tables) {
        Statement q(c.db(), selectText(table, fields));
        if (!q.exec().ok())
            return {QStringLiteral("<erreur>")};
        QStringList rows;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < fields.size(); ++i)
                row << (q.isNull(i) ? QStringLiteral("<null>") : q.value(i).toString());
            rows << table + QLatin1Char('|') + row.join(QLatin1Char('|'));
        }
        rows.sort(); // byte order of the UTF-16 texts: the same on both sides
        all << rows;
    }
    return all;
}

// Texts that put every branch of val() to work, then random ones built from
// the characters that matter.
QStringList valInputs() {
    QStringList inputs{
        "",
        " ",
        "42",
        "   12",
        "\t\n\r7",
        "-3,00",
        "+2.5",
        "0.05",
        "0,05",
        "112.5 mm",
        "1,5.3",
        "12.",
        ",5",
        ".5",
        "-.5",
        "4 1/2",
        "STORM",
        "-",
        "+",
        ".",
        ",",
        "007",
        "10é",
        "-0",
        "-0,0",
        "+-1",
        "--1",
        "1e5",
        "0x10",
        "١٢",
        "１２",
        "\u00a012",
        "\v12",
        "\f12",
        "123456789012345678901234567890",
        "0.1000000000000000055511151231257827",
        "9007199254740993",
        "1.7976931348623157e308",
        QString(309, QLatin1Char('9')),
        QString(308, QLatin1Char('9')),
        QStringLiteral("1") + QString(400, QLatin1Char('0')),
        QStringLiteral("-1") + QString(400, QLatin1Char('0')),
        QStringLiteral("0,") + QString(330, QLatin1Char('0')) + QStringLiteral("1"),
        QStringLiteral("0.") + QString(322, QLatin1Char('0')) + QStringLiteral("5"),
        QStringLiteral("0.") + QString(323, QLatin1Char('0')) + QStringLiteral("25"),
        QStringLiteral("0.") + QString(310, QLatin1Char('0')) + QStringLiteral("123"),
        QStringLiteral("00000") + QString(20, QLatin1Char('0')) + QStringLiteral("1,25"),
        QStringLiteral("1.") + QString(2000, QLatin1Char('3')),
        "179769313486231570814527423731704356798070567525844996598917476803157260780028538760589"
        "558632766878171540458953514382464234321326889464182768467546703537516986049910576551282"
        "076245490090389328944075868508455133942304583236903222948165808559332123348274797826204"
        "144723168738177180919299881250404026184124858368",
    };
    const QString alphabet = QStringLiteral("0123456789000.,,-+  \tx é");
    QRandomGenerator random(20261208);
    for (int i = 0; i < 3000; ++i) {
        QString s;
        const int length = int(random.bounded(12));
        for (int k = 0; k < length; ++k)
            s += alphabet.at(int(random.bounded(alphabet.size())));
        inputs << s;
    }
    return inputs;
}

bool sameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

} // namespace

class TestServer : public QObject {
    Q_OBJECT
private slots:
    void val_and_upper_on_the_server_match_the_program();
    void creation_fills_an_empty_database_once();
    void transfer_copies_every_row_both_ways();
    void transfer_to_a_database_in_use_writes_nothing();
    void server_failures_are_numbered_by_class();
    void stopped_server_loses_no_acknowledged_row();
    void idle_window_works_again_once_the_server_is_back();
    void restart_while_idle_goes_unnoticed();
    void backup_restored_into_the_server_database();
    void restores_keep_every_write_of_other_sessions();
    void backup_of_a_server_database_opens_without_server();
    void snapshot_keeps_every_text_null_and_order();
    void transfer_of_bytes_the_server_cannot_hold_writes_nothing();
    void upgrade_waits_for_the_first_workstation();
    void upgrade_refused_while_another_workstation_is_open();
    void reopened_session_reports_its_failed_set_up();
    void database_checked_before_opens_in_one_round_trip();
    void closed_connection_leaves_its_session_to_the_next();
};

namespace {

// Takes a database of the current version back to version 5, before the
// indexes of the order of addition.
bool backToVersion5(test::PgCluster& cluster, const QString& address) {
    QStringList drops;
    for (const QString& table : schemaTables())
        drops << table + QStringLiteral("_ordre");
    return cluster.psql(
        test::PgCluster::databaseOf(address),
        QStringLiteral("DROP TABLE %1, %4, %5, %6; ALTER TABLE strspecif DROP COLUMN %2; "
                       "DROP INDEX IF EXISTS %3; UPDATE vdn_version SET version = 5")
            .arg(ballDrillingTable(), ruleProfileField(), drops.join(QStringLiteral(", ")),
                 importStagingTable(), importCodeTable(), importTable()));
}

int serverVersion(test::PgCluster& cluster, const QString& address) {
    QString out;
    if (!cluster.psql(test::PgCluster::databaseOf(address),
                      QStringLiteral("SELECT version FROM vdn_version"), &out))
        return -1;
    return out.trimmed().toInt();
}

// The variable set for the life of a test.
struct ScopedEnv {
    ScopedEnv(const char* name, const QByteArray& value) : name(name), old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() { qputenv(name, old); }
    const char* name;
    QByteArray old;
};

} // namespace

void TestServer::transfer_of_bytes_the_server_cannot_hold_writes_nothing() {
    VDN_NEED_SERVER(cluster);
    test::DataFolder source;
    QVERIFY(source.ok());
    {
        // A memo written by another tool in Windows-1252.
        auto c = source.connect();
        QSqlQuery q(c->db());
        QVERIFY(q.exec(QStringLiteral("INSERT INTO strclient (clt_cod, clt_nom, clt_memo) VALUES "
                                      "('000777', 'AUTRE OUTIL', CAST(X'636166E9' AS TEXT))")));
    }
    const QString address = cluster.newDatabase();
    Result<QList<TableCount>> refused = transferDatabase(source.folder(), address);
    QVERIFY(!refused.ok());
    QVERIFY2(refused.error().text.startsWith(QStringLiteral(
                 "La table strclient, ligne 1 (clt_cod = « 000777 »), colonne clt_memo, "
                 "contient des octets qui ne sont pas du texte UTF-8")),
             qPrintable(refused.error().text));
    QString count;
    QVERIFY(cluster.psql(test::PgCluster::databaseOf(address),
                         QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables WHERE "
                                        "schemaname = 'public'"),
                         &count));
    QCOMPARE(count.trimmed(), QStringLiteral("0"));
}

void TestServer::upgrade_waits_for_the_first_workstation() {
    VDN_NEED_SERVER(cluster);
    QString address;
    auto holder = createdDatabase(cluster, &address, DemoOptions{});
    QVERIFY(holder);
    // This session is no workstation of VORDAN: it only holds a table that
    // the upgrade needs, as a long write would.
    QVERIFY(holder->execute(QStringLiteral("SELECT pg_advisory_unlock_all()")).ok());
    QVERIFY(backToVersion5(cluster, address));
    QVERIFY(holder->execute(QStringLiteral("BEGIN")).ok());
    QVERIFY(holder->execute(QStringLiteral("LOCK TABLE strspecif IN ACCESS EXCLUSIVE MODE")).ok());
    QTemporaryDir out;
    QList<std::shared_ptr<QProcess>> programs;
    for (int i = 1; i <= 2; ++i) {
        auto p = std::make_shared<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VORDAN_BUSY_TIMEOUT_MS"), QStringLiteral("20000"));
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(VORDAN_PROGRAM),
                 {QStringLiteral("--transferer"), address,
                  out.filePath(QString::number(i)) + QLatin1Char('/')});
        QVERIFY(QDir().mkpath(out.filePath(QString::number(i))));
        programs << p;
    }
    QTest::qWait(1500);
    QCOMPARE(serverVersion(cluster, address), 5);
    QVERIFY(holder->execute(QStringLiteral("ROLLBACK")).ok());
    for (auto& p : programs) {
        QVERIFY(p->waitForFinished(30000));
        QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
    }
    QCOMPARE(serverVersion(cluster, address), SchemaVersion);
}

void TestServer::upgrade_refused_while_another_workstation_is_open() {
    VDN_NEED_SERVER(cluster);
    QString address;
    auto other = createdDatabase(cluster, &address);
    QVERIFY(other);
    // Every session names its program and machine.
    QCOMPARE(test::scalar(*other, QStringLiteral("SELECT application_name FROM pg_stat_activity "
                                                 "WHERE pid = pg_backend_pid()"))
                 .toString(),
             QStringLiteral("VORDAN ") + QSysInfo::machineHostName());
    QVERIFY(backToVersion5(cluster, address));
    Result<std::unique_ptr<Connection>> refused = Connection::open(address);
    QVERIFY(!refused.ok());
    QCOMPARE(refused.error().number, errnum::InUse);
    QVERIFY2(refused.error().text.contains(
                 QStringLiteral("doit être mise à jour pour cette version de VORDAN, mais elle "
                                "est ouverte ailleurs : VORDAN %1 (local)")
                     .arg(QSysInfo::machineHostName())),
             qPrintable(refused.error().text));
    QCOMPARE(serverVersion(cluster, address), 5);
    other.reset();
    QVERIFY(QTest::qWaitFor([&] { return Connection::open(address).ok(); }, 5000));
    QCOMPARE(serverVersion(cluster, address), SchemaVersion);
}

void TestServer::reopened_session_reports_its_failed_set_up() {
    VDN_NEED_SERVER(cluster);
    ScopedEnv wait("VORDAN_BUSY_TIMEOUT_MS", "300");
    QString address;
    auto c = createdDatabase(cluster, &address);
    QVERIFY(c);
    auto blocker = open(address);
    QVERIFY(blocker);
    const QString pid = test::scalar(*c, QStringLiteral("SELECT pg_backend_pid()")).toString();
    QVERIFY(cluster.psql(test::PgCluster::databaseOf(address),
                         QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid)));
    // Another session holds what a new session's set-up needs past its wait:
    // the statement that met the loss is tried again on a new session, whose
    // set-up failure is reported.
    QVERIFY(blocker->execute(QStringLiteral("SELECT pg_advisory_unlock_all()")).ok());
    QVERIFY(blocker->execute(QStringLiteral("SELECT pg_advisory_lock(%1, 2)").arg(0x56444E)).ok());
    Result<QVariant> met = scalar(c->db(), QStringLiteral("SELECT 1"));
    QVERIFY(!met.ok());
    QCOMPARE(met.error().number, 8055);
    Result<QVariant> during = scalar(c->db(), QStringLiteral("SELECT 1"));
    QVERIFY(!during.ok());
    QCOMPARE(during.error().number, 8055);
    QVERIFY(blocker->execute(QStringLiteral("SELECT pg_advisory_unlock_all()")).ok());
    Result<QVariant> after = scalar(c->db(), QStringLiteral("SELECT 1"));
    QVERIFY2(after.ok(), after.ok() ? "" : qPrintable(after.error().text));
    QCOMPARE(after->toInt(), 1);
}

void TestServer::database_checked_before_opens_in_one_round_trip() {
    VDN_NEED_SERVER(cluster);
    QString address;
    auto first = createdDatabase(cluster, &address);
    QVERIFY(first && open(address));
    const StatementTally before = statementTally();
    auto again = open(address);
    QVERIFY(again);
    QCOMPARE(statementTally().run - before.run, quint64(1));
    // Set up as at a first opening: its settings, the mark of an open session.
    QCOMPARE(test::scalar(*again, QStringLiteral("SELECT current_setting('application_name') || "
                                                 "' ' || current_setting('client_min_messages')"))
                 .toString(),
             QStringLiteral("VORDAN %1 warning").arg(QSysInfo::machineHostName()));
    QCOMPARE(test::scalar(*again, QStringLiteral("SELECT count(*) FROM pg_locks WHERE locktype = "
                                                 "'advisory' AND pid = pg_backend_pid()"))
                 .toInt(),
             1);
    // Changed by a newer program since: refused as at a first opening.
    QVERIFY(
        cluster.psql(test::PgCluster::databaseOf(address),
                     QStringLiteral("UPDATE vdn_version SET version = %1").arg(SchemaVersion + 1)));
    Result<std::unique_ptr<Connection>> refused = Connection::open(address);
    QVERIFY(!refused.ok());
    QCOMPARE(refused.error().number, errnum::SchemaTooNew);
}

void TestServer::closed_connection_leaves_its_session_to_the_next() {
    VDN_NEED_SERVER(cluster);
    QString address;
    auto created = createdDatabase(cluster, &address);
    QVERIFY(created);
    const auto pidOf = [](Connection& c) {
        return test::scalar(c, QStringLiteral("SELECT pg_backend_pid()")).toInt();
    };
    auto first = open(address);
    QVERIFY(first);
    const int pid = pidOf(*first);
    first.reset();
    // No log-in: the closed connection's session, asked one statement.
    const StatementTally before = statementTally();
    auto again = open(address);
    QVERIFY(again);
    QCOMPARE(statementTally().run - before.run, quint64(1));
    QCOMPARE(pidOf(*again), pid);
    // Ended by the server meanwhile: the next connection works on a new one.
    again.reset();
    QVERIFY(cluster.psql(test::PgCluster::databaseOf(address),
                         QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid)));
    auto third = open(address);
    QVERIFY(third);
    QVERIFY(pidOf(*third) != pid);
    // Closed inside a transaction: never kept.
    const int thirdPid = pidOf(*third);
    QVERIFY(third->execute(QStringLiteral("BEGIN")).ok());
    third.reset();
    auto fourth = open(address);
    QVERIFY(fourth);
    QVERIFY(pidOf(*fourth) != thirdPid);
}

void TestServer::val_and_upper_on_the_server_match_the_program() {
    VDN_NEED_SERVER(cluster);
    const QString address = cluster.newDatabase();
    auto c = open(address, Connection::Mode::CreateNew);
    QVERIFY(c);
    QVERIFY(c->execute(QStringLiteral("CREATE TEMP TABLE t (n INTEGER, v TEXT)")).ok());
    const QStringList inputs = valInputs();
    {
        Transaction t(c->db());
        Statement insert(c->db(), QStringLiteral("INSERT INTO t VALUES (?, ?)"));
        for (int i = 0; i < inputs.size(); ++i)
            QVERIFY(insert.bind(i).bind(inputs.at(i)).exec().ok());
        QVERIFY(t.commit().ok());
    }
    Statement q(c->db(), QStringLiteral("SELECT n, val(v), val(NULL) FROM t ORDER BY n"));
    const Status ran = q.exec();
    QVERIFY2(ran.ok(), ran.ok() ? "" : qPrintable(engineErrorListText(ran.error())));
    int seen = 0;
    while (q.next()) {
        const int n = q.value(0).toInt();
        const double server = q.value(1).toDouble();
        const double program = val(QStringView(inputs.at(n)));
        QVERIFY2(sameDouble(server, program),
                 qPrintable(QStringLiteral("val(« %1 ») : serveur %2, programme %3")
                                .arg(inputs.at(n).left(60))
                                .arg(server, 0, 'g', 17)
                                .arg(program, 0, 'g', 17)));
        QCOMPARE(q.value(2).toDouble(), 0.0);
        ++seen;
    }
    QCOMPARE(seen, inputs.size());
    // Capitals of the letters a French shop types, as the program writes them.
    for (const QString& text : {QStringLiteral("éèêëàâäîïôöùûüçœæÿ"), QStringLiteral("straße"),
                                QStringLiteral("Zoé d'Almeida"), QStringLiteral("ǆ ǉ ﬁ")}) {
        Result<QVariant> upper =
            scalar(c->db(), QStringLiteral("SELECT vdn_upper(?)"), {QVariant(text)});
        QVERIFY(upper.ok());
        QCOMPARE(upper->toString(), text.toUpper());
    }
}

void TestServer::creation_fills_an_empty_database_once() {
    VDN_NEED_SERVER(cluster);
    const QString address = cluster.newDatabase();
    CreateOptions options;
    options.folder = address;
    options.shopName = QStringLiteral("BOWL'ÉTÉ");
    options.licence = QStringLiteral("0042");
    QVERIFY(createDatabase(options).ok());
    // The same lists and identity as a new SQLite file.
    test::DataFolder sqlite(test::DataFolder::Options{QStringLiteral("BOWL'ÉTÉ"),
                                                      QStringLiteral("0042"), std::nullopt, true});
    QVERIFY(sqlite.ok());
    auto server = open(address);
    QVERIFY(server);
    auto file = Connection::open(sqlite.databaseFile());
    QVERIFY(file.ok());
    QCOMPARE(contentOf(*server), contentOf(**file));
    QCOMPARE(test::scalar(*server, QStringLiteral("SELECT version FROM vdn_version")).toInt(),
             SchemaVersion);
    // Each table read in its order of addition through an index, not a sort
    // of the table (sorts discouraged, so that the few starter rows do not
    // make one cheaper); a version 5 database gets those indexes when opened.
    const auto walksInOrder = [](Connection& c) {
        QStringList sorted;
        if (!c.execute(QStringLiteral("SET enable_sort = off")).ok())
            return QStringList{QStringLiteral("<erreur>")};
        for (const QString& table : schemaTables()) {
            const Result<QStringList> steps = queryPlan(
                c.db(), QStringLiteral("SELECT * FROM %1 ORDER BY vdn_ordre").arg(table), {});
            const QString plan = steps ? steps->join(QLatin1Char('\n')) : steps.error().text;
            if (!plan.contains(QStringLiteral("Index Scan using %1_ordre").arg(table)))
                sorted << table + QLatin1String(": ") + plan;
        }
        (void)c.execute(QStringLiteral("RESET enable_sort"));
        return sorted;
    };
    QCOMPARE(walksInOrder(*server), QStringList());
    for (const QString& table : schemaTables())
        QVERIFY(server->execute(QStringLiteral("DROP INDEX %1_ordre").arg(table)).ok());
    // Nor what came after version 5.
    for (const QString& table :
         {ballDrillingTable(), importStagingTable(), importCodeTable(), importTable()})
        QVERIFY(server->execute(QStringLiteral("DROP TABLE ") + table).ok());
    QVERIFY(
        server->execute(QStringLiteral("ALTER TABLE strspecif DROP COLUMN ") + ruleProfileField())
            .ok());
    QVERIFY(server->execute(QStringLiteral("UPDATE vdn_version SET version = 5")).ok());
    QVERIFY(!walksInOrder(*server).isEmpty());
    server.reset();
    server = open(address);
    QVERIFY(server);
    QCOMPARE(test::scalar(*server, QStringLiteral("SELECT version FROM vdn_version")).toInt(),
             SchemaVersion);
    QCOMPARE(walksInOrder(*server), QStringList());
    // Text compares byte by byte, and a reference value once whatever its case.
    QCOMPARE(test::column(*server, QStringLiteral("SELECT DISTINCT collation_name FROM "
                                                  "information_schema.columns WHERE "
                                                  "table_name LIKE 'str%' AND data_type = 'text'")),
             QStringList{QStringLiteral("C")});
    QVERIFY(server
                ->execute(QStringLiteral("INSERT INTO strparam (par_table, par_lib) VALUES "
                                         "('99', 'Boule')"))
                .ok());
    const Status twice = server->execute(
        QStringLiteral("INSERT INTO strparam (par_table, par_lib) VALUES ('99', 'BOULE')"));
    QVERIFY(!twice.ok());
    QCOMPARE(twice.error().engineErrors.value(0).state, QStringLiteral("23505"));
    QVERIFY(server
                ->execute(QStringLiteral("INSERT INTO strparam (par_table, par_lib) VALUES "
                                         "('99', 'BOULÉ')"))
                .ok());
    // A second creation is refused and leaves the rows alone.
    const Status again = createDatabase(options);
    QVERIFY(!again.ok());
    QVERIFY(again.error().text.contains(QStringLiteral("déjà")));
    QCOMPARE(test::scalar(*server, QStringLiteral("SELECT count(*) FROM strparam WHERE "
                                                  "par_table = '99'"))
                 .toInt(),
             2);
}

void TestServer::transfer_copies_every_row_both_ways() {
    VDN_NEED_SERVER(cluster);
    test::DataFolder::Options demo;
    demo.demo = DemoOptions{};
    test::DataFolder source(demo);
    QVERIFY(source.ok());
    {
        // A row written by another program, its keys still to compute, and
        // texts that test the copy.
        auto c = source.connect();
        QVERIFY(c->execute(QStringLiteral("INSERT INTO strclient (clt_cod, clt_nom, clt_memo) "
                                          "VALUES ('900001', 'Œdipe ''Ω''', 'a\r\nb;\"c\"')"))
                    .ok());
        // The shop's driller and two dated versions of a sheet go along.
        QVERIFY(
            c->execute(QStringLiteral("UPDATE strspecif SET spe_perceur = 'Zoé Ødegård'")).ok());
        QVERIFY(c->execute(QStringLiteral("INSERT INTO strpercage_hist (per_code, his_num, "
                                          "his_date, his_perceur, PER_08) VALUES "
                                          "('900001', '000001', '2026-01-02 10:00:00', '', "
                                          "'4 1/2'), ('900001', '000002', "
                                          "'2026-03-04 11:30:00', 'Zoé', '4 5/8')"))
                    .ok());
        // So do the rule profile and a ball's drillings.
        QVERIFY(c->execute(QStringLiteral("UPDATE strspecif SET spe_regles = 'USBC'")).ok());
        QVERIFY(c->execute(QStringLiteral("INSERT INTO strperc_boule (MAT_CODE, MAT_LG, pb_num, "
                                          "pb_perceur, his_num, pb_verdict) VALUES ('900001', "
                                          "'001', '000001', 'Zoé', '000002', 'Non conforme "
                                          "USBC : trou d''équilibrage')"))
                    .ok());
        // And the import history, with the codes an import created.
        QVERIFY(c->execute(QStringLiteral("INSERT INTO strimport (imp_num, imp_date, imp_fichier, "
                                          "imp_crees, imp_etat) VALUES ('000001', '2026-05-06 "
                                          "09:00:00', 'ancien fichier.csv', '1', 'faite')"))
                    .ok());
        QVERIFY(c->execute(QStringLiteral("INSERT INTO strimport_client (imp_num, clt_cod) VALUES "
                                          "('000001', '900001')"))
                    .ok());
    }
    const QString address = cluster.newDatabase();
    Result<QList<TableCount>> there = transferDatabase(source.folder(), address);
    QVERIFY2(there.ok(), there.ok() ? "" : qPrintable(there.error().text));
    QCOMPARE(there->size(), schemaTables().size());
    auto original = source.connect();
    auto server = open(address);
    QVERIFY(server);
    const QStringList rows = contentOf(*original);
    QVERIFY(rows.size() > 300);
    QCOMPARE(contentOf(*server), rows);
    for (const TableCount& count : *there)
        QCOMPARE(count.rows,
                 test::scalar(*original, QStringLiteral("SELECT count(*) FROM ") + count.table)
                     .toLongLong());
    // Back to a new folder (no final "/"), and from it to another folder.
    QTemporaryDir back;
    QVERIFY(transferDatabase(address, back.path()).ok());
    auto returned = Connection::open(back.filePath(QStringLiteral("vordan.mdb")));
    QVERIFY(returned.ok());
    QCOMPARE(contentOf(**returned), rows);
    QTemporaryDir third;
    QVERIFY(transferDatabase(back.path() + QLatin1Char('/'), third.path() + QLatin1Char('/')).ok());
    auto copied = Connection::open(third.filePath(QStringLiteral("vordan.mdb")));
    QVERIFY(copied.ok());
    QCOMPARE(contentOf(**copied), rows);
}

void TestServer::transfer_to_a_database_in_use_writes_nothing() {
    VDN_NEED_SERVER(cluster);
    test::DataFolder source;
    QVERIFY(source.ok());
    // A server database that already holds VORDAN's tables.
    const QString used = cluster.newDatabase();
    CreateOptions options;
    options.folder = used;
    QVERIFY(createDatabase(options).ok());
    QVERIFY(
        cluster.psql(test::PgCluster::databaseOf(used), QStringLiteral("DELETE FROM strparam")));
    Result<QList<TableCount>> refused = transferDatabase(source.folder(), used);
    QVERIFY(!refused.ok());
    QString count;
    QVERIFY(cluster.psql(test::PgCluster::databaseOf(used),
                         QStringLiteral("SELECT count(*) FROM strparam"), &count));
    QCOMPARE(count, QStringLiteral("0"));
    // A database where the copy fails half-way keeps none of it.
    const QString clash = cluster.newDatabase();
    QVERIFY(cluster.psql(test::PgCluster::databaseOf(clash),
                         QStringLiteral("CREATE TABLE strindex_nom (x int); "
                                        "CREATE TABLE vdn_version (x int)")));
    QVERIFY(!transferDatabase(source.folder(), clash).ok());
    QVERIFY(cluster.psql(test::PgCluster::databaseOf(clash),
                         QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE "
                                        "table_name LIKE 'str%'"),
                         &count));
    QCOMPARE(count, QStringLiteral("1"));
    // A folder that holds a database keeps it as it was.
    test::DataFolder folder;
    QVERIFY(folder.ok());
    const QByteArray before = [&] {
        QFile f(folder.databaseFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(!transferDatabase(source.folder(), folder.folder()).ok());
    QFile after(folder.databaseFile());
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

void TestServer::server_failures_are_numbered_by_class() {
    VDN_NEED_SERVER(cluster);
    const auto failureOf = [](const QString& address) {
        Result<std::unique_ptr<Connection>> c = Connection::open(address);
        return c.ok() ? DataError{} : c.error();
    };
    // A database that does not exist, a role the server does not know, a
    // port where no server listens.
    DataError missing = failureOf(cluster.address(QStringLiteral("absente")));
    QCOMPARE(missing.number, 8030);
    QCOMPARE(missing.engineErrors.value(0).state, QStringLiteral("3D000"));
    QVERIFY(missing.text.contains(QStringLiteral("n'existe pas")));
    QVERIFY(engineErrorListText(missing).contains(QStringLiteral("SQLSTATE 3D000")));
    QVERIFY(engineErrorListText(missing).contains(QStringLiteral("absente")));
    QString other = cluster.address(QStringLiteral("postgres"));
    other.replace(QStringLiteral("vordan_test@"), QStringLiteral("inconnu@"));
    QCOMPARE(failureOf(other).number, 8028);
    const DataError down =
        failureOf(QStringLiteral("postgresql://x@127.0.0.1:1/vordan?connect_timeout=5"));
    QCOMPARE(down.number, 8008);
    QVERIFY(down.text.contains(QStringLiteral("ne répond pas")));
    // A role without rights on the tables.
    const QString address = cluster.newDatabase();
    CreateOptions options;
    options.folder = address;
    QVERIFY(createDatabase(options).ok());
    QVERIFY(cluster.psql(QStringLiteral("postgres"),
                         QStringLiteral("DO $$BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE "
                                        "rolname = 'sansdroit') THEN CREATE ROLE sansdroit "
                                        "LOGIN; END IF; END$$")));
    QString limited = address;
    limited.replace(QStringLiteral("vordan_test@"), QStringLiteral("sansdroit@"));
    const DataError denied = failureOf(limited);
    QCOMPARE(denied.number, 8043);
    QCOMPARE(denied.engineErrors.value(0).state, QStringLiteral("42501"));
    QVERIFY(denied.text.contains(QStringLiteral("droits")));
}

void TestServer::stopped_server_loses_no_acknowledged_row() {
    VDN_NEED_SERVER(cluster);
    auto c = createdDatabase(cluster);
    QVERIFY(c);
    const QString insertCustomer = insertText(
        QStringLiteral("strclient"), {QStringLiteral("clt_cod"), QStringLiteral("clt_nom")});
    const QString insertBall = insertText(QStringLiteral("strmateriel"),
                                          {QStringLiteral("MAT_CODE"), QStringLiteral("MAT_LG")});
    QVERIFY(run(c->db(), insertCustomer, {QStringLiteral("000001"), QStringLiteral("GARDÉ")}).ok());
    // Statements a window prepares once and runs again with new values.
    Statement first(c->db(), QStringLiteral("SELECT count(*) FROM strclient WHERE clt_cod >= ?"));
    Statement second(c->db(), QStringLiteral("SELECT count(*) FROM strclient WHERE clt_cod < ?"));
    QVERIFY(first.bind(QStringLiteral("0")).execFirst().ok());
    QVERIFY(second.bind(QStringLiteral("9")).execFirst().ok());
    {
        // A validation of a customer and its balls, cut before its commit.
        Transaction t(c->db());
        QVERIFY(t.started().ok());
        QVERIFY(
            run(c->db(), insertCustomer, {QStringLiteral("000002"), QStringLiteral("PERDU")}).ok());
        QVERIFY(run(c->db(), insertBall, {QStringLiteral("000002"), QStringLiteral("001")}).ok());
        QVERIFY(cluster.stopImmediately());
        const Status lost =
            run(c->db(), insertBall, {QStringLiteral("000002"), QStringLiteral("002")});
        QVERIFY(!lost.ok());
        QCOMPARE(lost.error().number, 8008);
        QVERIFY(!t.commit().ok());
    }
    QVERIFY(cluster.start());
    // The next action works on the same connection, and finds the
    // acknowledged row alone: a statement prepared before the stop that
    // opens the connection again, one that finds it opened by another.
    Result<bool> counted = first.bind(QStringLiteral("000001")).execFirst();
    QVERIFY2(counted.ok(), counted.ok() ? "" : qPrintable(counted.error().text));
    QCOMPARE(first.value(0).toInt(), 1);
    counted = second.bind(QStringLiteral("000002")).execFirst();
    QVERIFY2(counted.ok(), counted.ok() ? "" : qPrintable(counted.error().text));
    QCOMPARE(second.value(0).toInt(), 1);
    Result<QVariant> names = scalar(c->db(), QStringLiteral("SELECT string_agg(clt_cod, ',') "
                                                            "FROM strclient"));
    QVERIFY2(names.ok(), names.ok() ? "" : qPrintable(names.error().text));
    QCOMPARE(names->toString(), QStringLiteral("000001"));
    QCOMPARE(scalar(c->db(), QStringLiteral("SELECT count(*) FROM strmateriel"))->toInt(), 0);
    QVERIFY(
        run(c->db(), insertCustomer, {QStringLiteral("000002"), QStringLiteral("REPRIS")}).ok());
}

void TestServer::idle_window_works_again_once_the_server_is_back() {
    VDN_NEED_SERVER(cluster);
    auto c = createdDatabase(cluster);
    QVERIFY(c);
    CustomerStore customers(c->db());
    CustomerRecord r;
    r.set(CustomerField::Cod, QStringLiteral("000001"));
    r.set(CustomerField::Nom, QStringLiteral("AVANT"));
    QVERIFY(customers.insert(r));
    // The window sits idle while the server goes down: its next action fails
    // with the server's cause, the one after the server is back works.
    QVERIFY(cluster.stopImmediately());
    Result<std::optional<CustomerRecord>> down = customers.byCode(QStringLiteral("000001"));
    QVERIFY(!down);
    QCOMPARE(down.error().number, 8008);
    QVERIFY(!down.error().engineErrors.first().message.endsWith(QLatin1String("()")));
    QVERIFY(cluster.start());
    Result<std::optional<CustomerRecord>> back = customers.byCode(QStringLiteral("000001"));
    QVERIFY2(back, back ? "" : qPrintable(back.error().engineErrors.value(0).message));
    CustomerRecord shown = **back;
    shown.set(CustomerField::Vil, QStringLiteral("Lyon"));
    QVERIFY(customers.update(shown));
    // Idle again, this time a write meets the stopped server first.
    QVERIFY(cluster.stopImmediately());
    shown.revision = 1;
    shown.set(CustomerField::Vil, QStringLiteral("Nice"));
    QCOMPARE(customers.update(shown).error().number, 8008);
    QVERIFY(cluster.start());
    const Status written = customers.update(shown);
    QVERIFY2(written, written ? "" : qPrintable(written.error().engineErrors.value(0).message));
    QCOMPARE((*customers.byCode(QStringLiteral("000001")))->text(CustomerField::Vil),
             QStringLiteral("Nice"));
}

void TestServer::restart_while_idle_goes_unnoticed() {
    VDN_NEED_SERVER(cluster);
    auto c = createdDatabase(cluster);
    QVERIFY(c);
    CustomerStore customers(c->db());
    CustomerRecord r;
    r.set(CustomerField::Cod, QStringLiteral("000001"));
    r.set(CustomerField::Nom, QStringLiteral("AVANT"));
    QVERIFY(customers.insert(r));
    // Each first action after a restart met while idle: a read, a write of
    // a store (its own transaction), a bare statement.
    const QList<std::function<Status()>> firstActions{
        [&]() -> Status {
            Result<std::optional<CustomerRecord>> read = customers.byCode(QStringLiteral("000001"));
            if (!read)
                return read.error();
            return read->has_value() ? Status()
                                     : Status(DataError::other(1, QStringLiteral("absent")));
        },
        [&]() -> Status {
            r = **customers.byCode(QStringLiteral("000001"));
            r.set(CustomerField::Vil, QStringLiteral("Nice"));
            return customers.update(r);
        },
        [&]() -> Status {
            return run(c->db(), QStringLiteral("UPDATE strclient SET clt_nom = 'APRES'"));
        }};
    for (int i = 0; i < firstActions.size(); ++i) {
        QVERIFY(cluster.stopImmediately());
        QVERIFY(cluster.start());
        const Status s = firstActions.at(i)();
        QVERIFY2(s, qPrintable(QStringLiteral("action %1: %2")
                                   .arg(i)
                                   .arg(s ? QString() : s.error().engineErrors.value(0).message)));
    }
    // A statement kept prepared on the connection: prepared again on the new
    // session after a restart, then kept again (the next run prepares nothing).
    const QString byCode = QStringLiteral("SELECT count(*) FROM strclient WHERE clt_cod = ?");
    QCOMPARE(scalar(c->db(), byCode, {QStringLiteral("000001")})->toInt(), 1);
    QVERIFY(keptPreparations(c->db().driver()) > 0);
    QVERIFY(cluster.stopImmediately());
    QVERIFY(cluster.start());
    for (const quint64 preparations : {1, 0}) {
        const StatementTally before = statementTally();
        Result<QVariant> found = scalar(c->db(), byCode, {QStringLiteral("000001")});
        QVERIFY2(found, found ? "" : qPrintable(found.error().engineErrors.value(0).message));
        QCOMPARE(found->toInt(), 1);
        QCOMPARE(statementTally().prepared - before.prepared, preparations);
    }
    QString stored;
    QVERIFY(cluster.psql(test::PgCluster::databaseOf(c->path()),
                         QStringLiteral("SELECT clt_vil || ' ' || clt_nom FROM strclient"),
                         &stored));
    QCOMPARE(stored.trimmed(), QStringLiteral("Nice APRES"));
    // Inside a transaction that began before the restart, the loss is
    // reported: the writes before it are gone with the session.
    Transaction t(c->db());
    QVERIFY(t.started().ok());
    QVERIFY(run(c->db(), QStringLiteral("UPDATE strclient SET clt_nom = 'PERDU'")).ok());
    QVERIFY(cluster.stopImmediately());
    QVERIFY(cluster.start());
    QCOMPARE(run(c->db(), QStringLiteral("UPDATE strclient SET clt_vil = 'Lyon'")).error().number,
             8008);
    QVERIFY(!t.commit().ok());
    QVERIFY(cluster.psql(test::PgCluster::databaseOf(c->path()),
                         QStringLiteral("SELECT clt_vil || ' ' || clt_nom FROM strclient"),
                         &stored));
    QCOMPARE(stored.trimmed(), QStringLiteral("Nice APRES"));
}

void TestServer::backup_restored_into_the_server_database() {
    VDN_NEED_SERVER(cluster);
    QString address;
    auto server = createdDatabase(cluster, &address, DemoOptions{});
    QVERIFY(server);
    QTemporaryDir files, drive;
    const QString tariffs = files.filePath(QStringLiteral("VDN_TARIFS.MDB"));
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    QVERIFY(write(tariffs, "tarifs de la sauvegarde"));
    chemin_fichiers = files.path();
    const BackupResult saved = backUp(address, drive.path());
    QVERIFY2(saved.complete(), qPrintable(backupEndMessage(saved)));
    const QStringList backedUp = contentOf(*server);
    const QString database = test::PgCluster::databaseOf(address);
    QString inBackup;
    QVERIFY(cluster.psql(database, QStringLiteral("SELECT count(*) FROM strclient"), &inBackup));
    // Work done after the backup, which the restore replaces.
    QVERIFY(run(server->db(), QStringLiteral("INSERT INTO strclient (clt_cod, clt_nom) VALUES "
                                             "('999999', 'APRES')"))
                .ok());
    QVERIFY(run(server->db(), QStringLiteral("DELETE FROM strmateriel")).ok());
    QVERIFY(write(tariffs, "tarifs changés"));
    const QDateTime now(QDate(2026, 3, 14), QTime(9, 26, 53));

    // Another workstation has the database open: refused, nothing written.
    std::thread other([&] {
        cluster.psql(database, QStringLiteral("SET application_name = 'VORDAN caisse'; SELECT "
                                              "pg_advisory_lock_shared(%1, 2); SELECT pg_sleep(4)")
                                   .arg(0x56444E));
    });
    QVERIFY(QTest::qWaitFor(
        [&] { return !otherSessions(*server, OwnSessions::ThisProgram)->isEmpty(); }, 5000));
    Result<RestoreOutcome> refused = restoreBackup(address, drive.path(), now);
    other.join();
    QVERIFY(!refused);
    QVERIFY2(refused.error().text.contains(QLatin1String("autre poste (VORDAN caisse (local))")),
             qPrintable(refused.error().text));
    QString stored;
    QVERIFY(cluster.psql(database,
                         QStringLiteral("SELECT count(*) FROM strclient WHERE clt_cod = '999999'"),
                         &stored));
    QCOMPARE(stored, QStringLiteral("1"));

    // Alone: the backup's rows are back, the replaced content saved beside it.
    Result<RestoreOutcome> done = restoreBackup(address, drive.path(), now);
    chemin_fichiers.clear();
    QVERIFY2(done, done ? "" : qPrintable(done.error().text));
    QCOMPARE(contentOf(*server), backedUp);
    QVERIFY(cluster.psql(database, QStringLiteral("SELECT count(*) FROM strclient"), &stored));
    QCOMPARE(stored, inBackup);
    QCOMPARE(QString::number(done->customers), inBackup);
    QCOMPARE(done->restored, (QStringList{"vordan.mdb", "VDN_TARIFS.MDB"}));
    QFile restoredTariffs(tariffs);
    QVERIFY(restoredTariffs.open(QIODevice::ReadOnly));
    QCOMPARE(restoredTariffs.readAll(), QByteArray("tarifs de la sauvegarde"));
    // The replaced data file is kept beside the saved base.
    QFile keptTariffs(
        drive.filePath(QStringLiteral("VDN_TARIFS.MDB.avant-restauration-20260314-092653")));
    QVERIFY(keptTariffs.open(QIODevice::ReadOnly));
    QCOMPARE(keptTariffs.readAll(), QByteArray("tarifs changés"));
    QCOMPARE(done->keptFiles, QStringList{keptTariffs.fileName()});
    const QString previous =
        drive.filePath(QStringLiteral("vordan.mdb.avant-restauration-20260314-092653"));
    QCOMPARE(done->previousSavedAs, previous);
    auto before = Connection::open(previous);
    QVERIFY(before.ok());
    QCOMPARE(test::scalar(**before,
                          QStringLiteral("SELECT clt_nom FROM strclient WHERE clt_cod = '999999'"))
                 .toString(),
             QStringLiteral("APRES"));
    QCOMPARE(test::scalar(**before, QStringLiteral("SELECT count(*) FROM strmateriel")).toInt(), 0);
}

// Restores one after the other while a session of another program (no
// VORDAN mark) commits rows: each row it saw committed is in the restored
// base or in a saved one.
void TestServer::restores_keep_every_write_of_other_sessions() {
    VDN_NEED_SERVER(cluster);
    QString address;
    auto server = createdDatabase(cluster, &address, DemoOptions{});
    QVERIFY(server);
    QTemporaryDir drive;
    QVERIFY(backUp(address, drive.path()).complete());
    test::ConcurrentWriter writer(VORDAN_OUTSIDE_WRITER, address, QStringLiteral("W"));
    QVERIFY(writer.started());
    const QDateTime now(QDate(2026, 3, 14), QTime(9, 26, 53));
    QStringList saved, refusals;
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(30);
        Result<RestoreOutcome> r = restoreBackup(address, drive.path(), now.addSecs(i));
        if (r)
            saved << r->previousSavedAs;
        else
            refusals << r.error().text;
    }
    const QStringList acknowledged = writer.stop();
    QVERIFY2(saved.size() >= 15, qPrintable(refusals.join('\n')));
    QVERIFY2(acknowledged.size() >= 40,
             qPrintable(QString::number(acknowledged.size()) + writer.errors()));
    const QString ours = QStringLiteral("SELECT clt_cod FROM strclient WHERE clt_cod LIKE 'W%'");
    QStringList codes = test::column(*server, ours);
    for (const QString& file : std::as_const(saved)) {
        auto c = open(file);
        QVERIFY(c);
        codes += test::column(*c, ours);
    }
    const QString lost = test::lostWrites(acknowledged, codes);
    QVERIFY2(lost.isEmpty(), qPrintable(lost));
}

void TestServer::backup_of_a_server_database_opens_without_server() {
    VDN_NEED_SERVER(cluster);
    QString address;
    QVERIFY(createdDatabase(cluster, &address, DemoOptions{}));
    // The data files come from the folder of the path file's second line.
    QTemporaryDir files, drive;
    QFile data(files.filePath(QStringLiteral("VDN_TARIFS.MDB")));
    QVERIFY(data.open(QIODevice::WriteOnly));
    data.write("tarifs");
    data.close();
    chemin_fichiers = files.path();
    QFile previous(drive.filePath(QStringLiteral("vordan.mdb")));
    QVERIFY(previous.open(QIODevice::WriteOnly));
    previous.write("ancienne sauvegarde");
    previous.close();
    const BackupResult result = backUp(address, drive.path());
    chemin_fichiers.clear();
    QVERIFY2(result.complete(), qPrintable(backupEndMessage(result)));
    QCOMPARE(result.copied, (QStringList{"vordan.mdb", "VDN_TARIFS.MDB"}));
    QCOMPARE(QDir(drive.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"VDN_TARIFS.MDB", "vordan.mdb"}));
    auto server = open(address);
    auto snapshot = Connection::open(drive.filePath(QStringLiteral("vordan.mdb")));
    QVERIFY(server && snapshot.ok());
    QVERIFY(!(*snapshot)->onServer());
    QCOMPARE(contentOf(**snapshot), contentOf(*server));
    QCOMPARE(test::scalar(**snapshot, QStringLiteral("PRAGMA integrity_check")).toString(),
             QStringLiteral("ok"));
    // Without a second line, the folder VORDAN of the documents folder.
    const QString fallback = filesBase(address);
    QVERIFY2(fallback.endsWith(QLatin1String("/VORDAN/")), qPrintable(fallback));
    QVERIFY(QFileInfo(fallback).isDir());
}

void TestServer::snapshot_keeps_every_text_null_and_order() {
    VDN_NEED_SERVER(cluster);
    QString address;
    auto server = createdDatabase(cluster, &address, DemoOptions{});
    QVERIFY(server);
    // Texts the file must hold as the server does: a null, an empty text,
    // the characters a text format would escape, ones beyond Latin-1, a long
    // one, one that reads as SQL.
    const QList<QVariant> memos{
        QVariant(QMetaType(QMetaType::QString)), QString(QLatin1String("")),
        QStringLiteral("a\tb\\c\r\nd\\N"),       QStringLiteral("Œdipe « Ω » \U0001F3B3"),
        QString(20000, QLatin1Char('x')),        QStringLiteral("'); DROP TABLE strclient; --")};
    for (int i = 0; i < memos.size(); ++i) {
        Statement insert(server->db(), QStringLiteral("INSERT INTO strclient (clt_cod, clt_nom, "
                                                      "clt_memo) VALUES (?, ?, ?)"));
        insert.bind(QStringLiteral("9000%1").arg(i)).bind(QStringLiteral("ZÉRO %1").arg(i));
        insert.bind(memos.at(i));
        QVERIFY(insert.exec().ok());
    }
    QTemporaryDir drive;
    const QString file = drive.filePath(QStringLiteral("vordan.mdb"));
    const Status made = snapshotToFile(*server, file);
    QVERIFY2(made.ok(), made.ok() ? "" : qPrintable(made.error().text));
    auto snapshot = Connection::open(file);
    QVERIFY(snapshot.ok());
    QCOMPARE(contentOf(**snapshot), contentOf(*server));
    for (int i = 0; i < memos.size(); ++i) {
        Statement memo((*snapshot)->db(),
                       QStringLiteral("SELECT clt_memo FROM strclient WHERE clt_cod = ?"));
        memo.bind(QStringLiteral("9000%1").arg(i));
        const Result<bool> found = memo.execFirst();
        QVERIFY(found.ok() && *found);
        QCOMPARE(memo.isNull(0), memos.at(i).isNull());
        QCOMPARE(memo.value(0).toString(), memos.at(i).toString());
    }
    // Each table's rows in the order they were added on the server.
    for (const QString& table : schemaTables()) {
        const QString first = transferredFields(table).constFirst();
        const auto order = [&](Connection& c) {
            Statement q(c.db(), QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                    .arg(first, table, Dialect::of(c.db()).additionOrder()));
            QStringList values;
            if (q.exec().ok())
                while (q.next())
                    values << q.value(0).toString();
            return values;
        };
        const QStringList added = order(*server);
        QVERIFY(!added.isEmpty() || table != QLatin1String("strclient"));
        QCOMPARE(order(**snapshot), added);
    }
}

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
