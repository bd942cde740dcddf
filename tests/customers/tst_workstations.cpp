// ctest-engines: postgresql
// Several workstations on one database: each test's window or store works on
// one connection while the test's own connection (or another process) plays
// the other workstation.
#include "balls/ball_controller.h"
#include "balls/ball_fixture.h"
#include "customer_data.h"
#include "customers/customer_record_controller.h"
#include "customers/customer_store.h"
#include "drilling/drilling_sheet_panel.h"
#include "drilling/sheet_history.h"
#include "drilling/sheet_store.h"
#include "reference/param_store.h"
#include "support/older_schema.h"
#include "support/widget_lookup.h"
#include "widgets/changed_elsewhere.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QSet>
#include <QTest>

#include <atomic>
#include <thread>

using namespace vdn;
using test::BallFixture;
using test::ClientFixture;

namespace {

const QString Dupont = QStringLiteral("000001");

// The other workstation changes one field of a customer as VORDAN writes it.
bool changeElsewhere(Connection& c, const QString& code, CustomerField field,
                     const QString& value) {
    CustomerStore store(c.db());
    Result<std::optional<CustomerRecord>> found = store.byCode(code);
    if (!found || !found->has_value())
        return false;
    CustomerRecord r = **found;
    r.set(field, value);
    return store.update(r).ok();
}

QString customerHeadline(const QString& code) {
    return QStringLiteral("Le client %1 a été modifié sur un autre poste depuis son affichage.")
        .arg(code);
}

SheetStamp stamp() {
    return {QDateTime(QDate(2026, 12, 8), QTime(10, 0)), QStringLiteral("Ana Ruiz")};
}

int historyCount(Connection& c, const QString& code) {
    return test::scalar(
               c, QStringLiteral("SELECT count(*) FROM strpercage_hist WHERE per_code = ?"), {code})
        .toInt();
}

} // namespace

class TestWorkstations : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useFrenchLocale(); }

    // Stores, two connections.
    void customer_written_over_the_version_read_only();
    void new_customer_moves_to_the_next_free_code();
    void ball_line_and_ball_changes_are_checked();
    void sheet_written_over_the_version_read_only();
    void older_file_gets_row_versions();
    // Two processes adding at the same moment.
    void processes_adding_at_once_never_share_a_code();
    void reference_value_added_at_once_is_already_there();
    void keys_filled_only_where_still_missing_data();
    void keys_filled_only_where_still_missing();

    // The windows.
    void customer_changed_elsewhere_merges_data();
    void customer_changed_elsewhere_merges();
    void customer_proposed_code_taken_elsewhere_moves();
    void ball_changed_elsewhere_merges_data();
    void ball_changed_elsewhere_merges();
    void ball_line_taken_elsewhere_moves();
    void bag_edit_changed_elsewhere_merges_data();
    void bag_edit_changed_elsewhere_merges();
    void ball_deleted_elsewhere_offers_it_again_data();
    void ball_deleted_elsewhere_offers_it_again();
    void sheet_changed_elsewhere_merges_data();
    void sheet_changed_elsewhere_merges();
};

void TestWorkstations::customer_written_over_the_version_read_only() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto here = f.connect();
    auto there = f.connect();
    QVERIFY(here && there);
    QVERIFY(test::addSampleCustomers(*here));
    CustomerStore mine(here->db()), theirs(there->db());

    CustomerRecord shown = **mine.byCode(Dupont);
    QCOMPARE(shown.revision, qint64(0));
    QVERIFY(changeElsewhere(*there, Dupont, CustomerField::Vil, QStringLiteral("Lyon")));

    // Written over an older version: refused, the other's change kept.
    shown.set(CustomerField::Tel, QStringLiteral("01 02 03 04 05"));
    Status s = mine.update(shown);
    QVERIFY(!s);
    QVERIFY(s.error().isChangedElsewhere());
    CustomerRecord now = **theirs.byCode(Dupont);
    QCOMPARE(now.text(CustomerField::Vil), QStringLiteral("Lyon"));
    QCOMPARE(now.text(CustomerField::Tel), QStringLiteral("04 50 00 00 01"));
    QCOMPARE(now.revision, qint64(1));
    QCOMPARE(changedCustomerFields(shown, now),
             QStringList({QStringLiteral("Ville"), QStringLiteral("Téléphone")}));

    // Told to, it writes over them; the version goes on counting.
    QVERIFY(mine.update(shown, CustomerStore::Overwrite::Yes));
    now = **theirs.byCode(Dupont);
    QCOMPARE(now.text(CustomerField::Vil), QStringLiteral("Annecy"));
    QCOMPARE(now.revision, qint64(2));
    // The name keys follow the write, in the same transaction.
    QCOMPARE(test::scalar(*there, "SELECT clt_tel_k FROM strclient WHERE clt_cod = ?", {Dupont})
                 .toString(),
             QStringLiteral("0102030405"));

    // Marking the customer deleted is a change too.
    QVERIFY(theirs.markDeleted(Dupont));
    now.set(CustomerField::Memo, QStringLiteral("note"));
    QVERIFY(mine.update(now).error().isChangedElsewhere());
    QCOMPARE(test::scalar(*here, "SELECT clt_etat FROM strclient WHERE clt_cod = ?", {Dupont})
                 .toString(),
             QStringLiteral("SUPPRIME"));
    // A customer deleted for good is never written back by a checked write.
    const CustomerRecord gone = **mine.byCode(QStringLiteral("000002"));
    QVERIFY(test::scalar(*there, "DELETE FROM strclient WHERE clt_cod = '000002'").isNull());
    QCOMPARE(mine.update(gone).error().number, errnum::NoCurrentRecord);
    QCOMPARE(test::scalar(*here, "SELECT count(*) FROM strclient WHERE clt_cod = '000002'").toInt(),
             0);
}

