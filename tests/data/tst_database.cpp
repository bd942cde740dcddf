#include "data/connection.h"
#include "data/database_creator.h"
#include "data/dialect.h"
#include "data/schema.h"
#include "data/shop_store.h"
#include "data/starter_data.h"
#include "reference/catalogue.h"
#include "reference/param_store.h"
#include "session/error_box.h"
#include "support/fixture.h"

#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>

using namespace vdn;

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void schema_is_plain_sqlite_and_versioned();
    void keys_are_unique();
    void awkward_texts_round_trip_through_every_table();
    void starter_lists_fill_every_pick_list();
    void demo_data_is_consistent();
    void creation_never_replaces_a_file();
    void newer_schema_is_refused_untouched();
    void transaction_rolls_back_when_not_committed();
    void error_report_shapes();
    void engine_failures_carry_the_engine_code();
    void engine_failures_give_a_french_cause();
};

void TestDatabase::schema_is_plain_sqlite_and_versioned() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QCOMPARE(test::scalar(*c, QStringLiteral("PRAGMA user_version")).toInt(), SchemaVersion);
    QCOMPARE(test::scalar(*c, QStringLiteral("PRAGMA synchronous")).toInt(), 2); // FULL
    QCOMPARE(test::scalar(*c, QStringLiteral("PRAGMA busy_timeout")).toInt(),
             Connection::BusyTimeoutMs);
    // Every field is TEXT, but the row version the program counts with; the
    // stored schema names no function of ours.
    for (const QString& table :
         {QStringLiteral("strspecif"), QStringLiteral("strclient"), QStringLiteral("strmateriel"),
          QStringLiteral("strpercage"), QStringLiteral("strparam")}) {
        const QStringList types = test::column(
            *c, QStringLiteral("SELECT type FROM pragma_table_info(?) WHERE name <> ?"),
            {table, revisionField()});
        QVERIFY(!types.isEmpty());
        for (const QString& t : types)
            QCOMPARE(t, QStringLiteral("TEXT"));
        QCOMPARE(test::column(*c,
                              QStringLiteral("SELECT type || ' ' || \"notnull\" || ' ' || "
                                             "dflt_value FROM pragma_table_info(?) WHERE name = ?"),
                              {table, revisionField()}),
                 revisedTables().contains(table) ? QStringList{QStringLiteral("INTEGER 1 0")}
                                                 : QStringList());
    }
    QCOMPARE(
        test::column(*c, QStringLiteral("SELECT name FROM pragma_table_info('strpercage')")).size(),
        1 + 28 + 5 + 1);
    const QStringList sql =
        test::column(*c, QStringLiteral("SELECT sql FROM sqlite_schema WHERE sql IS NOT NULL"));
    for (const QString& s : sql)
        QVERIFY2(!s.contains(QStringLiteral("val("), Qt::CaseInsensitive), qPrintable(s));
    // The command-line tool, which knows nothing of val(), checks the file.
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (sqlite3.isEmpty())
        QSKIP("sqlite3 command not installed");
    QProcess p;
    p.start(sqlite3, {folder.databaseFile(), QStringLiteral("pragma integrity_check")});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.readAllStandardOutput().trimmed(), QByteArray("ok"));
}

void TestDatabase::keys_are_unique() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c->execute(QStringLiteral("INSERT INTO strclient (clt_cod) VALUES ('000001')")).ok());
    QVERIFY(!c->execute(QStringLiteral("INSERT INTO strclient (clt_cod) VALUES ('000001')")).ok());
    QVERIFY(c->execute(QStringLiteral("INSERT INTO strmateriel (MAT_CODE, MAT_LG) VALUES "
                                      "('000001','001')"))
                .ok());
    QVERIFY(!c->execute(QStringLiteral("INSERT INTO strmateriel (MAT_CODE, MAT_LG) VALUES "
                                       "('000001','001')"))
                 .ok());
    QVERIFY(c->execute(QStringLiteral("INSERT INTO strpercage (per_code) VALUES ('000001')")).ok());
    QVERIFY(
        !c->execute(QStringLiteral("INSERT INTO strpercage (per_code) VALUES ('000001')")).ok());
    // A reference value is unique in its table whatever its case.
    QVERIFY(!c->execute(QStringLiteral("INSERT INTO strparam VALUES ('0', 'storm')")).ok());
    QVERIFY(c->execute(QStringLiteral("INSERT INTO strparam VALUES ('1', 'STORM')")).ok());
    ParamStore store(c->db());
    QVERIFY(*store.contains(0, QStringLiteral("Storm")));
}

