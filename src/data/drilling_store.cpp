#include "data/drilling_store.h"

#include "data/connection.h"
#include "data/dialect.h"
#include "data/schema.h"
#include "data/statement.h"
#include "data/stored_moment.h"

#include <QDateTime>

#include <cmath>

namespace vdn {

namespace {

// The number of a drilling: six digits. A number another program wrote as
// anything else is passed over.
int numberOf(const QVariant& v) {
    return int(std::clamp(std::floor(v.toDouble()), 0.0, 999999.0));
}

QString dayOf(const QString& stored) {
    const QDateTime when = readStoredMoment(stored);
    return when.isValid() ? when.toString(QStringLiteral("dd/MM/yyyy")) : stored;
}

} // namespace

QString BallDrilling::dayText() const {
    return dayOf(date);
}

QString BallDrilling::sheetText() const {
    if (sheetVersion.isEmpty())
        return {};
    bool isNumber = false;
    const int n = sheetVersion.toInt(&isNumber);
    const QString number = QStringLiteral("n° ") + (isNumber ? QString::number(n) : sheetVersion);
    if (sheetDate.isEmpty())
        return number;
    const QDateTime when = readStoredMoment(sheetDate);
    return number + (when.isValid() ? when.toString(QStringLiteral("' du 'dd/MM/yyyy' à 'HH:mm"))
                                    : QStringLiteral(" du ") + sheetDate);
}

Result<QList<BallDrilling>> DrillingStore::list(const QString& code, const QString& line) const {
    QStringList fields;
    for (const QString& f : ballDrillingFields())
        fields << QStringLiteral("d.") + f;
    // The sheet version's date beside each drilling.
    const QString sql =
        QStringLiteral("SELECT %1, h.his_date FROM %2 d LEFT JOIN %3 h ON h.per_code = "
                       "d.MAT_CODE AND h.his_num = d.his_num WHERE d.MAT_CODE = ? AND "
                       "d.MAT_LG = ? ORDER BY d.pb_num DESC")
            .arg(fields.join(QStringLiteral(", ")), ballDrillingTable(), sheetHistoryTable());
    Statement q(db_, sql);
    if (Status s = q.bind(code).bind(line).exec(); !s)
        return s.error();
    QList<BallDrilling> out;
    while (q.next()) {
        BallDrilling d;
        for (int i = 0; i < DrillingFieldCount; ++i)
            d.*(DrillingFields[i].member) = q.text(i);
        d.sheetDate = q.text(DrillingFieldCount);
        out.append(std::move(d));
    }
    if (Status s = q.finished(); !s)
        return s.error();
    return out;
}

Result<BallDrilling> DrillingStore::record(BallDrilling d, qint64 revision) {
    const Dialect& dialect = Dialect::of(db_);
    // Each try takes the next free number anew: another workstation may
    // record a drilling of the same ball between the reading and the writing.
    for (int tries = 0; tries < 100; ++tries) {
        // Writers of drillings wait for each other: the number read is still
        // free when the row is written.
        LockedTransaction t(db_);
        if (!t.started())
            return t.started().error();
        Result<QVariant> held = scalar(
            db_,
            QStringLiteral("SELECT count(*) FROM strmateriel WHERE MAT_CODE = ? AND MAT_LG = ? "
                           "AND %1 = ?")
                .arg(revisionField()),
            {d.code, d.line, QVariant(revision)});
        if (!held)
            return held.error();
        if (held->toInt() != 1)
            return DataError::other(errnum::ChangedElsewhere,
                                    QStringLiteral("La boule %1 du client %2 a été modifiée ou "
                                                   "supprimée sur un autre poste : validez-la "
                                                   "de nouveau avant d'enregistrer son perçage.")
                                        .arg(d.line, d.code));
        Result<QVariant> sheet =
            scalar(db_,
                   highestNumberText(dialect, sheetHistoryTable(), QStringLiteral("his_num")) +
                       QStringLiteral(" AND per_code = ?"),
                   {d.code});
        if (!sheet)
            return sheet.error();
        d.sheetVersion = sheet->isNull()
                             ? QString()
                             : QStringLiteral("%1").arg(sheet->toInt(), 6, 10, QLatin1Char('0'));
        Result<QVariant> highest =
            scalar(db_,
                   highestNumberText(dialect, ballDrillingTable(), QStringLiteral("pb_num")) +
                       QStringLiteral(" AND MAT_CODE = ? AND MAT_LG = ?"),
                   {d.code, d.line});
        if (!highest)
            return highest.error();
        d.number = QStringLiteral("%1").arg(numberOf(*highest) + 1, 6, 10, QLatin1Char('0'));

        const QString insert = insertIfNewText(dialect, ballDrillingTable(), ballDrillingFields());
        Statement q(db_, insert);
        for (const DrillingFieldInfo& f : DrillingFields)
            q.bind(d.*(f.member));
        if (Status s = q.exec(); !s)
            return s.error();
        if (q.rowsAffected() < 1)
            continue; // taken meanwhile: rolled back, numbered again
        if (Status s = t.commit(); !s)
            return s.error();
        return d;
    }
    return DataError::other(errnum::ChangedElsewhere,
                            QStringLiteral("Le perçage de la boule %1 du client %2 n'a pas pu "
                                           "être numéroté : réessayez.")
                                .arg(d.line, d.code));
}

Result<bool> DrillingStore::exists(const QString& code) const {
    Result<QVariant> found = scalar(
        db_,
        QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1 WHERE MAT_CODE = ? LIMIT 1) f")
            .arg(ballDrillingTable()),
        {code});
    if (!found)
        return found.error();
    return found->toInt() > 0;
}

Result<int> DrillingStore::highestCode() const {
    Result<QVariant> highest = scalar(
        db_, highestCodeText(Dialect::of(db_), ballDrillingTable(), QStringLiteral("MAT_CODE")));
    if (!highest)
        return highest.error();
    return highest->toInt();
}

Result<int> DrillingStore::highestLine(const QString& code) const {
    Result<QVariant> highest =
        scalar(db_,
               QStringLiteral("SELECT max(val(MAT_LG)) FROM %1 WHERE MAT_CODE = ?")
                   .arg(ballDrillingTable()),
               {code});
    if (!highest)
        return highest.error();
    return int(std::clamp(std::floor(highest->toDouble()), 0.0, 1e9));
}

} // namespace vdn