void TestWorkstations::new_customer_moves_to_the_next_free_code() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto here = f.connect();
    auto there = f.connect();
    QVERIFY(test::addSampleCustomers(*here));
    CustomerStore mine(here->db());
    const SheetStore sheets(here->db());
    const QString proposed = *mine.nextCode(sheets);
    QCOMPARE(proposed, QStringLiteral("000004"));
    QVERIFY(test::addCustomer(*there, proposed, QStringLiteral("AUTRE POSTE")));
    // A sheet kept for 000005 holds that number too.
    QVERIFY(test::addSheet(*there, QStringLiteral("000005")));

    CustomerRecord entry;
    entry.set(CustomerField::Cod, proposed);
    entry.set(CustomerField::Nom, QStringLiteral("NOUVEAU CLIENT"));
    const Status typed = mine.insert(entry);
    QVERIFY(!typed);
    QVERIFY(typed.error().isDuplicateKey());
    QVERIFY(!typed.error().isChangedElsewhere());

    Result<QString> used = mine.insertUnderFreeCode(entry, sheets);
    QVERIFY(used);
    QCOMPARE(*used, QStringLiteral("000006"));
    QCOMPARE(test::column(*there,
                          "SELECT clt_nom FROM strclient WHERE clt_cod IN (?, ?) "
                          "ORDER BY clt_cod",
                          {proposed, *used}),
             QStringList({QStringLiteral("AUTRE POSTE"), QStringLiteral("NOUVEAU CLIENT")}));

    // A failure other than a taken code is not a taken code.
    QVERIFY(test::refuseOn(*here, QStringLiteral("strclient"), QStringLiteral("INSERT")));
    entry.set(CustomerField::Cod, QStringLiteral("000100"));
    Result<QString> refused = mine.insertUnderFreeCode(entry, sheets);
    QVERIFY(!refused);
    QVERIFY(!refused.error().isDuplicateKey());
    QVERIFY(test::allowAgain(*here, QStringLiteral("strclient")));
    QCOMPARE(test::scalar(*here, "SELECT count(*) FROM strclient WHERE clt_cod = '000100'").toInt(),
             0);
}

void TestWorkstations::ball_line_and_ball_changes_are_checked() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto here = f.connect();
    auto there = f.connect();
    QVERIFY(test::addSampleCustomers(*here));
    QVERIFY(test::addBall(*here, Dupont, QStringLiteral("001")));
    BallStore mine(here->db()), theirs(there->db());

    BallRecord fresh;
    fresh.code = Dupont;
    fresh.line = QStringLiteral("002");
    fresh.brand = QStringLiteral("HAMMER");
    QVERIFY(test::addBall(*there, Dupont, QStringLiteral("002")));
    QVERIFY(mine.insert(fresh).error().isDuplicateKey());
    Result<QString> used = mine.insertUnderFreeLine(fresh);
    QVERIFY(used);
    QCOMPARE(*used, QStringLiteral("003"));
    QCOMPARE(test::column(*there,
                          "SELECT mat_marque FROM strmateriel WHERE MAT_CODE = ? "
                          "ORDER BY MAT_LG",
                          {Dupont}),
             QStringList({"STORM", "STORM", "HAMMER"}));

    BallRecord shown = **mine.byKey(Dupont, QStringLiteral("001"));
    BallRecord other = **theirs.byKey(Dupont, QStringLiteral("001"));
    other.serial = QStringLiteral("SN-42");
    other.type = QStringLiteral("Sec");
    QVERIFY(theirs.update(other));
    // The bag number, changed in the grid over the version it read, raises
    // the version too; it is no field of the record.
    QVERIFY(theirs.setBag(Dupont, QStringLiteral("001"), QStringLiteral("101"), 1));
    QVERIFY(theirs.setBag(Dupont, QStringLiteral("001"), QStringLiteral("102"), 1)
                .error()
                .isChangedElsewhere());
    shown.ball = QStringLiteral("Phaze");
    QVERIFY(mine.update(shown).error().isChangedElsewhere());
    const BallRecord now = **mine.byKey(Dupont, QStringLiteral("001"));
    QCOMPARE(now.serial, QStringLiteral("SN-42"));
    QCOMPARE(now.bag, QStringLiteral("101"));
    QCOMPARE(now.revision, qint64(2));
    QCOMPARE(changedBallFields(shown, now),
             QStringList({QStringLiteral("Boule"), QStringLiteral("N° Série"),
                          QStringLiteral("Huilée / Sec / Spare")}));
    shown.revision = now.revision;
    QVERIFY(mine.update(shown));
    const BallRecord after = **theirs.byKey(Dupont, QStringLiteral("001"));
    QCOMPARE(after.ball, QStringLiteral("Phaze"));
    QCOMPARE(after.bag, QStringLiteral("101"));
    // No lane condition in the record keeps the stored one.
    QCOMPARE(after.type, std::optional<QString>(QStringLiteral("Sec")));

    // A ball deleted elsewhere is not written back.
    QVERIFY(theirs.remove(Dupont, QStringLiteral("001")));
    QVERIFY(mine.update(after).error().isChangedElsewhere());
    QVERIFY(!mine.byKey(Dupont, QStringLiteral("001"))->has_value());
}

