#include "balls/ball_store.h"

#include "data/schema.h"
#include "data/statement.h"

#include <QVariant>

#include <algorithm>
#include <array>
#include <cmath>

namespace vdn {

namespace {

const QString Table = QStringLiteral("strmateriel");

// The fields of the grid columns, in column order; the column sort puts one
// of these, never a typed text, into its ORDER BY.
const std::array<QString, BallColumnCount> ColumnFields{
    QStringLiteral("MAT_LG"),    QStringLiteral("MAT_SAC"),      QStringLiteral("MAT_MARQUE"),
    QStringLiteral("MAT_BOULE"), QStringLiteral("MAT_LAYOUT"),   QStringLiteral("MAT_RG"),
    QStringLiteral("MAT_NOYAU"), QStringLiteral("MAT_DIFF"),     QStringLiteral("MAT_LENGTH"),
    QStringLiteral("MAT_HOOK"),  QStringLiteral("MAT_SURFACE1"), QStringLiteral("MAT_SERIE"),
    QStringLiteral("MAT_DATE"),  QStringLiteral("MAT_DATE_TRI")};

// Where each field of a ball lives in BallRecord; the lane condition
// (MAT_TYPE) may stay unknown and is handled on its own.
struct RecordText {
    const char* field;
    QString BallRecord::*member;
};
const std::array<RecordText, 19> RecordTexts{{
    {"MAT_CODE", &BallRecord::code},         {"MAT_LG", &BallRecord::line},
    {"MAT_SAC", &BallRecord::bag},           {"mat_marque", &BallRecord::brand},
    {"mat_boule", &BallRecord::ball},        {"mat_serie", &BallRecord::serial},
    {"mat_noyau", &BallRecord::core},        {"mat_rg", &BallRecord::rg},
    {"mat_diff", &BallRecord::diff},         {"mat_length", &BallRecord::length},
    {"mat_hook", &BallRecord::hook},         {"MAT_SURFACE", &BallRecord::surface},
    {"mat_surface1", &BallRecord::surface1}, {"MAT_LAYOUT1", &BallRecord::layout1},
    {"MAT_LAYOUT2", &BallRecord::layout2},   {"MAT_LAYOUT3", &BallRecord::layout3},
    {"mat_layout", &BallRecord::layout},     {"MAT_DATE", &BallRecord::date},
    {"MAT_DATE_TRI", &BallRecord::dateKey},
}};
const QString LaneCondition = QStringLiteral("MAT_TYPE");
const QString Bag = QStringLiteral("MAT_SAC");

const RecordText* recordText(const QString& field) {
    for (const RecordText& t : RecordTexts)
        if (field.compare(QLatin1String(t.field), Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

const QString SelectHighestLine =
    QStringLiteral("SELECT max(val(MAT_LG)) FROM strmateriel WHERE MAT_CODE = ?");
const QString DeleteOfCustomer = QStringLiteral("DELETE FROM strmateriel WHERE MAT_CODE = ?");
const QString SelectList = selectText(Table, ballFields()) + QStringLiteral(" WHERE MAT_CODE = ?");
const QString CurrentOnly = QStringLiteral(" AND val(MAT_SAC) < 101");
const QString HistoryOnly = QStringLiteral(" AND val(MAT_SAC) > 100");
// The bag number is read with val(), so that "99" is a current ball and
// comes before "100", and "12A" counts as 12.
const QString DefaultOrder = QStringLiteral(" ORDER BY val(MAT_SAC), MAT_LG");
// Equal texts keep the line order.
const QString ColumnOrder = QStringLiteral(" ORDER BY %1, MAT_LG");
const QString SelectOne = SelectList + QStringLiteral(" AND MAT_LG = ?");
// A new ball or a changed one in one statement: a row is never half written.
// A new ball takes bag "000"; a changed one keeps its bag number, and its
// lane condition when the record has none.
const QString Save =
    upsertText(Table, ballFields(), {QStringLiteral("MAT_CODE"), QStringLiteral("MAT_LG")},
               {{Bag, QStringLiteral("'000'"), QString()},
                {LaneCondition, QString(),
                 QStringLiteral("coalesce(excluded.MAT_TYPE, strmateriel.MAT_TYPE)")}});
const QString DeleteOne =
    QStringLiteral("DELETE FROM strmateriel WHERE MAT_CODE = ? AND MAT_LG = ?");
const QString UpdateBag =
    QStringLiteral("UPDATE strmateriel SET MAT_SAC = ? WHERE MAT_CODE = ? AND MAT_LG = ?");

} // namespace

const QString BallPrintoutStatement = SelectList + DefaultOrder;

QString ballColumnField(BallColumn column) {
    return ColumnFields.at(std::size_t(column));
}

QString formatBallLine(int line) {
    return QStringLiteral("%1").arg(line, 3, 10, QLatin1Char('0'));
}

Result<int> BallStore::highestLine(const QString& code) const {
    Result<QVariant> highest = scalar(db_, SelectHighestLine, {code});
    if (!highest)
        return highest.error();
    // The whole part of the highest number; a text too large for a line
    // number cannot overflow the result.
    return int(std::clamp(std::floor(highest->toDouble()), 0.0, 1e9));
}

Status BallStore::removeAllOf(const QString& code) {
    return run(db_, DeleteOfCustomer, {code});
}

Result<QList<BallRow>> BallStore::rows(const QString& sql, const QVariantList& values) const {
    QList<BallRow> out;
    // Read through and closed at once: no read stays open on the file.
    Statement q(db_, sql);
    q.bindAll(values);
    if (Status s = q.exec(); !s)
        return s.error();
    std::array<int, BallColumnCount> at{};
    for (int c = 0; c < BallColumnCount; ++c)
        at[std::size_t(c)] = q.indexOf(ColumnFields[std::size_t(c)]);
    const int codeAt = q.indexOf(QStringLiteral("MAT_CODE"));
    while (q.next()) {
        BallRow row;
        row.code = q.value(codeAt).toString();
        for (int c = 0; c < BallColumnCount; ++c)
            row.cells << q.value(at[std::size_t(c)]).toString();
        out << row;
    }
    if (Status s = q.finished(); !s)
        return s.error();
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
    return rows(sql, {query.code});
}

Result<QSqlQuery> BallStore::printoutRows(const QString& code) const {
    Statement q(db_, BallPrintoutStatement);
    q.bind(code);
    if (Status s = q.exec(); !s)
        return s.error();
    return std::move(q).release();
}

Result<QList<BallRow>> BallStore::listOne(const QString& code, const QString& line) const {
    return rows(SelectOne, {code, line});
}

Result<std::optional<BallRecord>> BallStore::byKey(const QString& code, const QString& line) const {
    Statement q(db_, SelectOne);
    Result<bool> found = q.bind(code).bind(line).execFirst();
    if (!found)
        return found.error();
    if (!*found)
        return std::optional<BallRecord>();
    BallRecord b;
    const QStringList fields = ballFields();
    for (int i = 0; i < fields.size(); ++i) {
        if (const RecordText* t = recordText(fields.at(i)))
            b.*(t->member) = q.value(i).toString();
        else if (fields.at(i) == LaneCondition && !q.isNull(i))
            b.type = q.value(i).toString();
    }
    return std::optional<BallRecord>(b);
}

Status BallStore::save(const BallRecord& b) {
    Statement q(db_, Save);
    // Bound in field order; the bag number of a new ball is written by the statement.
    for (const QString& field : ballFields()) {
        if (field == Bag)
            continue;
        if (const RecordText* t = recordText(field))
            q.bind(b.*(t->member));
        else if (field == LaneCondition)
            b.type ? q.bind(*b.type) : q.bind(NullText{});
    }
    return q.exec();
}

Status BallStore::remove(const QString& code, const QString& line) {
    return run(db_, DeleteOne, {code, line});
}

Status BallStore::setBag(const QString& code, const QString& line, const QString& bag) {
    Statement q(db_, UpdateBag);
    q.bind(bag).bind(code).bind(line);
    if (Status s = q.exec(); !s)
        return s;
    if (q.rowsAffected() != 1)
        return DataError::other(
            errnum::NoCurrentRecord,
            QStringLiteral("Aucun enregistrement en cours : la boule %1 n'existe plus").arg(line));
    return {};
}

} // namespace vdn
