// ctest-engines: postgresql
#include "data/connection.h"
#include "data/dialect.h"
#include "data/schema.h"
#include "data/statement.h"
#include "support/fixture.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace vdn;

namespace {

// Each field of each row as the driver's own values give them (type name and
// text), read by a plain query: what the bulk read must give.
QStringList driverRows(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    QStringList rows;
    if (!q.exec(sql))
        return {QStringLiteral("<erreur>")};
    while (q.next()) {
        QStringList fields;
        for (int c = 0; c < q.record().count(); ++c)
            fields << QString::fromLatin1(q.value(c).typeName()) + QLatin1Char('=') +
                          q.value(c).toString();
        rows << fields.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
    QSqlDatabase db_;

private slots:
    void initTestCase() {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("engine"));
        db_.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(db_.open());
        QSqlQuery q(db_);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (n INTEGER PRIMARY KEY, v)")));
        // Text, accented text, ill-formed UTF-8, integers, a float, NULL, a blob.
        for (const char* v : {"'abc'", "'Élodie, \"Zoë\"'", "CAST(x'41ff42' AS TEXT)", "42",
                              "-9223372036854775807", "2.5", "NULL", "x'00ff'"})
            QVERIFY(q.exec(QStringLiteral("INSERT INTO t (v) VALUES (%1)").arg(v)));
    }

    // Every field reads as the driver reads it, the text's bytes as stored.
    void readsAsTheDriver() {
        const QString sql = QStringLiteral("SELECT n, v, typeof(v) FROM t ORDER BY n");
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        QVERIFY(q.exec(sql));
        QStringList rows;
        int texts = 0;
        const std::unique_ptr<RowSource> read = bulkRead(q);
        for (const RowSource& f = *read; read->next();) {
            QStringList fields;
            // The row read in one call gives what the field-by-field reads give.
            const int places[] = {1, -1};
            FieldBytes row[2];
            f.utf8Fields(places, row);
            const std::optional<QByteArray> bytes =
                f.utf8(1) ? std::optional(f.utf8(1)->toByteArray()) : std::nullopt;
            const FieldBytes::Kind kind = bytes         ? FieldBytes::Kind::Utf8
                                          : f.isNull(1) ? FieldBytes::Kind::Absent
                                                        : FieldBytes::Kind::Other;
            if (row[0].kind != kind || row[1].kind != FieldBytes::Kind::Absent ||
                (bytes && QByteArray(row[0].data, row[0].size) != *bytes))
                fields << QStringLiteral("<ligne>");
            for (int c = 0; c < 3; ++c) {
                fields << QString::fromLatin1(f.value(c).typeName()) + QLatin1Char('=') +
                              f.value(c).toString();
                if (f.isNull(c) != f.value(c).isNull())
                    fields << QStringLiteral("<null?>");
            }
            // The raw bytes of a text: those SQLite holds, compared to its
            // own hex() of the value.
            if (bytes) {
                QSqlQuery hex(db_);
                hex.exec(
                    QStringLiteral("SELECT hex(v) FROM t WHERE n = %1").arg(f.value(0).toInt()));
                hex.next();
                if (bytes->toHex().toUpper() != hex.value(0).toByteArray())
                    fields << QStringLiteral("<octets>");
                ++texts;
            }
            rows << fields.join(QLatin1Char('|'));
        }
        QVERIFY(read->status().ok());
        QCOMPARE(rows, driverRows(db_, sql));
        QCOMPARE(rows.size(), 8);
        // The first row comes through the driver; the two other texts are raw.
        QCOMPARE(texts, 2);
        QVERIFY(!q.isActive());
    }

    // The engine of a location and of a connection, and whether it is a server.
    void engineOfALocation_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("engine");
        QTest::addColumn<bool>("server");
        QTest::newRow("dossier") << "/data/vdn/"
                                 << "QSQLITE" << false;
        QTest::newRow("préfixe") << "/data/vdn/magasin_"
                                 << "QSQLITE" << false;
        QTest::newRow("serveur") << "postgresql://role@hote:5433/base"
                                 << "QPSQL" << true;
        QTest::newRow("majuscules") << "POSTGRES://hote/base"
                                    << "QPSQL" << true;
        QTest::newRow("autre schéma") << "sqlite:///data/vdn"
                                      << "QSQLITE" << false;
    }
    void engineOfALocation() {
        QFETCH(QString, location);
        QFETCH(QString, engine);
        QFETCH(bool, server);
        QCOMPARE(Dialect::at(location).engine(), engine);
        QCOMPARE(Dialect::at(location).isServer(), server);
    }