void TestWorkstations::sheet_written_over_the_version_read_only() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto here = f.connect();
    auto there = f.connect();
    SheetStore mine(here->db()), theirs(there->db());
    SheetRecord entry;
    entry.code = QStringLiteral("000007");
    entry.fingerComment = QStringLiteral("ici");

    // Another workstation created the sheet meanwhile: the new one is refused.
    SheetRecord created = entry;
    created.thumbComment = QStringLiteral("là-bas");
    QVERIFY(theirs.save(created, stamp()));
    Status s = mine.save(entry, stamp());
    QVERIFY(s.error().isChangedElsewhere());
    QCOMPARE(historyCount(*here, entry.code), 1);

    SheetRecord now = **mine.load(entry.code);
    QCOMPARE(now.revision, std::optional<qint64>(0));
    QCOMPARE(changedSheetFields(entry, now), QStringList{QStringLiteral("Commentaire pouce")});
    // Written over the version read, then that version is stale.
    entry.revision = now.revision;
    QVERIFY(mine.save(entry, stamp()));
    QCOMPARE(historyCount(*here, entry.code), 2);
    created.revision = 0;
    created.measures[8] = QStringLiteral("4 1/2");
    s = theirs.save(created, stamp());
    QVERIFY(s.error().isChangedElsewhere());
    // Nothing half-written: neither the sheet nor a version.
    QCOMPARE(historyCount(*there, entry.code), 2);
    QCOMPARE((*theirs.load(entry.code))->measures.value(8), QString());
    QCOMPARE(changedSheetFields(created, **theirs.load(entry.code)),
             QStringList({QStringLiteral("Case au-dessus du doigt gauche"),
                          QStringLiteral("Commentaire pouce")}));
    // Written over whatever the row holds.
    QVERIFY(theirs.save(created, stamp(), SheetStore::Overwrite::Yes));
    QCOMPARE((*mine.load(entry.code))->measures.value(8), QStringLiteral("4 1/2"));
    QCOMPARE((*mine.load(entry.code))->revision, std::optional<qint64>(2));
    QCOMPARE(historyCount(*here, entry.code), 3);
}

void TestWorkstations::older_file_gets_row_versions() {
    if (test::onServerEngine())
        QSKIP("the older file is an SQLite file");
    test::DataFolder f;
    QVERIFY(f.ok());
    {
        auto c = f.connect();
        QVERIFY(test::addSampleCustomers(*c));
        QVERIFY(test::addBall(*c, Dupont, QStringLiteral("001")));
        QVERIFY(test::addSheet(*c, Dupont));
        QVERIFY(test::backToVersion3(*c));
    }
    auto c = f.connect();
    QVERIFY(c);
    QCOMPARE(test::scalar(*c, "PRAGMA user_version").toInt(), SchemaVersion);
    for (const QString& table : revisedTables())
        QCOMPARE(test::column(*c, QStringLiteral("SELECT DISTINCT vdn_rev FROM ") + table),
                 QStringList{QStringLiteral("0")});
    CustomerStore store(c->db());
    CustomerRecord r = **store.byCode(Dupont);
    r.set(CustomerField::Pays, QStringLiteral("France"));
    QVERIFY(store.update(r));
    QCOMPARE(test::scalar(*c, "SELECT vdn_rev FROM strclient WHERE clt_cod = ?", {Dupont}).toInt(),
             1);
}

