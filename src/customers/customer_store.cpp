#include "customers/customer_store.h"

#include "balls/ball_store.h"
#include "data/connection.h"
#include "data/french_text.h"
#include "data/schema.h"
#include "data/statement.h"
#include "drilling/sheet_store.h"
#include "session/query_rows.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QVariant>

#include <algorithm>
#include <optional>

namespace vdn {

namespace {

const QString Table = QStringLiteral("strclient");
const QString Key = QStringLiteral("clt_cod");

// The fields of the list columns, in CustomerColumn order; the descending
// sorts put one of these, never a typed text, into their ORDER BY.
const QStringList& listFields() {
    static const QStringList fields{QStringLiteral("clt_cod"), QStringLiteral("clt_nom"),
                                    QStringLiteral("clt_ad1"), QStringLiteral("clt_cp"),
                                    QStringLiteral("clt_vil"), QStringLiteral("clt_tel"),
                                    QStringLiteral("clt_gsm"), QStringLiteral("clt_etat")};
    return fields;
}
// What the list printout and the export read: each row of a large shop's list
// costs less without the fields they never print (the memo above all).
const QStringList& reportFields() {
    static const QStringList fields = reportedCustomerColumns();
    return fields;
}

const QString& selectList() {
    static const QString sql = selectText(Table, listFields());
    return sql;
}
const QString& selectRecords() {
    // Every field, then the row version the record was read at.
    static const QString sql = selectText(Table, clientFields() + QStringList{revisionField()});
    return sql;
}
const QString& selectReport() {
    static const QString sql = selectText(Table, reportFields());
    return sql;
}

const QString WhereCode = QStringLiteral(" WHERE clt_cod = ?");

// A range of a key column: `low <= column < high`, or `low <= column` when
// nothing can follow the range.
void addRange(QStringList& terms, QVariantList& values, const QString& column,
              const KeyRange& range) {
    if (range.high.isEmpty()) {
        terms << column + QStringLiteral(" >= ?");
        values << range.low;
    } else {
        terms << QStringLiteral("(%1 >= ? AND %1 < ?)").arg(column);
        values << range.low << range.high;
    }
}

// The first column of an order. A number search finds its rows through
// several indexes, one per number: read in the order of the name index
// instead, it would go through every row to fill a page when few match.
// The engine's unindexed order keeps it from ordering by an index; the rows
// found are sorted. When many match ("06" finds every mobile), reading the
// name index in order fills a page at once and sorting them would not: see
// ManyMatches. Both plans give the same rows in the same order.
QString firstOrderColumn(const Dialect& d, const QString& column, bool fewRows) {
    return fewRows ? d.unindexedOrder(column) : column;
}

// French order: key 1, then key 2, then the code, all in one direction, so
// that one index serves the order read either way.
QString orderByName(const Dialect& d, bool fewRows) {
    return QStringLiteral(" ORDER BY %1, clt_nom_k2, clt_cod")
        .arg(firstOrderColumn(d, QStringLiteral("clt_nom_k1"), fewRows));
}
const QString Page = QStringLiteral(" LIMIT ? OFFSET ?");
// Descending order of a column; the code breaks ties the same way. Names,
// addresses and towns are read in French order, through their keys.
QString orderDescending(const Dialect& d, CustomerColumn column, bool fewRows) {
    switch (column) {
    case CustomerColumn::Code:
        return QStringLiteral(" ORDER BY %1 DESC").arg(firstOrderColumn(d, Key, fewRows));
    case CustomerColumn::Name:
        return QStringLiteral(" ORDER BY %1 DESC, clt_nom_k2 DESC, clt_cod DESC")
            .arg(firstOrderColumn(d, QStringLiteral("clt_nom_k1"), fewRows));
    case CustomerColumn::Town:
        return QStringLiteral(" ORDER BY %1 DESC, clt_vil_k2 DESC, clt_cod DESC")
            .arg(firstOrderColumn(d, QStringLiteral("clt_vil_k1"), fewRows));
    case CustomerColumn::Address:
        return QStringLiteral(" ORDER BY %1 DESC, clt_ad1_k2 DESC, clt_cod DESC")
            .arg(firstOrderColumn(d, QStringLiteral("clt_ad1_k1"), fewRows));
    default:
        break;
    }
    return QStringLiteral(" ORDER BY %1 DESC, clt_cod DESC")
        .arg(firstOrderColumn(d, listFields().at(int(column)), fewRows));
}

// The keys of one customer, bound in clientKeyFields() order, then its code.
const QString& updateKeysStatement() {
    static const QString sql = updateText(Table, clientKeyFields(), {Key});
    return sql;
}
QVariantList keysOf(const QString& name, const QString& town, const QString& tel,
                    const QString& gsm, const QString& fax, const QString& address) {
    return clientKeyValues(name, town, tel, gsm, fax, address);
}
const QString SelectWithoutKeys = QStringLiteral(
    "SELECT clt_cod, clt_nom, clt_vil, clt_tel, clt_gsm, clt_fax, clt_ad1 FROM strclient "
    "WHERE clt_nom_k2 IS NULL");
// A batch of them, by code through the index of the rows without keys; bound:
// the code after which to start (the second statement), then how many.
const QString SelectWithoutKeysFirst =
    SelectWithoutKeys + QStringLiteral(" ORDER BY clt_cod LIMIT ?");
const QString SelectWithoutKeysAfter =
    SelectWithoutKeys + QStringLiteral(" AND clt_cod > ? ORDER BY clt_cod LIMIT ?");
// `clt_cod >= ''` holds for every code (no text sorts before the empty one):
// it has SQLite count through the index of the rows without keys, not along
// a number's index, which holds clt_nom_k2 too and would be read whole.
const QString CountWithoutKeys =
    QStringLiteral("SELECT COUNT(*) FROM strclient WHERE clt_nom_k2 IS NULL AND clt_cod >= ''");

// The keys of a customer read without them, written only while it still has
// none and holds the texts read; bound: the keys, the code, then the texts
// in SelectWithoutKeys order.
const QString& fillKeysStatement() {
    static const QString sql =
        updateKeysStatement() +
        QStringLiteral(" AND clt_nom_k2 IS NULL AND coalesce(clt_nom, '') = ? AND "
                       "coalesce(clt_vil, '') = ? AND coalesce(clt_tel, '') = ? AND "
                       "coalesce(clt_gsm, '') = ? AND coalesce(clt_fax, '') = ? AND "
                       "coalesce(clt_ad1, '') = ?");
    return sql;
}

// A taken code writes nothing and fails nothing: a failed statement would
// end a server transaction, and the code is looked for again.
QString insertStatement(const Dialect& d) {
    static const QString insert = insertText(Table, clientFields());
    return d.insertIgnoringDuplicate(insert);
}
// Every field, the row version one more; bound: the fields, then the code
// (and, checked, the version read).
const RevisedUpdate& updateStatements() {
    static const RevisedUpdate sql = revisedUpdateText(Table, clientFields(), {Key});
    return sql;
}
const QString& updateStatement() {
    return updateStatements().any;
}
const QString& checkedUpdateStatement() {
    return updateStatements().checked;
}
const QString MarkDeleted = QStringLiteral(
    "UPDATE strclient SET clt_etat = 'SUPPRIME', vdn_rev = vdn_rev + 1 WHERE clt_cod = ?");
const QString Delete = QStringLiteral("DELETE FROM strclient WHERE clt_cod = ?");
const QString SelectExists = QStringLiteral("SELECT 1 FROM strclient WHERE clt_cod = ?");

constexpr int HighestNumber = 999999;

const QRegularExpression& customerNumber() {
    static const QRegularExpression re(QStringLiteral("^\\s*([0-9]{1,6})\\s*$"));
    return re;
}

DataError noRow(const QString& code) {
    return DataError::other(
        errnum::NoCurrentRecord,
        QStringLiteral("Aucun enregistrement en cours : le client %1 n'existe pas").arg(code));
}

Status changedElsewhere(const QString& code) {
    return DataError::other(errnum::ChangedElsewhere,
                            QStringLiteral("Le client %1 a été modifié ou supprimé sur un autre "
                                           "poste")
                                .arg(code));
}

// Runs a statement that must change the customer's row.
Status changeOne(Statement& q, const QString& code) {
    if (Status s = q.exec(); !s)
        return s;
    if (q.rowsAffected() < 1)
        return noRow(code);
    return {};
}

} // namespace

QString formatCustomerCode(const QString& text) {
    const QRegularExpressionMatch m = customerNumber().match(text);
    if (!m.hasMatch())
        return text;
    return QStringLiteral("%1").arg(m.captured(1).toInt(), 6, 10, QLatin1Char('0'));
}

bool isCustomerNumber(const QString& text) {
    return customerNumber().match(text).hasMatch();
}

namespace {

// The statement of a list query and the values it binds, the select part
// being chosen by the caller.
struct Bound {
    QString where;
    QVariantList values;
    QString order;
    // A search by number finding few customers, listed by name: the
    // customers found, as their name keys and code (searchCandidates()),
    // and the values they bind. A page of the list is sorted from these.
    QString candidates;
    QVariantList candidateValues;
};

// From this many rows found on, a number search reads the list's index in
// its order rather than sorting what it found.
constexpr int ManyMatches = 4000;

// One range of a search: a key column and the keys it keeps.
struct SearchTerm {
    QString column;
    KeyRange range;
};

// Whether every key `inner` keeps, `outer` keeps too (compared as UTF-8
// bytes, as the engines compare the keys).
bool within(const KeyRange& inner, const KeyRange& outer) {
    if (inner.low.toUtf8() < outer.low.toUtf8())
        return false;
    if (outer.high.isEmpty())
        return true;
    return !inner.high.isEmpty() && inner.high.toUtf8() <= outer.high.toUtf8();
}

} // namespace

// How many rows the ranges of recent number searches found, each counted up
// to ManyMatches. A keystroke usually narrows the search before it ("06 12"
// then "06 12 " then "06 12 3"): a range within one that found few finds
// fewer, a range around one that found ManyMatches finds as many, and such a
// range is not counted again. The counts only choose between two plans that
// give the same rows in the same order, so one made stale by another
// workstation costs time, never a wrong list; they are kept a short while.
struct CustomerStore::RangeCounts {
    struct Counted {
        QString column;
        KeyRange range;
        int rows; // up to ManyMatches
        qint64 at;
    };
    static constexpr qint64 KeptMs = 30000;
    static constexpr qsizetype Kept = 32;
    QList<Counted> counted;
    QElapsedTimer clock;

