// ctest-engines: postgresql
#include "balls/ball_store.h"
#include "customer_data.h"
#include "customers/customer_store.h"
#include "drilling/sheet_store.h"
#include "support/fixture.h"

#include <QSqlQuery>
#include <QTest>

using namespace vdn;

namespace {

QStringList codesOf(const CustomerStore& store, const CustomerQuery& query) {
    Result<QList<CustomerListRow>> rows = store.page(query, 0, 1000);
    if (!rows) {
        qWarning("select failed: %s", qPrintable(rows.error().text));
        return {QStringLiteral("<erreur>")};
    }
    QStringList codes;
    for (const CustomerListRow& row : *rows)
        codes << row[0].toString();
    return codes;
}

// Names chosen to catch a prefix that is not compared exactly: wildcards,
// quotes, accents, ASCII folding and the characters around the capitals.
const QList<std::pair<QString, QString>> SearchNames{
    {"000001", "DUPONT JEAN"},  {"000002", "DURAND MARIE"}, {"000003", "ADUR PAUL"},
    {"000004", "ÉTIENNE LUC"},  {"000005", "ÉTÉ"},          {"000006", "D'ALMEIDA ANA"},
    {"000007", "100% BOWLING"}, {"000008", "A_B CLUB"},     {"000009", "AXB CLUB"},
    {"000010", "DU"},           {"000011", "A@B"},          {"000012", "AAB"},
    {"000013", "ZOÉ"},          {"000014", "STRASSER"},     {"000015", "dubois paul"},
    {"000016", "EVE"},
};

// The engine's plan for the query, one step a line, or why it could not be had.
QString planOf(const CustomerStore& store, const CustomerQuery& query) {
    Result<QStringList> plan = store.queryPlan(query);
    return plan ? plan->join(QLatin1Char('\n')) : QStringLiteral("<erreur> ") + plan.error().text;
}

// Whether SQLite's plan reads every row of the customer table to find the
// ones wanted (a plan that could not be had counts as one).
bool scansCustomers(const QString& plan) {
    if (plan.startsWith(QLatin1String("<erreur>")))
        return true;
    for (const QString& step : plan.split(QLatin1Char('\n')))
        if (step.trimmed().endsWith(QLatin1String("SCAN strclient")))
            return true;
    return false;
}

} // namespace

class TestCustomerStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void search_matches_typed_prefix_data();
    void search_matches_typed_prefix();
    void search_and_sort_use_the_name_index_data();
    void search_and_sort_use_the_name_index();
    void sorts_each_column_descending_within_search();
    void names_and_towns_sort_in_french_order();
    void number_search_finds_phones_and_codes_data();
    void number_search_finds_phones_and_codes();
    void number_search_and_french_sorts_read_indexes_data();
    void number_search_and_french_sorts_read_indexes();
    void number_search_matching_many_reads_the_list_index();
    void number_search_counts_customers_found_by_two_numbers_once();
    void keys_follow_changes_made_by_any_program();
    void read_only_file_lists_rows_without_keys();
    void next_code_skips_numbers_held_by_sheets_data();
    void next_code_skips_numbers_held_by_sheets();
    void writes_and_reads_back_every_field();
    void update_and_mark_of_missing_customer_fail();
    void delete_for_good_is_all_or_nothing();
    void highest_line_is_numeric_over_all_balls();
    void formats_customer_codes_data();
    void formats_customer_codes();

private:
    std::unique_ptr<test::DataFolder> folder_;
    std::unique_ptr<Connection> c_;
};

void TestCustomerStore::init() {
    folder_ = std::make_unique<test::DataFolder>();
    QVERIFY(folder_->ok());
    c_ = folder_->connect();
    QVERIFY(c_);
}

void TestCustomerStore::cleanup() {
    c_.reset();
    folder_.reset();
}