void TestWorkstations::processes_adding_at_once_never_share_a_code() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto here = f.connect();
    QVERIFY(test::addSampleCustomers(*here));
    constexpr int Each = 25;
    QList<QProcess*> children;
    for (const QString& who : {QStringLiteral("A"), QStringLiteral("B")}) {
        auto* p = new QProcess(this);
        p->start(QStringLiteral(VORDAN_WORKSTATION),
                 {f.databaseFile(), QStringLiteral("add"), QString::number(Each), who, Dupont});
        children << p;
    }
    for (QProcess* p : children)
        QVERIFY2(p->waitForStarted(), qPrintable(p->errorString()));
    // This process is a third workstation adding at the same time.
    CustomerStore mine(here->db());
    BallStore balls(here->db());
    const SheetStore sheets(here->db());
    QStringList codes, lines;
    for (int i = 0; i < Each; ++i) {
        CustomerRecord r;
        r.set(CustomerField::Cod, *mine.nextCode(sheets));
        r.set(CustomerField::Nom, QStringLiteral("C%1").arg(i));
        Result<QString> used = mine.insertUnderFreeCode(r, sheets);
        QVERIFY2(used, used ? "" : qPrintable(used.error().text));
        codes << *used;
        BallRecord b;
        b.code = Dupont;
        b.line = formatBallLine(*balls.highestLine(Dupont) + 1);
        Result<QString> line = balls.insertUnderFreeLine(b);
        QVERIFY2(line, line ? "" : qPrintable(line.error().text));
        lines << *line;
    }
    for (QProcess* p : children) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitCode(), 0);
        for (const QByteArray& out : p->readAllStandardOutput().split('\n')) {
            const QList<QByteArray> words = out.trimmed().split(' ');
            if (words.value(0) == "C")
                codes << QString::fromLatin1(words.value(1));
            else if (words.value(0) == "B")
                lines << QString::fromLatin1(words.value(1));
        }
    }
    // Every customer and ball saved, each under a number of its own.
    QCOMPARE(codes.size(), 3 * Each);
    QCOMPARE(QSet<QString>(codes.begin(), codes.end()).size(), 3 * Each);
    QCOMPARE(lines.size(), 3 * Each);
    QCOMPARE(QSet<QString>(lines.begin(), lines.end()).size(), 3 * Each);
    QCOMPARE(test::scalar(*here, "SELECT count(*) FROM strclient").toInt(), 3 + 3 * Each);
    QCOMPARE(test::scalar(*here, "SELECT count(*) FROM strmateriel").toInt(), 3 * Each);
    QCOMPARE(test::scalar(*here, "SELECT count(DISTINCT clt_nom) FROM strclient").toInt(),
             3 + 3 * Each);
}

// Another workstation adds the same value and commits while this one adds it:
// this one finds it there, with no error and no second row.
void TestWorkstations::reference_value_added_at_once_is_already_there() {
    test::DataFolder f;
    QVERIFY(f.ok());
    auto here = f.connect();
    QVERIFY(here);
    const QString database = f.databaseFile();
    std::atomic<int> step{0};
    std::thread other([&] {
        {
            Result<std::unique_ptr<Connection>> there = Connection::open(database);
            if (!there) {
                step = -1;
                return;
            }
            QSqlDatabase db = (*there)->db();
            QSqlQuery q(db);
            const bool held =
                db.transaction() &&
                q.exec(QStringLiteral(
                    "INSERT INTO strparam (par_table, par_lib) VALUES ('3', 'Pearl')"));
            step = held ? 1 : -1;
            // Committed while the test's own insert waits for it.
            QThread::msleep(400);
            if (held && !db.commit())
                step = -1;
        }
    });
    while (step == 0)
        QThread::msleep(5);
    ParamStore mine(here->db());
    const Result<bool> added = mine.addIfNew(3, QStringLiteral("PEARL"));
    other.join();
    QCOMPARE(step.load(), 1);
    QVERIFY2(added, added ? "" : qPrintable(added.error().text));
    QCOMPARE(*added, false);
    QCOMPARE(test::column(*here, "SELECT par_lib FROM strparam WHERE par_table = '3' AND "
                                 "upper(par_lib) = 'PEARL'"),
             QStringList{QStringLiteral("Pearl")});
    // A value nobody holds is added, once.
    QCOMPARE(*mine.addIfNew(3, QStringLiteral("Hybride")), true);
    QCOMPARE(*mine.addIfNew(3, QStringLiteral("hybride")), false);
}

// The keys of a customer read without them are written only while it still
// has none and still has the texts read: a customer renamed meanwhile (by
// VORDAN, or by a program that leaves the keys empty) keeps its new name's.
void TestWorkstations::keys_filled_only_where_still_missing_data() {
    QTest::addColumn<bool>("byVordan");
    QTest::newRow("renamed on another workstation") << true;
    QTest::newRow("renamed by another program") << false;
}