    void forgetOld() {
        if (!clock.isValid())
            clock.start();
        const qint64 now = clock.elapsed();
        counted.removeIf([now](const Counted& c) { return now - c.at > KeptMs; });
    }
    // At least ManyMatches rows, known from a range within this one.
    bool knownMany(const SearchTerm& t) const {
        return std::any_of(counted.begin(), counted.end(), [&](const Counted& c) {
            return c.rows >= ManyMatches && c.column == t.column && within(c.range, t.range);
        });
    }
    // At most this many rows, known from a range around this one.
    std::optional<int> atMost(const SearchTerm& t) const {
        std::optional<int> best;
        for (const Counted& c : counted)
            if (c.rows < ManyMatches && c.column == t.column && within(t.range, c.range))
                best = std::min(best.value_or(c.rows), c.rows);
        return best;
    }
    void add(const SearchTerm& t, int rows) {
        counted.prepend({t.column, t.range, std::min(rows, ManyMatches), clock.elapsed()});
        if (counted.size() > Kept)
            counted.removeLast();
    }
};

namespace {

// Whether a number search finds few enough rows to sort them. Each range
// is first counted alone through the index that holds its key, up to
// ManyMatches rows (cheap: the key is all it reads): one range reaching it
// decides "many", all of them together below it decide "few". Only in
// between are the rows found by any range counted, through the search's own
// indexes. A range whose count the recent searches tell (RangeCounts) is
// not counted. Derived tables are named: the server requires it.
Result<bool> fewMatches(const QSqlDatabase& db, const QList<SearchTerm>& search,
                        const QStringList& terms, const QList<QVariantList>& termValues,
                        const Bound& b, CustomerStore::RangeCounts& known) {
    known.forgetOld();
    const QString limited = QStringLiteral(" LIMIT %1) AS found").arg(ManyMatches);
    int sum = 0;
    QList<qsizetype> unknown;
    for (qsizetype i = 0; i < search.size(); ++i) {
        if (known.knownMany(search.at(i)))
            return false;
        if (const std::optional<int> n = known.atMost(search.at(i)))
            sum += *n;
        else
            unknown << i;
    }
    if (!unknown.isEmpty()) {
        QStringList counts;
        QVariantList values;
        for (qsizetype i : std::as_const(unknown)) {
            counts << QStringLiteral("(SELECT count(*) FROM (SELECT 1 FROM strclient WHERE ") +
                          terms.at(i) + limited + QLatin1Char(')');
            values += termValues.at(i);
        }
        Statement each(db, QStringLiteral("SELECT ") + counts.join(QStringLiteral(", ")));
        each.bindAll(values);
        Result<bool> row = each.execFirst();
        if (!row)
            return row.error();
        bool many = false;
        for (qsizetype k = 0; *row && k < unknown.size(); ++k) {
            const int n = each.value(int(k)).toInt();
            known.add(search.at(unknown.at(k)), n);
            many = many || n >= ManyMatches;
            sum += n;
        }
        if (many)
            return false;
    }
    if (sum < ManyMatches)
        return true;
    Statement all(db, QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM strclient") + b.where +
                          limited);
    all.bindAll(b.values);
    Result<bool> row = all.execFirst();
    if (!row)
        return row.error();
    return !*row || all.value(0).toInt() < ManyMatches;
}

// The customers a search finds, each once, as their name keys and code: one
// SELECT per range, each leaving out the rows an earlier range found (IS NOT
// TRUE: a null key is in no range), so that UNION ALL needs no removal of
// duplicates. What each SELECT reads is in the index of its range: the name
// index holds the numbers' keys, each number's index the name keys and the
// keys of the numbers before it (schema 9). So the few hundred customers a
// number finds are sorted from the indexes alone, and only the page shown is
// read from the table, where the OR of the ranges read every customer found
// from the table to sort it.
QString searchCandidates(const QStringList& terms, const QList<QVariantList>& termValues,
                         QVariantList& values) {
    QStringList selects;
    for (qsizetype i = 0; i < terms.size(); ++i) {
        QString where = terms.at(i);
        values += termValues.at(i);
        for (qsizetype j = 0; j < i; ++j) {
            where += QStringLiteral(" AND (%1) IS NOT TRUE").arg(terms.at(j));
            values += termValues.at(j);
        }
        selects << QStringLiteral("SELECT clt_nom_k1, clt_nom_k2, clt_cod FROM strclient WHERE ") +
                       where;
    }
    return selects.join(QStringLiteral(" UNION ALL "));
}

Result<Bound> boundFor(const QSqlDatabase& db, const CustomerQuery& query,
                       CustomerStore::RangeCounts& known) {
    Bound b;
    bool numbers = false;
    if (query.code) {
        b.where = WhereCode;
        b.values << *query.code;
    } else if (!query.namePrefix.isEmpty()) {
        // The name's first characters, compared folded (accents and case
        // aside), then the numbers when the text is one: each an index range.
        QList<SearchTerm> search;
        QStringList terms;
        QList<QVariantList> termValues;
        const auto add = [&](const QString& column, const KeyRange& range) {
            search.append({column, range});
            termValues.append(QVariantList());
            addRange(terms, termValues.last(), column, range);
            b.values += termValues.last();
        };
        add(QStringLiteral("clt_nom_k1"), searchRange(foldForSearch(query.namePrefix)));
        if (const QString digits = searchDigits(query.namePrefix); !digits.isEmpty()) {
            const KeyRange range = prefixRange(digits);
            for (const char* field : {"clt_tel_k", "clt_gsm_k", "clt_fax_k"})
                add(QLatin1String(field), range);
        }
        if (const QString digits = codeDigits(query.namePrefix); !digits.isEmpty())
            add(Key, prefixRange(digits));
        b.where = QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" OR "));
        if (terms.size() > 1) {
            Result<bool> few = fewMatches(db, search, terms, termValues, b, known);
            if (!few)
                return few.error();
            numbers = *few;
            if (numbers && query.order == CustomerQuery::Order::Name)
                b.candidates = searchCandidates(terms, termValues, b.candidateValues);
        }
    }
    switch (query.order) {
    case CustomerQuery::Order::None:
        break;
    case CustomerQuery::Order::Name:
        b.order = orderByName(Dialect::of(db), numbers);
        break;
    case CustomerQuery::Order::Descending:
        b.order = orderDescending(Dialect::of(db), query.sortColumn, numbers);
        break;
    }
    return b;
}