void TestCustomerStore::search_matches_typed_prefix_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("codes"); // in name order
    QTest::newRow("empty lists everyone by name")
        << "" << QStringList{"000007", "000011", "000008", "000012", "000003", "000009",
                             "000006", "000010", "000015", "000001", "000002", "000005",
                             "000004", "000016", "000014", "000013"};
    QTest::newRow("capitals") << "DU" << QStringList{"000010", "000015", "000001", "000002"};
    QTest::newRow("small letters") << "du" << QStringList{"000010", "000015", "000001", "000002"};
    QTest::newRow("trailing blank compares three characters") << "DU " << QStringList{"000010"};
    QTest::newRow("leading blank compares three characters") << " DU" << QStringList{"000010"};
    // Accents and case aside: É, é and E find the same names, in French order.
    QTest::newRow("accented small letter") << "é" << QStringList{"000005", "000004", "000016"};
    QTest::newRow("accented word") << "été" << QStringList{"000005"};
    QTest::newRow("word without its accents") << "ete" << QStringList{"000005"};
    QTest::newRow("plain E finds É") << "E" << QStringList{"000005", "000004", "000016"};
    QTest::newRow("accent inside") << "zoé" << QStringList{"000013"};
    QTest::newRow("quote") << "d'" << QStringList{"000006"};
    QTest::newRow("lone quote") << "'" << QStringList{};
    QTest::newRow("percent is a character") << "1%" << QStringList{};
    QTest::newRow("percent in name") << "100%" << QStringList{"000007"};
    QTest::newRow("underscore is a character") << "A_" << QStringList{"000008"};
    QTest::newRow("underscore alone") << "_" << QStringList{};
    QTest::newRow("at sign before capitals") << "a@" << QStringList{"000011"};
    QTest::newRow("last capital") << "z" << QStringList{"000013"};
    QTest::newRow("sharp s in capitals") << "straß" << QStringList{"000014"};
    QTest::newRow("longer than any name") << "DUPONT JEAN X" << QStringList{};
    QTest::newRow("nothing") << "Q" << QStringList{};
    QTest::newRow("blanks only find empty names") << "  " << QStringList{};
}

void TestCustomerStore::search_matches_typed_prefix() {
    QFETCH(QString, typed);
    QFETCH(QStringList, codes);
    for (const auto& [code, name] : SearchNames)
        QVERIFY(test::addCustomer(*c_, code, name));
    CustomerStore store(c_->db());
    QCOMPARE(codesOf(store, CustomerQuery::search(typed)), codes);
}

void TestCustomerStore::search_and_sort_use_the_name_index_data() {
    QTest::addColumn<CustomerQuery>("query");
    QTest::addColumn<bool>("orderFromIndex");
    QTest::newRow("every customer by name") << CustomerQuery::all() << true;
    QTest::newRow("search") << CustomerQuery::search(QStringLiteral("dupont")) << true;
    QTest::newRow("search with blank") << CustomerQuery::search(QStringLiteral("DU ")) << true;
    QTest::newRow("accented search") << CustomerQuery::search(QStringLiteral("é")) << true;
    QTest::newRow("search sorted by name")
        << CustomerQuery::search(QStringLiteral("D")).descendingBy(CustomerColumn::Name) << true;
    QTest::newRow("search sorted by town")
        << CustomerQuery::search(QStringLiteral("D")).descendingBy(CustomerColumn::Town) << false;
    QTest::newRow("only one code") << CustomerQuery::one(QStringLiteral("000001")) << false;
}

void TestCustomerStore::search_and_sort_use_the_name_index() {
    if (test::onServerEngine())
        QSKIP("the query plans checked here are SQLite's");
    QFETCH(CustomerQuery, query);
    QFETCH(bool, orderFromIndex);
    const QString steps = planOf(CustomerStore(c_->db()), query);
    // No query reads the whole table to find its rows.
    QVERIFY2(!scansCustomers(steps), qPrintable(steps));
    if (query.code)
        QVERIFY2(steps.contains(QLatin1String("SEARCH")), qPrintable(steps));
    else if (!query.namePrefix.isEmpty())
        // Every column of the list is in the name index: the table is never read.
        QVERIFY2(
            steps.contains(QLatin1String("SEARCH strclient USING COVERING INDEX strclient_nom")),
            qPrintable(steps));
    else
        QVERIFY2(steps.contains(QLatin1String("strclient_nom")), qPrintable(steps));
    if (orderFromIndex)
        QVERIFY2(!steps.contains(QLatin1String("TEMP B-TREE")), qPrintable(steps));
}

void TestCustomerStore::sorts_each_column_descending_within_search() {
    QVERIFY(test::addCustomer(*c_, "000001", "DUPONT", "Annecy", {{"clt_ad1", "3 rue B"}}));
    QVERIFY(test::addCustomer(*c_, "000002", "DURAND", "Zurich", {{"clt_ad1", "1 rue A"}}));
    QVERIFY(test::addCustomer(*c_, "000003", "DUBOIS", "lyon", {{"clt_ad1", "2 rue C"}}));
    QVERIFY(test::addCustomer(*c_, "000004", "MARTIN", "Zzz"));
    CustomerStore store(c_->db());
    const CustomerQuery du = CustomerQuery::search(QStringLiteral("du"));
    QCOMPARE(codesOf(store, du.descendingBy(CustomerColumn::Town)),
             (QStringList{"000002", "000003", "000001"}));
    QCOMPARE(codesOf(store, du.descendingBy(CustomerColumn::Address)),
             (QStringList{"000001", "000003", "000002"}));
    QCOMPARE(codesOf(store, du.descendingBy(CustomerColumn::Code)),
             (QStringList{"000003", "000002", "000001"}));
    QCOMPARE(codesOf(store, du.descendingBy(CustomerColumn::Name)),
             (QStringList{"000002", "000001", "000003"}));
    QCOMPARE(codesOf(store, CustomerQuery::one(QStringLiteral("000004"))), QStringList{"000004"});
}

