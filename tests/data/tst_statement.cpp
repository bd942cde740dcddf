#include "data/connection.h"
#include "data/statement.h"
#include "support/fixture.h"

#include <QSqlQuery>
#include <QTest>

#include <thread>
#include <utility>
#include <vector>

using namespace vdn;

// The statement helper every store runs its SQL through: what it writes,
// how it fails, and the statement texts it derives from field lists, each
// run on a real database.
class TestStatement : public QObject {
    Q_OBJECT

private slots:
    void textsAreNeverBoundAsNull();
    void closedConnectionFailsInFrench();
    void engineFailuresNameTheStatement();
    void preparedStatementRunsAgainWithNewValues();
    void derivedTextsWriteAndReadTheirFields();
    void highestNumberSkipsWhatIsNoCustomerNumber();
    void highestCodeThroughTheIndexIsTheHighestNumber();
    void releasedQueryReadsItsRows();
    void threadsEndAfterKeepingPreparations();

private:
    std::unique_ptr<Connection> scratch(test::DataFolder& folder) {
        auto c = folder.connect();
        if (c)
            c->execute(QStringLiteral("CREATE TABLE t (k TEXT NOT NULL, a TEXT, b TEXT, "
                                      "n TEXT, PRIMARY KEY (k))"));
        return c;
    }
    static QStringList row(Connection& c, const QString& key) {
        return test::column(
            c,
            QStringLiteral("SELECT coalesce(a, 'NULL') || '|' || coalesce(b, "
                           "'NULL') || '|' || coalesce(n, 'NULL') FROM t WHERE k = ?"),
            {key});
    }
};

void TestStatement::textsAreNeverBoundAsNull() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = scratch(folder);
    QVERIFY(c);
    Statement q(c->db(),
                insertText(QStringLiteral("t"), {QStringLiteral("k"), QStringLiteral("a"),
                                                 QStringLiteral("b"), QStringLiteral("n")}));
    QVERIFY(q.prepared().ok());
    QVERIFY(q.bind(QStringLiteral("1"))
                .bind(QString())
                .bind(std::optional<QString>())
                .bind(NullText{})
                .exec()
                .ok());
    // A list of values follows the same rule, a null text in it included.
    QVERIFY(q.bindAll({QStringLiteral("2"), QVariant(QString()),
                       QVariant(QMetaType(QMetaType::QString)), QStringLiteral("x")})
                .exec()
                .ok());
    QCOMPARE(row(*c, QStringLiteral("1")), QStringList{QStringLiteral("||NULL")});
    QCOMPARE(row(*c, QStringLiteral("2")), QStringList{QStringLiteral("||x")});
    QCOMPARE(readText(QVariant(QMetaType(QMetaType::QString))), QString(QLatin1String("")));
    QVERIFY(!readText(QVariant(QMetaType(QMetaType::QString))).isNull());
}

void TestStatement::closedConnectionFailsInFrench() {
    // Never opened, and opened then closed: the same report, no engine list.
    for (const bool opened : {false, true}) {
        test::DataFolder folder;
        QVERIFY(folder.ok());
        auto c = folder.connect();
        QSqlDatabase db = opened ? c->db() : QSqlDatabase();
        if (opened)
            db.close();
        Statement q(db, QStringLiteral("SELECT 1"));
        QVERIFY(!q.prepared().ok());
        const Status s = q.bind(QStringLiteral("x")).exec();
        QVERIFY(!s.ok());
        QCOMPARE(s.error().number, errnum::DatabaseNotFound);
        QCOMPARE(s.error().text, QStringLiteral("La base de données n'est pas ouverte"));
        QVERIFY(s.error().engineErrors.isEmpty());
        QCOMPARE(run(db, QStringLiteral("DELETE FROM strclient")).error().number,
                 errnum::DatabaseNotFound);
        QCOMPARE(scalar(db, QStringLiteral("SELECT 1")).error().number, errnum::DatabaseNotFound);
    }
}

