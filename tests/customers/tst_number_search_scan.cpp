// ctest-engines: postgresql
// The search by number as the list shows it, against a plain reading of every
// customer: on 10,000 customers whose numbers are written every way a shop
// writes them (+33, 0033, "(0)", dots, dashes, blanks, a word before, a
// second number after, a number cut short, one number for several
// customers), each typed search finds the customers the rules of
// docs/french-text.md find, in the list's order, page after page, and the
// grid's model shows the same first page keystroke after keystroke.
//
// The reference below reads the stored texts, not the stored digit keys, and
// applies the rules as written there; only the name keys are taken as stored
// (the list's order is by them, byte by byte).

#include "customer_data.h"
#include "customers/customer_list_model.h"
#include "customers/customer_store.h"
#include "data/connection.h"
#include "data/statement.h"
#include "support/fixture.h"

#include <QSet>
#include <QTest>

#include <algorithm>
#include <random>

using namespace vdn;

namespace {

constexpr int Customers = 10000;
constexpr int Page = 64;

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// "0033" at the start, with or without the 0 after it, is the national 0.
QString national(QString digits) {
    if (digits.startsWith(QLatin1String("0033"))) {
        digits = digits.mid(4);
        if (digits.startsWith(QLatin1Char('0')))
            digits = digits.mid(1);
        digits = QLatin1Char('0') + digits;
    }
    return digits;
}

// A typed text is a number when it holds only digits, blanks, dots, dashes
// and a '+' in front, with two digits at least. `plus` tells whether it
// began with the '+'.
std::optional<QString> typedNumber(const QString& typed, bool* plus) {
    QString digits;
    *plus = typed.startsWith(QLatin1Char('+'));
    for (qsizetype i = *plus ? 1 : 0; i < typed.size(); ++i) {
        const QChar c = typed.at(i);
        if (isDigit(c))
            digits += c;
        else if (c != QLatin1Char(' ') && c != QLatin1Char('.') && c != QLatin1Char('-'))
            return std::nullopt;
    }
    if (digits.size() < 2)
        return std::nullopt;
    return digits;
}

// The digits a stored number is searched by: what comes before its first
// digit or '+' is skipped; blanks, dots, dashes and brackets are read
// through; any other character ends it; "(0)" after a country code goes.
QString storedDigits(const QString& stored) {
    qsizetype i = 0;
    while (i < stored.size() && !isDigit(stored.at(i)) && stored.at(i) != QLatin1Char('+'))
        ++i;
    QString digits;
    if (i < stored.size() && stored.at(i) == QLatin1Char('+')) {
        digits = QStringLiteral("00");
        ++i;
    }
    for (; i < stored.size(); ++i) {
        const QChar c = stored.at(i);
        if (isDigit(c))
            digits += c;
        else if (stored.mid(i, 3) == QLatin1String("(0)") && digits.startsWith(QLatin1String("00")))
            i += 2;
        else if (!QStringLiteral(" .-()").contains(c))
            break;
    }
    return digits.isEmpty() ? QString() : national(digits);
}

// A name as the search compares it: capitals, accents off.
QString folded(const QString& text) {
    QString out;
    for (QChar c : text.normalized(QString::NormalizationForm_KD))
        if (c.unicode() < 0x300 || c.unicode() > 0x36f)
            out += c;
    return out.toUpper();
}

struct Customer {
    QString code;
    QString name;
    QStringList numbers; // phone, mobile, fax as stored
    QByteArray key1, key2;
};

// What the list holds for a typed text, by the documented rules.
bool matches(const Customer& c, const QString& typed) {
    const QString t = folded(typed);
    const QString trimmed = t.trimmed();
    if (folded(c.name).left(t.size()) == trimmed)
        return true;
    bool plus = false;
    const std::optional<QString> digits = typedNumber(typed, &plus);
    if (!digits)
        return false;
    const QString wanted = national(plus ? QStringLiteral("00") + *digits : *digits);
    for (const QString& n : c.numbers) {
        const QString stored = storedDigits(n);
        if (!stored.isEmpty() && stored.startsWith(wanted))
            return true;
    }
    return !plus && digits->size() <= 6 && c.code.startsWith(*digits);
}

// A number as shops write it, from its ten digits.
QString written(const QString& d, std::mt19937& rng) {
    const QString pairs = QStringLiteral("%1 %2 %3 %4 %5")
                              .arg(d.mid(0, 2), d.mid(2, 2), d.mid(4, 2), d.mid(6, 2), d.mid(8, 2));
    switch (rng() % 14) {
    case 0:
        return d;
    case 1:
        return QString(pairs).replace(QLatin1Char(' '), QLatin1Char('.'));
    case 2:
        return QString(pairs).replace(QLatin1Char(' '), QLatin1Char('-'));
    case 3:
        return QStringLiteral("+33 ") + d.mid(1, 1) + QLatin1Char(' ') + d.mid(2);
    case 4:
        return QStringLiteral("+33 (0)") + pairs.mid(1);
    case 5:
        return QStringLiteral("0033") + d.mid(1);
    case 6:
        return QStringLiteral("00 33 0") + d.mid(1);
    case 7:
        return QStringLiteral("port. ") + pairs;
    case 8:
        return pairs + QStringLiteral(" / 01 45 00 00 00");
    case 9:
        return pairs.left(5 + int(rng() % 6)); // cut short
    case 10:
        return QStringLiteral("+33") + d.mid(1);
    default:
        return pairs;
    }
}

QString tenDigits(const QString& start, std::mt19937& rng) {
    QString d = start;
    while (d.size() < 10)
        d += QChar(u'0' + int(rng() % 10));
    return d;
}

} // namespace

