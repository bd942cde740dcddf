// ctest-systems: linux
// (Its reference order is ICU's French collation, which the Windows build of Qt lacks:
// there QCollator is the system's own, whose French order differs.)
// The customer list, its sorts and the ball printout's order on a generated
// shop of a few thousand customers, each against a reference written plainly
// (a full scan without any index, or a sort in C++), so that work on speed
// (indexes, ranges, pages) cannot change which rows are shown or their order.
//
// Names and towns are listed in French order. The reference for it is ICU's
// French collation through QCollator (case-insensitive, punctuation not
// ignored, numbers as plain digits), ties broken by the code, and a search
// rule written here from Unicode decomposition. On the generated names the
// two orders agree; they differ, on purpose, only where a typographic
// apostrophe ’ meets a plain ' and where two different punctuation marks
// meet at the same place (compared by their ASCII code here, by ICU's own
// order there): such names are not generated.

#include "balls/ball_store.h"
#include "customer_data.h"
#include "customers/customer_list_model.h"
#include "customers/customer_store.h"
#include "data/schema.h"
#include "data/val.h"
#include "printing/ball_list_printout.h"
#include "support/fixture.h"
#include "support/older_schema.h"

#include <QCollator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <algorithm>

using namespace vdn;

namespace {

constexpr int Customers = 3000;

// Every code the list shows for a query, reading page after page as a view
// scrolling to the end would.
QStringList listed(const CustomerStore& store, const CustomerQuery& query) {
    CustomerListModel model(store);
    if (Status s = model.setQuery(query); !s) {
        qWarning("list query failed: %s", qPrintable(s.error().text));
        return {QStringLiteral("<erreur>")};
    }
    while (model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
    QStringList codes;
    for (int r = 0; r < model.rowCount(); ++r)
        codes << model.code(r);
    return codes;
}

struct Plain {
    QString code;
    QString name;
    QString town;
    QString address = {};
};

QCollator frenchCollator() {
    QCollator collator(QLocale(QStringLiteral("fr_FR")));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setIgnorePunctuation(false);
    collator.setNumericMode(false);
    return collator;
}

// Whether QCollator orders French text here (Qt built with ICU).
bool collatorIsFrench() {
    return frenchCollator().compare(QStringLiteral("ÉMILE"), QStringLiteral("ZOLA")) < 0;
}

// Sorted by a text in French order, ties by code, all ascending or all
// descending.
void sortFrench(QList<Plain>& rows, QString Plain::*text, bool descending) {
    const QCollator collator = frenchCollator();
    std::stable_sort(rows.begin(), rows.end(), [&](const Plain& a, const Plain& b) {
        int c = collator.compare(a.*text, b.*text);
        if (c == 0)
            c = a.code.compare(b.code);
        return descending ? c > 0 : c < 0;
    });
}

// Every customer by a full scan of the table, in French name order.
QList<Plain> everyCustomerByName(Connection& c) {
    QSqlQuery q(c.db());
    QList<Plain> out;
    if (!q.exec(QStringLiteral("SELECT clt_cod, clt_nom, clt_vil FROM strclient NOT INDEXED"))) {
        qWarning("reference failed: %s", qPrintable(q.lastError().text()));
        return out;
    }
    while (q.next())
        out.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    sortFrench(out, &Plain::name, false);
    return out;
}

// Accents and case aside: the text decomposed, its combining marks dropped,
// the ligatures written out, in capitals.
QString plainCapitals(const QString& text) {
    QString out;
    for (QChar ch : text.normalized(QString::NormalizationForm_KD)) {
        if (ch.category() == QChar::Mark_NonSpacing)
            continue;
        if (ch == QChar(0x0152) || ch == QChar(0x0153))
            out += QLatin1String("OE");
        else if (ch == QChar(0x00C6) || ch == QChar(0x00E6))
            out += QLatin1String("AE");
        else
            out += ch;
    }
    return out.toUpper();
}

// A name matches when its first characters, as many as were typed, equal
// the typed text trimmed, accents and case aside.
QStringList searchReference(const QList<Plain>& all, const QString& typed) {
    QStringList codes;
    const QString typedPlain = plainCapitals(typed);
    const QString wanted = typedPlain.trimmed();
    for (const Plain& p : all)
        if (typed.isEmpty() || plainCapitals(p.name).left(typedPlain.size()) == wanted)
            codes << p.code;
    return codes;
}

const char* const SortFields[CustomerColumnCount] = {"clt_cod", "clt_nom", "clt_ad1", "clt_cp",
                                                     "clt_vil", "clt_tel", "clt_gsm", "clt_etat"};

} // namespace

class TestListOrder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void search_lists_the_reference_rows_data();
    void search_lists_the_reference_rows();
    void sorts_list_the_reference_rows_data();
    void sorts_list_the_reference_rows();
    void ball_printout_keeps_bag_then_line_order();
    void ball_list_lists_the_reference_rows_data();
    void ball_list_lists_the_reference_rows();
    void older_file_gets_the_list_indexes();
    void version_2_file_gets_french_keys();

private:
    std::unique_ptr<test::DataFolder> folder_;
    std::unique_ptr<Connection> c_;
    QList<Plain> byName_;
};

