// ctest-engines: postgresql
//
// Rows of a customer file checked as the record writes them, duplicates in
// the file and in VORDAN, and the writing: all or nothing, numbered from the
// next free code, completions over the row version.
#include "customers/customer_store.h"
#include "data/statement.h"
#include "drilling/sheet_store.h"
#include "import/import_history.h"
#include "import/import_rows.h"
#include "import/import_writer.h"
#include "support/files.h"
#include "support/fixture.h"

#include <QRegularExpression>
#include <QTest>

using namespace vdn;
using namespace vdn::test;
using CF = CustomerField;

Q_DECLARE_METATYPE(vdn::RowOutcome)
Q_DECLARE_METATYPE(vdn::DuplicateChoice)

namespace {

// The file's columns, in this order.
const QList<ImportField> Columns{ImportField::Code,     ImportField::Name, ImportField::FirstName,
                                 ImportField::Phone,    ImportField::Mail, ImportField::Hand,
                                 ImportField::Tariff,   ImportField::Vat,  ImportField::Weight,
                                 ImportField::Postcode, ImportField::Town};

CustomerRecord customer(const QString& code, const QString& name, const QString& tel,
                        const QString& mail, const QString& state = {}) {
    CustomerRecord r;
    for (int i = 0; i < CustomerFieldCount; ++i)
        r.set(CF(i), QString(QLatin1String("")));
    r.set(CF::Cod, code);
    r.set(CF::Nom, name);
    r.set(CF::Tel, tel);
    r.set(CF::Mail, mail);
    r.set(CF::Etat, state);
    r.set(CF::Dg, QStringLiteral("D"));
    r.set(CF::Tar, QStringLiteral("T"));
    r.set(CF::Poig, QStringLiteral("S"));
    r.set(CF::Lbs, QStringLiteral("0"));
    return r;
}

const QList<CustomerRecord> Existing{
    customer("000010", "DUPRÉ ÉLODIE", "06 12 34 56 78", ""),
    customer("000011", "MARTIN JEAN", "", "j@m.fr"),
    [] { // neither number nor address
        CustomerRecord r = customer("000012", "ROUX ANNE", "", "");
        r.set(CF::Vil, QStringLiteral("ANNECY"));
        return r;
    }(),
};

TextTable tableOf(const QList<QStringList>& rows) {
    TextTable t;
    for (int i = 0; i < Columns.size(); ++i)
        t.columns << fieldKey(Columns.at(i));
    t.rows = rows;
    for (int i = 0; i < rows.size(); ++i)
        t.lines << i + 2;
    return t;
}

// Rows and the other customers of the writing test.
QList<QStringList> writtenRows() {
    return {{"", "Zoé", "", "0450000001", "", "", "", "", "", ""},
            {"", "Brun", "", "", "", "G", "", "", "", ""},
            {"", "Refusé", "", "", "", "", "", "", "", ""},
            {"", "Noir", "", "", "", "", "", "", "", ""}};
}

} // namespace

class TestImportRows : public QObject {
    Q_OBJECT
private slots:
    void rowChecks_data();
    void rowChecks();
    void realValues_data();
    void realValues();
    void allOrNothing();
    void completeAndKeepCodes();
    void historyAndUndo();
    void waitOnAnImportIsSaidSo();
    void lookupFindsWhatEveryCustomerFinds();
    void keptCodesLeftByDeletedCustomersAreRefused();
    void dryRunPredictsTheImport_data();
    void dryRunPredictsTheImport();
};

