#include "balls/ball_store.h"

#include "printing/ball_list_printout.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>
#include <array>
#include <cmath>

namespace vdn {

namespace {

// The fields of the grid columns, in column order; the column sort puts one
// of these, never a typed text, into its ORDER BY.
const std::array<QString, BallColumnCount> ColumnFields{
    QStringLiteral("MAT_LG"),    QStringLiteral("MAT_SAC"),      QStringLiteral("MAT_MARQUE"),
    QStringLiteral("MAT_BOULE"), QStringLiteral("MAT_LAYOUT"),   QStringLiteral("MAT_RG"),
    QStringLiteral("MAT_NOYAU"), QStringLiteral("MAT_DIFF"),     QStringLiteral("MAT_LENGTH"),
    QStringLiteral("MAT_HOOK"),  QStringLiteral("MAT_SURFACE1"), QStringLiteral("MAT_SERIE"),
    QStringLiteral("MAT_DATE"),  QStringLiteral("MAT_DATE_TRI")};

const QString SelectHighestLine =
    QStringLiteral("SELECT max(val(MAT_LG)) FROM strmateriel WHERE MAT_CODE = ?");
const QString DeleteOfCustomer = QStringLiteral("DELETE FROM strmateriel WHERE MAT_CODE = ?");
const QString SelectList = QStringLiteral("SELECT * FROM strmateriel WHERE MAT_CODE = ?");
const QString CurrentOnly = QStringLiteral(" AND val(MAT_SAC) < 101");
const QString HistoryOnly = QStringLiteral(" AND val(MAT_SAC) > 100");
const QString DefaultOrder = QStringLiteral(" ORDER BY val(MAT_SAC), MAT_LG");
// Equal texts keep the line order.
const QString ColumnOrder = QStringLiteral(" ORDER BY %1, MAT_LG");
const QString SelectOne =
    QStringLiteral("SELECT * FROM strmateriel WHERE MAT_CODE = ? AND MAT_LG = ?");
// A new ball or a changed one in one statement: a row is never half written.
const QString Save = QStringLiteral(
    "INSERT INTO strmateriel (MAT_CODE, MAT_LG, MAT_SAC, mat_marque, mat_boule, mat_serie, "
    "mat_noyau, mat_rg, mat_diff, mat_length, mat_hook, mat_surface1, MAT_SURFACE, MAT_LAYOUT1, "
    "MAT_LAYOUT2, MAT_LAYOUT3, mat_layout, MAT_DATE, MAT_DATE_TRI, MAT_TYPE) "
    "VALUES (?, ?, '000', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
    "ON CONFLICT (MAT_CODE, MAT_LG) DO UPDATE SET mat_marque = excluded.mat_marque, "
    "mat_boule = excluded.mat_boule, mat_serie = excluded.mat_serie, "
    "mat_noyau = excluded.mat_noyau, mat_rg = excluded.mat_rg, mat_diff = excluded.mat_diff, "
    "mat_length = excluded.mat_length, mat_hook = excluded.mat_hook, "
    "mat_surface1 = excluded.mat_surface1, MAT_SURFACE = excluded.MAT_SURFACE, "
    "MAT_LAYOUT1 = excluded.MAT_LAYOUT1, MAT_LAYOUT2 = excluded.MAT_LAYOUT2, "
    "MAT_LAYOUT3 = excluded.MAT_LAYOUT3, mat_layout = excluded.mat_layout, "
    "MAT_DATE = excluded.MAT_DATE, MAT_DATE_TRI = excluded.MAT_DATE_TRI, "
    "MAT_TYPE = coalesce(excluded.MAT_TYPE, strmateriel.MAT_TYPE)");
const QString DeleteOne =
    QStringLiteral("DELETE FROM strmateriel WHERE MAT_CODE = ? AND MAT_LG = ?");
const QString UpdateBag =
    QStringLiteral("UPDATE strmateriel SET MAT_SAC = ? WHERE MAT_CODE = ? AND MAT_LG = ?");

DataError notOpen() {
    return DataError::other(errnum::DatabaseNotFound,
                            QStringLiteral("La base de données n'est pas ouverte"));
}

// Empty rather than null: a null text would be written as NULL.
QString text(const QString& s) {
    return s.isNull() ? QString(QLatin1String("")) : s;
}

} // namespace

QString ballColumnField(BallColumn column) {
    return ColumnFields.at(std::size_t(column));
}

QString formatBallLine(int line) {
    return QStringLiteral("%1").arg(line, 3, 10, QLatin1Char('0'));
}

Result<int> BallStore::highestLine(const QString& code) const {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(SelectHighestLine))
        return DataError::fromQuery(q);
    q.addBindValue(code);
    if (!q.exec() || !q.next())
        return DataError::fromQuery(q);
    // The whole part of the highest number; a text too large for a line
    // number cannot overflow the result.
    const double highest = q.value(0).toDouble();
    return int(std::clamp(std::floor(highest), 0.0, 1e9));
}

Status BallStore::removeAllOf(const QString& code) {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    if (!q.prepare(DeleteOfCustomer))
        return DataError::fromQuery(q);
    q.addBindValue(code);
    if (!q.exec())
        return DataError::fromQuery(q);
    return {};
}