class TestNumberSearchScan : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void pages_match_a_full_reading_data();
    void pages_match_a_full_reading();
    void typing_shows_the_first_page_at_each_keystroke_data();
    void typing_shows_the_first_page_at_each_keystroke();
    void searches_reach_every_plan();
    void customers_without_keys_are_listed_too();

private:
    QList<Customer> expected(const QString& typed, bool byCode = false) const;
    std::unique_ptr<test::DataFolder> folder_;
    std::unique_ptr<Connection> c_;
    QList<Customer> all_;
    QStringList sample_; // stored numbers of a few customers, typed in full
};

void TestNumberSearchScan::initTestCase() {
    folder_ = std::make_unique<test::DataFolder>();
    QVERIFY(folder_->ok());
    c_ = folder_->connect();
    QVERIFY(c_);
    std::mt19937 rng(11122026);
    // Names that begin like a number are found by the name too.
    const QStringList names{"DUPONT",   "Durand",     "ÉLODIE",   "élan",    "06 BOWLING",
                            "0612 PRO", "06.12 CLUB", "33 TOURS", "0033",    "+33 STRIKE",
                            "061",      "06 12",      "Zoé",      "ZOE",     "GUÉRIN",
                            "guerin",   "04 QUILLES", "0450",     "Ça roule"};
    QStringList shared; // a family's, a club's number
    for (int i = 0; i < 200; ++i)
        shared << tenDigits(i % 2 ? QStringLiteral("0450") : QStringLiteral("0612"), rng);
    QSet<QString> codes;
    Transaction t(c_->db());
    QVERIFY(t.started().ok());
    CustomerBatch batch(c_->db());
    for (int i = 1; i <= Customers; ++i) {
        // One code in eight among the codes that begin like a number.
        const int number = i % 8 == 0 ? 40000 + int(rng() % 30000) : i;
        const QString code = QStringLiteral("%1").arg(number, 6, 10, QLatin1Char('0'));
        if (codes.contains(code))
            continue;
        codes.insert(code);
        CustomerRecord r;
        for (int f = 0; f < CustomerFieldCount; ++f)
            r.set(CustomerField(f), newCustomerValue(CustomerField(f)));
        r.set(CustomerField::Cod, code);
        r.set(CustomerField::Nom,
              names.at(int(rng() % names.size())) +
                  (rng() % 2 ? QStringLiteral(" %1").arg(rng() % 40) : QString()));
        const unsigned kind = rng() % 10;
        if (kind < 3)
            r.set(CustomerField::Tel, written(shared.at(int(rng() % shared.size())), rng));
        else if (kind < 8)
            r.set(CustomerField::Tel, written(tenDigits(kind < 6 ? "04" : "01", rng), rng));
        if (rng() % 6)
            r.set(CustomerField::Gsm,
                  written(tenDigits(rng() % 4 ? QStringLiteral("061") : QStringLiteral("07"), rng),
                          rng));
        if (rng() % 7 == 0)
            r.set(CustomerField::Fax, written(rng() % 2 ? shared.at(int(rng() % shared.size()))
                                                        : tenDigits(QStringLiteral("04"), rng),
                                              rng));
        if (rng() % 60 == 0)
            r.set(CustomerField::Gsm, QStringLiteral("+41 22 %1").arg(rng() % 10000000));
        QVERIFY(batch.add(r).ok());
        if (i % 1500 == 0)
            for (CustomerField f : {CustomerField::Tel, CustomerField::Gsm, CustomerField::Fax})
                if (!r.text(f).isEmpty())
                    sample_ << r.text(f);
    }
    QVERIFY(t.commit().ok());
    if (test::onServerEngine())
        QVERIFY(c_->execute(QStringLiteral("ANALYZE strclient")).ok());

    // Every customer as stored, read once.
    Statement q(c_->db(), QStringLiteral("SELECT clt_cod, clt_nom, clt_tel, clt_gsm, clt_fax, "
                                         "clt_nom_k1, clt_nom_k2 FROM strclient"));
    QVERIFY(q.exec().ok());
    while (q.next())
        all_.append({q.text(0),
                     q.text(1),
                     {q.text(2), q.text(3), q.text(4)},
                     q.text(5).toUtf8(),
                     q.text(6).toUtf8()});
    QVERIFY(q.finished().ok());
    QCOMPARE(all_.size(), codes.size());
}