void TestImportRows::rowChecks_data() {
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<RowOutcome>("outcome");
    // Nom|Dg|Tar|Lbs|Nic|Cp, or the code duplicated ("possible" when met only
    // by the same name and town)
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<bool>("keepCodes"); // the file's codes kept as the customers' codes

    using O = RowOutcome;
    QTest::newRow("defaults of a new customer, name in capitals")
        << QStringList{"", "Zoé", "ève", "0450000001", "", "", "", "", "", "01000"} << O::New
        << "ZOÉ ÈVE|D|T|0||01000"
        << "" << false;
    QTest::newRow("hand and tariff read from words, VAT kept on a business")
        << QStringList{"", "Brun", "", "", "", "gaucher", "Entreprise", "FR1", "15,5", ""} << O::New
        << "BRUN|G|H|15,5|FR1|"
        << "" << false;
    QTest::newRow("English hand letter L is left")
        << QStringList{"", "Noir", "", "", "", "L", "ttc", "", "", ""} << O::New << "NOIR|G|T|0||"
        << "" << false;
    QTest::newRow("empty name, first name alone")
        << QStringList{"", "", "Paul", "", "", "", "", "", "", ""} << O::Refused << ""
        << "nom vide" << false;
    QTest::newRow("name and first name over 30 characters")
        << QStringList{"", "Dupont-Lajoie de la Tour", "Marie-Hélène", "", "", "", "", "", "", ""}
        << O::Refused << ""
        << "nom trop long : 37 caractères pour 30 au plus" << false;
    QTest::newRow("postcode too long, not cut")
        << QStringList{"", "A", "", "", "", "", "", "", "", "123456"} << O::Refused << ""
        << "code postal trop long : 6 caractères pour 5 au plus" << false;
    QTest::newRow("unreadable hand")
        << QStringList{"", "A", "", "", "", "X", "", "", "", ""} << O::Refused << ""
        << "main illisible : « X »" << false;
    QTest::newRow("unreadable tariff")
        << QStringList{"", "A", "", "", "", "", "Z", "", "", ""} << O::Refused << ""
        << "tarif illisible" << false;
    QTest::newRow("weight not a number")
        << QStringList{"", "A", "", "", "", "", "", "", "16a", ""} << O::Refused << ""
        << "poids non conforme" << false;
    QTest::newRow("VAT number on a private customer")
        << QStringList{"", "A", "", "", "", "", "T", "FR1", "", ""} << O::Refused << ""
        << "n° TVA sur un client particulier" << false;
    QTest::newRow("phone kept as a number by a spreadsheet")
        << QStringList{"", "A", "", "612345678", "", "", "", "", "", ""} << O::Refused << ""
        << "le zéro du début est perdu" << false;
    QTest::newRow("existing: same folded name and same phone digits")
        << QStringList{"", "dupre", "elodie", "+33 612345678", "", "", "", "", "", ""}
        << O::DuplicateExisting << "000010"
        << "" << false;
    QTest::newRow("existing: same name and e-mail in other capitals")
        << QStringList{"", "Martin", "Jean", "", "J@M.FR", "", "", "", "", ""}
        << O::DuplicateExisting << "000011"
        << "" << false;
    QTest::newRow("same name, other phone: not a duplicate")
        << QStringList{"", "Dupré", "Élodie", "0699999999", "", "", "", "", "", ""} << O::New
        << "DUPRÉ ÉLODIE|D|T|0||"
        << "" << false;
    QTest::newRow("no number nor address, same name and town: a possible duplicate")
        << QStringList{"", "roux", "anne", "", "", "", "", "", "", "", "Annecy"}
        << O::DuplicateExisting << "000012 possible"
        << "" << false;
    QTest::newRow("no number nor address, same name, another town: new")
        << QStringList{"", "Roux", "Anne", "", "", "", "", "", "", "", "Lyon"} << O::New
        << "ROUX ANNE|D|T|0||"
        << "" << false;
    // Another program's customer numbers say who a row is only when kept,
    // and a kept number that is another person's is not that person.
    QTest::newRow("file code not kept: never matched")
        << QStringList{"11", "Autre", "", "", "", "", "", "", "", ""} << O::New << "AUTRE|D|T|0||"
        << "" << false;
    QTest::newRow("kept code, same name: that customer")
        << QStringList{"11", "Martin", "Jean", "", "", "", "", "", "", ""} << O::DuplicateExisting
        << "000011"
        << "" << true;
    QTest::newRow("kept code, another name: refused, never merged")
        << QStringList{"11", "Autre", "", "", "", "", "", "", "", ""} << O::Refused << ""
        << "code 000011 déjà pris par MARTIN JEAN : un autre nom" << true;
}

void TestImportRows::rowChecks() {
    QFETCH(QStringList, cells);
    QFETCH(RowOutcome, outcome);
    QFETCH(QString, stored);
    QFETCH(QString, problem);
    QFETCH(bool, keepCodes);
    const ImportMapping mapping{Columns, DuplicateChoice::Skip, keepCodes};
    // The row alone, then the same row again after it: a duplicate in the file.
    const ImportCheck check = checkImport(tableOf({cells, cells}), mapping, Existing);
    QCOMPARE(check.rows.size(), 2);
    const CheckedRow& row = check.rows.first();
    QCOMPARE(row.outcome, outcome);
    if (!problem.isEmpty())
        QVERIFY2(row.problems.join(';').contains(problem), qPrintable(row.problems.join(';')));
    else
        QCOMPARE(row.problems, QStringList());
    if (outcome == RowOutcome::New) {
        const CustomerRecord& r = row.record;
        QCOMPARE(QStringList({r.text(CF::Nom), r.text(CF::Dg), r.text(CF::Tar), r.text(CF::Lbs),
                              r.text(CF::Nic), r.text(CF::Cp)})
                     .join('|'),
                 stored);
        QCOMPARE(r.text(CF::Poig), QStringLiteral("S"));
        QCOMPARE(check.rows.last().outcome, RowOutcome::DuplicateInFile);
        QCOMPARE(check.rows.last().duplicateOf, QStringLiteral("ligne 2"));
    } else if (outcome == RowOutcome::DuplicateExisting) {
        QCOMPARE(row.duplicateOf + (row.possible ? " possible" : ""), stored);
        QCOMPARE(row.choice, DuplicateChoice::Skip);
    }
    const ImportCounts c = countOutcomes(check);
    QCOMPARE(c.imported + c.ignored + c.refused, 2);
}