    // On the engine the test runs on: the connection's engine, and who else
    // has the base open.
    void capabilitiesOfTheTestEngine() {
        test::DataFolder folder;
        QVERIFY(folder.ok());
        std::unique_ptr<Connection> c = folder.connect();
        QVERIFY(c);
        const Dialect& d = Dialect::of(c->db());
        QCOMPARE(d.isServer(), test::onServerEngine());
        QCOMPARE(&Dialect::at(folder.databaseFile()), &d);

        // A second connection of this program: another session for this
        // connection, none for the program; on a file the program's own lock
        // file is no other program.
        std::unique_ptr<Connection> second = folder.connect();
        QVERIFY(second);
        const Result<QStringList> others = otherSessions(*c, OwnSessions::ThisConnection);
        const Result<QStringList> program = otherSessions(*c, OwnSessions::ThisProgram);
        QVERIFY(others && program);
        QCOMPARE(others->size(), d.isServer() ? 1 : 0);
        QCOMPARE(program->size(), 0);
        if (d.isServer())
            QVERIFY(others->first().startsWith(QStringLiteral("VORDAN ")));
        QVERIFY(d.isServer() ? d.ownSessions().size() >= 2 : d.ownSessions().isEmpty());
    }

    // Each engine answers its own codes, in the words a shop reads, and no
    // code of the other engine.
    void causesOfEachEngine_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("number"); // 0: SQLite's report shows its own code
        const QString file = QStringLiteral("/data/vdn/");
        const QString server = QStringLiteral("postgresql://hote/base");
        const QString busy = QStringLiteral(
            "La base de données est utilisée par un autre programme : fermez-le puis réessayez.");
        const QString general = QStringLiteral("La base de données a refusé l'opération.");
        QTest::newRow("fichier occupé") << file << "5" << busy << 0;
        QTest::newRow("fichier verrous") << file << "15" << busy << 0;
        QTest::newRow("fichier plein")
            << file << "13"
            << "Le disque est plein : libérez de la place puis réessayez." << 0;
        QTest::newRow("fichier, état serveur") << file << "08006" << general << 0;
        QTest::newRow("fichier inconnu") << file << "101" << general << 0;
        QTest::newRow("serveur verrou") << server << "55P03" << busy << 8055;
        QTest::newRow("serveur droits")
            << server << "42501"
            << "Le rôle n'a pas les droits nécessaires sur la base de données du serveur." << 8043;
        QTest::newRow("serveur table absente")
            << server << "42P01"
            << "La base de données du serveur a refusé l'instruction (table ou colonne absente : "
               "est-ce une base VORDAN ?)."
            << 8042;
        QTest::newRow("serveur code SQLite") << server << "5" << general << 8000;
    }
    void causesOfEachEngine() {
        QFETCH(QString, location);
        QFETCH(QString, code);
        QFETCH(QString, cause);
        QFETCH(int, number);
        const Dialect& d = Dialect::at(location);
        QCOMPARE(d.errorCause(code), cause);
        if (number)
            QCOMPARE(d.errorNumber(code), number);
    }

    // Each engine spells the statement forms the stores ask of it, and its
    // server's login: the texts the stores have always run.
    void formsOfEachEngine_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("expected");
        const QString insert = QStringLiteral("INSERT INTO t (k, a) VALUES (?, ?)");
        for (const char* location : {"/data/vdn/", "postgresql://hote/base"}) {
            const Dialect& d = Dialect::at(QString::fromLatin1(location));
            const char* engine = d.isServer() ? "serveur" : "fichier";
            const auto row = [&](const char* name, const QString& form, const QString& expected) {
                QTest::addRow("%s, %s", engine, name) << form << expected;
            };
            row("doublon ignoré", d.insertIgnoringDuplicate(insert),
                insert + QStringLiteral(" ON CONFLICT DO NOTHING"));
            row("insertion ou mise à jour",
                d.upsert(insert, {QStringLiteral("k")},
                         {QStringLiteral("a = ") + d.proposedValue(QStringLiteral("a"))}),
                insert + QStringLiteral(" ON CONFLICT (k) DO UPDATE SET a = excluded.a"));
            row("upsert de la table",
                upsertText(d, QStringLiteral("t"), {QStringLiteral("k"), QStringLiteral("a")},
                           {QStringLiteral("k")}),
                insert + QStringLiteral(" ON CONFLICT (k) DO UPDATE SET a = excluded.a"));
            row("valeur liée en texte", d.asText(QStringLiteral("?")),
                QStringLiteral("CAST(? AS TEXT)"));
            row("textes joints", d.concatenation({QStringLiteral("'00000'"), QStringLiteral("x")}),
                QStringLiteral("'00000' || x"));
            row("ordre sans index", d.unindexedOrder(QStringLiteral("clt_nom_k1")),
                QStringLiteral("clt_nom_k1 || ''"));
            row("pilote", d.engine(),
                d.isServer() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"));
            row("port", QString::number(d.defaultPort()),
                d.isServer() ? QStringLiteral("5432") : QStringLiteral("0"));
#ifdef Q_OS_WIN
            const QString hint = QStringLiteral("%APPDATA%\\postgresql\\pgpass.conf");
#else
            const QString hint = QStringLiteral("~/.pgpass");
#endif
            row("fichier des mots de passe", d.loginFileHint(), d.isServer() ? hint : QString());
        }
        QTest::addRow("moteur du serveur") << Dialect::server().engine() << "QPSQL";
    }
    void formsOfEachEngine() {
        QFETCH(QString, form);
        QFETCH(QString, expected);
        QCOMPARE(form, expected);
    }

    // On the engine the test runs on, the forms do what the stores count on:
    // a taken key skipped without a failure, an upsert that changes the row,
    // bound values and numbers as texts and joined, and an order the engine
    // sorts instead of reading it through the column's index.
    void formsRunOnTheTestEngine() {
        test::DataFolder folder;
        QVERIFY(folder.ok());
        std::unique_ptr<Connection> c = folder.connect();
        QVERIFY(c);
        QSqlDatabase db = c->db();
        const Dialect& d = Dialect::of(db);
        const QString table = QStringLiteral("vdn_forms");
        const QStringList fields{QStringLiteral("k"), QStringLiteral("a"), QStringLiteral("n")};
        QVERIFY(run(db, QStringLiteral("CREATE TABLE vdn_forms (k TEXT PRIMARY KEY, a TEXT, "
                                       "n INTEGER)"))
                    .ok());
        QVERIFY(run(db, QStringLiteral("CREATE INDEX vdn_forms_a ON vdn_forms (a)")).ok());
        const auto rows = [&] {
            return test::column(*c, QStringLiteral("SELECT k || ':' || a || ':' || n FROM "
                                                   "vdn_forms ORDER BY k"));
        };

        // A taken key: nothing written, no failure (a server transaction
        // goes on).
        Transaction t(db);
        QVERIFY(t.started().ok());
        const QString skip = insertIfNewText(d, table, fields);
        for (const char* a : {"B2", "autre"}) {
            Statement q(db, skip);
            QVERIFY(q.bindAll({QStringLiteral("K1"), QString::fromLatin1(a), 7}).exec().ok());
            QCOMPARE(q.rowsAffected(), a[0] == 'B' ? 1 : 0);
        }
        QVERIFY(t.commit().ok());
        QCOMPARE(rows(), QStringList{QStringLiteral("K1:B2:7")});

        // The upsert: a new row, or the row of the taken key changed.
        const QString upsert = upsertText(d, table, fields, {QStringLiteral("k")});
        QVERIFY(run(db, upsert, {QStringLiteral("K1"), QStringLiteral("C3"), 42}).ok());
        QVERIFY(run(db, upsert, {QStringLiteral("K2"), QStringLiteral("A1"), 123456}).ok());
        QVERIFY(run(db, upsert, {QStringLiteral("K3"), QStringLiteral("B2"), 5}).ok());
        QCOMPARE(rows(), QStringList({QStringLiteral("K1:C3:42"), QStringLiteral("K2:A1:123456"),
                                      QStringLiteral("K3:B2:5")}));

        // Bound values as texts, joined (the server cannot tell their types
        // from their places without the casts).
        const Result<QVariant> joined =
            scalar(db,
                   QStringLiteral("SELECT ") + d.concatenation({d.asText(QStringLiteral("?")),
                                                                d.asText(QStringLiteral("?"))}),
                   {QStringLiteral("ab"), QStringLiteral("é")});
        QVERIFY(joined);
        QCOMPARE(joined->toString(), QStringLiteral("abé"));

        // A number on six digits, as a sheet's version is numbered.
        const QString number = d.asText(QStringLiteral("n"));
        const QStringList numbered = test::column(
            *c, QStringLiteral("SELECT substr(%1, length(%2), 6) FROM vdn_forms ORDER BY k")
                    .arg(d.concatenation({QStringLiteral("'00000'"), number}), number));
        QStringList sixDigits;
        for (const int n : {42, 123456, 5})
            sixDigits << QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
        QCOMPARE(numbered, sixDigits);

        // The order without the index: the same rows in the same order,
        // sorted by the engine.
        const QString byIndex = QStringLiteral("SELECT k FROM vdn_forms ORDER BY a, k");
        const QString sorted = QStringLiteral("SELECT k FROM vdn_forms ORDER BY %1, k")
                                   .arg(d.unindexedOrder(QStringLiteral("a")));
        QCOMPARE(test::column(*c, sorted),
                 QStringList({QStringLiteral("K2"), QStringLiteral("K3"), QStringLiteral("K1")}));
        QCOMPARE(test::column(*c, sorted), test::column(*c, byIndex));
        const Result<QStringList> plan = queryPlan(db, sorted, {});
        QVERIFY(plan);
        const QString steps = plan->join(QLatin1Char('\n'));
        QVERIFY2(
            steps.contains(d.isServer() ? QStringLiteral("Sort") : QStringLiteral("TEMP B-TREE")),
            qPrintable(steps));
        if (!d.isServer()) {
            const Result<QStringList> indexed =
                queryPlan(db, QStringLiteral("SELECT k FROM vdn_forms ORDER BY a"), {});
            QVERIFY(indexed);
            QVERIFY2(!indexed->join(QLatin1Char('\n')).contains(QStringLiteral("TEMP B-TREE")),
                     qPrintable(indexed->join(QLatin1Char('\n'))));
        }
    }

    // The oldest server the program runs on is PostgreSQL 13.
    void serverVersions_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("refused");
        QTest::newRow("12.15") << 120015 << true;
        QTest::newRow("12.99") << 129999 << true;
        QTest::newRow("13.0") << 130000 << false;
        QTest::newRow("17.2") << 170002 << false;
    }
    void serverVersions() {
        QFETCH(int, version);
        QFETCH(bool, refused);
        const std::optional<DataError> e = postgresDialect().refusedVersion(version);
        QCOMPARE(e.has_value(), refused);
        if (e) {
            QCOMPARE(e->number, 8010);
            QVERIFY(e->text.contains(QStringLiteral("version %1").arg(version)));
            QVERIFY(e->text.contains(QStringLiteral("PostgreSQL 13")));
        }
    }

    // On the engine the test runs on: its version reads and is accepted, and
    // a closed connection is opened again by the next statement on a server
    // only (a file's connection is never reopened behind the program).
    void versionAndReconnectionOfTheTestEngine() {
        test::DataFolder folder;
        QVERIFY(folder.ok());
        std::unique_ptr<Connection> c = folder.connect();
        QVERIFY(c);
        const Dialect& d = Dialect::of(c->db());
        const Result<QVariant> version = scalar(c->db(), d.versionQuery());
        QVERIFY(version);
        QVERIFY(d.isServer() ? version->toInt() >= 130000
                             : QRegularExpression(QStringLiteral("^3\\.\\d+\\.\\d+"))
                                   .match(version->toString())
                                   .hasMatch());
        QVERIFY(!d.refusedVersion(*version));

        QVERIFY(!d.connectionLost(c->db().driver(), false));
        c->db().close();
        QCOMPARE(d.connectionLost(c->db().driver(), false), d.isServer());
        const Status s = reconnectIfLost(c->db());
        QVERIFY(s.ok());
        QCOMPARE(c->db().isOpen(), d.isServer());
        QCOMPARE(d.sessionIdle(c->db().driver()), d.isServer());
        if (d.isServer())
            QCOMPARE(scalar(c->db(), QStringLiteral("SELECT 1"))->toInt(), 1);
    }

    // The test engine's bulk read, forward-only and not: every field as the
    // driver gives it, the texts' bytes as the driver's text in UTF-8, read
    // from the engine without the driver's conversion.
    void readsAsTheDriverOnTheTestEngine() {
        test::DataFolder folder;
        QVERIFY(folder.ok());
        std::unique_ptr<Connection> c = folder.connect();
        QVERIFY(c);
        QSqlQuery q(c->db());
        QVERIFY(q.exec(QStringLiteral("CREATE TEMPORARY TABLE r (n INTEGER, t TEXT, v VARCHAR(20), "
                                      "k CHAR(5), d NUMERIC(6, 2))")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO r VALUES (1, 'abc', 'Élodie, \"Zoë\"', 'ab', "
                                      "2.5), (2, NULL, '', NULL, NULL), (3, '€ œ', 'x', "
                                      "'ÀÉÎÕÜ', -1)")));
        const QString sql = QStringLiteral("SELECT n, t, v, k, d FROM r ORDER BY n");
        for (const bool forwardOnly : {true, false}) {
            QSqlQuery read(c->db());
            read.setForwardOnly(forwardOnly);
            QVERIFY(read.exec(sql));
            QStringList rows;
            int texts = 0;
            const std::unique_ptr<RowSource> source = bulkRead(read);
            while (source->next()) {
                QStringList fields;
                for (int col = 0; col < 5; ++col) {
                    // Copied at once: value() may convert the engine's copy.
                    const std::optional<QByteArray> bytes =
                        source->utf8(col) ? std::optional(source->utf8(col)->toByteArray())
                                          : std::nullopt;
                    const QVariant value = source->value(col);
                    fields << QString::fromLatin1(value.typeName()) + QLatin1Char('=') +
                                  value.toString();
                    if (source->isNull(col) != value.isNull())
                        fields << QStringLiteral("<null?>");
                    if (bytes && *bytes != value.toString().toUtf8())
                        fields << QStringLiteral("<octets>");
                    texts += bytes.has_value();
                }
                rows << fields.join(QLatin1Char('|'));
            }
            QVERIFY(source->status().ok());
            QCOMPARE(rows, driverRows(c->db(), sql));
            // The server gives its texts as bytes (seven not null); SQLite the
            // texts after the first row's, which the driver read (four).
            QCOMPARE(texts, Dialect::of(c->db()).isServer() ? 7 : (forwardOnly ? 4 : 0));
        }
    }

    // A reading left early is no failure; a failed step is the error, after
    // the rows before it, and the end stays the end.
    void stopsAndFails() {
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        QVERIFY(q.exec(QStringLiteral("SELECT n FROM t ORDER BY n")));
        int seen = 0;
        std::unique_ptr<RowSource> read = bulkRead(q);
        while (read->next() && ++seen < 3) {
        }
        QCOMPARE(seen, 3);
        QCOMPARE(read->value(0).toInt(), 3);
        QVERIFY(read->status().ok());

        // abs() of the smallest integer overflows: the fourth row fails.
        QVERIFY(q.exec(QStringLiteral("SELECT abs(CASE WHEN n = 4 THEN -9223372036854775807 - 1 "
                                      "ELSE n END) FROM t ORDER BY n")));
        seen = 0;
        read = bulkRead(q);
        while (read->next())
            ++seen;
        const Status s = read->status();
        QVERIFY(!s.ok());
        QCOMPARE(seen, 3);
        QVERIFY(!read->next());
        QVERIFY(!q.isActive());
        QVERIFY(!s.error().engineErrors.isEmpty());
        QVERIFY(s.error().engineErrors.first().message.contains(QStringLiteral("overflow")));

        QSqlQuery never(db_);
        read = bulkRead(never);
        QVERIFY(!read->status().ok());
        QVERIFY(!read->next());
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
