#include "customers/customer_store.h"

#include "balls/ball_store.h"
#include "data/connection.h"
#include "drilling/sheet_store.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QVariant>

namespace vdn {

namespace {

const QString SelectList = QStringLiteral(
    "SELECT clt_cod, clt_nom, clt_ad1, clt_cp, clt_vil, clt_tel, clt_gsm, clt_etat FROM strclient");
const QString SelectRecords = QStringLiteral(
    "SELECT clt_cod, clt_int, clt_nom, clt_ad1, clt_ad2, clt_ad3, clt_cp, clt_vil, clt_pays, "
    "clt_tel, clt_gsm, clt_fax, clt_mail, clt_memo, clt_nic, clt_tar, clt_dg, clt_poig, clt_lbs, "
    "clt_etat FROM strclient");
// What the list printout and the export read: each row of a large shop's list
// costs less without the fields they never print (the memo above all).
const QString SelectReport = QStringLiteral(
    "SELECT clt_cod, clt_nom, clt_ad1, clt_ad2, clt_ad3, clt_cp, clt_vil, clt_pays, clt_tel, "
    "clt_gsm, clt_fax, clt_mail, clt_nic FROM strclient");

// Name search: the range keeps the search on the name index; the comparison
// of the first characters then keeps exactly the names that match.
const QString WhereNameBetween =
    QStringLiteral(" WHERE clt_nom >= ? AND clt_nom < ? AND substr(clt_nom, 1, ?) = ? "
                   "COLLATE NOCASE");
const QString WhereNameFrom =
    QStringLiteral(" WHERE clt_nom >= ? AND substr(clt_nom, 1, ?) = ? COLLATE NOCASE");
const QString WhereCode = QStringLiteral(" WHERE clt_cod = ?");

const QString OrderByName = QStringLiteral(" ORDER BY clt_nom, clt_cod");
const QString OrderByAddition = QStringLiteral(" ORDER BY rowid");
const QString Page = QStringLiteral(" LIMIT ? OFFSET ?");
// Descending orders, by column; the code breaks ties the same way.
const std::array<QString, CustomerColumnCount> OrderDescending{
    QStringLiteral(" ORDER BY clt_cod DESC"),
    QStringLiteral(" ORDER BY clt_nom DESC, clt_cod DESC"),
    QStringLiteral(" ORDER BY clt_ad1 DESC, clt_cod DESC"),
    QStringLiteral(" ORDER BY clt_cp DESC, clt_cod DESC"),
    QStringLiteral(" ORDER BY clt_vil DESC, clt_cod DESC"),
    QStringLiteral(" ORDER BY clt_tel DESC, clt_cod DESC"),
    QStringLiteral(" ORDER BY clt_gsm DESC, clt_cod DESC"),
    QStringLiteral(" ORDER BY clt_etat DESC, clt_cod DESC"),
};

const QString SelectHighestCode =
    QStringLiteral("SELECT max(CAST(clt_cod AS INTEGER)) FROM strclient "
                   "WHERE length(clt_cod) BETWEEN 1 AND 6 AND clt_cod NOT GLOB '*[^0-9]*'");

const QString Insert = QStringLiteral(
    "INSERT INTO strclient (clt_cod, clt_int, clt_nom, clt_ad1, clt_ad2, clt_ad3, clt_cp, "
    "clt_vil, clt_pays, clt_tel, clt_gsm, clt_fax, clt_mail, clt_memo, clt_nic, clt_tar, clt_dg, "
    "clt_poig, clt_lbs, clt_etat) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
    "?)");
const QString Update = QStringLiteral(
    "UPDATE strclient SET clt_cod = ?, clt_int = ?, clt_nom = ?, clt_ad1 = ?, clt_ad2 = ?, "
    "clt_ad3 = ?, clt_cp = ?, clt_vil = ?, clt_pays = ?, clt_tel = ?, clt_gsm = ?, clt_fax = ?, "
    "clt_mail = ?, clt_memo = ?, clt_nic = ?, clt_tar = ?, clt_dg = ?, clt_poig = ?, clt_lbs = ?, "
    "clt_etat = ? WHERE clt_cod = ?");
const QString MarkDeleted =
    QStringLiteral("UPDATE strclient SET clt_etat = 'SUPPRIME' WHERE clt_cod = ?");
const QString Delete = QStringLiteral("DELETE FROM strclient WHERE clt_cod = ?");

constexpr int HighestNumber = 999999;

const QRegularExpression& customerNumber() {
    static const QRegularExpression re(QStringLiteral("^\\s*([0-9]{1,6})\\s*$"));
    return re;
}

// A text never bound as NULL: every field written holds at least "".
QVariant textValue(const std::optional<QString>& value) {
    if (!value || value->isNull())
        return QString(QLatin1String(""));
    return *value;
}

DataError noRow(const QString& code) {
    return DataError::other(
        errnum::NoCurrentRecord,
        QStringLiteral("Aucun enregistrement en cours : le client %1 n'existe pas").arg(code));
}

int codePoints(const QString& s) {
    return int(s.toUcs4().size());
}

} // namespace

NameRange nameRangeFor(const QString& capitals) {
    if (capitals.isEmpty())
        return {capitals, QString(QChar(1))}; // only empty names
    // The name column compares with ASCII letters folded to small letters and
    // everything else by code point (UTF-8 bytes keep that order).
    QList<uint> folded = capitals.toUcs4();
    for (uint& c : folded)
        if (c >= U'A' && c <= U'Z')
            c = c - U'A' + U'a';
    while (!folded.isEmpty()) {
        uint last = folded.takeLast();
        if (last >= 0x10FFFF)
            continue; // nothing follows it: carry into the character before
        ++last;
        if (last == 0xD800)
            last = 0xE000; // surrogates are no characters
        else if (last >= U'A' && last <= U'Z')
            last = U'['; // capitals compare as small letters; '[' is the next after '@'
        folded.append(last);
        return {capitals, QString::fromUcs4(reinterpret_cast<const char32_t*>(folded.constData()),
                                            folded.size())};
    }
    return {capitals, std::nullopt};
}

QString formatCustomerCode(const QString& text) {
    const QRegularExpressionMatch m = customerNumber().match(text);
    if (!m.hasMatch())
        return text;
    return QStringLiteral("%1").arg(m.captured(1).toInt(), 6, 10, QLatin1Char('0'));
}

bool isCustomerNumber(const QString& text) {
    return customerNumber().match(text).hasMatch();
}

Result<QSqlQuery> CustomerStore::prepare(const QString& statement) const {
    if (!db_.isValid() || !db_.isOpen())
        return DataError::other(errnum::DatabaseNotFound,
                                QStringLiteral("La base de données n'est pas ouverte"));
    QSqlQuery q(db_);
    if (!q.prepare(statement))
        return DataError::fromQuery(q);
    return q;
}

namespace {

// The statement of a list query and the values it binds, the select part
// being chosen by the caller.
struct Bound {
    QString where;
    QVariantList values;
    QString order;
};

Bound boundFor(const CustomerQuery& query) {
    Bound b;
    if (query.code) {
        b.where = WhereCode;
        b.values << *query.code;
    } else if (!query.namePrefix.isEmpty()) {
        const QString trimmed = query.namePrefix.trimmed();
        const QString capitals = trimmed.toUpper();
        // Capitals may be longer than the small letters they replace (ß, ﬁ):
        // the compared length grows with them.
        const int length =
            codePoints(query.namePrefix) + codePoints(capitals) - codePoints(trimmed);
        const NameRange range = nameRangeFor(capitals);
        if (range.upper) {
            b.where = WhereNameBetween;
            b.values << range.lower << *range.upper << length << capitals;
        } else {
            b.where = WhereNameFrom;
            b.values << range.lower << length << capitals;
        }
    }
    switch (query.order) {
    case CustomerQuery::Order::None:
        break;
    case CustomerQuery::Order::Name:
        b.order = OrderByName;
        break;
    case CustomerQuery::Order::Descending:
        b.order = OrderDescending.at(static_cast<std::size_t>(query.sortColumn));
        break;
    }
    return b;
}

// A page of a list: without an order asked for, the order of addition.
QString pageStatement(const Bound& b) {
    return SelectList + b.where + (b.order.isEmpty() ? OrderByAddition : b.order) + Page;
}

} // namespace

Result<QList<CustomerListRow>> CustomerStore::page(const CustomerQuery& query, int offset,
                                                   int limit) const {
    const Bound b = boundFor(query);
    Result<QSqlQuery> q = prepare(pageStatement(b));
    if (!q)
        return q.error();
    q->setForwardOnly(true);
    for (const QVariant& v : b.values)
        q->addBindValue(v);
    q->addBindValue(limit);
    q->addBindValue(offset);
    if (!q->exec())
        return DataError::fromQuery(*q);
    QList<CustomerListRow> rows;
    while (q->next()) {
        CustomerListRow row;
        for (int c = 0; c < CustomerColumnCount; ++c) {
            const QVariant v = q->value(c);
            row[std::size_t(c)] = v.isNull() ? QVariant() : QVariant(v.toString());
        }
        rows.append(row);
    }
    if (q->lastError().isValid())
        return DataError::fromQuery(*q);
    return rows;
}

Result<QSqlQuery> CustomerStore::rows(const CustomerQuery& query) const {
    return select(SelectReport, query);
}

Result<QSqlQuery> CustomerStore::select(const QString& fields, const CustomerQuery& query) const {
    const Bound b = boundFor(query);
    Result<QSqlQuery> q =
        prepare(fields + b.where + (b.order.isEmpty() ? OrderByAddition : b.order));
    if (!q)
        return q.error();
    q->setForwardOnly(true);
    for (const QVariant& v : b.values)
        q->addBindValue(v);
    if (!q->exec())
        return DataError::fromQuery(*q);
    return q;
}

Result<QList<CustomerRecord>> CustomerStore::records(const CustomerQuery& query) const {
    Result<QSqlQuery> q = select(SelectRecords, query);
    if (!q)
        return q.error();
    QList<CustomerRecord> out;
    while (q->next()) {
        CustomerRecord r;
        for (int i = 0; i < CustomerFieldCount; ++i) {
            const QVariant v = q->value(i);
            if (!v.isNull())
                r.set(static_cast<CustomerField>(i), v.toString());
        }
        out.append(r);
    }
    if (q->lastError().isValid())
        return DataError::fromQuery(*q);
    return out;
}

Result<QStringList> CustomerStore::queryPlan(const CustomerQuery& query) const {
    const Bound b = boundFor(query);
    Result<QSqlQuery> q = prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + pageStatement(b));
    if (!q)
        return q.error();
    for (const QVariant& v : b.values)
        q->addBindValue(v);
    q->addBindValue(256);
    q->addBindValue(0);
    if (!q->exec())
        return DataError::fromQuery(*q);
    QStringList steps;
    while (q->next())
        steps << q->value(3).toString();
    return steps;
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
    Result<QSqlQuery> q = prepare(SelectHighestCode);
    if (!q)
        return q.error();
    if (!q->exec() || !q->next())
        return DataError::fromQuery(*q);
    return q->value(0).toInt();
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
    Result<QSqlQuery> q = prepare(statement);
    if (!q)
        return q.error();
    for (int i = 0; i < CustomerFieldCount; ++i)
        q->addBindValue(textValue(customer[static_cast<CustomerField>(i)]));
    for (const QVariant& v : extra)
        q->addBindValue(v);
    if (!q->exec())
        return DataError::fromQuery(*q);
    if (q->numRowsAffected() < 1)
        return noRow(customer.text(CustomerField::Cod));
    return {};
}

Status CustomerStore::insert(const CustomerRecord& customer) {
    return write(Insert, customer, {});
}

Status CustomerStore::update(const CustomerRecord& customer) {
    return write(Update, customer, {textValue(customer[CustomerField::Cod])});
}

Status CustomerStore::markDeleted(const QString& code) {
    Result<QSqlQuery> q = prepare(MarkDeleted);
    if (!q)
        return q.error();
    q->addBindValue(code);
    if (!q->exec())
        return DataError::fromQuery(*q);
    if (q->numRowsAffected() < 1)
        return noRow(code);
    return {};
}

Status CustomerStore::removeWithBalls(const QString& code, BallStore& balls) {
    if (!db_.isValid() || !db_.isOpen())
        return prepare(Delete).status();
    Transaction t(db_);
    if (!t.started())
        return t.started();
    if (Status s = balls.removeAllOf(code); !s)
        return s;
    Result<QSqlQuery> q = prepare(Delete);
    if (!q)
        return q.error();
    q->addBindValue(code);
    if (!q->exec())
        return DataError::fromQuery(*q);
    if (q->numRowsAffected() < 1)
        return noRow(code);
    return t.commit();
}

} // namespace vdn