void TestDatabase::awkward_texts_round_trip_through_every_table() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    const QStringList texts{
        QStringLiteral("L'ÉGLISE"),
        QStringLiteral("\"guillemets\""),
        QStringLiteral("C:\\dossier\\"),
        QStringLiteral("100% _joker_"),
        QStringLiteral("'; DROP TABLE strclient; --"),
        QStringLiteral("ligne 1\r\nligne 2\ttab"),
        QString::fromUtf8("\xF0\x9F\x8E\xB3 boule"),
        QStringLiteral("Œuvre, ÀÉÈÇ àéèç"),
        QString(10000, QLatin1Char('x')),
        QString(QLatin1String("")),
    };
    const QList<QStringList> tables{clientFields(), ballFields(), sheetFields(), paramFields(),
                                    specifFields()};
    const QStringList names{QStringLiteral("strclient"), QStringLiteral("strmateriel"),
                            QStringLiteral("strpercage"), QStringLiteral("strparam"),
                            QStringLiteral("strspecif")};
    int row = 0;
    for (const QString& text : texts) {
        ++row;
        for (int t = 0; t < tables.size(); ++t) {
            const QStringList& fields = tables.at(t);
            QStringList marks;
            QVariantList values;
            for (int i = 0; i < fields.size(); ++i) {
                marks << QStringLiteral("?");
                // Keys get a distinct prefix so every row is new.
                values << (i == 0 || (t == 1 && i == 1) ? QStringLiteral("%1|").arg(row) + text
                                                        : text);
            }
            QSqlQuery q(c->db());
            QVERIFY(q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(names.at(t), fields.join(QLatin1Char(',')),
                                       marks.join(QLatin1Char(',')))));
            for (const QVariant& v : values)
                q.addBindValue(v);
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
            QSqlQuery back(c->db());
            QVERIFY(back.prepare(
                QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(names.at(t), fields.first())));
            back.addBindValue(values.first());
            QVERIFY(back.exec() && back.next());
            for (int i = 0; i < fields.size(); ++i)
                QCOMPARE(back.value(fields.at(i)).toString(), values.at(i).toString());
        }
    }
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(),
             int(texts.size()));
}

void TestDatabase::starter_lists_fill_every_pick_list() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    ParamStore store(c->db());
    for (const BallCode& code : ballCodes())
        QVERIFY2(!store.values(code.code, code.pickOrder)->isEmpty(), qPrintable(code.title));
    for (const SheetFillStep& step : sheetFillSteps()) {
        const QStringList values = *store.values(step.code, ListOrder::Text);
        QVERIFY2(!values.isEmpty(), qPrintable(QString::number(step.code)));
        // An empty measurement passes the reference check.
        QVERIFY(*store.contains(step.code, QString()));
        for (const QString& v : values)
            QVERIFY(v.size() <= SheetRegisteredLength);
    }
    // Numeric starter values pass the maintenance window's own rules, so the
    // two never disagree on how a number is written.
    for (const BallCode& code : ballCodes()) {
        const QStringList values = *store.values(code.code, ListOrder::Text);
        for (const QString& v : values) {
            if (code.numeric) {
                const NumericEntry e = applyNumericRule(*code.numeric, v);
                QVERIFY2(e.outcome == NumericEntry::Outcome::Accepted, qPrintable(v));
                QCOMPARE(e.formatted, v);
            }
            if (code.upperCase)
                QCOMPARE(v, v.toUpper());
            if (code.entryMaxLength > 0)
                QVERIFY(v.size() <= code.entryMaxLength);
        }
    }
    // Codes never used as tables hold nothing.
    for (int unused : {25, 26, 27, 33, 35})
        QVERIFY(store.values(unused, ListOrder::Text)->isEmpty());
}