void TestStatement::engineFailuresNameTheStatement() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    // Refused when prepared: no such table.
    const QString missing = QStringLiteral("SELECT * FROM nowhere WHERE a = ?");
    Statement q(c->db(), missing);
    const Status s = q.bind(QStringLiteral("x")).exec();
    QVERIFY(!s.ok());
    QCOMPARE(s.error().number, 1); // SQLITE_ERROR
    QCOMPARE(s.error().engineErrors.size(), 1);
    QCOMPARE(s.error().engineErrors.first().statement, missing);
    QVERIFY(!s.error().text.isEmpty());
    // Refused when run: a second customer with the same code.
    const QString insert = QStringLiteral("INSERT INTO strclient (clt_cod) VALUES (?)");
    QVERIFY(run(c->db(), insert, {QStringLiteral("000001")}).ok());
    const Status twice = run(c->db(), insert, {QStringLiteral("000001")});
    QVERIFY(!twice.ok());
    QCOMPARE(twice.error().number, 19); // SQLITE_CONSTRAINT
    QCOMPARE(twice.error().engineErrors.first().statement, insert);
}

void TestStatement::preparedStatementRunsAgainWithNewValues() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = scratch(folder);
    QVERIFY(c);
    Statement q(c->db(), QStringLiteral("INSERT INTO t (k, a) VALUES (?, ?)"));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(q.bind(QString::number(i)).bind(QStringLiteral("v%1").arg(i)).exec().ok());
    QCOMPARE(test::column(*c, QStringLiteral("SELECT k || a FROM t ORDER BY k")),
             QStringList({QStringLiteral("1v1"), QStringLiteral("2v2"), QStringLiteral("3v3")}));
}

void TestStatement::derivedTextsWriteAndReadTheirFields() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = scratch(folder);
    QVERIFY(c);
    const QStringList fields{QStringLiteral("k"), QStringLiteral("a"), QStringLiteral("b"),
                             QStringLiteral("n")};
    const QStringList key{QStringLiteral("k")};
    // a: inserted as a fixed text and never changed afterwards; n: kept when
    // the new value is null.
    const Dialect& d = Dialect::of(c->db());
    const QString upsert = upsertText(
        d, QStringLiteral("t"), fields, key,
        {{QStringLiteral("a"), QStringLiteral("'fixed'"), QString()},
         {QStringLiteral("n"), QString(),
          QStringLiteral("coalesce(%1, t.n)").arg(d.proposedValue(QStringLiteral("n")))}});
    const auto save = [&](const QString& b, std::optional<QString> n) {
        Statement q(c->db(), upsert);
        q.bind(QStringLiteral("K")).bind(b);
        n ? q.bind(*n) : q.bind(NullText{});
        return q.exec();
    };
    QVERIFY(save(QStringLiteral("b1"), QStringLiteral("n1")).ok());
    QCOMPARE(row(*c, QStringLiteral("K")), QStringList{QStringLiteral("fixed|b1|n1")});
    QVERIFY(run(c->db(), QStringLiteral("UPDATE t SET a = 'changed'")).ok());
    QVERIFY(save(QStringLiteral("b2"), std::nullopt).ok());
    QCOMPARE(row(*c, QStringLiteral("K")), QStringList{QStringLiteral("changed|b2|n1")});
    QVERIFY(save(QStringLiteral("b3"), QStringLiteral("n3")).ok());
    QCOMPARE(row(*c, QStringLiteral("K")), QStringList{QStringLiteral("changed|b3|n3")});

    // Update: every field, then the key of the row to change.
    Statement u(c->db(), updateText(QStringLiteral("t"), fields, key));
    u.bindAll({QStringLiteral("L"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("n"),
               QStringLiteral("K")});
    QVERIFY(u.exec().ok());
    QCOMPARE(u.rowsAffected(), 1);
    QCOMPARE(row(*c, QStringLiteral("L")), QStringList{QStringLiteral("a|b|n")});

    // Insert if new: a known key changes nothing and is no failure.
    QVERIFY(
        run(c->db(), insertIfNewText(d, QStringLiteral("t"), fields),
            {QStringLiteral("L"), QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("x")})
            .ok());
    QCOMPARE(row(*c, QStringLiteral("L")), QStringList{QStringLiteral("a|b|n")});

    // Select: the fields in their order.
    Statement s(c->db(), selectText(QStringLiteral("t"), fields));
    QVERIFY(s.exec().ok());
    QVERIFY(s.next());
    QCOMPARE(s.indexOf(QStringLiteral("b")), 2);
    QCOMPARE(s.text(0) + s.text(3), QStringLiteral("Ln"));
    QVERIFY(!s.next());
    QVERIFY(s.finished().ok());
}