void TestCustomerStore::names_and_towns_sort_in_french_order() {
    const QList<std::array<const char*, 3>> rows{
        {"000001", "BONNET", "Zurich"},    {"000002", "BERNARD", "Évry"},
        {"000003", "BÉRANGER", "Annecy"},  {"000004", "COTTE", "évry"},
        {"000005", "CÔTE", "Évian"},       {"000006", "COTE", "Lyon"},
        {"000007", "DALMAS", "Étampes"},   {"000008", "DA SILVA", "Ézy"},
        {"000009", "D'ALMEIDA", "Zurich"}, {"000010", "LEBLANC", "Le Mans"},
        {"000011", "LE GALL", "Lemans"},   {"000012", "ZOLA", "Paris"},
        {"000013", "ÉMILE", "Évry"},
    };
    for (const auto& [code, name, town] : rows)
        QVERIFY(test::addCustomer(*c_, QString::fromUtf8(code), QString::fromUtf8(name),
                                  QString::fromUtf8(town)));
    CustomerStore store(c_->db());
    const QStringList byName{"000003", "000002", "000001", "000006", "000005", "000004", "000009",
                             "000008", "000007", "000013", "000011", "000010", "000012"};
    QCOMPARE(codesOf(store, CustomerQuery::all()), byName);
    QStringList reversed(byName.crbegin(), byName.crend());
    QCOMPARE(codesOf(store, CustomerQuery::all().descendingBy(CustomerColumn::Name)), reversed);
    // Towns Z to A: Zurich first, the É towns among the E ones; equal towns
    // (Évry, évry) by code, descending; LE MANS before LEMANS ascending, so
    // after it here.
    QCOMPARE(codesOf(store, CustomerQuery::all().descendingBy(CustomerColumn::Town)),
             (QStringList{"000009", "000001", "000012", "000006", "000011", "000010", "000008",
                          "000013", "000004", "000002", "000005", "000007", "000003"}));
    // Addresses Z to A in French order too: the accented É among the E ones,
    // a blank before a letter.
    for (const auto& [code, address] :
         QList<std::pair<const char*, const char*>>{{"000001", "rue de l'Église"},
                                                    {"000002", "rue de Lyon"},
                                                    {"000003", "rue de l'Étang"},
                                                    {"000004", "rue de la Paix"},
                                                    {"000005", "rue de l'Eglise"}})
        QVERIFY(c_->execute(QStringLiteral("UPDATE strclient SET clt_ad1 = '%1' WHERE "
                                           "clt_cod = '%2'")
                                .arg(QString::fromUtf8(address).replace("'", "''"),
                                     QString::fromUtf8(code)))
                    .ok());
    QVERIFY(store.fillMissingKeys());
    // An apostrophe sorts before a letter: L'… before LA before LYON; the
    // customers without an address last, by code.
    QCOMPARE(codesOf(store, CustomerQuery::all().descendingBy(CustomerColumn::Address)),
             (QStringList{"000002", "000004", "000003", "000001", "000005", "000013", "000012",
                          "000011", "000010", "000009", "000008", "000007", "000006"}));
    // Within a search the same order.
    QCOMPARE(codesOf(store, CustomerQuery::search(QStringLiteral("be"))),
             (QStringList{"000003", "000002"}));
    QCOMPARE(codesOf(store,
                     CustomerQuery::search(QStringLiteral("d")).descendingBy(CustomerColumn::Name)),
             (QStringList{"000007", "000008", "000009"}));
}

void TestCustomerStore::number_search_finds_phones_and_codes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("codes"); // in name order
    // Rows whose name begins with the typed text stay (0612 PRO), and so
    // does a code beginning with the typed digits (061299).
    QTest::newRow("digits") << "0612"
                            << QStringList{"061299", "000050", "000044", "000043", "000045"};
    QTest::newRow("with blank") << "06 12" << QStringList{"061299", "000044", "000043", "000045"};
    QTest::newRow("with dots") << "06.12" << QStringList{"061299", "000044", "000043", "000045"};
    QTest::newRow("past the first number") << "06-12-34" << QStringList{"000044", "000043"};
    QTest::newRow("international") << "+33 6 12" << QStringList{"000044", "000043", "000045"};
    QTest::newRow("international with 00")
        << "0033612" << QStringList{"000044", "000043", "000045"};
    QTest::newRow("fax and phone") << "0450" << QStringList{"000046", "000045"};
    QTest::newRow("longer than the stored digits") << "06123456789" << QStringList{};
    QTest::newRow("code prefix") << "0000"
                                 << QStringList{"000050", "000044", "000046", "000043", "000045"};
    QTest::newRow("code end is no prefix") << "43" << QStringList{};
    QTest::newRow("code only") << "06129" << QStringList{"061299"};
    QTest::newRow("foreign number") << "+41 22" << QStringList{"000046"};
    QTest::newRow("one digit is a name search") << "0" << QStringList{"061299", "000050"};
    QTest::newRow("letters make a name search") << "06a" << QStringList{};
}