void TestDatabase::demo_data_is_consistent() {
    test::DataFolder::Options options;
    options.demo = DemoOptions{};
    test::DataFolder folder(options);
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(), 40);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strclient WHERE clt_etat = "
                                             "'SUPPRIME'"))
                 .toInt(),
             1);
    QVERIFY(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strclient WHERE clt_ad1 LIKE "
                                            "'%''%'"))
                .toInt() > 0);
    QVERIFY(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strmateriel WHERE "
                                            "val(MAT_SAC) > 100"))
                .toInt() > 0);
    QVERIFY(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strmateriel WHERE "
                                            "val(MAT_SAC) <= 100"))
                .toInt() > 0);
    // Formats: codes on six digits, lines on three, date key from the date,
    // layout joined, business customers alone have a VAT number.
    QCOMPARE(test::scalar(
                 *c, QStringLiteral("SELECT count(*) FROM strmateriel WHERE length(MAT_LG) <> 3 OR "
                                    "MAT_DATE_TRI <> substr(MAT_DATE,7,4)||substr(MAT_DATE,4,2)||"
                                    "substr(MAT_DATE,1,2) OR mat_layout <> MAT_LAYOUT1||' < '||"
                                    "MAT_LAYOUT2||' < '||MAT_LAYOUT3 OR MAT_CODE NOT IN (SELECT "
                                    "clt_cod FROM strclient)"))
                 .toInt(),
             0);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strclient WHERE "
                                             "length(clt_cod) <> 6 OR (clt_tar = 'T' AND "
                                             "clt_nic <> '') OR clt_nom <> upper(clt_nom)"))
                 .toInt(),
             0);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strpercage WHERE "
                                             "PER_TYP_POUCE = 'C' AND PER_21 <> ''"))
                 .toInt(),
             0);
    // Every ball value of a pick list is a value of that list.
    const char* ballLists[][2] = {{"mat_marque", "0"},  {"mat_noyau", "1"},  {"mat_diff", "2"},
                                  {"mat_length", "3"},  {"mat_hook", "4"},   {"MAT_LAYOUT1", "5"},
                                  {"MAT_LAYOUT2", "6"}, {"MAT_LAYOUT3", "7"}};
    for (const auto& [field, list] : ballLists)
        QVERIFY2(test::scalar(*c,
                              QStringLiteral("SELECT count(*) FROM strmateriel WHERE %1 NOT IN "
                                             "(SELECT par_lib FROM strparam WHERE par_table = ?)")
                                  .arg(QLatin1String(field)),
                              {QLatin1String(list)})
                         .toInt() == 0,
                 field);
    // The civility fits the first name (the name's last word).
    const QStringList women{"MARIE",  "SOPHIE", "ÉLODIE", "CAMILLE", "JULIE",
                            "HÉLÈNE", "LÉA",    "CHLOÉ",  "MANON",   "INÈS"};
    const QStringList people = test::column(
        *c, QStringLiteral("SELECT clt_int || '|' || clt_nom FROM strclient WHERE clt_int <> "
                           "'SARL'"));
    QVERIFY(people.size() > 20);
    for (const QString& p : people) {
        const QString civility = p.section(QLatin1Char('|'), 0, 0);
        const QString first = p.section(QLatin1Char(' '), -1);
        QCOMPARE(civility, women.contains(first) ? QStringLiteral("Mme") : QStringLiteral("M."));
    }
}