// Values as real files hold them: read where they have one clear meaning,
// refused otherwise; the zeros a spreadsheet took put back on request.
void TestImportRows::realValues_data() {
    QTest::addColumn<QStringList>("cells"); // name, title, phone, weight, postcode, country
    // title|phone|weight|postcode (a weight not given is 0), or a problem
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("restored"); // the cells once the zeros are put back
    const auto row = [](const char* tag, QStringList cells, const char* stored,
                        const char* restored = nullptr) {
        QTest::newRow(tag) << cells << QString::fromUtf8(stored)
                           << (restored ? QString::fromUtf8(restored) : cells.join('|'));
    };
    row("French number written the international way", {"A", "", "+33 6 12 34 56 78", "", "", ""},
        "|06 12 34 56 78|0|");
    row("with the zero in brackets", {"A", "", "0033 (0)4 50 00 00 01", "", "", ""},
        "|04 50 00 00 01|0|");
    row("another country's number kept", {"A", "", "+32 2 123 45 67", "", "", ""},
        "|+32 2 123 45 67|0|");
    row("Monsieur", {"A", "Monsieur", "", "", "", ""}, "M.||0|");
    row("Madame", {"A", "madame", "", "", "", ""}, "Mme||0|");
    row("M. et Mme", {"A", "M. et Mme", "", "", "", ""}, "M/Mme||0|");
    row("a title that fits kept as typed", {"A", "MME", "", "", "", ""}, "MME||0|");
    row("a title too long and unknown", {"A", "Sa Majesté", "", "", "", ""},
        "sigle trop long : 10 caractères pour 5 au plus");
    row("weight with its unit", {"A", "", "", "15 lbs", "", ""}, "||15|");
    row("weight with a decimal and LB", {"A", "", "", "15,5 LB", "", ""}, "||15,5|");
    row("weight in words", {"A", "", "", "quinze lbs", "", ""}, "poids non conforme");
    row("postcode that lost its zero", {"A", "", "", "", "2100", ""},
        "code postal « 2100 » enregistré comme un nombre : le zéro du début est perdu (02100 ?)",
        "A||||02100|");
    row("phone that lost its zero", {"A", "", "612345678", "", "", "France"},
        "le zéro du début est perdu", "A||0612345678|||France");
    row("four digits in Belgium", {"A", "", "", "", "2100", "Belgique"}, "||0|2100");
}

void TestImportRows::realValues() {
    QFETCH(QStringList, cells);
    QFETCH(QString, stored);
    QFETCH(QString, restored);
    const ImportMapping mapping{{ImportField::Name, ImportField::Civility, ImportField::Phone,
                                 ImportField::Weight, ImportField::Postcode, ImportField::Country},
                                DuplicateChoice::Skip,
                                false};
    TextTable table;
    table.columns = QStringList{"nom", "sigle", "tel", "poids", "cp", "pays"};
    table.rows = {cells};
    table.lines = {2};
    const CheckedRow row = checkImport(table, mapping, {}).rows.value(0);
    const CustomerRecord& r = row.record;
    if (row.outcome == RowOutcome::Refused)
        QVERIFY2(row.problems.join(';').contains(stored), qPrintable(row.problems.join(';')));
    else
        QCOMPARE(QStringList({r.text(CF::Int), r.text(CF::Tel), r.text(CF::Lbs), r.text(CF::Cp)})
                     .join('|'),
                 stored);
    QCOMPARE(restoreLostZeros(table, mapping) > 0, restored != cells.join('|'));
    QCOMPARE(table.rows.value(0).join('|'), restored);
    if (restored != cells.join('|'))
        QCOMPARE(checkImport(table, mapping, {}).rows.value(0).outcome, RowOutcome::New);
}