void TestNumberSearchScan::cleanupTestCase() {
    c_.reset();
    folder_.reset();
}

QList<Customer> TestNumberSearchScan::expected(const QString& typed, bool byCode) const {
    QList<Customer> found;
    for (const Customer& c : all_)
        if (matches(c, typed))
            found << c;
    if (byCode)
        std::sort(found.begin(), found.end(),
                  [](const Customer& a, const Customer& b) { return a.code > b.code; });
    else
        std::sort(found.begin(), found.end(), [](const Customer& a, const Customer& b) {
            return std::tie(a.key1, a.key2, a.code) < std::tie(b.key1, b.key2, b.code);
        });
    return found;
}

namespace {

QStringList codesOf(const QList<Customer>& customers, qsizetype from, qsizetype count) {
    QStringList codes;
    for (qsizetype i = from; i < std::min(customers.size(), from + count); ++i)
        codes << customers.at(i).code;
    return codes;
}

QStringList codesOf(const Result<QList<CustomerListRow>>& rows) {
    if (!rows)
        return {QStringLiteral("<erreur> ") + rows.error().text};
    QStringList codes;
    for (const CustomerListRow& row : *rows)
        codes << row[std::size_t(CustomerColumn::Code)].toString();
    return codes;
}

// Typed searches: numbers finding one customer, a few, hundreds, thousands
// and none, written every way, and texts that are no number.
const QStringList& typedSearches() {
    static const QStringList typed{
        "06",      "06 ",         " 06",    "06 1",     "061",     "0612",
        "06 12",   "06 12 ",      "06.12",  "06-12",    "06 12 3", "061234",
        "0612345", "06123456789", "07",     "07 5",     "0033",    "00 33",
        "+33",     "+33 6",       "+33 61", "+33 6 12", "+336123", "0033612",
        "00336",   "003306",      "+",      "+3",       "+4",      "+41 22",
        "004122",  "0",           "00",     "000",      "0000",    "00000",
        "04",      "045",         "04 50",  "04.50.1",  "01",      "4",
        "40",      "400",         "0400",   "04000",    "040001",  "0400012",
        "12",      "123",         "33",     "33 ",      "0612 ",   "06 12 34 56 78 90",
        "9",       "99",          "1-",     "06-",      "..06",    "0 6 1 2"};
    return typed;
}

} // namespace

void TestNumberSearchScan::pages_match_a_full_reading_data() {
    QTest::addColumn<QString>("typed");
    for (const QString& t : typedSearches())
        QTest::newRow(qPrintable(QLatin1Char('"') + t + QLatin1Char('"'))) << t;
    for (const QString& n : std::as_const(sample_))
        QTest::newRow(qPrintable(QStringLiteral("stored \"%1\"").arg(n))) << n;
}

void TestNumberSearchScan::pages_match_a_full_reading() {
    QFETCH(QString, typed);
    const CustomerStore store(c_->db());
    const CustomerQuery query = CustomerQuery::search(typed);
    const QList<Customer> want = expected(typed);
    // The first pages, one far down, and the last one.
    for (qsizetype offset : {0, Page, 16 * Page})
        QCOMPARE(codesOf(store.page(query, int(offset), Page)), codesOf(want, offset, Page));
    QCOMPARE(codesOf(store.pageFromEnd(query, 0, Page)),
             codesOf(want, std::max<qsizetype>(0, want.size() - Page), Page));
    // Sorted by a heading within the search.
    QCOMPARE(codesOf(store.page(query.descendingBy(CustomerColumn::Code), 0, Page)),
             codesOf(expected(typed, true), 0, Page));
}