void TestWorkstations::keys_filled_only_where_still_missing() {
    QFETCH(bool, byVordan);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto here = f.connect();
    auto there = f.connect();
    QVERIFY(here && there);
    QVERIFY(test::addSampleCustomers(*here));
    const QString keyOf = QStringLiteral("SELECT clt_nom_k1 FROM strclient WHERE clt_cod = ?");
    const QString before = test::scalar(*here, keyOf, {Dupont}).toString();
    QVERIFY(here->execute(QStringLiteral("UPDATE strclient SET clt_nom_k1 = NULL, clt_nom_k2 = "
                                         "NULL WHERE clt_cod IN ('000001', '000002')")));
    CustomerStore mine(here->db());
    const Result<QList<CustomerStore::WithoutKeys>> read = mine.customersWithoutKeys();
    QVERIFY(read);
    QCOMPARE(read->size(), 2);

    if (byVordan) {
        QVERIFY(changeElsewhere(*there, Dupont, CustomerField::Nom, QStringLiteral("ZORRO")));
    } else {
        QVERIFY(there->execute(
            QStringLiteral("UPDATE strclient SET clt_nom = 'ZORRO' WHERE clt_cod = '000001'")));
    }
    QCOMPARE(*mine.writeMissingKeys(*read), 1); // the other customer only
    const QString missingOf =
        QStringLiteral("SELECT count(*) FROM strclient WHERE clt_cod = ? AND clt_nom_k2 IS NULL");
    // Renamed by VORDAN: its keys. By another program: still missing (the
    // file's provisional key aside), then filled from the new name.
    QCOMPARE(test::scalar(*here, missingOf, {Dupont}).toInt(), byVordan ? 0 : 1);
    if (!byVordan)
        QCOMPARE(*mine.fillMissingKeys(), 1);
    QVERIFY(test::scalar(*here, keyOf, {Dupont}).toString() != before);
    QVERIFY(test::scalar(*here, keyOf, {Dupont}).toString().startsWith(QLatin1String("ZORRO")));
    QCOMPARE(test::scalar(*here, missingOf, {Dupont}).toInt(), 0);
    QCOMPARE(test::scalar(*here, missingOf, {QStringLiteral("000002")}).toInt(), 0);
}

// How the other workstation's answer is given to the side-by-side box:
// none shown, the default (entry kept on screen), or one choice for all.
enum class SideBySide { NotShown, KeepEntry, Stored, Typed };
Q_DECLARE_METATYPE(SideBySide)

namespace {
void expectSideBySide(ScriptedMessageBoxes& boxes, SideBySide answer, const QString& headline,
                      const QList<FieldChoice>& fields) {
    if (answer == SideBySide::NotShown)
        return;
    std::optional<QList<bool>> keepTyped;
    if (answer != SideBySide::KeepEntry)
        keepTyped = QList<bool>(fields.size(), answer == SideBySide::Typed);
    boxes.expectChoice(ScriptedMessageBoxes::choiceText(headline, fields), keepTyped);
}
} // namespace

// B retypes the telephone while A changes the town and the memo, and maybe
// the telephone too.
void TestWorkstations::customer_changed_elsewhere_merges_data() {
    QTest::addColumn<QString>("theirTel");
    QTest::addColumn<SideBySide>("answer");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("kept");
    const QString both = QStringLiteral("01 99 99 99 99|Genève|vu au comptoir");
    QTest::newRow("different fields: merged unasked")
        << QString() << SideBySide::NotShown << both << QStringLiteral("Ville, Observations");
    QTest::newRow("same value on both sides")
        << QStringLiteral("01 99 99 99 99") << SideBySide::NotShown << both
        << QStringLiteral("Ville, Observations");
    QTest::newRow("same field: default keeps the entry")
        << QStringLiteral("05 55 55 55 55") << SideBySide::KeepEntry
        << QStringLiteral("05 55 55 55 55|Genève|vu au comptoir") << QString();
    QTest::newRow("same field: typed value chosen")
        << QStringLiteral("05 55 55 55 55") << SideBySide::Typed << both
        << QStringLiteral("Ville, Observations");
    QTest::newRow("same field: stored value chosen")
        << QStringLiteral("05 55 55 55 55") << SideBySide::Stored
        << QStringLiteral("05 55 55 55 55|Genève|vu au comptoir")
        << QStringLiteral("Ville, Téléphone, Observations");
}

void TestWorkstations::customer_changed_elsewhere_merges() {
    QFETCH(QString, theirTel);
    QFETCH(SideBySide, answer);
    QFETCH(QString, stored);
    QFETCH(QString, kept);
    ClientFixture f;
    QVERIFY(f.openWith([](Connection& c) { return test::addSampleCustomers(c); }));
    f.clickRowOf(Dupont);
    QTest::mouseClick(f.find("Image2"), Qt::LeftButton);
    QVERIFY(f.find("Frame100")->isVisible());
    f.retype("txttel", QStringLiteral("01 99 99 99 99"));
    QVERIFY(changeElsewhere(*f.db, Dupont, CustomerField::Vil, QStringLiteral("Genève")));
    QVERIFY(changeElsewhere(*f.db, Dupont, CustomerField::Memo, QStringLiteral("vu au comptoir")));
    if (!theirTel.isEmpty())
        QVERIFY(changeElsewhere(*f.db, Dupont, CustomerField::Tel, theirTel));

    expectSideBySide(f.folder.boxes, answer, customerHeadline(Dupont),
                     {{QStringLiteral("Téléphone"), theirTel, QStringLiteral("01 99 99 99 99")}});
    if (!kept.isEmpty())
        f.folder.boxes.expectMessage(QStringLiteral("Gardé de l'autre poste : ") + kept);
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);

    QCOMPARE(test::column(*f.db,
                          "SELECT clt_tel || '|' || clt_vil || '|' || clt_memo FROM strclient "
                          "WHERE clt_cod = ?",
                          {Dupont}),
             QStringList{stored});
    // Kept on screen, the entry is as typed; saved, the record is left.
    QCOMPARE(f.find("Frame100")->isVisible(), answer == SideBySide::KeepEntry);
    if (answer == SideBySide::KeepEntry)
        QCOMPARE(f.box("txttel")->text(), QStringLiteral("01 99 99 99 99"));
}