void TestImportRows::allOrNothing() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    CustomerStore store(c->db());
    QVERIFY(store.insert(customer("000041", "EXISTANT", "", "")).ok());
    const int before = scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt();
    const ImportMapping mapping{Columns, DuplicateChoice::Skip, false};

    // A failure injected at the third row: nothing of the import remains.
    const QString refuse = c->onServer()
                               ? QStringLiteral("CREATE FUNCTION pg_temp.vdn_no() RETURNS trigger "
                                                "LANGUAGE plpgsql AS $$BEGIN IF NEW.clt_nom = "
                                                "'REFUSÉ' THEN RAISE EXCEPTION 'refus'; END IF; "
                                                "RETURN NEW; END$$")
                               : QStringLiteral("CREATE TEMP TRIGGER vdn_no BEFORE INSERT ON "
                                                "strclient WHEN NEW.clt_nom = 'REFUSÉ' BEGIN "
                                                "SELECT RAISE(ABORT, 'refus'); END");
    QVERIFY(c->execute(refuse).ok());
    if (c->onServer())
        QVERIFY(c->execute(QStringLiteral("CREATE TRIGGER vdn_no BEFORE INSERT ON strclient FOR "
                                          "EACH ROW EXECUTE FUNCTION pg_temp.vdn_no()"))
                    .ok());
    Result<ImportCheck> check = checkAgainst(c->db(), tableOf(writtenRows()), mapping);
    QVERIFY(check);
    Result<WriteOutcome> failed =
        writeImport(c->db(), SheetStore(c->db()), *check, QStringLiteral("clients.csv"));
    QVERIFY(!failed);
    QVERIFY2(failed.error().text.startsWith(QStringLiteral("Ligne 4 du fichier")),
             qPrintable(failed.error().text));
    QCOMPARE(scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(), before);

    // A cancel half-way leaves nothing either.
    QVERIFY(c->execute(c->onServer() ? QStringLiteral("DROP TRIGGER vdn_no ON strclient")
                                     : QStringLiteral("DROP TRIGGER vdn_no"))
                .ok());
    check = checkAgainst(c->db(), tableOf(writtenRows()), mapping);
    Result<WriteOutcome> cancelled =
        writeImport(c->db(), SheetStore(c->db()), *check, QStringLiteral("clients.csv"),
                    [](int done, int total) { return done < total; });
    QVERIFY(cancelled && cancelled->cancelled);
    QCOMPARE(scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(), before);
    // Neither leaves a trace in the history or rows kept apart.
    QCOMPARE(scalar(*c, QStringLiteral("SELECT (SELECT count(*) FROM strimport) + (SELECT "
                                       "count(*) FROM strimport_attente)"))
                 .toInt(),
             0);

    // Written: numbered from the next free code, keys computed as for a
    // typed customer (found by an accent-blind search). A customer added
    // on another workstation while the rows were written apart took the
    // first of those numbers: the import's move on past it.
    bool addedElsewhere = false;
    Result<WriteOutcome> done =
        writeImport(c->db(), SheetStore(c->db()), *check, QStringLiteral("clients.csv"),
                    [&](int written, int total) {
                        if (written == total && !std::exchange(addedElsewhere, true))
                            return store.insert(customer("000042", "AILLEURS", "", "")).ok();
                        return true;
                    });
    QVERIFY2(done, done ? "" : qPrintable(done.error().text));
    QVERIFY(addedElsewhere);
    QCOMPARE(done->counts.imported, 4);
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_cod || ' ' || clt_nom FROM strclient WHERE "
                                       "clt_cod > '000041' ORDER BY clt_cod")),
             (QStringList{"000042 AILLEURS", "000043 ZOÉ", "000044 BRUN", "000045 REFUSÉ",
                          "000046 NOIR"}));
    QCOMPARE(check->rows.at(0).record.text(CF::Cod), QStringLiteral("000043"));
    Result<QList<CustomerListRow>> found = store.page(CustomerQuery::search("zoe"), 0, 10);
    QVERIFY(found && found->size() == 1);
    QCOMPARE(found->first()[0].toString(), QStringLiteral("000043"));

    // The same file again: every row a duplicate, nothing written.
    check = checkAgainst(c->db(), tableOf(writtenRows()), mapping);
    QVERIFY(check);
    const ImportCounts again = countOutcomes(*check);
    QCOMPARE(again.imported, 0);
    QCOMPARE(again.ignored, 4);
}