void TestCustomerStore::number_search_finds_phones_and_codes() {
    QFETCH(QString, typed);
    QFETCH(QStringList, codes);
    QVERIFY(test::addCustomer(*c_, "000043", "MARTIN", "Nice", {{"clt_tel", "06 12 34 56 78"}}));
    QVERIFY(test::addCustomer(*c_, "000044", "ALBERT", "Nice", {{"clt_gsm", "+33 (0)6.12.34.56"}}));
    QVERIFY(test::addCustomer(*c_, "000045", "ZOÉ", "Nice",
                              {{"clt_fax", "tél. 0612 / 0450"}, {"clt_tel", "04 50 11"}}));
    QVERIFY(test::addCustomer(*c_, "000046", "ÉMILE", "Genève",
                              {{"clt_fax", "04 50 99"}, {"clt_tel", "+41 22 700"}}));
    QVERIFY(test::addCustomer(*c_, "061299", "0 BOWLING", ""));
    QVERIFY(test::addCustomer(*c_, "000050", "0612 PRO", ""));
    CustomerStore store(c_->db());
    QCOMPARE(codesOf(store, CustomerQuery::search(typed)), codes);
}

void TestCustomerStore::number_search_and_french_sorts_read_indexes_data() {
    QTest::addColumn<CustomerQuery>("query");
    QTest::addColumn<QStringList>("indexes"); // each read by the plan
    const QStringList numbers{"strclient_nom", "strclient_tel", "strclient_gsm", "strclient_fax"};
    const QStringList numbersAndCode = numbers + QStringList{"sqlite_autoindex_strclient_1"};
    QTest::newRow("phone digits") << CustomerQuery::search(QStringLiteral("0612"))
                                  << numbersAndCode;
    QTest::newRow("international") << CustomerQuery::search(QStringLiteral("+33 6 12")) << numbers;
    QTest::newRow("phone digits by town")
        << CustomerQuery::search(QStringLiteral("06 12")).descendingBy(CustomerColumn::Town)
        << numbersAndCode;
    QTest::newRow("phone digits by name")
        << CustomerQuery::search(QStringLiteral("06 12")).descendingBy(CustomerColumn::Name)
        << numbersAndCode;
    QTest::newRow("everyone by name") << CustomerQuery::all() << QStringList{"strclient_nom"};
    QTest::newRow("everyone by name descending")
        << CustomerQuery::all().descendingBy(CustomerColumn::Name) << QStringList{"strclient_nom"};
    QTest::newRow("everyone by town descending")
        << CustomerQuery::all().descendingBy(CustomerColumn::Town) << QStringList{"strclient_vil"};
    QTest::newRow("everyone by address descending")
        << CustomerQuery::all().descendingBy(CustomerColumn::Address)
        << QStringList{"strclient_ad1"};
    QTest::newRow("accented search by town")
        << CustomerQuery::search(QStringLiteral("É")).descendingBy(CustomerColumn::Town)
        << QStringList{"strclient_nom"};
}

void TestCustomerStore::number_search_and_french_sorts_read_indexes() {
    if (test::onServerEngine())
        QSKIP("the query plans checked here are SQLite's");
    QFETCH(CustomerQuery, query);
    QFETCH(QStringList, indexes);
    const QString steps = planOf(CustomerStore(c_->db()), query);
    QVERIFY2(!scansCustomers(steps), qPrintable(steps));
    for (const QString& index : indexes)
        QVERIFY2(steps.contains(QLatin1String(" INDEX ") + index + QLatin1Char(' ')) ||
                     steps.endsWith(QLatin1String(" INDEX ") + index),
                 qPrintable(index + QLatin1String(":\n") + steps));
}

namespace {

// Each engine names its steps its own way: a read of an index, and a sort of
// the rows found.
bool readsIndex(const QString& plan, const QString& index) {
    return plan.contains((test::onServerEngine() ? QStringLiteral("Index Scan using ")
                                                 : QStringLiteral("INDEX ")) +
                         index) ||
           plan.contains(QStringLiteral("Index Only Scan using ") + index) ||
           plan.contains(QStringLiteral("Index Scan on ") + index);
}

bool sorts(const QString& plan) {
    return plan.contains(test::onServerEngine() ? QStringLiteral("Sort")
                                                : QStringLiteral("TEMP B-TREE"));
}

} // namespace