// A list query's statement: without an order asked for, the order of addition.
QString listStatement(const Dialect& d, const QString& select, const Bound& b) {
    return select + b.where +
           (b.order.isEmpty() ? QStringLiteral(" ORDER BY ") + d.additionOrder() : b.order);
}

// The same statement read the other way: each term of its ORDER BY turned
// round (every order ends on a unique column, so the rows come exactly in
// reverse). The terms are the code's own, never typed text.
QString reversedListStatement(const Dialect& d, const QString& select, const Bound& b) {
    const QString statement = listStatement(d, select, b);
    const QString orderBy = QStringLiteral(" ORDER BY ");
    const qsizetype at = statement.lastIndexOf(orderBy);
    QStringList terms = statement.mid(at + orderBy.size()).split(QStringLiteral(", "));
    const QString descending = QStringLiteral(" DESC");
    for (QString& term : terms)
        term = term.endsWith(descending) ? term.chopped(descending.size()) : term + descending;
    return statement.left(at) + orderBy + terms.join(QStringLiteral(", "));
}

// The list's fields, then the name keys that order a page of candidates.
const QString& selectListWithNameKeys() {
    static const QString sql =
        selectText(Table, listFields() + QStringList{QStringLiteral("clt_nom_k1"),
                                                     QStringLiteral("clt_nom_k2")});
    return sql;
}