void TestImportRows::completeAndKeepCodes() {
    DataFolder folder;
    QVERIFY(folder.ok());
    auto c = folder.connect();
    QVERIFY(c);
    CustomerStore store(c->db());
    QVERIFY(store.insert(customer("000010", "DUPRÉ ÉLODIE", "0612345678", "")).ok());
    QVERIFY(store.insert(customer("000011", "MARTIN JEAN", "", "j@m.fr", "SUPPRIME")).ok());
    const QList<QStringList> rows{
        // Completes the empty e-mail and postcode, never the filled phone.
        {"10", "Dupré", "Élodie", "0699999999", "e@d.fr", "", "", "", "", "01000"},
        // A deleted customer is never touched.
        {"11", "Martin", "Jean", "0450", "", "", "", "", "", "74000"},
        // Kept codes: 000012 as in the file; the next new one skips it.
        {"12", "Vert", "", "", "", "", "", "", "", ""},
        {"", "Bleu", "", "", "", "", "", "", "", ""},
        {"ABC", "Gris", "", "", "", "", "", "", "", ""},
    };
    Result<ImportCheck> check =
        checkAgainst(c->db(), tableOf(rows), {Columns, DuplicateChoice::Complete, true});
    QVERIFY(check);
    QCOMPARE(check->rows.at(4).outcome, RowOutcome::Refused); // not a customer number
    // Changed by another workstation after the check: the whole import fails.
    CustomerRecord other = *store.byCode(QStringLiteral("000010")).value();
    other.set(CF::Ad1, QStringLiteral("changé ailleurs"));
    QVERIFY(store.update(other).ok());
    Result<WriteOutcome> conflict =
        writeImport(c->db(), SheetStore(c->db()), *check, QStringLiteral("clients.csv"));
    QVERIFY(!conflict && conflict.error().isChangedElsewhere());
    QCOMPARE(scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(), 2);

    check = checkAgainst(c->db(), tableOf(rows), {Columns, DuplicateChoice::Complete, true});
    Result<WriteOutcome> done =
        writeImport(c->db(), SheetStore(c->db()), *check, QStringLiteral("clients.csv"));
    QVERIFY2(done, done ? "" : qPrintable(done.error().text));
    QCOMPARE(done->counts.imported, 3);
    QCOMPARE(done->counts.completed, 1);
    QCOMPARE(done->counts.ignored, 1);
    QCOMPARE(done->counts.refused, 1);
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_tel || '|' || clt_mail || '|' || clt_cp || '|' "
                                       "|| clt_ad1 FROM strclient WHERE clt_cod = '000010'")),
             QStringList{"0612345678|e@d.fr|01000|changé ailleurs"});
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_cp FROM strclient WHERE clt_cod = '000011'")),
             QStringList{""});
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_cod || ' ' || clt_nom FROM strclient WHERE "
                                       "clt_cod >= '000012' ORDER BY clt_cod")),
             (QStringList{"000012 VERT", "000013 BLEU"}));
}