void TestListOrder::initTestCase() {
    if (!collatorIsFrench()) {
        const char* why = "QCollator has no French collation here (Qt built without ICU)";
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL(why);
        QSKIP(why);
    }
    test::DataFolder::Options options;
    DemoOptions demo;
    demo.customers = Customers;
    demo.ballsPerCustomer = 0; // none to five
    demo.manyNames = true;
    options.demo = demo;
    folder_ = std::make_unique<test::DataFolder>(options);
    QVERIFY(folder_->ok());
    c_ = folder_->connect();
    QVERIFY(c_);
    byName_ = everyCustomerByName(*c_);
    QCOMPARE(byName_.size(), Customers);
    // A realistic spread: prefixes narrow the list as in a real shop.
    QSet<QString> names;
    for (const Plain& p : byName_)
        names.insert(p.name);
    QVERIFY2(names.size() > Customers / 3, qPrintable(QString::number(names.size())));
}

void TestListOrder::cleanupTestCase() {
    c_.reset();
    folder_.reset();
}

void TestListOrder::search_lists_the_reference_rows_data() {
    QTest::addColumn<QString>("typed");
    for (const char* typed : {"",     "D",    "DU",  "du",  "DU ", " DU", "M",  "MAR", "mart",
                              "L",    "LE",   "LÉ",  "lé",  "É",   "é",   "D'", "d'a", "O'N",
                              "DE L", "LE G", "N'D", "BÉR", "Z",   "ZZZ", "-",  "A",   "Y"})
        QTest::newRow(typed[0] ? typed : "(empty)") << QString::fromUtf8(typed);
    // Prefixes of one to four letters of names taken across the file.
    for (int k = 0; k < 12; ++k) {
        const QString name = QStringLiteral("%1").arg(1 + k * 251, 6, 10, QLatin1Char('0'));
        QTest::newRow(qPrintable(QStringLiteral("name of %1").arg(name))) << name;
    }
}

void TestListOrder::search_lists_the_reference_rows() {
    QFETCH(QString, typed);
    // Rows named by a code stand for that customer's name, cut to 1 to 4 letters.
    if (typed.size() == 6 && typed.at(0).isDigit()) {
        const QString code = typed;
        const auto it = std::find_if(byName_.cbegin(), byName_.cend(),
                                     [&](const Plain& p) { return p.code == code; });
        QVERIFY(it != byName_.cend());
        typed = it->name.left(1 + code.right(1).toInt() % 4);
    }
    CustomerStore store(c_->db());
    const QStringList expected = searchReference(byName_, typed);
    const QStringList shown = listed(store, CustomerQuery::search(typed));
    QCOMPARE(shown.size(), expected.size());
    QCOMPARE(shown, expected);
}

void TestListOrder::sorts_list_the_reference_rows_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("column");
    for (const char* typed : {"", "D", "LE"})
        for (int c = 0; c < CustomerColumnCount; ++c)
            QTest::newRow(qPrintable(QStringLiteral("'%1' by %2").arg(typed, SortFields[c])))
                << QString::fromUtf8(typed) << c;
}

