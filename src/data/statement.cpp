#include "data/statement.h"

#include "data/connection.h"
#include "data/schema.h"
#include "data/server_call.h"
#include "data/server_link.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace vdn {

QString boundText(const QString& text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}

QString boundText(const std::optional<QString>& text) {
    return text ? boundText(*text) : QString(QLatin1String(""));
}

struct Statement::Prepared {
    explicit Prepared(const QSqlDatabase& db) : query(db) {}
    QSqlQuery query;
    bool busy = false;
};

namespace {

std::atomic<quint64> runCount{0};
std::atomic<quint64> prepareCount{0};

// The query's preparation, made as any call that waits for the server.
bool prepareQuery(QSqlQuery& q, const QString& sql) {
    return awaitServer(q.driver(), [&q, &sql] { return q.prepare(sql); });
}

// More distinct texts than any window runs; a connection that meets more
// (generated texts) starts its collection again.
constexpr std::size_t MostKept = 256;

// The preparations of the connection's present session: those of an older
// session are dropped when it is closed or opened again.
struct Kept {
    std::unordered_map<QString, std::shared_ptr<Statement::Prepared>> bySql;
};

using KeptByDriver = std::unordered_map<const QSqlDriver*, Kept>;

// The kept preparations of each connection, by its driver. Qt's SQL classes
// belong to the thread that opened the connection, and only that thread
// reads or changes its driver's entry; the map itself is shared by every
// thread, under a lock (entries stay where they are while others come and
// go). It is never freed: a driver destroyed at the program's exit, after
// static objects, still finds it. Nothing here is kept per thread with a
// destructor: MinGW may run such a destructor at a thread's end after
// freeing the thread's storage, which it then reads.
std::mutex keptMutex;

KeptByDriver& keptByDriver() {
    static auto* const all = new KeptByDriver;
    return *all;
}

// The entry of a driver, made on its first use.
Kept& keptFor(const QSqlDriver* driver) {
    const std::lock_guard lock(keptMutex);
    auto& all = keptByDriver();
    auto it = all.find(driver);
    if (it != all.end())
        return it->second;
    // A driver destroyed without forgetPreparations() first (a connection
    // removed by other code) leaves nothing behind for a later driver at the
    // same address.
    QObject::connect(const_cast<QSqlDriver*>(driver), &QObject::destroyed, [driver] {
        const std::lock_guard lock(keptMutex);
        keptByDriver().erase(driver);
    });
    return all[driver];
}

// The entry of a driver if it has one, or null.
Kept* keptIfAny(const QSqlDriver* driver) {
    const std::lock_guard lock(keptMutex);
    auto& all = keptByDriver();
    const auto it = all.find(driver);
    return it == all.end() ? nullptr : &it->second;
}

} // namespace

StatementTally statementTally() {
    return {runCount.load(std::memory_order_relaxed), prepareCount.load(std::memory_order_relaxed)};
}

void countStatementRun() {
    runCount.fetch_add(1, std::memory_order_relaxed);
}

int keptPreparations(const QSqlDriver* driver) {
    const Kept* kept = keptIfAny(driver);
    return kept ? int(kept->bySql.size()) : 0;
}

void forgetPreparations(const QSqlDriver* driver) {
    if (Kept* kept = keptIfAny(driver))
        kept->bySql.clear();
}

Statement::Statement(const QSqlDatabase& db, const QString& sql) : dialect_(&Dialect::of(db)) {
    const auto apart = [&] {
        entry_ = std::make_shared<Prepared>(db);
        query_ = &entry_->query;
    };
    if (Status s = reconnectIfLost(db); !s) {
        apart();
        status_ = s;
        return;
    }
    if (!db.isValid() || !db.isOpen()) {
        apart();
        status_ = DataError::other(errnum::DatabaseNotFound,
                                   QStringLiteral("La base de données n'est pas ouverte"));
        return;
    }
    Kept& kept = keptFor(db.driver());
    auto found = kept.bySql.find(sql);
    // A preparation of a driver gone since (another driver at the same
    // address) is never run.
    if (found != kept.bySql.end() && found->second->query.driver() != db.driver()) {
        kept.bySql.erase(found);
        found = kept.bySql.end();
    }
    if (found != kept.bySql.end() && !found->second->busy) {
        entry_ = found->second;
        entry_->busy = true;
        query_ = &entry_->query;
        kept_ = true;
        return;
    }
    apart();
    if (!prepare(sql))
        return;
    // Kept unless the text is in use already (an outer reading of it).
    if (found == kept.bySql.end())
        keep(sql);
}