void TestImportRows::historyAndUndo() {
    DataFolder folder;
    auto c = folder.connect();
    QVERIFY(c);
    CustomerStore store(c->db());
    QVERIFY(store.insert(customer("000001", "DUPRÉ ÉLODIE", "0612345678", "")).ok());
    const ImportMapping mapping{Columns, DuplicateChoice::Complete, false};
    const auto import = [&](const QList<QStringList>& rows, const QString& file) {
        Result<ImportCheck> check = checkAgainst(c->db(), tableOf(rows), mapping);
        Result<WriteOutcome> done = check ? writeImport(c->db(), SheetStore(c->db()), *check, file)
                                          : Result<WriteOutcome>(check.error());
        return done ? done->number : done.error().text;
    };
    // The first completes the existing customer and creates three; the
    // second creates two.
    const QString first = import({{"", "Dupré", "Élodie", "0612345678", "e@d.fr"},
                                  {"", "Vert", "", "", ""},
                                  {"", "Bleu", "", "", ""},
                                  {"", "Gris", "", "", ""}},
                                 QStringLiteral("ancien.csv"));
    const QString second =
        import({{"", "Rose", "", "", ""}, {"", "Jaune", "", "", ""}}, QStringLiteral("salon.xlsx"));
    QCOMPARE(first, QStringLiteral("000001"));
    QCOMPARE(second, QStringLiteral("000002"));
    ImportHistory history(c->db());
    Result<QList<ImportEntry>> list = history.list();
    QVERIFY(list && list->size() == 2);
    const ImportEntry& older = list->at(1);
    QCOMPARE(QStringList({older.number, older.file, older.workstation, older.state}),
             QStringList({first, "ancien.csv", importWorkstation(), "faite"}));
    QCOMPARE(QList<int>({older.rows, older.created, older.completed, older.ignored}),
             QList<int>({4, 3, 1, 0}));
    QCOMPARE(column(*c,
                    QStringLiteral("SELECT clt_cod FROM strimport_client WHERE imp_num = ? "
                                   "ORDER BY clt_cod"),
                    {first}),
             (QStringList{"000002", "000003", "000004"}));

    // A customer of the first import changed since, another given a ball:
    // the undo names them and removes nothing.
    CustomerRecord changed = *store.byCode(QStringLiteral("000003")).value();
    changed.set(CF::Ad1, QStringLiteral("1 rue Neuve"));
    QVERIFY(store.update(changed).ok());
    QVERIFY(c->execute(QStringLiteral("INSERT INTO strmateriel (MAT_CODE, MAT_LG) VALUES "
                                      "('000004', '001')"))
                .ok());
    Result<UndoOutcome> refused = history.undo(first);
    QVERIFY(refused);
    QCOMPARE(refused->blockers,
             (QStringList{"000003 BLEU : modifié depuis", "000004 GRIS : a des boules"}));
    QCOMPARE(scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(), 6);

    // The second is undone: its two customers go, nobody else; it stays in
    // the history as undone and cannot be undone twice.
    Result<UndoOutcome> undone = history.undo(second);
    QVERIFY(undone && undone->blockers.isEmpty());
    QCOMPARE(undone->removed, 2);
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_cod || ' ' || clt_nom FROM strclient ORDER BY "
                                       "clt_cod")),
             (QStringList{"000001 DUPRÉ ÉLODIE", "000002 VERT", "000003 BLEU", "000004 GRIS"}));
    list = history.list();
    QVERIFY(list);
    QCOMPARE(list->at(0).state, QStringLiteral("annulée"));
    QVERIFY(!list->at(0).undone.isEmpty());
    QCOMPARE(history.undo(second).value().removed, 0);
}

void TestImportRows::waitOnAnImportIsSaidSo() {
    DataFolder folder;
    auto holder = folder.connect();
    QVERIFY(holder);
    if (holder->onServer())
        QSKIP("a file's wait only");
    qputenv("VORDAN_BUSY_TIMEOUT_MS", "100");
    auto other = folder.connect();
    qunsetenv("VORDAN_BUSY_TIMEOUT_MS");
    QVERIFY(other);
    const QString otherMark = folder.databaseFile() + QStringLiteral(".import-caisse-4242");
    const auto waitRunsOut = [&] {
        Status s = other->execute(QStringLiteral("UPDATE strspecif SET spe_perceur = 'X'"));
        return s ? QStringLiteral("<écrit>") : s.error().text;
    };
    QVERIFY(holder->execute(QStringLiteral("BEGIN IMMEDIATE")).ok());
    // No import: the usual words. This program's own import: the same.
    const QString usual = waitRunsOut();
    QVERIFY2(usual.startsWith(QStringLiteral("La base de données est utilisée")),
             qPrintable(usual));
    {
        const ImportMark own(other->db());
        QCOMPARE(waitRunsOut(), usual);
    }
    // Another workstation's import under way.
    QVERIFY(writeFile(otherMark, "caisse"));
    QCOMPARE(waitRunsOut(), importUnderWayText());
    QVERIFY(holder->execute(QStringLiteral("ROLLBACK")).ok());
    QVERIFY(QFile::remove(otherMark));
}

