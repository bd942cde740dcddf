#include "import/import_history.h"

#include "data/connection.h"
#include "data/dialect.h"
#include "data/schema.h"
#include "data/statement.h"
#include "data/stored_moment.h"

#include <QDateTime>
#include <QSysInfo>

namespace vdn {

namespace {

QString sixDigits(int n) {
    return QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
}

// The staged row's place, as a text that sorts in the file's order.
QString orderText(int order) {
    return QStringLiteral("%1").arg(order, 9, 10, QLatin1Char('0'));
}

QString marks(qsizetype n) {
    return QStringList(n, QStringLiteral("?")).join(QStringLiteral(", "));
}

Status execute(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    Statement q(db, sql);
    q.bindAll(values);
    return q.exec();
}

// An import left being written this long ago was stopped with its program.
constexpr int AbandonedAfterSecs = 3600;

} // namespace

QString importWorkstation() {
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("poste") : host;
}

ImportHistory::ImportHistory(QSqlDatabase db) : db_(std::move(db)) {}

Result<QList<ImportEntry>> ImportHistory::list() const {
    Statement q(db_, QStringLiteral("SELECT %1 FROM %2 ORDER BY imp_num DESC")
                         .arg(importFields().join(QStringLiteral(", ")), importTable()));
    if (Status s = q.exec(); !s)
        return s.error();
    QList<ImportEntry> out;
    while (q.next()) {
        ImportEntry e;
        e.number = q.text(0);
        e.date = q.text(1);
        e.file = q.text(2);
        e.workstation = q.text(3);
        e.rows = q.text(4).toInt();
        e.created = q.text(5).toInt();
        e.completed = q.text(6).toInt();
        e.ignored = q.text(7).toInt();
        e.refused = q.text(8).toInt();
        e.state = q.text(9);
        e.undone = q.text(10);
        out.append(e);
    }
    if (Status s = q.finished(); !s)
        return s.error();
    return out;
}

Result<QString> ImportHistory::begin(const QString& file) {
    LockedTransaction t(db_);
    if (!t.started())
        return t.started().error();
    const QDateTime now = QDateTime::currentDateTime();
    const QString stale = storedMoment(now.addSecs(-AbandonedAfterSecs));
    const QString abandoned =
        QStringLiteral("SELECT imp_num FROM %1 WHERE imp_etat = ? AND imp_date < ?")
            .arg(importTable());
    // The rows kept apart of an import written since (left by a program
    // that stopped after its switch) or abandoned, and the codes of the
    // abandoned one, which never reached the customers.
    if (Status s = execute(db_,
                           QStringLiteral("DELETE FROM %1 WHERE imp_num NOT IN (SELECT imp_num "
                                          "FROM %2 WHERE imp_etat = ?) OR imp_num IN (%3)")
                               .arg(importStagingTable(), importTable(), abandoned),
                           {import_state::Writing, import_state::Writing, stale});
        !s)
        return s.error();
    if (Status s = execute(db_,
                           QStringLiteral("DELETE FROM %1 WHERE imp_num IN (%2)")
                               .arg(importCodeTable(), abandoned),
                           {import_state::Writing, stale});
        !s)
        return s.error();
    if (Status s = execute(db_,
                           QStringLiteral("UPDATE %1 SET imp_etat = ? WHERE imp_etat = ? AND "
                                          "imp_date < ?")
                               .arg(importTable()),
                           {import_state::Interrupted, import_state::Writing, stale});
        !s)
        return s.error();
    Result<QVariant> highest =
        scalar(db_, highestNumberText(Dialect::of(db_), importTable(), QStringLiteral("imp_num")));
    if (!highest)
        return highest.error();
    const QString number = sixDigits(highest->toInt() + 1);
    const QString zero = QStringLiteral("0");
    if (Status s = execute(db_,
                           QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(importTable(), importFields().join(QStringLiteral(", ")),
                                    marks(importFields().size())),
                           {number, storedMoment(now), file, importWorkstation(), zero, zero, zero,
                            zero, zero, import_state::Writing, QString(QLatin1String(""))});
        !s)
        return s.error();
    if (Status s = t.commit(); !s)
        return s.error();
    return number;
}

Status ImportHistory::stage(const QString& number, int order, bool numbered,
                            const CustomerRecord& customer) {
    static const QString sql =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(importStagingTable(), importStagingFields().join(QStringLiteral(", ")),
                 marks(importStagingFields().size()));
    Statement q(db_, sql);
    q.bind(number)
        .bind(orderText(order))
        .bind(numbered ? QStringLiteral("1") : QStringLiteral("0"));
    for (int i = 0; i < CustomerFieldCount; ++i)
        q.bind(customer[static_cast<CustomerField>(i)]);
    using F = CustomerField;
    q.bindAll(clientKeyValues(customer.text(F::Nom), customer.text(F::Vil), customer.text(F::Tel),
                              customer.text(F::Gsm), customer.text(F::Fax), customer.text(F::Ad1)));
    return q.exec();
}

Status ImportHistory::renumber(const QString& number, int order, const QString& code) {
    return execute(db_,
                   QStringLiteral("UPDATE %1 SET clt_cod = ? WHERE imp_num = ? AND att_ordre = ?")
                       .arg(importStagingTable()),
                   {code, number, orderText(order)});
}

Result<QStringList> ImportHistory::codesTaken(const QString& number) const {
    Statement q(db_, QStringLiteral("SELECT a.clt_cod FROM %1 a WHERE a.imp_num = ? AND EXISTS "
                                    "(SELECT 1 FROM strclient c WHERE c.clt_cod = a.clt_cod)")
                         .arg(importStagingTable()));
    q.bind(number);
    if (Status s = q.exec(); !s)
        return s.error();
    QStringList codes;
    while (q.next())
        codes << q.text(0);
    if (Status s = q.finished(); !s)
        return s.error();
    return codes;
}

Status ImportHistory::recordCodes(const QString& number) {
    if (Status s =
            execute(db_, QStringLiteral("DELETE FROM %1 WHERE imp_num = ?").arg(importCodeTable()),
                    {number});
        !s)
        return s;
    return execute(db_,
                   QStringLiteral("INSERT INTO %1 (imp_num, clt_cod) SELECT imp_num, clt_cod "
                                  "FROM %2 WHERE imp_num = ? ORDER BY att_ordre")
                       .arg(importCodeTable(), importStagingTable()),
                   {number});
}

Status ImportHistory::switchIn(const QString& number, const ImportEntry& counts) {
    const QString fields = (clientFields() + clientKeyFields()).join(QStringLiteral(", "));
    if (Status s = execute(db_,
                           QStringLiteral("INSERT INTO strclient (%1) SELECT %1 FROM %2 WHERE "
                                          "imp_num = ? ORDER BY att_ordre")
                               .arg(fields, importStagingTable()),
                           {number});
        !s)
        return s;
    return execute(db_,
                   QStringLiteral("UPDATE %1 SET imp_lignes = ?, imp_crees = ?, imp_completes = "
                                  "?, imp_ignores = ?, imp_refuses = ?, imp_etat = ? WHERE "
                                  "imp_num = ?")
                       .arg(importTable()),
                   {QString::number(counts.rows), QString::number(counts.created),
                    QString::number(counts.completed), QString::number(counts.ignored),
                    QString::number(counts.refused), import_state::Done, number});
}

Status ImportHistory::clearStaged(const QString& number) {
    Transaction t(db_);
    if (!t.started())
        return t.started();
    if (Status s = execute(
            db_, QStringLiteral("DELETE FROM %1 WHERE imp_num = ?").arg(importStagingTable()),
            {number});
        !s)
        return s;
    return t.commit();
}

Status ImportHistory::drop(const QString& number) {
    Transaction t(db_);
    if (!t.started())
        return t.started();
    for (const QString& table : {importStagingTable(), importCodeTable(), importTable()})
        if (Status s = execute(db_, QStringLiteral("DELETE FROM %1 WHERE imp_num = ?").arg(table),
                               {number});
            !s)
            return s;
    return t.commit();
}

Result<UndoOutcome> ImportHistory::undo(const QString& number) {
    LockedTransaction t(db_);
    if (!t.started())
        return t.started().error();
    // Only an import that was written: one being written, interrupted or
    // undone has no customers of its own to remove.
    Result<QVariant> state =
        scalar(db_, QStringLiteral("SELECT imp_etat FROM %1 WHERE imp_num = ?").arg(importTable()),
               {number});
    if (!state)
        return state.error();
    if (state->toString() != import_state::Done)
        return UndoOutcome{};
    // Each created customer still there, and what was done to it since.
    Statement q(
        db_,
        QStringLiteral("SELECT c.clt_cod, c.clt_nom, c.%1, "
                       "EXISTS (SELECT 1 FROM strmateriel m WHERE m.MAT_CODE = c.clt_cod), "
                       "EXISTS (SELECT 1 FROM strpercage p WHERE p.per_code = c.clt_cod) OR "
                       "EXISTS (SELECT 1 FROM %2 h WHERE h.per_code = c.clt_cod), "
                       "EXISTS (SELECT 1 FROM %3 b WHERE b.MAT_CODE = c.clt_cod) "
                       "FROM %4 i JOIN strclient c ON c.clt_cod = i.clt_cod WHERE i.imp_num = ? "
                       "ORDER BY c.clt_cod")
            .arg(revisionField(), sheetHistoryTable(), ballDrillingTable(), importCodeTable()));
    q.bind(number);
    if (Status s = q.exec(); !s)
        return s.error();
    UndoOutcome out;
    int present = 0;
    while (q.next()) {
        ++present;
        QStringList why;
        if (q.value(2).toLongLong() != 0)
            why << QStringLiteral("modifié depuis");
        if (q.value(3).toBool())
            why << QStringLiteral("a des boules");
        if (q.value(4).toBool())
            why << QStringLiteral("a une fiche de perçage");
        if (q.value(5).toBool())
            why << QStringLiteral("a des perçages");
        if (!why.isEmpty())
            out.blockers << QStringLiteral("%1 %2 : %3")
                                .arg(q.text(0), q.text(1), why.join(QStringLiteral(", ")));
    }
    if (Status s = q.finished(); !s)
        return s.error();
    if (!out.blockers.isEmpty())
        return out;
    if (Status s = execute(db_,
                           QStringLiteral("DELETE FROM strclient WHERE clt_cod IN (SELECT "
                                          "clt_cod FROM %1 WHERE imp_num = ?)")
                               .arg(importCodeTable()),
                           {number});
        !s)
        return s.error();
    if (Status s = execute(db_,
                           QStringLiteral("UPDATE %1 SET imp_etat = ?, imp_annulee = ? WHERE "
                                          "imp_num = ? AND imp_etat = ?")
                               .arg(importTable()),
                           {import_state::Undone, storedMoment(QDateTime::currentDateTime()),
                            number, import_state::Done});
        !s)
        return s.error();
    if (Status s = t.commit(); !s)
        return s.error();
    out.removed = present;
    return out;
}

} // namespace vdn