// A page of the list from the customers found (Bound::candidates): their
// keys sorted and cut to the page, then the page's rows read by those keys
// through the name index, which holds every column the list shows (schema
// 8). So no row of the table is read for a page: read by code, most of its
// rows were each a page of the file missing from the cache, one read from
// the disk apiece. A customer whose name keys another program left null
// cannot be found by them; it is read by code, in the same order. Bound:
// the candidates' values, then how many and from where. The order is the
// list's by name (orderByName()), read backwards for a page counted from
// the end.
QString candidatePage(const Bound& b, bool backwards) {
    const QString order = backwards ? QStringLiteral(" ORDER BY clt_nom_k1 DESC, clt_nom_k2 DESC, "
                                                     "clt_cod DESC")
                                    : QStringLiteral(" ORDER BY clt_nom_k1, clt_nom_k2, clt_cod");
    return QStringLiteral("WITH shown AS (SELECT clt_nom_k1, clt_nom_k2, clt_cod FROM (") +
           b.candidates + QStringLiteral(") AS found") + order + Page + QStringLiteral(") ") +
           selectListWithNameKeys() +
           QStringLiteral(" WHERE (clt_nom_k1, clt_nom_k2, clt_cod) IN (SELECT clt_nom_k1, "
                          "clt_nom_k2, clt_cod FROM shown) UNION ALL ") +
           selectListWithNameKeys() +
           QStringLiteral(" WHERE clt_cod IN (SELECT clt_cod FROM shown WHERE clt_nom_k1 IS NULL "
                          "OR clt_nom_k2 IS NULL)") +
           order;
}

} // namespace