void TestImportRows::lookupFindsWhatEveryCustomerFinds() {
    DataFolder folder;
    auto c = folder.connect();
    QVERIFY(c);
    CustomerStore store(c->db());
    // Names that do not begin with their first word, one another program
    // wrote (keys still to compute), two of one key, more rows than a batch.
    QList<QStringList> rows;
    const auto add = [&](QString code, QString name, QString tel, QString mail, QString file) {
        rows << QStringList{code.toInt() < 300 ? QString::number(code.toInt() + 5) : QString(),
                            file,
                            "",
                            tel.remove(' '),
                            mail.toUpper(),
                            "",
                            "",
                            "",
                            "",
                            ""};
        return store.insert(customer(code, name, tel, mail)).ok();
    };
    for (int i = 1; i <= 260; ++i)
        QVERIFY(add(QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                    QStringLiteral("CLIENT %1").arg(i),
                    QStringLiteral("07%1").arg(i, 8, 10, QLatin1Char('0')), "",
                    QStringLiteral("Client %1").arg(i)));
    QVERIFY(add("000301", "  DUPONT JEAN", "0611111111", "", "Dupont Jean") &&
            add("000302", "DUPONT   JEAN", "", "a@b.fr", "Dupont Jean") &&
            add("000303", "Lefèvre Zoé", "", "", "LEFEVRE ZOE") &&
            add("000304", "ROUX ANNE", "0633333333", "", "Roux Anne") &&
            add("000305", "ROUX ANNE", "0633333333", "", "Roux Anne"));
    QVERIFY(c->execute("INSERT INTO strclient (clt_cod, clt_nom, clt_tel) VALUES ('000306', "
                       "'durand paul', '06 22 22 22 22')"));
    rows.last() = QStringList{"", "Durand", "Paul", "0622222222", "", "", "", "", "", ""};
    Result<QList<CustomerRecord>> everyone = store.records(CustomerQuery::all().unordered());
    QVERIFY(everyone);
    for (bool keepCodes : {false, true}) {
        const ImportMapping mapping{Columns, DuplicateChoice::Add, keepCodes};
        const ImportCheck expected = checkImport(tableOf(rows), mapping, *everyone);
        Result<ImportCheck> looked = checkAgainst(c->db(), tableOf(rows), mapping);
        QVERIFY(looked);
        QStringList seen, wanted;
        for (const auto& [check, out] :
             {std::pair<const ImportCheck*, QStringList*>(&*looked, &seen), {&expected, &wanted}})
            for (const CheckedRow& r : check->rows)
                *out << QStringLiteral("%1 %2 %3")
                            .arg(int(r.outcome))
                            .arg(r.duplicateOf, r.problems.join(';'));
        QCOMPARE(seen, wanted);
        // What one check read serves the next one of the file (a change of
        // a column's field): the same rows checked again read no name anew,
        // and find the same.
        ExistingCustomers read(c->db());
        const quint64 first = statementTally().run;
        QVERIFY(checkAgainst(c->db(), tableOf(rows), mapping, {}, &read));
        const quint64 second = statementTally().run;
        Result<ImportCheck> again = checkAgainst(c->db(), tableOf(rows), mapping, {}, &read);
        const quint64 statementsAgain = statementTally().run - second;
        QVERIFY(again);
        QStringList seenAgain;
        for (const CheckedRow& r : again->rows)
            seenAgain << QStringLiteral("%1 %2 %3")
                             .arg(int(r.outcome))
                             .arg(r.duplicateOf, r.problems.join(';'));
        QCOMPARE(seenAgain, wanted);
        // Only the codes kept from the file are looked up again, once per
        // batch of rows (two here), as they cannot be known by name.
        QVERIFY(second - first > 2);
        QCOMPARE(statementsAgain, quint64(keepCodes ? 2 : 0));
        // Not kept, the file's codes say nothing: every row meets its own
        // customer (the last added of the two ROUX ANNE). Kept, the codes 6
        // to 260 of the first 255 rows are other customers': those rows are
        // refused, never merged, and the others meet theirs.
        QCOMPARE(wanted.filter(QRegularExpression("^2 000")).size(),
                 keepCodes ? rows.size() - 255 : rows.size());
        QCOMPARE(
            wanted.filter(QRegularExpression("^3 .*déjà pris par CLIENT .* un autre nom$")).size(),
            keepCodes ? 255 : 0);
        QVERIFY(wanted.contains(QStringLiteral("2 000305 ")));
        // Stopped by its progress after the first batch: said, and not whole.
        QList<qsizetype> told;
        Result<ImportCheck> stopped =
            checkAgainst(c->db(), tableOf(rows), mapping, [&](qsizetype done, qsizetype total) {
                told << done << total;
                return told.size() < 4;
            });
        QVERIFY(stopped && stopped->cancelled);
        QCOMPARE(told, (QList<qsizetype>{0, rows.size(), 200, rows.size()}));
        QCOMPARE(stopped->rows.size(), 200);
    }
}

