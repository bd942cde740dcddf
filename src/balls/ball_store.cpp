#include "balls/ball_store.h"

#include "data/schema.h"
#include "data/statement.h"
#include "session/query_rows.h"

#include <QVariant>

#include <algorithm>
#include <array>
#include <cmath>

namespace vdn {

namespace {

const QString Table = QStringLiteral("strmateriel");

// The field a grid column shows (the column sort puts one of these, never a
// typed text, into its ORDER BY).
QString gridColumnField(int column) {
    return QLatin1String(infoOf(ballGridField(column)).column);
}
static_assert(BallColumnCount == BallGridColumnCount);

const QString LaneCondition = QLatin1String(infoOf(BallField::Type).column);
const QString Bag = QStringLiteral("MAT_SAC");
const QStringList Keys{QStringLiteral("MAT_CODE"), QStringLiteral("MAT_LG")};

Status changedElsewhere(const BallRecord& b) {
    return DataError::other(errnum::ChangedElsewhere,
                            QStringLiteral("La boule %1 du client %2 a été modifiée ou supprimée "
                                           "sur un autre poste")
                                .arg(b.line, b.code));
}

// The highest line of the customer's balls, and of the drillings kept for
// its balls (a deleted ball's drillings keep its line), in one statement.
const QString SelectHighestLine =
    QStringLiteral("SELECT (SELECT max(val(MAT_LG)) FROM strmateriel WHERE MAT_CODE = ?), "
                   "(SELECT max(val(MAT_LG)) FROM %1 WHERE MAT_CODE = ?)")
        .arg(ballDrillingTable());
const QString DeleteOfCustomer = QStringLiteral("DELETE FROM strmateriel WHERE MAT_CODE = ?");
const QString SelectList = selectText(Table, ballFields()) + QStringLiteral(" WHERE MAT_CODE = ?");
const QString CurrentOnly = QStringLiteral(" AND val(MAT_SAC) < 101");
const QString HistoryOnly = QStringLiteral(" AND val(MAT_SAC) > 100");
// The bag number is read with val(), so that "99" is a current ball and
// comes before "100", and "12A" counts as 12.
const QString DefaultOrder = QStringLiteral(" ORDER BY val(MAT_SAC), MAT_LG");
// Equal texts keep the line order.
const QString ColumnOrder = QStringLiteral(" ORDER BY %1, MAT_LG");
// The grid's rows carry the row version they were read at (the bag number
// is written over it).
const QString SelectRows = selectText(Table, ballFields() + QStringList{revisionField()}) +
                           QStringLiteral(" WHERE MAT_CODE = ?");
const QString SelectOne = SelectRows + QStringLiteral(" AND MAT_LG = ?");
// One ball with the row version it was read at.
const QString SelectRecord = selectText(Table, ballFields() + QStringList{revisionField()}) +
                             QStringLiteral(" WHERE MAT_CODE = ? AND MAT_LG = ?");
// A new ball takes bag "000"; its line must be free (the key refuses a taken one).
QString insertStatement(const Dialect& d) {
    static const QString insert = [] {
        QString text = insertText(Table, ballFields());
        // The bag's place holds the literal: bound values skip it.
        QStringList marks;
        for (const QString& f : ballFields())
            marks << (f == Bag ? QStringLiteral("'000'") : QStringLiteral("?"));
        return text.left(text.indexOf(QStringLiteral(" VALUES ("))) +
               QStringLiteral(" VALUES (%1)").arg(marks.join(QStringLiteral(", ")));
    }();
    // A taken line writes nothing and fails nothing (see insert()).
    return d.insertIgnoringDuplicate(insert);
}
// A ball created again with the bag number it had: every field bound.
QString insertWithBagStatement(const Dialect& d) {
    static const QString insert = insertText(Table, ballFields());
    return d.insertIgnoringDuplicate(insert);
}
// A changed ball keeps its bag number (changed in the grid only), and its
// lane condition when the record has none; its row version goes one up.
// Bound: the fields but the keys and the bag, then the code and line (and,
// checked, the version read).
const RevisedUpdate& updateStatements() {
    static const RevisedUpdate sql = [] {
        QStringList fields;
        for (const QString& f : ballFields())
            if (f != Bag && f != QLatin1String("MAT_CODE") && f != QLatin1String("MAT_LG"))
                fields << f;
        return revisedUpdateText(Table, fields, Keys, {LaneCondition});
    }();
    return sql;
}
const QString& updateStatement() {
    return updateStatements().any;
}
const QString& checkedUpdateStatement() {
    return updateStatements().checked;
}
const QString DeleteOne =
    QStringLiteral("DELETE FROM strmateriel WHERE MAT_CODE = ? AND MAT_LG = ?");
// Bound: the bag, the code and line, then the version read.
const QString UpdateBag = revisedUpdateText(Table, {Bag}, Keys).checked;
const QString SelectExists =
    QStringLiteral("SELECT 1 FROM strmateriel WHERE MAT_CODE = ? AND MAT_LG = ?");

} // namespace

const QString BallPrintoutStatement = SelectList + DefaultOrder;

QString ballColumnField(BallColumn column) {
    return gridColumnField(int(column));
}

QString formatBallLine(int line) {
    return QStringLiteral("%1").arg(line, 3, 10, QLatin1Char('0'));
}

Result<int> BallStore::highestLine(const QString& code) const {
    Statement q(db_, SelectHighestLine);
    Result<bool> found = q.bind(code).bind(code).execFirst();
    if (!found)
        return found.error();
    // The whole part of the highest number; a text too large for a line
    // number cannot overflow the result. A deleted ball's drillings keep its
    // line: a new ball never takes it.
    const auto whole = [&](int column) {
        return *found ? int(std::clamp(std::floor(q.value(column).toDouble()), 0.0, 1e9)) : 0;
    };
    return std::max(whole(0), whole(1));
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
        at[std::size_t(c)] = q.indexOf(gridColumnField(c));
    const int codeAt = q.indexOf(QStringLiteral("MAT_CODE"));
    const int revisionAt = q.indexOf(revisionField());
    while (q.next()) {
        BallRow row;
        row.code = q.value(codeAt).toString();
        row.revision = q.value(revisionAt).toLongLong();
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
    QString sql = SelectRows;
    if (query.filter == BallFilter::Current)
        sql += CurrentOnly;
    else if (query.filter == BallFilter::History)
        sql += HistoryOnly;
    sql += sortBy ? ColumnOrder.arg(ballColumnField(*sortBy)) : DefaultOrder;
    return rows(sql, {query.code});
}

Result<std::unique_ptr<BallRows>> BallStore::printoutRows(const QString& code) const {
    Statement q(db_, BallPrintoutStatement);
    q.bind(code);
    if (Status s = q.exec(); !s)
        return s.error();
    return std::unique_ptr<BallRows>(
        std::make_unique<QueryRows<BallReportRow>>(std::move(q).release(), BallPrintoutColumns));
}

Result<QList<BallRow>> BallStore::listOne(const QString& code, const QString& line) const {
    return rows(SelectOne, {code, line});
}

Result<std::optional<BallRecord>> BallStore::byKey(const QString& code, const QString& line) const {
    Statement q(db_, SelectRecord);
    Result<bool> found = q.bind(code).bind(line).execFirst();
    if (!found)
        return found.error();
    if (!*found)
        return std::optional<BallRecord>();
    BallRecord b;
    for (int i = 0; i < BallFieldCount; ++i) {
        if (const auto member = BallFields[i].member)
            b.*member = q.value(i).toString();
        else if (!q.isNull(i))
            b.type = q.value(i).toString();
    }
    b.revision = q.value(BallFieldCount).toLongLong();
    return std::optional<BallRecord>(b);
}

namespace {
// Binds the fields of a ball in field order, but those in `skip` and, unless
// asked for, the bag.
void bindBall(Statement& q, const BallRecord& b, const QStringList& skip, bool withBag = false) {
    for (const BallFieldInfo& f : BallFields) {
        const QString field = QLatin1String(f.column);
        if ((field == Bag && !withBag) || skip.contains(field))
            continue;
        if (f.member)
            q.bind(b.*(f.member));
        else
            b.type ? q.bind(*b.type) : q.bind(NullText{});
    }
}
} // namespace

Status BallStore::insert(const BallRecord& b, NewBag bag) {
    const bool withBag = bag == NewBag::AsGiven;
    const Dialect& d = Dialect::of(db_);
    Statement q(db_, withBag ? insertWithBagStatement(d) : insertStatement(d));
    bindBall(q, b, {}, withBag);
    if (Status s = q.exec(); !s)
        return s;
    if (q.rowsAffected() < 1)
        return DataError::other(
            errnum::KeyTaken,
            QStringLiteral("La boule %1 du client %2 existe déjà").arg(b.line, b.code));
    return {};
}

Result<QString> BallStore::insertUnderFreeLine(BallRecord b, NewBag bag) {
    // Each try numbers the ball anew: another workstation may add one of
    // the customer's balls between the reading and the writing.
    for (int tries = 0; tries < 100; ++tries) {
        Status written = insert(b, bag);
        if (written)
            return b.line;
        if (!written.error().isDuplicateKey())
            return written.error();
        Result<int> highest = highestLine(b.code);
        if (!highest)
            return highest.error();
        b.line = formatBallLine(*highest + 1);
    }
    return changedElsewhere(b).error();
}

Status BallStore::update(const BallRecord& b, Overwrite overwrite) {
    const bool checked = overwrite == Overwrite::No;
    Statement q(db_, checked ? checkedUpdateStatement() : updateStatement());
    bindBall(q, b, {QStringLiteral("MAT_CODE"), QStringLiteral("MAT_LG")});
    q.bind(b.code).bind(b.line);
    if (checked)
        q.bind(QVariant(b.revision));
    if (Status s = q.exec(); !s)
        return s;
    if (q.rowsAffected() < 1)
        return changedElsewhere(b);
    return {};
}

Status BallStore::remove(const QString& code, const QString& line) {
    return run(db_, DeleteOne, {code, line});
}

Status BallStore::setBag(const QString& code, const QString& line, const QString& bag,
                         qint64 revision) {
    Statement q(db_, UpdateBag);
    q.bind(bag).bind(code).bind(line).bind(QVariant(revision));
    if (Status s = q.exec(); !s)
        return s;
    if (q.rowsAffected() == 1)
        return {};
    // Nothing written: the ball is gone, or at another version.
    Result<QVariant> there = scalar(db_, SelectExists, {code, line});
    if (!there)
        return there.error();
    if (there->isNull())
        return DataError::other(
            errnum::NoCurrentRecord,
            QStringLiteral("Aucun enregistrement en cours : la boule %1 n'existe plus").arg(line));
    BallRecord b;
    b.code = code;
    b.line = line;
    return changedElsewhere(b);
}

} // namespace vdn