void TestCustomerStore::number_search_counts_customers_found_by_two_numbers_once() {
    // 3,000 customers whose phone and mobile both begin 07: 6,000 numbers,
    // 3,000 customers, few enough to sort.
    const auto add = [&](int from, int to, bool phone, bool mobile) {
        Transaction t(c_->db());
        for (int i = from; i <= to; ++i) {
            QVariantMap numbers;
            if (phone)
                numbers.insert(QStringLiteral("clt_tel"), QStringLiteral("07 00 00 00 01"));
            if (mobile)
                numbers.insert(QStringLiteral("clt_gsm"), QStringLiteral("07 11 11 11 11"));
            if (!test::addCustomer(*c_, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                                   QStringLiteral("CLIENT %1").arg(9999 - i), QString(), numbers))
                return false;
        }
        return t.commit().ok();
    };
    const auto expected = [](int last) {
        QStringList codes;
        for (int i = last; i >= 1 && codes.size() < 1000; --i)
            codes << QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0'));
        return codes;
    };
    QVERIFY(add(1, 3000, true, true));
    CustomerStore store(c_->db());
    const CustomerQuery typed = CustomerQuery::search(QStringLiteral("07"));
    if (test::onServerEngine())
        QVERIFY(c_->execute(QStringLiteral("ANALYZE strclient")).ok());
    QCOMPARE(codesOf(store, typed), expected(3000));
    QString plan = planOf(store, typed);
    QVERIFY2(sorts(plan), qPrintable(plan));
    // 500 more with a phone only, 500 with a mobile only: fewer than 4,000 of
    // each number, 4,000 customers, read in the list's order.
    QVERIFY(add(3001, 3500, true, false));
    QVERIFY(add(3501, 4000, false, true));
    if (test::onServerEngine())
        QVERIFY(c_->execute(QStringLiteral("ANALYZE strclient")).ok());
    QCOMPARE(codesOf(store, typed), expected(4000));
    plan = planOf(store, typed);
    QVERIFY2(!sorts(plan) && readsIndex(plan, QStringLiteral("strclient_nom")), qPrintable(plan));
}

void TestCustomerStore::number_search_matching_many_reads_the_list_index() {
    // Every customer has a mobile beginning 06; one in ten 06 12.
    const int count = 4500;
    {
        Transaction t(c_->db());
        for (int i = 1; i <= count; ++i)
            QVERIFY(test::addCustomer(
                *c_, QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
                QStringLiteral("CLIENT %1").arg(count - i, 4, 10, QLatin1Char('0')), QString(),
                {{"clt_gsm", QStringLiteral("06 %1 00 00 00").arg(10 + i % 10)}}));
        QVERIFY(t.commit().ok());
    }
    if (test::onServerEngine())
        QVERIFY(c_->execute(QStringLiteral("ANALYZE strclient")).ok());
    CustomerStore store(c_->db());
    QStringList all;
    for (int i = count; i >= 1; --i)
        all << QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0'));
    // Many rows: the list's index read in its order, no sort of them all.
    const CustomerQuery many = CustomerQuery::search(QStringLiteral("06"));
    QCOMPARE(codesOf(store, many), all.first(1000));
    Result<QList<CustomerRecord>> records = store.records(many);
    QVERIFY(records);
    QCOMPARE(records->size(), count);
    QCOMPARE(records->last().text(CustomerField::Cod), all.last());
    Result<QStringList> plan = store.queryPlan(many);
    QVERIFY2(plan, plan ? "" : qPrintable(plan.error().text));
    QString steps = plan->join(QLatin1Char('\n'));
    QVERIFY2(!sorts(steps) && readsIndex(steps, QStringLiteral("strclient_nom")),
             qPrintable(steps));
    // The numbers' keys are in that index: the customers passed are read
    // from it alone.
    if (!test::onServerEngine())
        QVERIFY2(steps.contains(QLatin1String("COVERING INDEX strclient_nom")), qPrintable(steps));
    // Few rows: found through the numbers' indexes, then sorted; same order.
    const CustomerQuery few = CustomerQuery::search(QStringLiteral("06 12"));
    QStringList expected;
    for (const QString& code : all)
        if (code.toInt() % 10 == 2)
            expected << code;
    QCOMPARE(codesOf(store, few), expected);
    plan = store.queryPlan(few);
    QVERIFY2(plan, plan ? "" : qPrintable(plan.error().text));
    steps = plan->join(QLatin1Char('\n'));
    QVERIFY2(sorts(steps) && readsIndex(steps, QStringLiteral("strclient_gsm")), qPrintable(steps));
}