CustomerStore::RangeCounts& CustomerStore::rangeCounts() const {
    if (!rangeCounts_)
        rangeCounts_ = std::make_shared<RangeCounts>();
    return *rangeCounts_;
}

Result<QList<CustomerListRow>> CustomerStore::pageFromEnd(const CustomerQuery& query, int fromEnd,
                                                          int limit) const {
    const Result<Bound> b = boundFor(db_, query, rangeCounts());
    if (!b)
        return b.error();
    if (!b->candidates.isEmpty()) {
        Statement q(db_, candidatePage(*b, true));
        q.bindAll(b->candidateValues).bind(limit).bind(fromEnd);
        Result<QList<CustomerListRow>> rows = listRows(q);
        if (rows)
            std::reverse(rows->begin(), rows->end());
        return rows;
    }
    Statement q(db_, reversedListStatement(Dialect::of(db_), selectList(), *b) + Page);
    q.bindAll(b->values).bind(limit).bind(fromEnd);
    Result<QList<CustomerListRow>> rows = listRows(q);
    if (rows)
        std::reverse(rows->begin(), rows->end());
    return rows;
}

Result<QList<CustomerListRow>> CustomerStore::page(const CustomerQuery& query, int offset,
                                                   int limit) const {
    const Dialect& d = Dialect::of(db_);
    const Result<Bound> b = boundFor(db_, query, rangeCounts());
    if (!b)
        return b.error();
    if (!b->candidates.isEmpty()) {
        Statement q(db_, candidatePage(*b, false));
        q.bindAll(b->candidateValues).bind(limit).bind(offset);
        return listRows(q);
    }
    Statement q(db_, listStatement(d, selectList(), *b) + Page);
    q.bindAll(b->values).bind(limit).bind(offset);
    return listRows(q);
}