void TestStatement::highestNumberSkipsWhatIsNoCustomerNumber() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = scratch(folder);
    QVERIFY(c);
    const QString highest =
        highestNumberText(Dialect::of(c->db()), QStringLiteral("t"), QStringLiteral("k"));
    QCOMPARE(scalar(c->db(), highest)->isNull(), true);
    for (const char* k : {"000041", "7", "1234567", "12A", "", " 99", "-5"})
        QVERIFY(
            run(c->db(), QStringLiteral("INSERT INTO t (k) VALUES (?)"), {QString::fromLatin1(k)})
                .ok());
    QCOMPARE(scalar(c->db(), highest)->toInt(), 41);
}

void TestStatement::highestCodeThroughTheIndexIsTheHighestNumber() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = scratch(folder);
    QVERIFY(c);
    const Dialect& d = Dialect::of(c->db());
    const QString code = highestCodeText(d, QStringLiteral("t"), QStringLiteral("k"));
    QVERIFY(scalar(c->db(), code)->isNull());
    // Codes held, and the highest number of one to six digits among them.
    const std::pair<std::vector<const char*>, int> cases[] = {
        {{"000041", "7", "1234567", "12A", "", " 99", "-5"}, 41},
        {{"123456", "99", "654321", "999999A", "9999999"}, 654321},
        {{"099999", "99998"}, 99999},
        {{"100000", "99999", "1000000"}, 100000},
        {{"0", "000000"}, 0},
        {{"A00001", "200000", "20000", "2000000"}, 200000},
    };
    for (const auto& [codes, highest] : cases) {
        QVERIFY(run(c->db(), QStringLiteral("DELETE FROM t")).ok());
        for (const char* k : codes)
            QVERIFY(run(c->db(), QStringLiteral("INSERT INTO t (k) VALUES (?)"),
                        {QString::fromLatin1(k)})
                        .ok());
        QCOMPARE(scalar(c->db(), code)->toInt(), highest);
    }
}

void TestStatement::releasedQueryReadsItsRows() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto c = scratch(folder);
    QVERIFY(c);
    for (const char* k : {"a", "b"})
        QVERIFY(
            run(c->db(), QStringLiteral("INSERT INTO t (k) VALUES (?)"), {QString::fromLatin1(k)})
                .ok());
    Statement q(c->db(), QStringLiteral("SELECT k FROM t WHERE k > ? ORDER BY k"));
    QVERIFY(q.bind(QString()).exec().ok());
    QSqlQuery rows = std::move(q).release();
    QVERIFY(rows.isActive());
    QStringList read;
    while (rows.next())
        read << rows.value(0).toString();
    QCOMPARE(read, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
}

// Threads that prepared statements on their own connections end one after
// another; each reads what it wrote, and a closed connection leaves no kept
// preparation behind; the preparations are not freed by the thread's end
// (under MinGW, a destructor run there may read storage already freed).
void TestStatement::threadsEndAfterKeepingPreparations() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    auto main = scratch(folder);
    QVERIFY(main);
    const QString insert = QStringLiteral("INSERT INTO t (k, a) VALUES (?, ?)");
    const QString count = QStringLiteral("SELECT count(*) FROM t WHERE a = ?");
    constexpr int Threads = 24;
    QStringList failures;
    std::vector<const QSqlDriver*> drivers;
    for (int i = 0; i < Threads; ++i) {
        std::thread([&] {
            Result<std::unique_ptr<Connection>> c = Connection::open(folder.databaseFile());
            if (!c || !run((*c)->db(), insert, {QString::number(i), QStringLiteral("x")}).ok()) {
                failures << QStringLiteral("thread %1").arg(i);
                return;
            }
            const QSqlDriver* driver = (*c)->db().driver();
            const int kept = keptPreparations(driver); // the opening's and the insert's
            {
                Statement q((*c)->db(), count);
                if (!q.bind(QStringLiteral("x")).exec().ok() || !q.next() ||
                    q.value(0).toInt() != i + 1 || kept < 1 || keptPreparations(driver) != kept + 1)
                    failures << QStringLiteral("thread %1 read").arg(i);
            }
            drivers.push_back(driver);
            c->reset();
        }).join();
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(", ")));
    QCOMPARE(int(drivers.size()), Threads);
    for (const QSqlDriver* driver : drivers)
        QCOMPARE(keptPreparations(driver), 0);
    // The main thread's own connection prepares and reads as before.
    QCOMPARE(test::column(*main, QStringLiteral("SELECT count(*) FROM t")),
             QStringList{QString::number(Threads)});
}

QTEST_GUILESS_MAIN(TestStatement)
#include "tst_statement.moc"