void TestCustomerStore::keys_follow_changes_made_by_any_program() {
    QVERIFY(test::addCustomer(*c_, "000001", "BONNET", "Paris"));
    QVERIFY(test::addCustomer(*c_, "000002", "BERNARD", "Paris"));
    CustomerStore store(c_->db());
    const auto keysOf = [&](const char* code) {
        return test::column(*c_,
                            QStringLiteral("SELECT coalesce(clt_nom_k1, '<null>') || '|' || "
                                           "coalesce(clt_nom_k2, '<null>') || '|' || "
                                           "coalesce(clt_vil_k1, '<null>') || '|' || "
                                           "coalesce(clt_vil_k2, '<null>') || '|' || "
                                           "coalesce(clt_tel_k, '<null>') FROM strclient "
                                           "WHERE clt_cod = ?"),
                            {QString::fromLatin1(code)});
    };
    // Another program renames a customer and adds one: they get provisional
    // keys (their raw text in capitals, ASCII letters only) and are marked
    // for the program; the other rows keep theirs.
    QVERIFY(c_->execute(QStringLiteral(
                            "UPDATE strclient SET clt_nom = 'BÉRANGER' WHERE clt_cod = '000001'"))
                .ok());
    QVERIFY(test::insertRow(
        *c_, QStringLiteral("strclient"),
        test::customerRow(QStringLiteral("000003"), QStringLiteral("Émile"), QStringLiteral("Évry"),
                          {{QStringLiteral("clt_tel"), QStringLiteral("01 02")}})));
    QCOMPARE(keysOf("000001"), QStringList{"BÉRANGER|<null>|PARIS|<null>|<null>"});
    QCOMPARE(keysOf("000003"), QStringList{"ÉMILE|<null>|ÉVRY|<null>|<null>"});
    QCOMPARE(keysOf("000002"), QStringList{"BERNARD|BERNARD|PARIS|PARIS|"});
    // Until then they are listed by their raw text: BÉRANGER after BERNARD.
    QCOMPARE(codesOf(store, CustomerQuery::all()), (QStringList{"000002", "000001", "000003"}));
    // A change of case alone counts; a change elsewhere does not.
    QVERIFY(c_->execute(QStringLiteral(
                            "UPDATE strclient SET clt_mail = 'a@b.fr' WHERE clt_cod = '000002'"))
                .ok());
    QCOMPARE(keysOf("000002"), QStringList{"BERNARD|BERNARD|PARIS|PARIS|"});
    QVERIFY(c_->execute(
                  QStringLiteral("UPDATE strclient SET clt_vil = 'paris' WHERE clt_cod = '000002'"))
                .ok());
    QCOMPARE(keysOf("000002"), QStringList{"BERNARD|<null>|PARIS|<null>|<null>"});
    // The marked rows are found through their own index.
    if (!test::onServerEngine()) {
        QSqlQuery plan(c_->db());
        QVERIFY(plan.exec(QStringLiteral(
            "EXPLAIN QUERY PLAN SELECT clt_cod FROM strclient WHERE clt_nom_k2 IS NULL ORDER BY "
            "clt_cod")));
        QVERIFY(plan.next());
        QVERIFY2(plan.value(3).toString().endsWith(QLatin1String(" INDEX strclient_acalculer")),
                 qPrintable(plan.value(3).toString()));
        plan.finish();
    }
    Result<int> filled = store.fillMissingKeys();
    QVERIFY(filled);
    QCOMPARE(*filled, 3);
    QCOMPARE(keysOf("000001"), QStringList{"BERANGER|BE\U00100001RANGER|PARIS|PARIS|"});
    QCOMPARE(keysOf("000003"), QStringList{"EMILE|E\U00100001MILE|EVRY|E\U00100001VRY|0102"});
    QCOMPARE(*store.fillMissingKeys(), 0);
    QCOMPARE(codesOf(store, CustomerQuery::all()), (QStringList{"000001", "000002", "000003"}));
    QCOMPARE(codesOf(store, CustomerQuery::search(QStringLiteral("emi"))), QStringList{"000003"});

    // The program's own writes leave correct keys in place.
    Result<std::optional<CustomerRecord>> emile = store.byCode(QStringLiteral("000003"));
    QVERIFY(emile && *emile);
    CustomerRecord r = **emile;
    r.set(CustomerField::Nom, QStringLiteral("ŒUVRE"));
    r.set(CustomerField::Gsm, QStringLiteral("+33 7 00"));
    QVERIFY(store.update(r).ok());
    r.set(CustomerField::Cod, QStringLiteral("000004"));
    r.set(CustomerField::Nom, QStringLiteral("OEUVRE"));
    QVERIFY(store.insert(r).ok());
    QCOMPARE(*store.fillMissingKeys(), 0);
    QCOMPARE(keysOf("000003").value(0).section(QLatin1Char('|'), 0, 0), QStringLiteral("OEUVRE"));
    QCOMPARE(keysOf("000003").value(0).section(QLatin1Char('|'), 4), QStringLiteral("0102"));
    QCOMPARE(codesOf(store, CustomerQuery::search(QStringLiteral("oeuv"))),
             (QStringList{"000004", "000003"}));
    QCOMPARE(codesOf(store, CustomerQuery::search(QStringLiteral("0700"))),
             (QStringList{"000004", "000003"}));
}