void TestDatabase::creation_never_replaces_a_file() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    CreateOptions again;
    again.folder = folder.folder();
    const Status s = createDatabase(again);
    QVERIFY(!s.ok());
    QVERIFY(s.error().text.contains(QStringLiteral("existe déjà")));
    auto c = folder.connect();
    QCOMPARE(ShopStore(c->db()).first()->name, QStringLiteral("LE STRIKE"));
}

void TestDatabase::newer_schema_is_refused_untouched() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    {
        auto c = folder.connect();
        QVERIFY(c->execute(QStringLiteral("PRAGMA user_version = 99")).ok());
    }
    Result<std::unique_ptr<Connection>> c = Connection::open(folder.databaseFile());
    QVERIFY(!c.ok());
    QCOMPARE(c.error().number, errnum::SchemaTooNew);
}

void TestDatabase::transaction_rolls_back_when_not_committed() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    {
        Transaction t(c->db());
        QVERIFY(t.started().ok());
        QVERIFY(
            c->execute(QStringLiteral("INSERT INTO strclient (clt_cod) VALUES ('000009')")).ok());
    }
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(), 0);
    {
        Transaction t(c->db());
        QVERIFY(
            c->execute(QStringLiteral("INSERT INTO strclient (clt_cod) VALUES ('000009')")).ok());
        QVERIFY(t.commit().ok());
    }
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(), 1);
}

void TestDatabase::error_report_shapes() {
    test::DataFolder folder;
    // Not from the engine: the message and OK only.
    const DataError file = DataError::other(53, QStringLiteral("Fichier introuvable"));
    const QString fileText = QStringLiteral(
        "L'erreur suivante s'est produite:\r\n\r\nFichier introuvable\r\nNuméro d'erreur: 53");
    QCOMPARE(errorReportText(file), fileText);
    folder.pointer.setBusy();
    folder.boxes.expectMessage(fileText);
    erreur_donnees(file, folder.services());
    VDN_CHECK_BOXES(folder);
    QVERIFY(!folder.pointer.isBusy());

    // From the engine, same number: the question; Yes shows the engine list.
    DataError engine{5,
                     QStringLiteral("database is locked"),
                     {{5, 517, QStringLiteral("database is locked"),
                       QStringLiteral("UPDATE strclient SET clt_nom = ?")}}};
    const QString question = QStringLiteral(
        "L'erreur suivante s'est produite:\r\n\r\ndatabase is locked\r\nNuméro d'erreur: "
        "5\r\n\r\nAfficher la liste des erreurs d'accès aux données?");
    folder.boxes.expectQuestion(question, true);
    folder.boxes.expectMessage(engineErrorListText(engine));
    erreur_donnees(engine, folder.services());
    QCOMPARE(folder.boxes.beeps(), 1);
    VDN_CHECK_BOXES(folder);
    QVERIFY(engineErrorListText(engine).contains(QStringLiteral("UPDATE strclient")));
    QVERIFY(engineErrorListText(engine).contains(QStringLiteral("517")));

    // No: nothing more.
    folder.boxes.expectQuestion(question, false);
    erreur_donnees(engine, folder.services());
    VDN_CHECK_BOXES(folder);

    // Engine list whose first number differs: message and OK.
    engine.number = 3021;
    folder.boxes.expectMessage(errorReportText(engine));
    erreur_donnees(engine, folder.services());
    VDN_CHECK_BOXES(folder);
}

void TestDatabase::engine_failures_carry_the_engine_code() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QSqlQuery q(c->db());
    QVERIFY(q.prepare(QStringLiteral("INSERT INTO strclient (clt_cod) VALUES (?)")));
    q.addBindValue(QVariant()); // NULL key: a constraint failure
    QVERIFY(!q.exec());
    const DataError e = DataError::fromQuery(q);
    QCOMPARE(e.number, 19); // SQLITE_CONSTRAINT
    QCOMPARE(e.engineErrors.size(), 1);
    QCOMPARE(e.engineErrors.first().code, 19);
    QCOMPARE(e.engineErrors.first().extendedCode & 0xff, 19);
    QVERIFY(e.engineErrors.first().statement.contains(QStringLiteral("INSERT INTO strclient")));
    QVERIFY(!e.text.isEmpty());
}