// A code kept from the file that a customer deleted for good left behind,
// with its drilling sheet or its balls' drillings, would hand them to the
// new customer: refused; a free code is taken.
void TestImportRows::keptCodesLeftByDeletedCustomersAreRefused() {
    DataFolder folder;
    auto c = folder.connect();
    QVERIFY(c);
    QVERIFY(c->execute("INSERT INTO strpercage (per_code) VALUES ('000500')"));
    QVERIFY(c->execute("INSERT INTO strperc_boule (MAT_CODE, MAT_LG, pb_num) VALUES ('000501', "
                       "'1', '000001')"));
    const struct {
        const char* code;
        RowOutcome outcome;
        const char* problem;
    } cases[] = {
        {"000500", RowOutcome::Refused, "code 000500 déjà pris (fiche de perçage)"},
        {"000501", RowOutcome::Refused, "code 000501 déjà pris (perçages de boules)"},
        {"000502", RowOutcome::New, ""},
    };
    QList<QStringList> rows;
    for (const auto& k : cases)
        rows << QStringList{
            k.code, QStringLiteral("CLIENT %1").arg(k.code), "", "", "", "", "", "", "", ""};
    Result<ImportCheck> check =
        checkAgainst(c->db(), tableOf(rows), {Columns, DuplicateChoice::Add, true});
    QVERIFY(check);
    QCOMPARE(check->rows.size(), qsizetype(std::size(cases)));
    for (qsizetype i = 0; i < check->rows.size(); ++i) {
        QCOMPARE(check->rows.at(i).outcome, cases[i].outcome);
        QCOMPARE(check->rows.at(i).problems.join(';'), QString::fromUtf8(cases[i].problem));
    }
}

// Two rows of the file that meet the same customer of VORDAN (one by its
// phone, the other by its e-mail) are the same customer: the second is a
// duplicate of the first, whatever the choice for customers already there.
// The dry run's counts and lines are those of the import that follows.
void TestImportRows::dryRunPredictsTheImport_data() {
    QTest::addColumn<DuplicateChoice>("choice");
    QTest::addColumn<QString>("counts");   // imported|completed|ignored|refused
    QTest::addColumn<int>("added");        // customers more in the table afterwards
    QTest::addColumn<QString>("postcode"); // of customer 000010 afterwards
    QTest::newRow("complete") << DuplicateChoice::Complete << "3|2|1|1" << 1 << "01000";
    QTest::newRow("skip") << DuplicateChoice::Skip << "1|0|3|1" << 1 << "";
    QTest::newRow("add") << DuplicateChoice::Add << "3|0|1|1" << 3 << "";
}

void TestImportRows::dryRunPredictsTheImport() {
    QFETCH(DuplicateChoice, choice);
    QFETCH(QString, counts);
    QFETCH(int, added);
    QFETCH(QString, postcode);
    DataFolder folder;
    auto c = folder.connect();
    QVERIFY(c);
    CustomerStore store(c->db());
    QVERIFY(store.insert(customer("000010", "DUPRÉ ÉLODIE", "0612345678", "x@y.fr")).ok());
    QVERIFY(store.insert(customer("000011", "MARTIN JEAN", "", "j@m.fr")).ok());
    const QList<QStringList> rows{
        {"", "Dupré", "Élodie", "06 12 34 56 78", "", "", "", "", "", "01000"},
        {"", "Dupré", "Élodie", "", "X@Y.FR", "", "", "", "", "02000"},
        {"", "Vert", "", "", "", "", "", "", "", ""},
        {"", "", "Paul", "", "", "", "", "", "", ""},
        {"", "Martin", "Jean", "", "j@m.fr", "", "", "", "", "74000"},
    };
    const auto customers = [&] {
        return scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt();
    };
    const int before = customers();
    const ImportMapping mapping{Columns, choice, false};

    Result<ImportCheck> dry = checkAgainst(c->db(), tableOf(rows), mapping);
    QVERIFY(dry);
    QStringList predicted = reportText(*dry, true).split('\n');
    QCOMPARE(predicted.takeFirst(), QStringLiteral("Essai : rien n'a été écrit. L'import "
                                                   "donnerait :"));
    QCOMPARE(customers(), before);

    Result<ImportCheck> real = checkAgainst(c->db(), tableOf(rows), mapping);
    QVERIFY(real);
    Result<WriteOutcome> done =
        writeImport(c->db(), SheetStore(c->db()), *real, QStringLiteral("clients.csv"));
    QVERIFY2(done, done ? "" : qPrintable(done.error().text));
    QCOMPARE(reportText(*real, false).split('\n'), predicted);
    QVERIFY2(predicted.contains(QStringLiteral("Ligne 3 (DUPRÉ ÉLODIE) : doublon de la ligne 2 "
                                               "du fichier (même client 000010)")),
             qPrintable(predicted.join('\n')));
    const ImportCounts& n = done->counts;
    QCOMPARE(QStringLiteral("%1|%2|%3|%4")
                 .arg(n.imported)
                 .arg(n.completed)
                 .arg(n.ignored)
                 .arg(n.refused),
             counts);
    QCOMPARE(customers(), before + added);
    QCOMPARE(column(*c, QStringLiteral("SELECT clt_cp FROM strclient WHERE clt_cod = '000010'")),
             QStringList{postcode});
}

QTEST_MAIN(TestImportRows)
#include "tst_rows.moc"