void TestWorkstations::customer_proposed_code_taken_elsewhere_moves() {
    ClientFixture f;
    QVERIFY(f.openWith([](Connection& c) { return test::addSampleCustomers(c); }));
    f.click("cmdajout");
    QCOMPARE(f.box("Txtcod")->text(), QStringLiteral("000004"));
    f.retype("Txtnom", QStringLiteral("Martin Léa"));
    QVERIFY(test::addCustomer(*f.db, QStringLiteral("000004"), QStringLiteral("PRIS AILLEURS")));
    // Leaving the proposed code says nothing: it moves when saved.
    f.leave("Txtcod");
    VDN_CHECK_BOXES(f.folder);
    f.folder.boxes.expectMessage(
        QStringLiteral("Le code 000004 a été pris sur un autre poste entre-temps : le client est "
                       "enregistré sous le code 000005."));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame100")->isHidden());
    QCOMPARE(
        test::column(*f.db, "SELECT clt_cod || ' ' || clt_nom FROM strclient WHERE clt_cod "
                            "> '000003' ORDER BY clt_cod"),
        QStringList({QStringLiteral("000004 PRIS AILLEURS"), QStringLiteral("000005 MARTIN LÉA")}));

    // A code the user typed keeps its refusal.
    f.click("cmdajout");
    f.retype("Txtcod", QStringLiteral("40"));
    f.retype("Txtnom", QStringLiteral("Petit Jean"));
    QVERIFY(test::addCustomer(*f.db, QStringLiteral("000040"), QStringLiteral("PRIS AILLEURS")));
    f.folder.boxes.expectMessage(QStringLiteral("Ce code existe déjà"));
    f.click("cmdvalide");
    VDN_CHECK_BOXES(f.folder);
    QVERIFY(f.find("Frame100")->isVisible());
    QCOMPARE(
        test::scalar(*f.db, "SELECT clt_nom FROM strclient WHERE clt_cod = '000040'").toString(),
        QStringLiteral("PRIS AILLEURS"));
}

void TestWorkstations::ball_changed_elsewhere_merges_data() {
    QTest::addColumn<QString>("theirCore");
    QTest::addColumn<SideBySide>("answer");
    QTest::addColumn<QString>("core");
    QTest::newRow("other field: merged unasked") << QString() << SideBySide::NotShown << "Pancake";
    QTest::newRow("same field: default keeps the entry")
        << "Symétrique" << SideBySide::KeepEntry << "Symétrique";
    QTest::newRow("same field: typed value chosen")
        << "Symétrique" << SideBySide::Typed << "Pancake";
}

void TestWorkstations::ball_changed_elsewhere_merges() {
    QFETCH(QString, theirCore);
    QFETCH(SideBySide, answer);
    QFETCH(QString, core);
    BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addSampleCustomers(*f.db));
    QVERIFY(test::addBall(*f.db, Dupont, QStringLiteral("001")));
    QVERIFY(f.openCustomer(Dupont));
    f.clickBallLine(QStringLiteral("001"));
    QVERIFY(f.record()->isVisible());
    f.fillKnownBall();
    BallStore theirs(f.db->db());
    BallRecord other = **theirs.byKey(Dupont, QStringLiteral("001"));
    other.serial = QStringLiteral("SN-77");
    if (!theirCore.isEmpty())
        other.core = theirCore;
    QVERIFY(theirs.update(other));

    expectSideBySide(f.folder.boxes, answer,
                     QStringLiteral("La boule n° 001 a été modifiée sur un autre poste depuis "
                                    "son affichage."),
                     {{QStringLiteral("Noyau"), theirCore, QStringLiteral("Pancake")}});
    // Only what the other workstation changed is named: never the ball's
    // name, written in capitals by the record.
    if (answer != SideBySide::KeepEntry)
        f.folder.boxes.expectMessage(QStringLiteral("Gardé de l'autre poste : N° Série"));
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    const BallRecord saved = **theirs.byKey(Dupont, QStringLiteral("001"));
    QCOMPARE(saved.serial, QStringLiteral("SN-77"));
    QCOMPARE(saved.core, core);
    QCOMPARE(f.record()->isVisible(), answer == SideBySide::KeepEntry);
}