void Statement::keep(const QString& sql) {
    Kept& kept = keptFor(query_->driver());
    if (kept.bySql.size() >= MostKept)
        std::erase_if(kept.bySql, [](const auto& e) { return !e.second->busy; });
    kept.bySql.emplace(sql, entry_);
    entry_->busy = true;
    kept_ = true;
}

bool Statement::prepare(const QString& sql) {
    // Rows are read once, front to back: the engine keeps no copy of them.
    query_->setForwardOnly(true);
    const bool idle = dialect_->sessionIdle(query_->driver());
    prepareCount.fetch_add(1, std::memory_order_relaxed);
    if (prepareQuery(*query_, sql))
        return true;
    status_ = DataError::fromQuery(*query_);
    // A server prepares the statement itself: a connection lost while the
    // workstation sat idle is met here first, and the preparation is made
    // again on a new session.
    Status reopened;
    if (idle && !status_.error().unanswered && reopenedAfterLoss(query_->driver(), &reopened)) {
        prepareCount.fetch_add(1, std::memory_order_relaxed);
        status_ = prepareQuery(*query_, sql) ? Status() : Status(DataError::fromQuery(*query_));
    } else if (!reopened) {
        status_ = reopened;
    }
    return status_.ok();
}

Statement::Statement(Statement&& other) noexcept
    : entry_(std::move(other.entry_)), query_(other.query_), kept_(other.kept_),
      dialect_(other.dialect_), status_(std::move(other.status_)), next_(other.next_),
      ran_(other.ran_) {
    other.kept_ = false;
}

Statement::~Statement() {
    if (!kept_)
        return;
    // Ready for the next user: an unfinished reading ends here (an SQLite
    // statement left stepping would hold its read lock; a server's session
    // takes in the rest of the rows it sends one by one, and is idle again,
    // as when the query was destroyed).
    query_->finish();
    dialect_->settleSession(query_->driver());
    entry_->busy = false;
}

void Statement::keepOnNewSession(const QSqlDriver* driver) {
    // Prepared again on a new session: kept for that session, unless it was
    // kept already or another preparation of its text took its place.
    const Kept* kept = keptIfAny(driver);
    if (kept && !kept->bySql.contains(query_->lastQuery()))
        keep(query_->lastQuery());
}

QSqlQuery Statement::release() && {
    if (kept_) {
        // The caller reads on after this Statement is gone: the preparation
        // becomes the caller's alone.
        if (Kept* kept = keptIfAny(query_->driver()))
            std::erase_if(kept->bySql, [this](const auto& e) { return e.second == entry_; });
        kept_ = false;
    }
    return std::move(*query_);
}