Result<QList<CustomerListRow>> CustomerStore::listRows(Statement& q) const {
    if (Status s = q.exec(); !s)
        return s.error();
    QList<CustomerListRow> rows;
    while (q.next()) {
        CustomerListRow row;
        for (int c = 0; c < CustomerColumnCount; ++c) {
            const QVariant v = q.value(c);
            row[std::size_t(c)] = v.isNull() ? QVariant() : QVariant(v.toString());
        }
        rows.append(row);
    }
    if (Status s = q.finished(); !s)
        return s.error();
    return rows;
}

Result<Statement> CustomerStore::select(const QString& fields, const CustomerQuery& query) const {
    const Dialect& d = Dialect::of(db_);
    const Result<Bound> b = boundFor(db_, query, rangeCounts());
    if (!b)
        return b.error();
    Statement q(db_, listStatement(d, fields, *b));
    q.bindAll(b->values);
    return q;
}

Result<QList<CustomerRecord>> CustomerStore::records(const CustomerQuery& query) const {
    Result<Statement> found = select(selectRecords(), query);
    if (!found)
        return found.error();
    Statement& q = *found;
    if (Status s = q.exec(); !s)
        return s.error();
    QList<CustomerRecord> out;
    while (q.next()) {
        CustomerRecord r;
        for (int i = 0; i < CustomerFieldCount; ++i)
            if (!q.isNull(i))
                r.set(static_cast<CustomerField>(i), q.value(i).toString());
        r.revision = q.value(CustomerFieldCount).toLongLong();
        out.append(r);
    }
    if (Status s = q.finished(); !s)
        return s.error();
    return out;
}

Result<QStringList> CustomerStore::queryPlan(const CustomerQuery& query) const {
    const Dialect& d = Dialect::of(db_);
    const Result<Bound> b = boundFor(db_, query, rangeCounts());
    if (!b)
        return b.error();
    if (!b->candidates.isEmpty())
        return vdn::queryPlan(db_, candidatePage(*b, false),
                              b->candidateValues + QVariantList{256, 0});
    return vdn::queryPlan(db_, listStatement(d, selectList(), *b) + Page,
                          b->values + QVariantList{256, 0});
}

Result<std::optional<CustomerRecord>> CustomerStore::byCode(const QString& code) const {
    Result<QList<CustomerRecord>> rows = records(CustomerQuery::one(code).unordered());
    if (!rows)
        return rows.error();
    if (rows->isEmpty())
        return std::optional<CustomerRecord>();
    return std::optional<CustomerRecord>(rows->first());
}

Result<int> CustomerStore::highestCode() const {
    Result<QVariant> highest = scalar(db_, highestCodeText(Dialect::of(db_), Table, Key));
    if (!highest)
        return highest.error();
    return highest->toInt();
}

Result<QString> CustomerStore::nextCode(const SheetStore& sheets) const {
    Result<int> customers = highestCode();
    if (!customers)
        return customers.error();
    // A drilling sheet outlives a customer deleted for good: its number is
    // never handed to a new customer.
    Result<int> kept = sheets.highestCode();
    if (!kept)
        return kept.error();
    const int next = std::max(*customers, *kept) + 1;
    if (next > HighestNumber)
        return QString(QLatin1String(""));
    return QStringLiteral("%1").arg(next, 6, 10, QLatin1Char('0'));
}

Status CustomerStore::write(const QString& statement, const CustomerRecord& customer,
                            const QVariantList& extra) {
    Statement q(db_, statement);
    for (int i = 0; i < CustomerFieldCount; ++i)
        q.bind(customer[static_cast<CustomerField>(i)]);
    q.bindAll(extra);
    return changeOne(q, customer.text(CustomerField::Cod));
}

Status CustomerStore::writeKeys(const CustomerRecord& customer) {
    Statement q(db_, updateKeysStatement());
    q.bindAll(keysOf(customer.text(CustomerField::Nom), customer.text(CustomerField::Vil),
                     customer.text(CustomerField::Tel), customer.text(CustomerField::Gsm),
                     customer.text(CustomerField::Fax), customer.text(CustomerField::Ad1)))
        .bind(customer.text(CustomerField::Cod));
    return q.exec();
}