void TestWorkstations::ball_line_taken_elsewhere_moves() {
    BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addSampleCustomers(*f.db));
    QVERIFY(test::addBall(*f.db, Dupont, QStringLiteral("001")));
    QVERIFY(f.openCustomer(Dupont));
    f.click("cmdajout_mat");
    f.fillKnownBall();
    QVERIFY(test::addBall(*f.db, Dupont, QStringLiteral("002")));
    f.folder.boxes.expectMessage(movedLineMessage(QStringLiteral("002"), QStringLiteral("003")));
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE(f.ballLines(), QStringList({"001", "002", "003"}));
    QCOMPARE(test::column(*f.db,
                          "SELECT MAT_LG || ' ' || coalesce(mat_noyau, '') FROM strmateriel WHERE "
                          "MAT_CODE = ? AND MAT_LG > '001' ORDER BY MAT_LG",
                          {Dupont}),
             QStringList({QStringLiteral("002 "), QStringLiteral("003 Pancake")}));
}

// A bag number typed in the grid over a ball another workstation changed
// since the grid read it: the rest of the ball is no conflict; the bag number
// changed on both sides is chosen side by side, and kept on screen it stays
// in its cell, waiting to be written.
void TestWorkstations::bag_edit_changed_elsewhere_merges_data() {
    QTest::addColumn<bool>("theirBag");
    QTest::addColumn<SideBySide>("answer");
    QTest::addColumn<QString>("stored");
    QTest::newRow("other field: written unasked") << false << SideBySide::NotShown << "150";
    QTest::newRow("same field: default keeps it on screen")
        << true << SideBySide::KeepEntry << "007";
    QTest::newRow("same field: stored value chosen") << true << SideBySide::Stored << "007";
    QTest::newRow("same field: typed value chosen") << true << SideBySide::Typed << "150";
}

void TestWorkstations::bag_edit_changed_elsewhere_merges() {
    QFETCH(bool, theirBag);
    QFETCH(SideBySide, answer);
    QFETCH(QString, stored);
    BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addSampleCustomers(*f.db));
    QVERIFY(test::addBall(*f.db, Dupont, QStringLiteral("001"), QStringLiteral("005")));
    QVERIFY(test::addBall(*f.db, Dupont, QStringLiteral("002"), QStringLiteral("006")));
    QVERIFY(f.openCustomer(Dupont));
    BallStore theirs(f.db->db());
    if (theirBag) {
        QVERIFY(theirs.setBag(Dupont, QStringLiteral("001"), QStringLiteral("007"), 0));
    } else {
        BallRecord other = **theirs.byKey(Dupont, QStringLiteral("001"));
        other.serial = QStringLiteral("SN-77");
        QVERIFY(theirs.update(other));
    }

    QVERIFY(f.editBag(0, QStringLiteral("150")));
    const QString headline = QStringLiteral("La boule n° 001 a été modifiée sur un autre poste "
                                            "depuis son affichage.");
    const QList<FieldChoice> bag{{QStringLiteral("Sac"), QStringLiteral("007"), "150"}};
    expectSideBySide(f.folder.boxes, answer, headline, bag);
    QTest::keyClick(f.ballGrid(), Qt::Key_Down);
    VDN_CHECK_BOXES(f.folder);
    const BallRecord now = **theirs.byKey(Dupont, QStringLiteral("001"));
    QCOMPARE(now.bag, stored);
    QCOMPARE(now.serial, theirBag ? QString() : QStringLiteral("SN-77"));
    if (answer == SideBySide::KeepEntry) {
        // Kept on screen: the number typed stays in its cell, the cell
        // current and editable, until the row is left once more.
        QCOMPARE(f.ballColumn(BallColumn::Bag), (QStringList{"150", "006"}));
        QCOMPARE(f.ballGrid()->currentIndex(), f.ballModel()->index(0, int(BallColumn::Bag)));
        QVERIFY(f.ballModel()->flags(f.ballGrid()->currentIndex()) & Qt::ItemIsEditable);
        // What would read the grid again asks again, and stays put.
        expectSideBySide(f.folder.boxes, answer, headline, bag);
        f.click("cmdajout_mat");
        VDN_CHECK_BOXES(f.folder);
        QVERIFY(!f.record()->isVisible());
        QCOMPARE(f.ballColumn(BallColumn::Bag).at(0), QStringLiteral("150"));
        // Mended in its cell, then chosen over the other's: written.
        QVERIFY(f.editBag(0, QStringLiteral("152")));
        expectSideBySide(f.folder.boxes, SideBySide::Typed, headline,
                         {{QStringLiteral("Sac"), QStringLiteral("007"), "152"}});
        QTest::keyClick(f.ballGrid(), Qt::Key_Down);
        VDN_CHECK_BOXES(f.folder);
        QCOMPARE((*theirs.byKey(Dupont, QStringLiteral("001")))->bag, QStringLiteral("152"));
        stored = QStringLiteral("152");
    }
    // The grid shows what is stored, and a second edit is no conflict with itself.
    QCOMPARE(f.ballColumn(BallColumn::Bag).at(0), stored);
    QVERIFY(!f.ballModel()->pendingRow());
    QVERIFY(f.editBag(0, QStringLiteral("151")));
    QTest::keyClick(f.ballGrid(), Qt::Key_Down);
    VDN_CHECK_BOXES(f.folder);
    QCOMPARE((*theirs.byKey(Dupont, QStringLiteral("001")))->bag, QStringLiteral("151"));
}

