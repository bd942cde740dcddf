#include "reference/param_store.h"

#include "data/connection.h"
#include "data/french_text.h"
#include "data/schema.h"
#include "data/statement.h"

#include <algorithm>

namespace vdn {

namespace {
const QString Table = QStringLiteral("strparam");
const QString WhereTable = QStringLiteral(" WHERE par_table = ?");

// Numbers in their order, equal numbers by text, then by insertion. Texts
// come in the order of addition and are put in French order here.
QString selectValues(const Dialect& d, ListOrder order) {
    const QString byAddition = d.additionOrder();
    return QStringLiteral("SELECT par_lib FROM strparam") + WhereTable +
           (order == ListOrder::Text
                ? QStringLiteral(" ORDER BY ") + byAddition
                : QStringLiteral(" ORDER BY val(par_lib), par_lib, ") + byAddition);
}

// French order (docs/french-text.md): key 1, then key 2, compared as UTF-8
// bytes; equal keys keep their order of addition. A table's list is short:
// its keys are computed as it is read rather than stored.
void sortFrench(QStringList& values) {
    struct Keyed {
        QByteArray key1;
        QByteArray key2;
        QString value;
    };
    QList<Keyed> keyed;
    keyed.reserve(values.size());
    for (const QString& v : std::as_const(values))
        keyed.append({sortKey1(v).toUtf8(), sortKey2(v).toUtf8(), v});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.key1 != b.key1 ? a.key1 < b.key1 : a.key2 < b.key2;
    });
    values.clear();
    for (const Keyed& k : std::as_const(keyed))
        values << k.value;
}
// Compared in capitals as Qt writes them, so accented letters match whatever
// their case; a table's list is short, so reading it through is cheap.
const QString SelectOne =
    QStringLiteral("SELECT 1 FROM strparam WHERE par_table = ? AND vdn_upper(par_lib) = ? LIMIT 1");
// The look-up and the insert in one statement, so that nothing slips in
// between: a value another workstation adds at the same moment is simply
// there (the insert waits for its transaction, then does nothing).
QString insertIfUnknown(const Dialect& d) {
    const QString value = d.asText(QStringLiteral("?"));
    return d.insertIgnoringDuplicate(
        QStringLiteral("INSERT INTO strparam (par_table, par_lib) SELECT %1, %1 WHERE NOT EXISTS "
                       "(SELECT 1 FROM strparam WHERE par_table = ? AND vdn_upper(par_lib) = ?)")
            .arg(value));
}
const QString Delete = QStringLiteral("DELETE FROM strparam WHERE par_table = ? AND par_lib = ?");
} // namespace

Result<QStringList> ParamStore::values(int code, ListOrder order) const {
    Statement q(db_, selectValues(Dialect::of(db_), order));
    q.bind(QString::number(code));
    if (Status s = q.exec(); !s)
        return s.error();
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    if (Status s = q.finished(); !s)
        return s.error();
    if (order == ListOrder::Text)
        sortFrench(out);
    return out;
}

namespace {
// "par_table IN (?, ?, …)" with the codes bound in order.
QString codesIn(qsizetype count) {
    QStringList marks(count, QStringLiteral("?"));
    return QStringLiteral("par_table IN (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
}

// Reads (code, value) rows of the codes in order of addition, or in the
// order given (its values bound after the codes).
template <typename Each>
Status readCodes(const QSqlDatabase& db, const QString& value, const QList<int>& codes, Each each,
                 const QString& order = {}, const QList<int>& orderCodes = {}) {
    if (codes.isEmpty())
        return {};
    Statement q(db, QStringLiteral("SELECT par_table, ") + value +
                        QStringLiteral(" FROM strparam WHERE ") + codesIn(codes.size()) +
                        QStringLiteral(" ORDER BY ") +
                        (order.isEmpty() ? Dialect::of(db).additionOrder() : order));
    for (int code : codes)
        q.bind(QString::number(code));
    for (int code : orderCodes)
        q.bind(QString::number(code));
    if (Status s = q.exec(); !s)
        return s;
    while (q.next())
        each(q.value(0).toString().toInt(), q.value(1).toString());
    return q.finished();
}
} // namespace

Result<QHash<int, QStringList>> ParamStore::textValues(const QList<int>& codes) const {
    QHash<int, QStringList> lists;
    for (int code : codes)
        lists[code];
    if (Status s = readCodes(db_, QStringLiteral("par_lib"), codes,
                             [&](int code, const QString& v) { lists[code] << v; });
        !s)
        return s.error();
    for (QStringList& values : lists)
        sortFrench(values);
    return lists;
}

Result<QHash<int, QStringList>>
ParamStore::listValues(const QList<std::pair<int, ListOrder>>& lists) const {
    QList<int> codes, numeric, text;
    for (const auto& [code, order] : lists) {
        codes << code;
        (order == ListOrder::Numeric ? numeric : text) << code;
    }
    if (numeric.isEmpty())
        return textValues(codes);
    // The rows of a numeric list by number, then by text, then by addition,
    // as values() orders them; those of a text list by addition alone (the
    // first key null, the second unique), then put in French order. Each
    // list keeps its own order inside the one reading.
    const QString byAddition = Dialect::of(db_).additionOrder();
    const QString order = text.isEmpty()
                              ? QStringLiteral("val(par_lib), par_lib, ") + byAddition
                              : QStringLiteral("CASE WHEN ") + codesIn(numeric.size()) +
                                    QStringLiteral(" THEN val(par_lib) END, CASE WHEN ") +
                                    codesIn(text.size()) + QStringLiteral(" THEN ") + byAddition +
                                    QStringLiteral(" END, par_lib, ") + byAddition;
    QHash<int, QStringList> out;
    for (int code : codes)
        out[code];
    if (Status s = readCodes(
            db_, QStringLiteral("par_lib"), codes,
            [&](int code, const QString& v) { out[code] << v; }, order,
            text.isEmpty() ? QList<int>{} : numeric + text);
        !s)
        return s.error();
    for (int code : text)
        sortFrench(out[code]);
    return out;
}

Result<QHash<int, QSet<QString>>> ParamStore::knownValues(const QList<int>& codes) const {
    QHash<int, QSet<QString>> known;
    for (int code : codes)
        known[code];
    if (Status s = readCodes(db_, QStringLiteral("vdn_upper(par_lib)"), codes,
                             [&](int code, const QString& v) { known[code].insert(v); });
        !s)
        return s.error();
    return known;
}

Result<bool> ParamStore::contains(int code, const QString& value) const {
    Statement q(db_, SelectOne);
    return q.bind(QString::number(code)).bind(value.toUpper()).execFirst();
}

Status ParamStore::add(int code, const QString& value) {
    Statement q(db_, insertIfNewText(Dialect::of(db_), Table, paramFields()));
    q.bind(QString::number(code)).bind(value);
    return q.exec();
}

Result<bool> ParamStore::addIfNew(int code, const QString& value) {
    const QString text = boundText(value);
    const QString table = QString::number(code);
    // Compared in capitals, as contains() does.
    Statement q(db_, insertIfUnknown(Dialect::of(db_)));
    q.bind(table).bind(text).bind(table).bind(text.toUpper());
    if (Status s = q.exec(); !s)
        return s.error();
    return q.rowsAffected() > 0;
}

Status ParamStore::remove(int code, const QString& value) {
    Statement q(db_, Delete);
    q.bind(QString::number(code)).bind(value);
    return q.exec();
}

} // namespace vdn