void TestNumberSearchScan::typing_shows_the_first_page_at_each_keystroke_data() {
    QTest::addColumn<QString>("number");
    for (const char* n : {"06 12 34 56 78", "+33 6 12 3", "0033 4 50", "04.50.12", "061 2"})
        QTest::newRow(n) << QString::fromLatin1(n);
    for (const QString& n : std::as_const(sample_).first(std::min<qsizetype>(4, sample_.size())))
        QTest::newRow(qPrintable(QStringLiteral("stored \"%1\"").arg(n))) << n;
}

// Character after character, as the search box sends them, then back by
// erasing: the grid's rows are the reference's first page each time.
void TestNumberSearchScan::typing_shows_the_first_page_at_each_keystroke() {
    QFETCH(QString, number);
    const CustomerStore store(c_->db());
    CustomerListModel model(store);
    QStringList prefixes;
    for (qsizetype n = 1; n <= number.size(); ++n)
        prefixes << number.left(n);
    for (qsizetype n = number.size() - 1; n >= 1; --n)
        prefixes << number.left(n);
    int found = 0;
    for (const QString& typed : std::as_const(prefixes)) {
        QVERIFY(model.setQuery(CustomerQuery::search(typed)).ok());
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown << model.code(row);
        QCOMPARE(shown, codesOf(expected(typed), 0, CustomerListModel::PageSize));
        found += !shown.isEmpty();
    }
    QVERIFY(found > 0);
}

// The searches above are worth comparing: some find thousands of customers
// (the list read in its order), some a few hundred or a few (what was found
// sorted), some one page or less, some none.
void TestNumberSearchScan::searches_reach_every_plan() {
    int thousands = 0, hundreds = 0, onePage = 0, none = 0;
    for (const QString& typed : typedSearches() + sample_) {
        const qsizetype n = expected(typed).size();
        thousands += n >= 4000;
        hundreds += n > Page && n < 4000;
        onePage += n > 0 && n <= Page;
        none += n == 0;
    }
    qInfo("%d finding thousands, %d more than a page, %d a page or less, %d none", thousands,
          hundreds, onePage, none);
    QVERIFY(thousands >= 3);
    QVERIFY(hundreds >= 10);
    QVERIFY(onePage >= 10);
    QVERIFY(none >= 3);
}

// Customers written by another program have no name key 2 and no digits
// until the customer window computes them: a number search finds them by
// their code or their name (key 1 their name in capitals), and lists them
// in their place. Runs last: it adds them to the base.
void TestNumberSearchScan::customers_without_keys_are_listed_too() {
    QStringList added;
    for (int n = 99; n >= 0 && added.size() < 3; --n) {
        const QString code = QStringLiteral("0612%1").arg(n, 2, 10, QLatin1Char('0'));
        if (!test::scalar(*c_, QStringLiteral("SELECT count(*) FROM strclient WHERE clt_cod = ?"),
                          {code})
                 .toInt())
            added << code;
    }
    QCOMPARE(added.size(), 3);
    const QStringList names{"0612 AUTRE PROGRAMME", "AUTRE PROGRAMME", "ZZ AUTRE PROGRAMME"};
    for (qsizetype i = 0; i < added.size(); ++i)
        QVERIFY(test::insertRow(*c_, QStringLiteral("strclient"),
                                {{"clt_cod", added.at(i)}, {"clt_nom", names.at(i)}}));
    QCOMPARE(test::scalar(*c_, QStringLiteral("SELECT count(*) FROM strclient WHERE clt_nom_k2 "
                                              "IS NULL"))
                 .toInt(),
             3);
    for (qsizetype i = 0; i < added.size(); ++i)
        all_.append({added.at(i), names.at(i), {}, names.at(i).toUtf8(), QByteArray()});
    const CustomerStore store(c_->db());
    for (const QString& typed : QStringList{"0612", "06 12", "061", "0612 ", "0612 A", "06 12 9"}) {
        const QList<Customer> want = expected(typed);
        const CustomerQuery query = CustomerQuery::search(typed);
        QStringList found;
        for (qsizetype offset = 0; offset < want.size(); offset += Page)
            found += codesOf(store.page(query, int(offset), Page));
        QCOMPARE(found, codesOf(want, 0, want.size()));
        QCOMPARE(codesOf(store.pageFromEnd(query, 0, Page)),
                 codesOf(want, std::max<qsizetype>(0, want.size() - Page), Page));
        QVERIFY2(std::any_of(added.begin(), added.end(),
                             [&](const QString& c) { return found.contains(c); }),
                 qPrintable(typed));
    }
}

QTEST_MAIN(TestNumberSearchScan)
#include "tst_number_search_scan.moc"