// Saving a ball another workstation deleted: said so, and created again as
// it is on screen, bag number included, or not at all.
void TestWorkstations::ball_deleted_elsewhere_offers_it_again_data() {
    QTest::addColumn<bool>("again");
    QTest::newRow("created again") << true;
    QTest::newRow("given up") << false;
}

void TestWorkstations::ball_deleted_elsewhere_offers_it_again() {
    QFETCH(bool, again);
    BallFixture f;
    QVERIFY(f.ready());
    QVERIFY(test::addSampleCustomers(*f.db));
    // A history ball.
    QVERIFY(test::addBall(*f.db, Dupont, QStringLiteral("001"), QStringLiteral("150")));
    QVERIFY(f.openCustomer(Dupont));
    f.clickBallLine(QStringLiteral("001"));
    QVERIFY(f.record()->isVisible());
    f.fillKnownBall();
    BallStore theirs(f.db->db());
    QVERIFY(theirs.remove(Dupont, QStringLiteral("001")));

    f.folder.boxes.expectQuestion(
        QStringLiteral("La boule n° 001 a été supprimée sur un autre poste depuis son "
                       "affichage. L'enregistrer à nouveau telle qu'elle est à l'écran (n° de "
                       "sac 150) ?"),
        again);
    f.click("cmdvalide3");
    VDN_CHECK_BOXES(f.folder);
    const Result<std::optional<BallRecord>> stored = theirs.byKey(Dupont, QStringLiteral("001"));
    QVERIFY(stored);
    QCOMPARE(stored->has_value(), again);
    if (!again) {
        QVERIFY(f.record()->isVisible());
        return;
    }
    QCOMPARE((*stored)->bag, QStringLiteral("150"));
    QCOMPARE((*stored)->core, QStringLiteral("Pancake"));
    QVERIFY(!f.record()->isVisible());
}

void TestWorkstations::sheet_changed_elsewhere_merges_data() {
    QTest::addColumn<QString>("theirFinger");
    QTest::addColumn<SideBySide>("answer");
    QTest::newRow("different fields: merged unasked") << QString() << SideBySide::NotShown;
    QTest::newRow("same field: default keeps the entry") << "là" << SideBySide::KeepEntry;
    QTest::newRow("same field: stored value chosen") << "là" << SideBySide::Stored;
}

void TestWorkstations::sheet_changed_elsewhere_merges() {
    QFETCH(QString, theirFinger);
    QFETCH(SideBySide, answer);
    test::DataFolder f;
    QVERIFY(f.ok());
    auto here = f.connect();
    auto there = f.connect();
    SheetStore theirs(there->db());
    SheetRecord first;
    first.code = QStringLiteral("000007");
    first.fingerComment = QStringLiteral("au départ");
    QVERIFY(theirs.save(first, stamp()));

    DrillingSheetPanel panel(f.services(), here->db());
    QVERIFY(panel.startModify({"000007", "M. MARTIN LUC", ""}));
    VDN_CHECK_BOXES(f);
    auto* finger = panel.findChild<QPlainTextEdit*>("txtcomm_doigt");
    finger->setPlainText(QStringLiteral("ici"));
    SheetRecord other = **theirs.load(first.code);
    other.thumbComment = QStringLiteral("là-bas");
    if (!theirFinger.isEmpty())
        other.fingerComment = theirFinger;
    QVERIFY(theirs.save(other, stamp()));

    expectSideBySide(f.boxes, answer,
                     QStringLiteral("La fiche de perçage de ce client a été modifiée sur un "
                                    "autre poste depuis son affichage."),
                     {{QStringLiteral("Commentaire doigts"), theirFinger, QStringLiteral("ici")}});
    const bool written = answer != SideBySide::KeepEntry;
    if (written)
        f.boxes.expectMessage(answer == SideBySide::Stored
                                  ? QStringLiteral("Gardé de l'autre poste : Commentaire doigts, "
                                                   "Commentaire pouce")
                                  : QStringLiteral("Gardé de l'autre poste : Commentaire pouce"));
    QTest::mouseClick(panel.findChild<QWidget*>("cmdvalide_fiche"), Qt::LeftButton);
    VDN_CHECK_BOXES(f);

    const SheetRecord stored = **theirs.load(first.code);
    QCOMPARE(stored.thumbComment, QStringLiteral("là-bas"));
    QCOMPARE(stored.fingerComment,
             answer == SideBySide::NotShown ? QStringLiteral("ici") : theirFinger);
    QCOMPARE(historyCount(*here, first.code), written ? 3 : 2);
    // The form shows what is stored, or the entry kept on screen.
    QCOMPARE(finger->toPlainText(), written ? stored.fingerComment : QStringLiteral("ici"));
}

QTEST_MAIN(TestWorkstations)
#include "tst_workstations.moc"