void TestCustomerStore::read_only_file_lists_rows_without_keys() {
    QVERIFY(test::addCustomer(*c_, "000001", "BONNET", "Paris"));
    QVERIFY(test::insertRow(*c_, QStringLiteral("strclient"),
                            test::customerRow(QStringLiteral("000002"), QStringLiteral("ÉMILE"))));
    // As on a file the user may not write (file permissions do not bind
    // the tests' user everywhere).
    QVERIFY(c_->execute(test::onServerEngine()
                            ? QStringLiteral("SET default_transaction_read_only = on")
                            : QStringLiteral("PRAGMA query_only = ON"))
                .ok());
    CustomerStore store(c_->db());
    // The keys cannot be written: the failure is told to the caller, the
    // file is unchanged and every customer is still listed.
    QVERIFY(!store.fillMissingKeys());
    // The row added by another program is listed by its raw text.
    QCOMPARE(codesOf(store, CustomerQuery::all()), (QStringList{"000001", "000002"}));
    QCOMPARE(codesOf(store, CustomerQuery::search(QStringLiteral("bon"))), QStringList{"000001"});
}

void TestCustomerStore::next_code_skips_numbers_held_by_sheets_data() {
    QTest::addColumn<QStringList>("customers");
    QTest::addColumn<QStringList>("sheets");
    QTest::addColumn<QString>("next");
    QTest::newRow("empty tables") << QStringList{} << QStringList{} << "000001";
    QTest::newRow("after 41") << QStringList{"000007", "000041"} << QStringList{} << "000042";
    QTest::newRow("sheet of a customer deleted for good")
        << QStringList{"000001", "000002"} << QStringList{"000001", "000003"} << "000004";
    QTest::newRow("only a kept sheet") << QStringList{} << QStringList{"000010"} << "000011";
    QTest::newRow("text codes do not count")
        << QStringList{"000005", "ABC", "00012X", "9999999"} << QStringList{"ZZZ"} << "000006";
    QTest::newRow("numeric order, not text order")
        << QStringList{"99", "000100"} << QStringList{} << "000101";
    QTest::newRow("every number taken") << QStringList{"999999"} << QStringList{} << "";
}

void TestCustomerStore::next_code_skips_numbers_held_by_sheets() {
    QFETCH(QStringList, customers);
    QFETCH(QStringList, sheets);
    QFETCH(QString, next);
    for (const QString& code : customers)
        QVERIFY(test::addCustomer(*c_, code, QStringLiteral("X")));
    for (const QString& code : sheets)
        QVERIFY(test::addSheet(*c_, code));
    CustomerStore store(c_->db());
    SheetStore sheetStore(c_->db());
    Result<QString> code = store.nextCode(sheetStore);
    QVERIFY(code);
    QCOMPARE(*code, next);
}

void TestCustomerStore::writes_and_reads_back_every_field() {
    CustomerStore store(c_->db());
    CustomerRecord r;
    for (int i = 0; i < CustomerFieldCount; ++i)
        r.set(CustomerField(i), QStringLiteral("v%1 l'été").arg(i));
    r.set(CustomerField::Cod, QStringLiteral("000123"));
    r.set(CustomerField::Memo, QStringLiteral("ligne 1\nligne 2"));
    r.set(CustomerField::Nic, QString()); // a null text is written as ""
    QVERIFY(store.insert(r));
    Result<std::optional<CustomerRecord>> back = store.byCode(QStringLiteral("000123"));
    QVERIFY(back);
    QVERIFY(back->has_value());
    for (int i = 0; i < CustomerFieldCount; ++i) {
        const CustomerField f = CustomerField(i);
        QVERIFY2((**back)[f].has_value(), qPrintable(QString::number(i)));
        QCOMPARE(*(**back)[f], f == CustomerField::Nic ? QString() : r.text(f));
    }
    QCOMPARE(test::scalar(*c_, "SELECT count(*) FROM strclient WHERE clt_nic IS NULL").toInt(), 0);

    // Null fields stay unknown on reading.
    QVERIFY(test::insertRow(*c_, "strclient", {{"clt_cod", "000124"}, {"clt_nom", "NUL"}}));
    back = store.byCode(QStringLiteral("000124"));
    QVERIFY(back && back->has_value());
    QVERIFY(!(**back)[CustomerField::Dg].has_value());
    QCOMPARE(*(**back)[CustomerField::Nom], QStringLiteral("NUL"));

    r.set(CustomerField::Vil, QStringLiteral("Évry"));
    QVERIFY(store.update(r));
    QCOMPARE(test::scalar(*c_, "SELECT clt_vil FROM strclient WHERE clt_cod = '000123'").toString(),
             QStringLiteral("Évry"));

    // The key stays unique: a second insert of the same code fails.
    QVERIFY(!store.insert(r));
    back = store.byCode(QStringLiteral("999999"));
    QVERIFY(back);
    QVERIFY(!back->has_value());
}