// The keys are written by a second statement, in the same transaction: the
// first, changing the name or a number, has the file clear the keys it held.
Status CustomerStore::insert(const CustomerRecord& customer) {
    Transaction t(db_);
    if (!t.started())
        return t.started();
    if (Status s = write(insertStatement(Dialect::of(db_)), customer, {}); !s) {
        if (s.error().number != errnum::NoCurrentRecord)
            return s;
        return DataError::other(
            errnum::KeyTaken,
            QStringLiteral("Le code %1 existe déjà").arg(customer.text(CustomerField::Cod)));
    }
    if (Status s = writeKeys(customer); !s)
        return s;
    return t.commit();
}

Status CustomerStore::update(const CustomerRecord& customer, Overwrite overwrite) {
    const QString code = customer.text(CustomerField::Cod);
    Transaction t(db_);
    if (!t.started())
        return t.started();
    const bool checked = overwrite == Overwrite::No;
    QVariantList where{code};
    if (checked)
        where << customer.revision;
    if (Status s = write(checked ? checkedUpdateStatement() : updateStatement(), customer, where);
        !s) {
        if (!checked || s.error().number != errnum::NoCurrentRecord)
            return s;
        // Gone, or there under another version.
        Statement q(db_, SelectExists);
        Result<bool> exists = q.bind(code).execFirst();
        if (!exists)
            return exists.error();
        return *exists ? changedElsewhere(code) : s;
    }
    if (Status s = writeKeys(customer); !s)
        return s;
    return t.commit();
}

Result<QString> CustomerStore::insertUnderFreeCode(CustomerRecord customer,
                                                   const SheetStore& sheets) {
    // Each try takes the next free number anew: another workstation may take
    // one between the reading and the writing, which the key refuses.
    for (int tries = 0; tries < 100; ++tries) {
        Status written = insert(customer);
        if (written)
            return customer.text(CustomerField::Cod);
        if (!written.error().isDuplicateKey())
            return written.error();
        Result<QString> next = nextCode(sheets);
        if (!next)
            return next.error();
        if (next->isEmpty())
            return QString();
        customer.set(CustomerField::Cod, *next);
    }
    return changedElsewhere(customer.text(CustomerField::Cod)).error();
}

Result<int> CustomerStore::fillMissingKeys(Progress* progress, int batchSize) {
    // Counted only once a whole batch was found: the usual opening, with
    // every key there, runs one statement.
    std::optional<qint64> total;
    int written = 0;
    qint64 done = 0;
    std::optional<QString> after;
    for (;;) {
        Result<QList<WithoutKeys>> batch = customersWithoutKeys(after, batchSize);
        if (!batch)
            return batch.error();
        if (batch->isEmpty())
            break;
        if (progress && !total && batch->size() >= batchSize) {
            Result<qint64> left = countWithoutKeys();
            if (!left)
                return left.error();
            total = *left;
        }
        // Each batch commits on its own: what is written stays written.
        Result<int> w = writeMissingKeys(*batch);
        if (!w)
            return w.error();
        written += *w;
        done += batch->size();
        // By code: a customer whose keys could not be written (renamed
        // meanwhile) is not read again in this pass.
        after = batch->last().code;
        if (batch->size() < batchSize)
            break;
        if (progress && !progress->step(done, total.value_or(done)))
            break;
    }
    return written;
}

Result<qint64> CustomerStore::countWithoutKeys() const {
    Statement q(db_, CountWithoutKeys);
    if (Status s = q.exec(); !s)
        return s.error();
    const qint64 count = q.next() ? q.value(0).toLongLong() : 0;
    if (Status s = q.finished(); !s)
        return s.error();
    return count;
}

Result<std::unique_ptr<CustomerRows>>
CustomerStore::printoutRows(const CustomerQuery& query) const {
    const Result<Bound> b = boundFor(db_, query, rangeCounts());
    if (!b)
        return b.error();
    // How many rows come, counted first so that the printout and the export
    // can say how far they are (an index's count: no row is read for it).
    qint64 count = -1;
    {
        Statement counted(db_, QStringLiteral("SELECT count(*) FROM ") + Table + b->where);
        counted.bindAll(b->values);
        const Result<bool> found = counted.execFirst();
        if (!found)
            return found.error();
        if (*found)
            count = counted.value(0).toLongLong();
    }
    Statement q(db_, listStatement(Dialect::of(db_), selectReport(), *b));
    q.bindAll(b->values);
    if (Status s = q.exec(); !s)
        return s.error();
    return std::unique_ptr<CustomerRows>(std::make_unique<QueryRows<CustomerReportRow>>(
        std::move(q).release(), CustomerColumns, count));
}