void TestListOrder::sorts_list_the_reference_rows() {
    QFETCH(QString, typed);
    QFETCH(int, column);
    // The reference: every row, ordered without any index (names, towns and
    // addresses in French order), then kept when it matches the search.
    QSqlQuery q(c_->db());
    QVERIFY(q.exec(QStringLiteral("SELECT clt_cod, clt_nom, clt_vil, clt_ad1 FROM strclient "
                                  "NOT INDEXED ORDER BY %1 DESC, clt_cod DESC")
                       .arg(QLatin1String(SortFields[column]))));
    QList<Plain> ordered;
    while (q.next())
        ordered.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                        q.value(3).toString()});
    QCOMPARE(ordered.size(), Customers);
    if (column == int(CustomerColumn::Name))
        sortFrench(ordered, &Plain::name, true);
    else if (column == int(CustomerColumn::Town))
        sortFrench(ordered, &Plain::town, true);
    else if (column == int(CustomerColumn::Address))
        sortFrench(ordered, &Plain::address, true);
    const QStringList expected = searchReference(ordered, typed);

    CustomerStore store(c_->db());
    const CustomerQuery query =
        CustomerQuery::search(typed).unordered().descendingBy(static_cast<CustomerColumn>(column));
    const QStringList shown = listed(store, query);
    QCOMPARE(shown.size(), expected.size());
    QCOMPARE(shown, expected);
}

void TestListOrder::ball_printout_keeps_bag_then_line_order() {
    // Every customer's balls, read plainly and sorted here by the value of
    // the bag number, then the line number.
    QSqlQuery all(c_->db());
    QVERIFY(all.exec(QStringLiteral("SELECT MAT_CODE, MAT_LG, MAT_SAC FROM strmateriel")));
    QMap<QString, QList<std::pair<QString, QString>>> byCustomer;
    while (all.next())
        byCustomer[all.value(0).toString()].append(
            {all.value(1).toString(), all.value(2).toString()});
    QVERIFY(byCustomer.size() > Customers / 2);
    int checked = 0;
    int withHistory = 0;
    for (auto it = byCustomer.begin(); it != byCustomer.end(); ++it) {
        if (++checked % 7 != 0)
            continue; // one customer in seven is plenty
        auto balls = it.value();
        std::sort(balls.begin(), balls.end(), [](const auto& a, const auto& b) {
            const double va = val(QStringView(a.second)), vb = val(QStringView(b.second));
            return va != vb ? va < vb : a.first < b.first;
        });
        QStringList expected;
        for (const auto& b : balls)
            expected << b.first;
        QSqlQuery q(c_->db());
        q.setForwardOnly(true);
        QVERIFY(q.prepare(BallPrintoutStatement));
        q.addBindValue(it.key());
        QVERIFY(q.exec());
        QStringList printed;
        bool history = false;
        while (q.next()) {
            printed << q.value(QStringLiteral("MAT_LG")).toString();
            history = history || val(QStringView(q.value(QStringLiteral("MAT_SAC")).toString())) >
                                     LastCurrentBag;
        }
        withHistory += history;
        QCOMPARE(printed, expected);
    }
    QVERIFY(withHistory > 0);
}

void TestListOrder::ball_list_lists_the_reference_rows_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<int>("column"); // -1: the default order
    for (int f = 0; f < 3; ++f)
        for (int c = -1; c < BallColumnCount; ++c)
            QTest::newRow(qPrintable(
                QStringLiteral("filter %1, %2")
                    .arg(f)
                    .arg(c < 0 ? QStringLiteral("default") : ballColumnField(BallColumn(c)))))
                << f << c;
}

