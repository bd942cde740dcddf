#include "data/statement.h"

#include "data/connection.h"
#include "data/server_link.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

namespace vdn {

QString boundText(const QString& text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}

QString boundText(const std::optional<QString>& text) {
    return text ? boundText(*text) : QString(QLatin1String(""));
}

Statement::Statement(const QSqlDatabase& db, const QString& sql)
    : query_(db), dialect_(&Dialect::of(db)) {
    if (Status s = reconnectIfLost(db); !s) {
        status_ = s;
        return;
    }
    if (!db.isValid() || !db.isOpen()) {
        status_ = DataError::other(errnum::DatabaseNotFound,
                                   QStringLiteral("La base de données n'est pas ouverte"));
        return;
    }
    // Rows are read once, front to back: the engine keeps no copy of them.
    query_.setForwardOnly(true);
    const bool idle = sessionIdle(db.driver());
    if (query_.prepare(sql))
        return;
    status_ = DataError::fromQuery(query_);
    // A server prepares the statement itself: a connection lost while the
    // workstation sat idle is met here first, and the preparation is made
    // again on a new session.
    Status reopened;
    if (idle && reopenedAfterLoss(db.driver(), &reopened))
        status_ = query_.prepare(sql) ? Status() : Status(DataError::fromQuery(query_));
    else if (!reopened)
        status_ = reopened;
}

Statement& Statement::bind(const QVariant& value) {
    if (ran_) {
        // A new run: its values start again from the first place.
        next_ = 0;
        ran_ = false;
    }
    if (status_.ok())
        query_.bindValue(next_, value);
    ++next_;
    return *this;
}

Statement& Statement::bind(const QString& text) {
    return bind(QVariant(boundText(text)));
}

Statement& Statement::bind(const std::optional<QString>& text) {
    return bind(QVariant(boundText(text)));
}

Statement& Statement::bind(NullText) {
    return bind(QVariant(QMetaType(QMetaType::QString)));
}

Statement& Statement::bind(int number) {
    return bind(QVariant(number));
}

Statement& Statement::bindAll(const QVariantList& values) {
    for (const QVariant& v : values) {
        if (v.typeId() == QMetaType::QString &&
            static_cast<const QString*>(v.constData())->isNull())
            bind(QVariant(QString(QLatin1String(""))));
        else
            bind(v);
    }
    return *this;
}

Status Statement::exec() {
    if (!status_.ok())
        return status_;
    ran_ = true;
    // A statement run again after its server came back is prepared anew on
    // the new session, with the values bound for this run: the server forgot
    // it with the old session (SQLSTATE 26000 when another statement opened
    // the new one first).
    const auto prepareAgain = [this] {
        const QString sql = query_.lastQuery();
        const QVariantList values = query_.boundValues();
        if (!query_.prepare(sql))
            return false;
        for (int i = 0; i < values.size(); ++i)
            query_.bindValue(i, values.at(i));
        return true;
    };
    Status reopened;
    if (reopenLostConnection(query_.driver(), &reopened)) {
        if (!reopened)
            return reopened;
        if (!prepareAgain())
            return DataError::fromQuery(query_);
    }
    const bool idle = sessionIdle(query_.driver());
    if (query_.exec())
        return {};
    if (query_.driver()->dbmsType() == QSqlDriver::PostgreSQL &&
        query_.lastError().nativeErrorCode() == QLatin1String("26000") && prepareAgain() &&
        query_.exec())
        return {};
    const DataError failure = DataError::fromQuery(query_);
    // The connection was lost while the workstation sat idle (a server
    // restart): the statement belonged to no transaction, so it is run once
    // more on a new session before anything is reported.
    if (idle && reopenedAfterLoss(query_.driver(), &reopened)) {
        if (!prepareAgain())
            return DataError::fromQuery(query_);
        if (query_.exec())
            return {};
        return DataError::fromQuery(query_);
    }
    if (!reopened)
        return reopened;
    return failure;
}

Result<bool> Statement::execFirst() {
    if (Status s = exec(); !s)
        return s.error();
    if (next())
        return true;
    if (Status s = finished(); !s)
        return s.error();
    return false;
}

int Statement::indexOf(const QString& field) const {
    return query_.record().indexOf(field);
}

Status Statement::finished() const {
    if (!status_.ok())
        return status_;
    if (query_.lastError().isValid())
        return DataError::fromQuery(query_);
    return {};
}

DataError Statement::error() const {
    return status_.ok() ? DataError::fromQuery(query_) : status_.error();
}

Status run(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    if (Status s = reconnectIfLost(db); !s)
        return s;
    if (values.isEmpty() && db.isValid() && db.isOpen()) {
        // Without values the text is run as it is: a server prepares only
        // queries and writes of rows, never the schema or settings.
        QSqlQuery q(db);
        const bool idle = sessionIdle(db.driver());
        if (q.exec(sql))
            return {};
        const DataError failure = DataError::fromQuery(q);
        // As in Statement::exec: once more on a new session after a loss
        // met outside any transaction.
        Status reopened;
        if (idle && reopenedAfterLoss(db.driver(), &reopened)) {
            QSqlQuery again(db);
            if (again.exec(sql))
                return {};
            return DataError::fromQuery(again);
        }
        if (!reopened)
            return reopened;
        return failure;
    }
    Statement q(db, sql);
    q.bindAll(values);
    return q.exec();
}

Result<QVariant> scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    Statement q(db, sql);
    Result<bool> found = q.bindAll(values).execFirst();
    if (!found)
        return found.error();
    return *found ? q.value(0) : QVariant();
}

