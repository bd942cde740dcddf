// ctest-engines: postgresql
// The search by number as the list runs it, against the statement it ran
// before it was made faster: on 10,000 customers whose numbers are written
// every way a shop writes them, every typed prefix finds the same customers
// in the same order, page after page.

#include "customers/customer_store.h"
#include "data/connection.h"
#include "data/french_text.h"
#include "data/statement.h"
#include "support/fixture.h"

#include <QSet>
#include <QTest>

#include <random>

using namespace vdn;

namespace {

constexpr int Customers = 10000;

// The list's query as it was: the name range, each number's digit range and
// the code range ORed in one WHERE, read in the list's order. Kept here, as
// it stood, as the reference of the results.
struct Reference {
    QString where;
    QVariantList values;
};

Reference oldSearch(const QString& typed) {
    Reference r;
    QStringList terms;
    const auto add = [&](const QString& column, const KeyRange& range) {
        if (range.high.isEmpty()) {
            terms << column + QStringLiteral(" >= ?");
            r.values << range.low;
        } else {
            terms << QStringLiteral("(%1 >= ? AND %1 < ?)").arg(column);
            r.values << range.low << range.high;
        }
    };
    add(QStringLiteral("clt_nom_k1"), searchRange(foldForSearch(typed)));
    if (const QString digits = searchDigits(typed); !digits.isEmpty())
        for (const char* field : {"clt_tel_k", "clt_gsm_k", "clt_fax_k"})
            add(QLatin1String(field), prefixRange(digits));
    if (const QString digits = codeDigits(typed); !digits.isEmpty())
        add(QStringLiteral("clt_cod"), prefixRange(digits));
    r.where = QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" OR "));
    return r;
}

// The codes of a page of the old statement, in the given order.
QStringList oldPage(Connection& c, const QString& typed, const QString& order, int offset,
                    int limit) {
    const Reference r = oldSearch(typed);
    Statement q(c.db(), QStringLiteral("SELECT clt_cod FROM strclient") + r.where + order +
                            QStringLiteral(" LIMIT ? OFFSET ?"));
    q.bindAll(r.values).bind(limit).bind(offset);
    QStringList codes;
    if (Status s = q.exec(); !s)
        return {QStringLiteral("<erreur> ") + s.error().text};
    while (q.next())
        codes << q.text(0);
    return codes;
}

QStringList newPage(const CustomerStore& store, const CustomerQuery& query, int offset, int limit) {
    Result<QList<CustomerListRow>> rows = store.page(query, offset, limit);
    if (!rows)
        return {QStringLiteral("<erreur> ") + rows.error().text};
    QStringList codes;
    for (const CustomerListRow& row : *rows)
        codes << row[0].toString();
    return codes;
}

// A number written as shops write them: blanks, dots, dashes, none, +33,
// 0033, "(0)", a word before it, a second number after it.
QString written(const QString& digits, std::mt19937& rng) {
    const QString pairs = QStringLiteral("%1 %2 %3 %4 %5")
                              .arg(digits.mid(0, 2), digits.mid(2, 2), digits.mid(4, 2),
                                   digits.mid(6, 2), digits.mid(8, 2));
    const QString national = digits.mid(1);
    switch (rng() % 12) {
    case 0:
        return digits;
    case 1:
        return QString(pairs).replace(QLatin1Char(' '), QLatin1Char('.'));
    case 2:
        return QString(pairs).replace(QLatin1Char(' '), QLatin1Char('-'));
    case 3:
        return QStringLiteral("+33 ") + national.left(1) + QLatin1Char(' ') + national.mid(1);
    case 4:
        return QStringLiteral("+33 (0)") + pairs.mid(1);
    case 5:
        return QStringLiteral("0033") + national;
    case 6:
        return QStringLiteral("tél. ") + pairs;
    case 7:
        return pairs + QStringLiteral(" / 01 45 00 00 00");
    case 8:
        return pairs.left(8); // a number cut short
    default:
        return pairs;
    }
}

QString tenDigits(const char* start, std::mt19937& rng) {
    QString d = QLatin1String(start);
    while (d.size() < 10)
        d += QChar(u'0' + int(rng() % 10));
    return d;
}

} // namespace

class TestNumberSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void finds_what_the_old_statement_found();

private:
    std::unique_ptr<test::DataFolder> folder_;
    std::unique_ptr<Connection> c_;
    QStringList typed_;
};