void TestCustomerStore::update_and_mark_of_missing_customer_fail() {
    CustomerStore store(c_->db());
    CustomerRecord r;
    r.set(CustomerField::Cod, QStringLiteral("000077"));
    const Status updated = store.update(r);
    QVERIFY(!updated);
    QCOMPARE(updated.error().number, errnum::NoCurrentRecord);
    QVERIFY(!store.markDeleted(QStringLiteral("000077")));

    // Without an open database every call reports instead of running.
    CustomerStore closed{QSqlDatabase()};
    QVERIFY(!closed.page(CustomerQuery::all(), 0, 10));
    QVERIFY(!closed.byCode(QStringLiteral("000001")));
    BallStore balls{QSqlDatabase()};
    QVERIFY(!closed.removeWithBalls(QStringLiteral("000001"), balls));
    QVERIFY(!SheetStore(QSqlDatabase()).exists(QStringLiteral("000001")));
}

void TestCustomerStore::delete_for_good_is_all_or_nothing() {
    QVERIFY(test::addCustomer(*c_, "000001", "DUPONT"));
    QVERIFY(test::addCustomer(*c_, "000002", "DURAND"));
    for (const char* line : {"001", "002", "003"})
        QVERIFY(test::addBall(*c_, "000001", line));
    QVERIFY(test::addBall(*c_, "000002", "001"));
    QVERIFY(test::addSheet(*c_, "000001"));
    CustomerStore store(c_->db());
    BallStore balls(c_->db());

    // The customer row refuses to go after its balls went: nothing changes.
    QVERIFY(test::refuseOn(*c_, QStringLiteral("strclient"), QStringLiteral("DELETE")));
    QVERIFY(!store.removeWithBalls(QStringLiteral("000001"), balls));
    QCOMPARE(
        test::scalar(*c_, "SELECT count(*) FROM strmateriel WHERE MAT_CODE = '000001'").toInt(), 3);
    QCOMPARE(test::scalar(*c_, "SELECT count(*) FROM strclient").toInt(), 2);
    QVERIFY(test::allowAgain(*c_, QStringLiteral("strclient")));

    QVERIFY(store.removeWithBalls(QStringLiteral("000001"), balls));
    QCOMPARE(test::column(*c_, "SELECT clt_cod FROM strclient"), QStringList{"000002"});
    QCOMPARE(test::column(*c_, "SELECT MAT_CODE FROM strmateriel"), QStringList{"000002"});
    QCOMPARE(test::column(*c_, "SELECT per_code FROM strpercage"), QStringList{"000001"});

    // A customer that is not there any more is a failure, and no ball goes.
    QVERIFY(!store.removeWithBalls(QStringLiteral("000001"), balls));
    QVERIFY(test::addBall(*c_, "000009", "001"));
    QVERIFY(!store.removeWithBalls(QStringLiteral("000009"), balls));
    QCOMPARE(
        test::scalar(*c_, "SELECT count(*) FROM strmateriel WHERE MAT_CODE = '000009'").toInt(), 1);
}

void TestCustomerStore::highest_line_is_numeric_over_all_balls() {
    BallStore balls(c_->db());
    Result<int> none = balls.highestLine(QStringLiteral("000001"));
    QVERIFY(none);
    QCOMPARE(*none, 0);
    QVERIFY(test::addBall(*c_, "000001", "002", "150")); // history ball counts too
    QVERIFY(test::addBall(*c_, "000001", "010", "005"));
    QVERIFY(test::addBall(*c_, "000001", "9", "005"));
    QVERIFY(test::addBall(*c_, "000002", "020"));
    Result<int> highest = balls.highestLine(QStringLiteral("000001"));
    QVERIFY(highest);
    QCOMPARE(*highest, 10);
}

void TestCustomerStore::formats_customer_codes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("number");
    QTest::newRow("short") << "7"
                           << "000007" << true;
    QTest::newRow("42") << "42"
                        << "000042" << true;
    QTest::newRow("six digits") << "123456"
                                << "123456" << true;
    QTest::newRow("blanks around") << " 12 "
                                   << "000012" << true;
    QTest::newRow("letters") << "ABC"
                             << "ABC" << false;
    QTest::newRow("mixed") << "12A"
                           << "12A" << false;
    QTest::newRow("sign") << "-5"
                          << "-5" << false;
    QTest::newRow("decimal") << "1,5"
                             << "1,5" << false;
    QTest::newRow("empty") << ""
                           << "" << false;
    QTest::newRow("arabic-indic digits") << "٤٢"
                                         << "٤٢" << false;
}

void TestCustomerStore::formats_customer_codes() {
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(bool, number);
    QCOMPARE(formatCustomerCode(typed), stored);
    QCOMPARE(isCustomerNumber(typed), number);
}

QTEST_GUILESS_MAIN(TestCustomerStore)
#include "tst_customer_store.moc"