Result<QList<CustomerStore::WithoutKeys>>
CustomerStore::customersWithoutKeys(const std::optional<QString>& after, int limit) const {
    QList<WithoutKeys> missing;
    // Read through the index of the rows without keys, closed before the writes.
    Statement q(db_, limit < 0 ? SelectWithoutKeys
                               : (after ? SelectWithoutKeysAfter : SelectWithoutKeysFirst));
    if (limit >= 0) {
        if (after)
            q.bind(*after);
        q.bind(limit);
    }
    if (Status s = q.exec(); !s)
        return s.error();
    while (q.next()) {
        WithoutKeys m{q.value(0).toString(), {}};
        for (int i = 1; i <= 6; ++i)
            m.texts << q.value(i).toString();
        missing.append(m);
    }
    if (Status s = q.finished(); !s)
        return s.error();
    return missing;
}

Result<int> CustomerStore::writeMissingKeys(const QList<WithoutKeys>& customers) {
    if (customers.isEmpty())
        return 0;
    Transaction t(db_);
    if (!t.started())
        return t.started().error();
    Statement q(db_, fillKeysStatement());
    int written = 0;
    for (const WithoutKeys& m : customers) {
        const QStringList& x = m.texts;
        q.bindAll(keysOf(x.value(0), x.value(1), x.value(2), x.value(3), x.value(4), x.value(5)))
            .bind(m.code);
        for (int i = 0; i < 6; ++i)
            q.bind(x.value(i));
        if (Status s = q.exec(); !s)
            return s.error();
        written += std::max(0, q.rowsAffected());
    }
    if (Status s = t.commit(); !s)
        return s.error();
    return written;
}

Status CustomerStore::markDeleted(const QString& code) {
    Statement q(db_, MarkDeleted);
    q.bind(code);
    return changeOne(q, code);
}

Status CustomerStore::removeWithBalls(const QString& code, BallStore& balls) {
    if (!db_.isValid() || !db_.isOpen())
        return Statement(db_, Delete).prepared();
    Transaction t(db_);
    if (!t.started())
        return t.started();
    if (Status s = balls.removeAllOf(code); !s)
        return s;
    Statement q(db_, Delete);
    q.bind(code);
    if (Status s = changeOne(q, code); !s)
        return s;
    return t.commit();
}

namespace {

QString insertWithKeysStatement(const Dialect& d) {
    static const QString insert = insertText(Table, clientFields() + clientKeyFields());
    return d.insertIgnoringDuplicate(insert);
}

QVariantList keysOf(const CustomerRecord& c) {
    using F = CustomerField;
    return keysOf(c.text(F::Nom), c.text(F::Vil), c.text(F::Tel), c.text(F::Gsm), c.text(F::Fax),
                  c.text(F::Ad1));
}

} // namespace

CustomerBatch::CustomerBatch(const QSqlDatabase& db)
    : insert_(db, insertWithKeysStatement(Dialect::of(db))), update_(db, checkedUpdateStatement()),
      keys_(db, updateKeysStatement()) {}

Status CustomerBatch::add(const CustomerRecord& customer) {
    for (int i = 0; i < CustomerFieldCount; ++i)
        insert_.bind(customer[static_cast<CustomerField>(i)]);
    insert_.bindAll(keysOf(customer));
    if (Status s = insert_.exec(); !s)
        return s;
    if (insert_.rowsAffected() < 1)
        return DataError::other(
            errnum::KeyTaken,
            QStringLiteral("Le code %1 existe déjà").arg(customer.text(CustomerField::Cod)));
    return {};
}

Status CustomerBatch::replace(const CustomerRecord& customer) {
    const QString code = customer.text(CustomerField::Cod);
    for (int i = 0; i < CustomerFieldCount; ++i)
        update_.bind(customer[static_cast<CustomerField>(i)]);
    update_.bind(code).bind(QVariant(customer.revision));
    if (Status s = update_.exec(); !s)
        return s;
    if (update_.rowsAffected() < 1)
        return changedElsewhere(code);
    keys_.bindAll(keysOf(customer)).bind(code);
    return keys_.exec();
}

} // namespace vdn