void TestNumberSearch::initTestCase() {
    folder_ = std::make_unique<test::DataFolder>();
    QVERIFY(folder_->ok());
    c_ = folder_->connect();
    QVERIFY(c_);
    std::mt19937 rng(20261210);
    // Few names, so that many customers share one and the code breaks the
    // tie; some begin with digits, so that the name range also finds rows.
    const QStringList names{"DUPONT JEAN", "DUPONT JEANNE", "ÉTIENNE LUC", "ETIENNE LUC",
                            "ÇA VA BOWL",  "06 BOWLING",    "0612 PRO",    "33 TOURS",
                            "0033 CLUB",   "+33 STRIKE",    "GUÉRIN ANNE", "guerin anne",
                            "ŒUF CLUB",    "D'ALMEIDA ANA", "Zoé",         "  BLANC"};
    const QStringList towns{"Annecy", "Évian", "Lyon", "évreux", "Chambéry"};
    // Home numbers shared by several customers (a family, a club).
    QStringList shared;
    for (int i = 0; i < 300; ++i)
        shared << tenDigits(i % 2 ? "0450" : "0612", rng);
    QSet<QString> codes;
    Transaction t(c_->db());
    QVERIFY(t.started().ok());
    CustomerBatch batch(c_->db());
    for (int i = 1; i <= Customers; ++i) {
        // Most codes follow on; one in ten is drawn among the codes that
        // begin like a number (04…, 06…, 33…).
        const int number = i % 10 == 0 ? 40000 + int(rng() % 30000) : i;
        const QString code = QStringLiteral("%1").arg(number, 6, 10, QLatin1Char('0'));
        if (codes.contains(code))
            continue;
        codes.insert(code);
        CustomerRecord r;
        for (int f = 0; f < CustomerFieldCount; ++f)
            r.set(CustomerField(f), newCustomerValue(CustomerField(f)));
        r.set(CustomerField::Cod, code);
        r.set(CustomerField::Nom, names.at(int(rng() % names.size())) +
                                      (rng() % 3 ? QString::number(rng() % 50) : QString()));
        r.set(CustomerField::Vil, towns.at(int(rng() % towns.size())));
        const unsigned kind = rng() % 10;
        if (kind < 3)
            r.set(CustomerField::Tel, written(shared.at(int(rng() % shared.size())), rng));
        else if (kind < 8)
            r.set(CustomerField::Tel, written(tenDigits(kind < 6 ? "04" : "01", rng), rng));
        if (rng() % 5)
            r.set(CustomerField::Gsm, written(tenDigits(rng() % 4 ? "06" : "07", rng), rng));
        if (rng() % 8 == 0)
            r.set(CustomerField::Fax,
                  written(rng() % 2 ? shared.at(int(rng() % shared.size())) : tenDigits("04", rng),
                          rng));
        if (rng() % 50 == 0) // a foreign number
            r.set(CustomerField::Gsm, QStringLiteral("+41 22 %1").arg(rng() % 10000000));
        QVERIFY(batch.add(r).ok());
        // What customers type: each stored number, character by character,
        // for a few of them.
        if (i % 197 == 0)
            for (CustomerField f : {CustomerField::Tel, CustomerField::Gsm, CustomerField::Fax})
                for (qsizetype n = 1; n <= r.text(f).size(); ++n)
                    typed_ << r.text(f).left(n);
    }
    QVERIFY(t.commit().ok());
    // The same numbers typed other ways, and what a shop types by hand.
    for (const QString& s : shared.first(10))
        for (qsizetype n = 1; n <= 10; ++n) {
            typed_ << s.left(n) << QStringLiteral("+33 ") + s.mid(1, n)
                   << QStringLiteral("0033") + s.mid(1, n);
            typed_ << written(s, rng).left(n + 4);
        }
    typed_ << "0"
           << "06"
           << "06 "
           << " 06"
           << "06 1"
           << "06 12"
           << "06 12 "
           << "06.12"
           << "06-12-3"
           << "+"
           << "+3"
           << "+33"
           << "+33 "
           << "+33 6"
           << "+33 (0)6"
           << "0033"
           << "00"
           << "000"
           << "0000"
           << "04"
           << "045"
           << "0450"
           << "04 50"
           << "1"
           << "12"
           << "123"
           << "33"
           << "06 bowling"
           << "0612 P"
           << "061"
           << "0612"
           << "06123"
           << "061234"
           << "0612345678"
           << "06123456789"
           << "+41 22"
           << "+4122"
           << "4"
           << "40"
           << "400"
           << "0400"
           << "É"
           << "DU"
           << "dupont jean";
    typed_.removeDuplicates();
    if (test::onServerEngine())
        QVERIFY(c_->execute(QStringLiteral("ANALYZE strclient")).ok());
    QCOMPARE(test::scalar(*c_, QStringLiteral("SELECT count(*) FROM strclient")).toInt(),
             int(codes.size()));
}

void TestNumberSearch::cleanupTestCase() {
    c_.reset();
    folder_.reset();
}

void TestNumberSearch::finds_what_the_old_statement_found() {
    const CustomerStore store(c_->db());
    const QString byName = QStringLiteral(" ORDER BY clt_nom_k1, clt_nom_k2, clt_cod");
    const QString byTown =
        QStringLiteral(" ORDER BY clt_vil_k1 DESC, clt_vil_k2 DESC, clt_cod DESC");
    const QString byCode = QStringLiteral(" ORDER BY clt_cod DESC");
    int numbers = 0, nonEmpty = 0, manyRows = 0;
    for (const QString& typed : std::as_const(typed_)) {
        const CustomerQuery query = CustomerQuery::search(typed);
        numbers += !searchDigits(typed).isEmpty();
        // The list's first page, the next one, and one far down.
        for (const auto& [offset, limit] : {std::pair{0, 64}, {64, 64}, {1000, 64}}) {
            const QStringList old = oldPage(*c_, typed, byName, offset, limit);
            QCOMPARE(newPage(store, query, offset, limit), old);
            nonEmpty += offset == 0 && !old.isEmpty();
            manyRows += offset == 1000 && !old.isEmpty();
        }
        // Sorted by a heading within the search.
        QCOMPARE(newPage(store, query.descendingBy(CustomerColumn::Town), 0, 64),
                 oldPage(*c_, typed, byTown, 0, 64));
        QCOMPARE(newPage(store, query.descendingBy(CustomerColumn::Code), 30, 64),
                 oldPage(*c_, typed, byCode, 30, 64));
    }
    // The prefixes typed cover what the comparison is for: numbers finding a
    // few customers, numbers finding thousands, and text that is no number.
    qInfo("%lld prefixes, %d numbers, %d finding someone, %d finding over 1,000",
          qlonglong(typed_.size()), numbers, nonEmpty, manyRows);
    QVERIFY(typed_.size() >= 300);
    QVERIFY(numbers >= 250);
    QVERIFY(nonEmpty >= 200);
    QVERIFY(manyRows >= 5);
}

QTEST_MAIN(TestNumberSearch)
#include "tst_number_search.moc"