Statement& Statement::bind(const QVariant& value) {
    if (ran_) {
        // A new run: its values start again from the first place.
        next_ = 0;
        ran_ = false;
    }
    if (status_.ok())
        query_->bindValue(next_, value);
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

namespace {
bool countedExec(QSqlQuery& q) {
    runCount.fetch_add(1, std::memory_order_relaxed);
    return awaitServer(q.driver(), [&q] { return q.exec(); });
}
bool countedExec(QSqlQuery& q, const QString& sql) {
    runCount.fetch_add(1, std::memory_order_relaxed);
    return awaitServer(q.driver(), [&q, &sql] { return q.exec(sql); });
}
} // namespace

bool Statement::next() {
    return awaitServerRow(query_->driver(), [this] { return query_->next(); });
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
        const QString sql = query_->lastQuery();
        const QVariantList values = query_->boundValues();
        prepareCount.fetch_add(1, std::memory_order_relaxed);
        if (!prepareQuery(*query_, sql))
            return false;
        for (int i = 0; i < values.size(); ++i)
            query_->bindValue(i, values.at(i));
        keepOnNewSession(query_->driver());
        return true;
    };
    Status reopened;
    if (reopenLostConnection(query_->driver(), &reopened)) {
        if (!reopened)
            return reopened;
        if (!prepareAgain())
            return DataError::fromQuery(*query_);
    }
    const bool idle = dialect_->sessionIdle(query_->driver());
    if (countedExec(*query_))
        return {};
    if (dialect_->preparationForgotten(query_->lastError()) && prepareAgain() &&
        countedExec(*query_))
        return {};
    const DataError failure = DataError::fromQuery(*query_);
    // The connection was lost while the workstation sat idle (a server
    // restart): the statement belonged to no transaction, so it is run once
    // more on a new session before anything is reported. A server that did
    // not answer in time is not waited for again.
    if (idle && !failure.unanswered && reopenedAfterLoss(query_->driver(), &reopened)) {
        if (!prepareAgain())
            return DataError::fromQuery(*query_);
        if (countedExec(*query_))
            return {};
        return DataError::fromQuery(*query_);
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
    return query_->record().indexOf(field);
}

Status Statement::finished() const {
    if (!status_.ok())
        return status_;
    if (query_->lastError().isValid())
        return DataError::fromQuery(*query_);
    return {};
}

DataError Statement::error() const {
    return status_.ok() ? DataError::fromQuery(*query_) : status_.error();
}

Status run(const QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    if (Status s = reconnectIfLost(db); !s)
        return s;
    if (values.isEmpty() && db.isValid() && db.isOpen()) {
        // Without values the text is run as it is: a server prepares only
        // queries and writes of rows, never the schema or settings.
        QSqlQuery q(db);
        const bool idle = Dialect::of(db).sessionIdle(db.driver());
        if (countedExec(q, sql))
            return {};
        const DataError failure = DataError::fromQuery(q);
        // As in Statement::exec: once more on a new session after a loss
        // met outside any transaction.
        Status reopened;
        if (idle && !failure.unanswered && reopenedAfterLoss(db.driver(), &reopened)) {
            QSqlQuery again(db);
            if (countedExec(again, sql))
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

QString insertIfNewText(const Dialect& d, const QString& table, const QStringList& fields) {
    return d.insertIgnoringDuplicate(insertText(table, fields));
}

QString highestNumberText(const Dialect& d, const QString& table, const QString& column) {
    return QStringLiteral(
               "SELECT max(CAST(%1 AS INTEGER)) FROM %2 WHERE length(%1) BETWEEN 1 AND 6 "
               "AND %3")
        .arg(column, table, d.onlyDigits(column));
}

QString highestCodeText(const Dialect& d, const QString& table, const QString& column) {
    // A number of 100000 or more has six digits, the first not 0: among
    // those, the order of the texts is the order of the numbers, so the
    // highest is the first met walking the column's index down from
    // "999999". Only when there is none (fewer than 100000 codes) are the
    // shorter and zero-led numbers read, every row.
    return QStringLiteral(
               "SELECT COALESCE((SELECT CAST(%1 AS INTEGER) FROM %2 WHERE %1 >= '100000' "
               "AND %1 <= '999999' AND length(%1) = 6 AND %3 ORDER BY %1 DESC "
               "LIMIT 1), (%4))")
        .arg(column, table, d.onlyDigits(column), highestNumberText(d, table, column));
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

RevisedUpdate revisedUpdateText(const QString& table, const QStringList& fields,
                                const QStringList& keys, const QStringList& keptWhenNull) {
    QStringList sets, where;
    for (const QString& f : fields)
        sets << (keptWhenNull.contains(f) ? QStringLiteral("%1 = coalesce(?, %1)").arg(f)
                                          : f + QStringLiteral(" = ?"));
    sets << QStringLiteral("%1 = %1 + 1").arg(revisionField());
    for (const QString& k : keys)
        where << k + QStringLiteral(" = ?");
    const QString any =
        QStringLiteral("UPDATE %1 SET %2 WHERE %3")
            .arg(table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
    return {any, any + QStringLiteral(" AND %1 = ?").arg(revisionField())};
}

QString upsertText(const Dialect& d, const QString& table, const QStringList& fields,
                   const QStringList& keys, const QList<UpsertRule>& rules) {
    QStringList values, updates;
    for (const QString& f : fields) {
        const UpsertRule* rule = nullptr;
        for (const UpsertRule& r : rules)
            if (r.field == f)
                rule = &r;
        values << (rule && !rule->inserted.isEmpty() ? rule->inserted : QStringLiteral("?"));
        if (keys.contains(f))
            continue;
        const QString updated = rule ? rule->updated : d.proposedValue(f);
        if (!updated.isEmpty())
            updates << f + QStringLiteral(" = ") + updated;
    }
    return d.upsert(
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(table, fields.join(QStringLiteral(", ")), values.join(QStringLiteral(", "))),
        keys, updates);
}

} // namespace vdn