Result<QList<BallRow>> BallStore::rows(const QString& sql, const QVariantList& values) const {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QList<BallRow> out;
    {
        // Read through and closed at once: no read stays open on the file.
        QSqlQuery q(db_);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            return DataError::fromQuery(q);
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (!q.exec())
            return DataError::fromQuery(q);
        const QSqlRecord r = q.record();
        std::array<int, BallColumnCount> at{};
        for (int c = 0; c < BallColumnCount; ++c)
            at[std::size_t(c)] = r.indexOf(ColumnFields[std::size_t(c)]);
        const int codeAt = r.indexOf(QStringLiteral("MAT_CODE"));
        while (q.next()) {
            BallRow row;
            row.code = q.value(codeAt).toString();
            for (int c = 0; c < BallColumnCount; ++c)
                row.cells << q.value(at[std::size_t(c)]).toString();
            out << row;
        }
        if (q.lastError().isValid())
            return DataError::fromQuery(q);
    }
    return out;
}

Result<QList<BallRow>> BallStore::list(const BallListQuery& query,
                                       std::optional<BallColumn> sortBy) const {
    QString sql = SelectList;
    if (query.filter == BallFilter::Current)
        sql += CurrentOnly;
    else if (query.filter == BallFilter::History)
        sql += HistoryOnly;
    sql += sortBy ? ColumnOrder.arg(ballColumnField(*sortBy)) : DefaultOrder;
    return rows(sql, {text(query.code)});
}

Result<QSqlQuery> BallStore::printoutRows(const QString& code) const {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(BallPrintoutStatement))
        return DataError::fromQuery(q);
    q.addBindValue(code);
    if (!q.exec())
        return DataError::fromQuery(q);
    return q;
}

Result<QList<BallRow>> BallStore::listOne(const QString& code, const QString& line) const {
    return rows(SelectOne, {text(code), text(line)});
}

Result<std::optional<BallRecord>> BallStore::byKey(const QString& code, const QString& line) const {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.prepare(SelectOne))
        return DataError::fromQuery(q);
    q.addBindValue(text(code));
    q.addBindValue(text(line));
    if (!q.exec())
        return DataError::fromQuery(q);
    if (!q.next()) {
        if (q.lastError().isValid())
            return DataError::fromQuery(q);
        return std::optional<BallRecord>();
    }
    const QSqlRecord r = q.record();
    auto field = [&](const char* name) { return r.value(QLatin1String(name)).toString(); };
    BallRecord b;
    b.code = field("MAT_CODE");
    b.line = field("MAT_LG");
    b.bag = field("MAT_SAC");
    b.brand = field("mat_marque");
    b.ball = field("mat_boule");
    b.serial = field("mat_serie");
    b.core = field("mat_noyau");
    b.rg = field("mat_rg");
    b.diff = field("mat_diff");
    b.length = field("mat_length");
    b.hook = field("mat_hook");
    b.surface = field("MAT_SURFACE");
    b.surface1 = field("mat_surface1");
    b.layout1 = field("MAT_LAYOUT1");
    b.layout2 = field("MAT_LAYOUT2");
    b.layout3 = field("MAT_LAYOUT3");
    b.layout = field("mat_layout");
    b.date = field("MAT_DATE");
    b.dateKey = field("MAT_DATE_TRI");
    if (!r.isNull(QStringLiteral("MAT_TYPE")))
        b.type = field("MAT_TYPE");
    return std::optional<BallRecord>(b);
}

Status BallStore::save(const BallRecord& b) {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    if (!q.prepare(Save))
        return DataError::fromQuery(q);
    for (const QString* s : {&b.code, &b.line, &b.brand, &b.ball, &b.serial, &b.core, &b.rg,
                             &b.diff, &b.length, &b.hook, &b.surface1, &b.surface, &b.layout1,
                             &b.layout2, &b.layout3, &b.layout, &b.date, &b.dateKey})
        q.addBindValue(text(*s));
    q.addBindValue(b.type ? QVariant(text(*b.type)) : QVariant(QMetaType(QMetaType::QString)));
    if (!q.exec())
        return DataError::fromQuery(q);
    return {};
}

Status BallStore::remove(const QString& code, const QString& line) {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    if (!q.prepare(DeleteOne))
        return DataError::fromQuery(q);
    q.addBindValue(text(code));
    q.addBindValue(text(line));
    if (!q.exec())
        return DataError::fromQuery(q);
    return {};
}

Status BallStore::setBag(const QString& code, const QString& line, const QString& bag) {
    if (!db_.isValid() || !db_.isOpen())
        return notOpen();
    QSqlQuery q(db_);
    if (!q.prepare(UpdateBag))
        return DataError::fromQuery(q);
    q.addBindValue(text(bag));
    q.addBindValue(text(code));
    q.addBindValue(text(line));
    if (!q.exec())
        return DataError::fromQuery(q);
    if (q.numRowsAffected() != 1)
        return DataError::other(
            errnum::NoCurrentRecord,
            QStringLiteral("Aucun enregistrement en cours : la boule %1 n'existe plus").arg(line));
    return {};
}

} // namespace vdn