void TestListOrder::ball_list_lists_the_reference_rows() {
    QFETCH(int, filter);
    QFETCH(int, column);
    // Text columns compare as the table declares them: ASCII letters without
    // regard to case, everything else by code point; the line number exactly.
    const auto nocase = [](const QString& s) {
        QByteArray b = s.toUtf8();
        for (char& ch : b)
            if (ch >= 'A' && ch <= 'Z')
                ch = char(ch - 'A' + 'a');
        return b;
    };
    const QString field = column < 0 ? QString() : ballColumnField(BallColumn(column));
    BallStore store(c_->db());
    int customers = 0;
    for (int n = 1; n <= Customers; n += 97) {
        const QString code = QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
        QSqlQuery q(c_->db());
        QVERIFY(q.prepare(QStringLiteral("SELECT MAT_LG, MAT_SAC, %1 FROM strmateriel WHERE "
                                         "MAT_CODE = ?")
                              .arg(column < 0 ? QStringLiteral("MAT_LG") : field)));
        q.addBindValue(code);
        QVERIFY(q.exec());
        struct Ball {
            QString line, bag, key;
        };
        QList<Ball> balls;
        while (q.next()) {
            const Ball b{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
            const double bag = val(QStringView(b.bag));
            if ((filter == 1 && bag >= 101) || (filter == 2 && bag <= 100))
                continue;
            balls.append(b);
        }
        std::stable_sort(balls.begin(), balls.end(), [&](const Ball& a, const Ball& b) {
            if (column < 0) {
                const double va = val(QStringView(a.bag)), vb = val(QStringView(b.bag));
                if (va != vb)
                    return va < vb;
            } else if (column != int(BallColumn::Line)) {
                const QByteArray ka = nocase(a.key), kb = nocase(b.key);
                if (ka != kb)
                    return ka < kb;
            }
            return a.line < b.line;
        });
        QStringList expected;
        for (const Ball& b : balls)
            expected << b.line;

        Result<QList<BallRow>> rows =
            store.list(BallListQuery{code, BallFilter(filter)},
                       column < 0 ? std::nullopt : std::optional<BallColumn>(BallColumn(column)));
        QVERIFY(rows);
        QStringList listed;
        for (const BallRow& r : *rows)
            listed << r.cell(BallColumn::Line);
        QCOMPARE(listed, expected);
        customers += !expected.isEmpty();
    }
    QVERIFY(customers > 5);
}

namespace {

// Takes a file of the current version back to version 2, as the program
// before the French keys left it: no key columns, no trigger, the name and
// town indexes on the raw text.
bool backToVersion2(Connection& c) {
    if (!test::backToVersion3(c))
        return false;
    QStringList sql{"DROP TRIGGER strclient_cles_ajout", "DROP TRIGGER strclient_cles_modif",
                    "DROP INDEX strclient_acalculer",    "DROP INDEX strclient_nom",
                    "DROP INDEX strclient_vil",          "DROP INDEX strclient_ad1",
                    "DROP INDEX strclient_tel",          "DROP INDEX strclient_gsm",
                    "DROP INDEX strclient_fax"};
    for (const QString& k : clientKeyFields())
        sql << QStringLiteral("ALTER TABLE strclient DROP COLUMN ") + k;
    sql << "CREATE INDEX strclient_nom ON strclient (clt_nom, clt_cod, clt_ad1, clt_cp, clt_vil, "
           "clt_tel, clt_gsm, clt_etat)"
        << "CREATE INDEX strclient_vil ON strclient (clt_vil, clt_cod)"
        << "PRAGMA user_version = 2";
    for (const QString& statement : sql)
        if (Status s = c.execute(statement); !s) {
            qWarning("%s: %s", qPrintable(statement), qPrintable(s.error().text));
            return false;
        }
    return true;
}

} // namespace

void TestListOrder::older_file_gets_the_list_indexes() {
    test::DataFolder::Options options;
    DemoOptions demo;
    demo.customers = 300;
    demo.manyNames = true;
    options.demo = demo;
    test::DataFolder folder(options);
    QVERIFY(folder.ok());
    {
        // The file as the first version of the program left it.
        auto c = folder.connect();
        QVERIFY(c);
        QVERIFY(backToVersion2(*c));
        for (const char* sql :
             {"DROP INDEX strclient_nom",
              "CREATE INDEX strclient_nom ON strclient (clt_nom, clt_cod)",
              "DROP INDEX strclient_vil", "CREATE INDEX strclient_vil ON strclient (clt_vil)",
              "PRAGMA user_version = 1"})
            QVERIFY(c->execute(QString::fromLatin1(sql)).ok());
    }
    auto c = folder.connect();
    QVERIFY(c);
    QCOMPARE(test::scalar(*c, QStringLiteral("PRAGMA user_version")).toInt(), SchemaVersion);
    QCOMPARE(
        test::column(*c, QStringLiteral("SELECT name FROM pragma_index_info('strclient_nom')")),
        (QStringList{"clt_nom_k1", "clt_nom_k2", "clt_cod", "clt_nom", "clt_ad1", "clt_cp",
                     "clt_vil", "clt_tel", "clt_gsm", "clt_etat", "clt_vil_k1", "clt_vil_k2",
                     "clt_tel_k", "clt_gsm_k", "clt_fax_k"}));
    QCOMPARE(
        test::column(*c, QStringLiteral("SELECT name FROM pragma_index_info('strclient_vil')")),
        (QStringList{"clt_vil_k1", "clt_vil_k2", "clt_cod"}));
    CustomerStore store(c->db());
    // The window's opening computes the keys of every customer of the file.
    Result<int> filled = store.fillMissingKeys();
    QVERIFY(filled);
    QCOMPARE(*filled, 300);
    Result<QStringList> plan = store.queryPlan(CustomerQuery::search(QStringLiteral("M")));
    QVERIFY(plan);
    QVERIFY2(plan->join(QLatin1Char('\n')).contains(QLatin1String("COVERING INDEX strclient_nom")),
             qPrintable(plan->join(QLatin1Char('\n'))));
    // The rows themselves are untouched.
    const QList<Plain> all = everyCustomerByName(*c);
    QCOMPARE(all.size(), 300);
    QCOMPARE(listed(store, CustomerQuery::search(QStringLiteral("M"))),
             searchReference(all, QStringLiteral("M")));
}

void TestListOrder::version_2_file_gets_french_keys() {
    test::DataFolder folder;
    QVERIFY(folder.ok());
    const QList<std::array<const char*, 3>> rows{
        {"000001", "BONNET", "Zurich"},  {"000002", "BERNARD", "Évry"},
        {"000003", "BÉRANGER", "Évian"}, {"000004", "GUÉRIN", "Paris"},
        {"000005", "ŒUVRE", "Lyon"},     {"000006", "ÉMILE", "Ézy"},
        {"000007", "ZOLA", "Évry"}};
    {
        auto c = folder.connect();
        QVERIFY(c);
        QVERIFY(backToVersion2(*c));
        for (const auto& [code, name, town] : rows)
            QVERIFY(test::insertRow(
                *c, QStringLiteral("strclient"),
                test::customerRow(QString::fromUtf8(code), QString::fromUtf8(name),
                                  QString::fromUtf8(town),
                                  {{QStringLiteral("clt_tel"),
                                    QStringLiteral("06 12 00 0") + QLatin1String(code + 5)}})));
    }
    auto c = folder.connect();
    QVERIFY(c);
    QCOMPARE(test::scalar(*c, QStringLiteral("PRAGMA user_version")).toInt(), SchemaVersion);
    QCOMPARE(test::scalar(*c, QStringLiteral("SELECT count(*) FROM strclient")).toInt(),
             int(rows.size()));
    CustomerStore store(c->db());
    QCOMPARE(*store.fillMissingKeys(), int(rows.size()));
    QCOMPARE(listed(store, CustomerQuery::all()),
             (QStringList{"000003", "000002", "000001", "000006", "000004", "000005", "000007"}));
    QCOMPARE(listed(store, CustomerQuery::all().descendingBy(CustomerColumn::Town)),
             (QStringList{"000001", "000004", "000005", "000006", "000007", "000002", "000003"}));
    QCOMPARE(listed(store, CustomerQuery::search(QStringLiteral("guerin"))), QStringList{"000004"});
    QCOMPARE(listed(store, CustomerQuery::search(QStringLiteral("ber"))),
             (QStringList{"000003", "000002"}));
    QCOMPARE(listed(store, CustomerQuery::search(QStringLiteral("oeuvre"))), QStringList{"000005"});
    QCOMPARE(listed(store, CustomerQuery::search(QStringLiteral("06 12 00 04"))),
             QStringList{"000004"});
}

QTEST_MAIN(TestListOrder)
#include "tst_list_order.moc"