Result<QStringList> queryPlan(const QSqlDatabase& db, const QString& sql,
                              const QVariantList& values) {
    const Dialect& d = Dialect::of(db);
    QStringList steps;
    const auto read = [&](QSqlQuery& q) -> Status {
        while (q.next())
            steps << q.value(d.planDetailColumn()).toString();
        if (q.lastError().isValid())
            return DataError::fromQuery(q);
        return {};
    };
    if (d.bindsPlanValues()) {
        Statement q(db, d.explainPlan(sql));
        q.bindAll(values);
        if (Status s = q.exec(); !s)
            return s.error();
        QSqlQuery rows = std::move(q).release();
        if (Status s = read(rows); !s)
            return s.error();
        return steps;
    }
    // Each mark replaced by its value, quoted by the driver (the statements
    // asked about hold no mark inside a literal), and the text run as it is.
    QString text;
    qsizetype next = 0;
    for (QChar ch : sql) {
        if (ch != QLatin1Char('?') || next >= values.size()) {
            text += ch;
            continue;
        }
        const QVariant& v = values.at(next++);
        QSqlField field(QString(), v.metaType());
        field.setValue(v);
        text += db.driver()->formatValue(field);
    }
    if (Status s = reconnectIfLost(db); !s)
        return s.error();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(d.explainPlan(text)))
        return DataError::fromQuery(q);
    if (Status s = read(q); !s)
        return s.error();
    return steps;
}

QString selectText(const QString& table, const QStringList& fields) {
    return QStringLiteral("SELECT %1 FROM %2").arg(fields.join(QStringLiteral(", ")), table);
}

namespace {
QString marks(qsizetype count) {
    QStringList m;
    for (qsizetype i = 0; i < count; ++i)
        m << QStringLiteral("?");
    return m.join(QStringLiteral(", "));
}
} // namespace

QString insertText(const QString& table, const QStringList& fields) {
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, fields.join(QStringLiteral(", ")), marks(fields.size()));
}

QString insertIfNewText(const QString& table, const QStringList& fields) {
    return insertText(table, fields) + QStringLiteral(" ON CONFLICT DO NOTHING");
}

QString highestNumberText(const Dialect& d, const QString& table, const QString& column) {
    return QStringLiteral(
               "SELECT max(CAST(%1 AS INTEGER)) FROM %2 WHERE length(%1) BETWEEN 1 AND 6 "
               "AND %3")
        .arg(column, table, d.onlyDigits(column));
}

QString updateText(const QString& table, const QStringList& fields, const QStringList& keys) {
    QStringList sets, where;
    for (const QString& f : fields)
        sets << f + QStringLiteral(" = ?");
    for (const QString& k : keys)
        where << k + QStringLiteral(" = ?");
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3")
        .arg(table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
}

QString upsertText(const QString& table, const QStringList& fields, const QStringList& keys,
                   const QList<UpsertRule>& rules) {
    QStringList values, updates;
    for (const QString& f : fields) {
        const UpsertRule* rule = nullptr;
        for (const UpsertRule& r : rules)
            if (r.field == f)
                rule = &r;
        values << (rule && !rule->inserted.isEmpty() ? rule->inserted : QStringLiteral("?"));
        if (keys.contains(f))
            continue;
        const QString updated = rule ? rule->updated : QStringLiteral("excluded.") + f;
        if (!updated.isEmpty())
            updates << f + QStringLiteral(" = ") + updated;
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (%4) DO UPDATE SET %5")
        .arg(table, fields.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")),
             keys.join(QStringLiteral(", ")), updates.join(QStringLiteral(", ")));
}

} // namespace vdn