void TestDatabase::engine_failures_give_a_french_cause() {
    // The causes a shop meets, keyed by engine and code.
    const QString busy = sqliteDialect().errorCause(QStringLiteral("5"));
    QVERIFY(busy.contains(QStringLiteral("utilisée par un autre programme")));
    QVERIFY(busy.contains(QStringLiteral("fermez-le")));
    QCOMPARE(sqliteDialect().errorCause(QStringLiteral("6")), busy);
    QVERIFY(sqliteDialect().errorCause(QStringLiteral("13")).contains("disque est plein"));
    QVERIFY(sqliteDialect().errorCause(QStringLiteral("8")).contains("lecture seule"));
    QVERIFY(sqliteDialect().errorCause(QStringLiteral("11")).contains("endommagé"));
    QVERIFY(sqliteDialect().errorCause(QStringLiteral("26")).contains("pas une base"));
    QVERIFY(sqliteDialect().errorCause(QStringLiteral("14")).contains("ne peut pas être ouverte"));
    // A code without an entry, or an engine without a table, still reads French.
    QCOMPARE(sqliteDialect().errorCause(QStringLiteral("101")),
             QStringLiteral("La base de données a refusé l'opération."));
    QCOMPARE(postgresDialect().errorCause(QStringLiteral("5")),
             QStringLiteral("La base de données a refusé l'opération."));

    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    auto other = folder.connect();
    QVERIFY(c && other);
    // A save while another connection holds the file: the cause is French,
    // the engine's code stays the number and its text the list's.
    QVERIFY(c->execute(QStringLiteral("PRAGMA busy_timeout = 0")).ok());
    QVERIFY(other->execute(QStringLiteral("BEGIN EXCLUSIVE")).ok());
    QSqlQuery q(c->db());
    QVERIFY(!q.exec(QStringLiteral("INSERT INTO strclient (clt_cod) VALUES ('000001')")));
    const DataError locked = DataError::fromQuery(q);
    QVERIFY(other->execute(QStringLiteral("ROLLBACK")).ok());
    QCOMPARE(locked.number, 5);
    QCOMPARE(locked.text, busy);
    QCOMPARE(locked.engineErrors.first().message, QStringLiteral("database is locked"));
    const QString report = errorReportText(locked, QStringLiteral("Enregistrement du client"));
    QCOMPARE(report, QStringLiteral("L'erreur suivante s'est produite:\r\n\r\n"
                                    "Enregistrement du client impossible : la base de données "
                                    "est utilisée par un autre programme : fermez-le puis "
                                    "réessayez.\r\nNuméro d'erreur: 5"));
    QVERIFY(engineErrorListText(locked).contains(QStringLiteral("database is locked")));

    // A full disk.
    // The file may grow no further: SQLite keeps it at its present size.
    QVERIFY(c->execute(QStringLiteral("PRAGMA max_page_count = 1")).ok());
    QVERIFY(!q.exec(QStringLiteral("INSERT INTO strclient (clt_cod, clt_memo) VALUES "
                                   "('000002', printf('%.90000c', 'x'))")));
    const DataError full = DataError::fromQuery(q);
    QCOMPARE(full.number, 13);
    QCOMPARE(full.text,
             QStringLiteral("Le disque est plein : libérez de la place puis réessayez."));
    // Other failures keep their own text whatever the operation.
    const DataError other3021 = DataError::other(3021, QStringLiteral("Aucun enregistrement"));
    QVERIFY(errorReportText(other3021, QStringLiteral("Lecture"))
                .contains("\r\nAucun enregistrement\r\n"));
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
