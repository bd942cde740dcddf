#include "data/dialect.h"

#include "data/connection.h"
#include "data/server_address.h"
#include "data/server_link.h"
#include "data/server_watch.h"
#include "data/statement.h"
#include "data/val.h"

#include "platform/places.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <QSysInfo>
#include <QVariant>

#include <array>
#include <cerrno>

#include <libpq-fe.h>
#include <sqlite3.h>

namespace vdn {

// Whether an import of another program is writing to the file of `handle`'s
// database (ImportMark).
bool importMarked(sqlite3* handle);

namespace {

// The rows of a query through the driver's values.
class QueryRowSource : public RowSource {
public:
    explicit QueryRowSource(QSqlQuery& query) : query_(query) {
        if (!query.isActive()) {
            status_ = DataError::fromQuery(query);
            done_ = true;
        }
    }

    bool next() override {
        if (done_)
            return false;
        if (query_.next())
            return true;
        done_ = true;
        if (query_.lastError().isValid())
            status_ = DataError::fromQuery(query_);
        else
            query_.finish();
        return false;
    }
    QVariant value(int column) const override { return query_.value(column); }
    std::optional<QByteArrayView> utf8(int) const override { return std::nullopt; }
    bool isNull(int column) const override { return query_.isNull(column); }

protected:
    QSqlQuery& query_;
    bool done_ = false;
};

// The SQLite statement behind a query, or null on another driver.
sqlite3_stmt* statementOf(const QSqlQuery& query) {
    const QSqlResult* result = query.result();
    if (!result)
        return nullptr;
    const QVariant handle = result->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3_stmt*") == 0)
        return *static_cast<sqlite3_stmt* const*>(handle.constData());
    return nullptr;
}

// The rows of a forward-only SQLite query. The driver read the first row from
// the statement when the query ran: it is taken from the query, the next ones
// straight from the statement, their text as UTF-8, rather than converted to
// UTF-16 and wrapped in variants by the driver. Each field is given as the
// driver would have given it to the query.
class StatementRowSource final : public QueryRowSource {
public:
    StatementRowSource(QSqlQuery& query, sqlite3_stmt* statement)
        : QueryRowSource(query), statement_(statement),
          precision_(query.numericalPrecisionPolicy()) {}

    bool next() override {
        if (!started_) {
            started_ = true;
            return QueryRowSource::next();
        }
        if (done_)
            return false;
        const int step = sqlite3_step(statement_);
        stepping_ = step == SQLITE_ROW;
        if (stepping_)
            return true;
        done_ = true;
        if (step != SQLITE_DONE)
            status_ = DataError::fromStatement(query_, step);
        // Done with, as after its last row.
        query_.finish();
        return false;
    }

    QVariant value(int column) const override {
        if (!stepping_)
            return QueryRowSource::value(column);
        switch (sqlite3_column_type(statement_, column)) {
        case SQLITE_NULL:
            // A null text, as the driver gives it.
            return QVariant(QMetaType::fromType<QString>());
        case SQLITE_TEXT:
            // Through UTF-16, as the driver decodes it (ill-formed bytes included).
            return QString(
                reinterpret_cast<const QChar*>(sqlite3_column_text16(statement_, column)),
                sqlite3_column_bytes16(statement_, column) / qsizetype(sizeof(QChar)));
        case SQLITE_INTEGER:
            return qint64(sqlite3_column_int64(statement_, column));
        case SQLITE_FLOAT:
            switch (precision_) {
            case QSql::LowPrecisionInt32:
                return sqlite3_column_int(statement_, column);
            case QSql::LowPrecisionInt64:
                return qint64(sqlite3_column_int64(statement_, column));
            case QSql::LowPrecisionDouble:
            case QSql::HighPrecision:
            default:
                return sqlite3_column_double(statement_, column);
            }
        default: // SQLITE_BLOB
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement_, column)),
                              sqlite3_column_bytes(statement_, column));
        }
    }

    std::optional<QByteArrayView> utf8(int column) const override {
        if (!stepping_ || sqlite3_column_type(statement_, column) != SQLITE_TEXT)
            return std::nullopt;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return QByteArrayView(text, sqlite3_column_bytes(statement_, column));
    }

    bool isNull(int column) const override {
        return stepping_ ? sqlite3_column_type(statement_, column) == SQLITE_NULL
                         : QueryRowSource::isNull(column);
    }

    // The export's path: a row's texts taken straight from the statement,
    // with one call here per row rather than three per field.
    void utf8Fields(std::span<const int> columns, FieldBytes* out) const override {
        if (!stepping_) {
            QueryRowSource::utf8Fields(columns, out);
            return;
        }
        for (const int column : columns) {
            FieldBytes& field = *out++;
            if (column < 0) {
                field.kind = FieldBytes::Kind::Absent;
                continue;
            }
            switch (sqlite3_column_type(statement_, column)) {
            case SQLITE_NULL:
                field.kind = FieldBytes::Kind::Absent;
                break;
            case SQLITE_TEXT:
                // The text first, then its length, as SQLite asks.
                field.data = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
                field.size = sqlite3_column_bytes(statement_, column);
                field.kind = FieldBytes::Kind::Utf8;
                break;
            default:
                field.kind = FieldBytes::Kind::Other;
                break;
            }
        }
    }

private:
    sqlite3_stmt* statement_;
    QSql::NumericalPrecisionPolicy precision_;
    bool started_ = false;
    bool stepping_ = false; // the statement stands on a row stepped here
};

// The server's result behind a query's current row, or null on another driver.
const PGresult* resultOf(const QSqlQuery& query) {
    const QSqlResult* result = query.result();
    if (!result)
        return nullptr;
    const QVariant handle = result->handle();
    if (handle.isValid() && (qstrcmp(handle.typeName(), "pg_result*") == 0 ||
                             qstrcmp(handle.typeName(), "PGresult*") == 0))
        return *static_cast<PGresult* const*>(handle.constData());
    return nullptr;
}

// The rows of a server query, their texts taken as UTF-8 (the connection's
// encoding) from the result the driver holds rather than converted to UTF-16
// and wrapped in variants by it. The driver reads each row; a forward-only
// query's result holds that row alone. The column types the driver gives as
// text (text, varchar, char) are given as bytes; the others through value().
class ResultRowSource final : public QueryRowSource {
public:
    explicit ResultRowSource(QSqlQuery& query) : QueryRowSource(query) {}

    bool next() override {
        result_ = nullptr;
        if (!QueryRowSource::next())
            return false;
        result_ = resultOf(query_);
        row_ = query_.isForwardOnly() ? 0 : query_.at();
        if (result_ && (row_ < 0 || row_ >= PQntuples(result_)))
            result_ = nullptr;
        return true;
    }

    std::optional<QByteArrayView> utf8(int column) const override {
        if (!isText(column) || PQgetisnull(result_, row_, column))
            return std::nullopt;
        return QByteArrayView(PQgetvalue(result_, row_, column),
                              PQgetlength(result_, row_, column));
    }

    bool isNull(int column) const override {
        if (!result_ || column < 0 || column >= PQnfields(result_))
            return QueryRowSource::isNull(column);
        return PQgetisnull(result_, row_, column);
    }

private:
    bool isText(int column) const {
        if (!result_ || column < 0 || column >= PQnfields(result_))
            return false;
        // text, char(n), varchar(n)
        const Oid type = PQftype(result_, column);
        return type == 25 || type == 1042 || type == 1043;
    }

    const PGresult* result_ = nullptr;
    int row_ = 0;
};

// The SQLSTATE of a server failure. A failure to connect, or a connection
// lost, comes from the client library without one: its text tells the
// missing database and the refused role from the server out of reach.
QString serverState(const QSqlError& err) {
    const QString state = err.nativeErrorCode().trimmed();
    if (state.size() == 5)
        return state;
    const QString text = err.databaseText();
    if (text.contains(QLatin1String("database \"")) &&
        text.contains(QLatin1String("does not exist")))
        return QStringLiteral("3D000");
    if (text.contains(QLatin1String("authentication failed")) ||
        text.contains(QLatin1String("no password supplied")) ||
        text.contains(QLatin1String("pg_hba.conf")) ||
        (text.contains(QLatin1String("role \"")) && text.contains(QLatin1String("does not exist"))))
        return QStringLiteral("28000");
    if (text.contains(QLatin1String("shutting down")) ||
        text.contains(QLatin1String("starting up")))
        return QStringLiteral("57P03");
    return QStringLiteral("08006");
}

class SqliteDialect final : public Dialect {
public:
    QString engine() const override { return QStringLiteral("QSQLITE"); }
    QString driverMissing() const override {
        return QStringLiteral("Le pilote SQLite de Qt est absent");
    }
    bool isServer() const override { return false; }

    // A file needs no login.
    int defaultPort() const override { return 0; }
    QString loginFile() const override { return {}; }
    QString loginFileHint() const override { return {}; }

    QString versionQuery() const override { return QStringLiteral("SELECT sqlite_version()"); }

    DataError failure(const QSqlError& err, const QSqlDriver* driver,
                      const QString& statement) const override {
        sqlite3* handle = sqliteHandle(driver);
        EngineError entry;
        bool ok = false;
        entry.code = err.nativeErrorCode().toInt(&ok);
        if (ok && entry.code > 0xff) {
            // The driver reports extended codes; the report's number is the primary one.
            entry.extendedCode = entry.code;
            entry.code &= 0xff;
        } else if (handle) {
            const int ext = sqlite3_extended_errcode(handle);
            if (!ok || entry.code == 0)
                entry.code = ext & 0xff;
            // The handle keeps the last failure; trust its extended code only when
            // it belongs to the same primary code the driver reported.
            entry.extendedCode = (ext & 0xff) == entry.code ? ext : entry.code;
        }
        if (entry.code == 0)
            entry.code = SQLITE_ERROR;
        if (entry.extendedCode == 0)
            entry.extendedCode = entry.code;
        entry.message = err.databaseText().isEmpty() ? err.text() : err.databaseText();
        entry.statement = statement;

        DataError result;
        result.number = entry.code;
        // The user reads the cause in French; the engine's own text stays in the
        // engine list. A write that failed for want of space says so, whatever
        // code the engine gave it.
        if (driver && driver->dbmsType() == QSqlDriver::SQLite) {
            int code = entry.code;
            if (handle && code == SQLITE_IOERR && sqlite3_system_errno(handle) == ENOSPC)
                code = SQLITE_FULL;
            result.text = code == SQLITE_BUSY && handle && importMarked(handle)
                              ? importUnderWayText()
                              : errorCause(QString::number(code));
        } else {
            // No driver, or one of no engine of ours: the driver's own words.
            QString text = err.databaseText();
            const QString driverText = err.driverText();
            if (text.isEmpty())
                text = driverText;
            else if (!driverText.isEmpty() && driverText != text)
                text = driverText + QStringLiteral(" : ") + text;
            result.text = text.isEmpty() ? QStringLiteral("Erreur de la base de données") : text;
        }
        result.engineErrors.append(entry);
        return result;
    }
    std::optional<DataError> refusedVersion(const QVariant&) const override { return std::nullopt; }

    std::span<const Cause> causes() const override {
        static const char* const Busy = "La base de données est utilisée par un autre programme "
                                        ": fermez-le puis réessayez.";
        static const char* const ReadOnly =
            "Le fichier de la base de données ou son dossier est en lecture seule : il faut le "
            "droit d'y écrire.";
        static const std::array table{
            Cause{"5", Busy},  // SQLITE_BUSY
            Cause{"6", Busy},  // SQLITE_LOCKED
            Cause{"15", Busy}, // SQLITE_PROTOCOL: the locks changed hands too often
            Cause{"13", "Le disque est plein : libérez de la place puis réessayez."},
            Cause{"8", ReadOnly}, // SQLITE_READONLY
            Cause{"3", ReadOnly}, // SQLITE_PERM
            Cause{"11", "Le fichier de la base de données est endommagé."},
            Cause{"26", "Le fichier n'est pas une base de données VORDAN."},
            Cause{"14", "La base de données ne peut pas être ouverte."},
            Cause{"10",
                  "Le disque n'a pas pu être lu ou écrit (disque retiré, plein ou défectueux)."},
            Cause{"7", "La mémoire manque pour terminer l'opération."},
            Cause{"18", "Une valeur est trop grande pour la base de données."},
            Cause{"19", "La base de données refuse cette valeur (elle existe déjà ?)."},
        };
        return table;
    }

    std::unique_ptr<RowSource> bulkRead(QSqlQuery& query) const override {
        sqlite3_stmt* statement = statementOf(query);
        if (!statement || !query.isForwardOnly() || !query.isActive())
            return Dialect::bulkRead(query);
        return std::make_unique<StatementRowSource>(query, statement);
    }

    QString textColumn(const QString& name, Column kind) const override {
        // Only built-in collations, so that any SQLite tool can open and check the file.
        switch (kind) {
        case Column::Key:
            return name + QStringLiteral(" TEXT NOT NULL");
        case Column::CaselessKey:
            return name + QStringLiteral(" TEXT NOT NULL COLLATE NOCASE");
        case Column::Text:
            break;
        }
        return name + QStringLiteral(" TEXT COLLATE NOCASE");
    }

    QString sortKeyColumn(const QString& name) const override {
        // BINARY, the default collation, compares the UTF-8 bytes.
        return name + QStringLiteral(" TEXT");
    }

    QStringList keyTriggers(const QString& trigger, const QString& table, const QString& key,
                            const QList<KeySource>& texts,
                            const QList<KeyOf>& others) const override {
        // Plain SQL and built-in functions only: a tool that writes a row
        // without VORDAN fires them too. upper() changes ASCII letters only,
        // as the raw text compares elsewhere in the file.
        const auto provisional = [](const QString& text) {
            return QStringLiteral("upper(coalesce(NEW.%1, ''))").arg(text);
        };
        QStringList sources, changed, onInsert, onUpdate;
        for (const KeySource& t : texts) {
            sources << t.text;
            // BINARY: a change of case or accent counts as a change.
            changed << QStringLiteral("NEW.%1 IS NOT OLD.%1 COLLATE BINARY").arg(t.text);
            onInsert << QStringLiteral("%1 = coalesce(%1, %2)").arg(t.key1, provisional(t.text));
            onUpdate << QStringLiteral("%1 = %2").arg(t.key1, provisional(t.text))
                     << t.key2 + QStringLiteral(" = NULL");
        }
        for (const KeyOf& o : others) {
            sources << o.source;
            changed << QStringLiteral("NEW.%1 IS NOT OLD.%1 COLLATE BINARY").arg(o.source);
            onUpdate << o.key + QStringLiteral(" = NULL");
        }
        const QString where = QStringLiteral(" WHERE %1 = NEW.%1; END").arg(key);
        const QString inserted = trigger + QStringLiteral("_ajout");
        const QString updated = trigger + QStringLiteral("_modif");
        return {
            QStringLiteral("DROP TRIGGER IF EXISTS ") + inserted,
            QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 WHEN NEW.%3 IS NULL BEGIN "
                           "UPDATE %2 SET %4")
                    .arg(inserted, table, texts.first().key2, onInsert.join(QStringLiteral(", "))) +
                where,
            QStringLiteral("DROP TRIGGER IF EXISTS ") + updated,
            QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %2 ON %3 WHEN %4 BEGIN "
                           "UPDATE %3 SET %5")
                    .arg(updated, sources.join(QStringLiteral(", ")), table,
                         changed.join(QStringLiteral(" OR ")),
                         onUpdate.join(QStringLiteral(", "))) +
                where};
    }

    QStringList beginLocked() const override { return {QStringLiteral("BEGIN IMMEDIATE")}; }

    QStringList schemaPreamble() const override { return {}; }
    QString tableExtras() const override { return {}; }
    QString caselessUniqueClause(const QString& key, const QString& caseless) const override {
        // The caseless column's own NOCASE collation makes the pair caseless.
        return QStringLiteral(", UNIQUE (%1, %2)").arg(key, caseless);
    }
    QStringList caselessUniqueIndex(const QString&, const QString&, const QString&,
                                    const QString&) const override {
        return {};
    }

    QString caselessEquals(const QString& left, const QString& right) const override {
        return left + QStringLiteral(" = ") + right + QStringLiteral(" COLLATE NOCASE");
    }

    QString additionOrder() const override { return QStringLiteral("rowid"); }
    QStringList additionOrderIndex(const QString&) const override { return {}; }

    QString onlyDigits(const QString& expression) const override {
        return expression + QStringLiteral(" NOT GLOB '*[^0-9]*'");
    }

    QString readSchemaVersion() const override { return QStringLiteral("PRAGMA user_version"); }
    QString writeSchemaVersion(int version) const override {
        return QStringLiteral("PRAGMA user_version = %1").arg(version);
    }
    QStringList beginUpgrade() const override {
        // The write lock at once: a second program waits at BEGIN, then
        // reads the version the first one wrote.
        return {QStringLiteral("BEGIN IMMEDIATE")};
    }
    QStringList openSessionMarks() const override { return {}; }
    QString otherOpenSessions(const QStringList&) const override { return {}; }
    QStringList ownSessions() const override { return {}; }
    QString deferredSchemaObjects() const override {
        return QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE "
                              "type IN ('index', 'trigger') AND sql IS NOT NULL "
                              "ORDER BY type = 'trigger', rowid");
    }
    QStringList deferredObjectSettings() const override {
        // The indexes' sorts may use a second core.
        return {QStringLiteral("PRAGMA threads = 2")};
    }
    QStringList holdTables(const QStringList&, int) const override { return {}; }
    QStringList emptyTables(const QStringList& tables) const override {
        QStringList out;
        for (const QString& table : tables)
            out << QStringLiteral("DELETE FROM ") + table;
        return out;
    }
    QString countTables(const QStringList& names) const override {
        // The names are the program's own table names, never typed text.
        return QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND "
                              "name IN ('%1')")
            .arg(names.join(QStringLiteral("','")));
    }

    QString explainPlan(const QString& statement) const override {
        return QStringLiteral("EXPLAIN QUERY PLAN ") + statement;
    }
    int planDetailColumn() const override { return 3; }
    bool bindsPlanValues() const override { return true; }

    bool registerFunctions(QSqlDatabase& db) const override {
        sqlite3* handle = sqliteHandle(db.isValid() ? db.driver() : nullptr);
        return registerValFunction(handle) && registerUpperFunction(handle);
    }

    QStringList sessionSettings() const override {
        return {QStringLiteral("PRAGMA synchronous=FULL"),
                QStringLiteral("PRAGMA cache_size=-%1").arg(Connection::CacheKiB)};
    }
};

// The first key of VORDAN's advisory locks ("VDN").
constexpr int AdvisoryClass = 0x56444E;

// "VORDAN <machine>", the name of every server session of this program
// (what the server's session list shows, and what an upgrade names), in
// characters that need no quoting.
QString applicationName() {
    QString host = QSysInfo::machineHostName();
    for (QChar& c : host)
        if (c.unicode() > 127 ||
            (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.')))
            c = QLatin1Char('_');
    return QStringLiteral("VORDAN ") + (host.isEmpty() ? QStringLiteral("poste") : host.left(48));
}

// Text is stored UTF-8 and compared byte by byte (COLLATE "C"), as SQLite's
// BINARY does; "caseless" folds ASCII letters only, which lower() does under
// the "C" collation, as SQLite's NOCASE does.
// The key of the server's advisory lock taken by locked write transactions.
constexpr int WriteLockKey = 86232601;

// The oldest server version VORDAN runs on (server_version_num).
constexpr int OldestServer = 130000;

// libpq's password file by each system's custom (platform/places.h): a dot
// file in the home folder, or a file under the roaming application data.
const QString LoginDotFile = QStringLiteral(".pgpass");
const QString LoginAppDataFile = QStringLiteral("postgresql/pgpass.conf");

// The client library's connection a driver's handle holds. Qt names its type
// after the library's structure ("pg_conn*"), not after its typedef.
PGconn* pgConnOf(const QSqlDriver* driver) {
    if (!driver || driver->dbmsType() != QSqlDriver::PostgreSQL)
        return nullptr;
    const QVariant handle = driver->handle();
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "pg_conn*") == 0 || qstrcmp(handle.typeName(), "PGconn*") == 0))
        return *static_cast<PGconn* const*>(handle.constData());
    return nullptr;
}

class PostgresDialect final : public Dialect {
public:
    QString engine() const override { return QStringLiteral("QPSQL"); }
    QString driverMissing() const override {
        return QStringLiteral("Le pilote PostgreSQL de Qt est absent (paquet libqt6sql6-psql)");
    }
    bool isServer() const override { return true; }

    int defaultPort() const override { return 5432; }
    // libpq's password file: the one PGPASSFILE names, else the user's own
    // where the system keeps such files (platform/places.h).
    QString loginFile() const override {
        const QString named = qEnvironmentVariable("PGPASSFILE");
        return named.isEmpty() ? places::userFile(LoginDotFile, LoginAppDataFile) : named;
    }
    QString loginFileHint() const override {
        return places::userFileHint(LoginDotFile, LoginAppDataFile);
    }

    std::unique_ptr<RowSource> bulkRead(QSqlQuery& query) const override {
        return std::make_unique<ResultRowSource>(query);
    }

    bool connectionLost(const QSqlDriver* driver, bool marked) const override {
        if (!driver)
            return false;
        if (!driver->isOpen() || marked)
            return true;
        const PGconn* conn = pgConnOf(driver);
        return conn && PQstatus(conn) == CONNECTION_BAD;
    }
    bool sessionIdle(const QSqlDriver* driver) const override {
        const PGconn* conn = pgConnOf(driver);
        return conn && PQtransactionStatus(conn) == PQTRANS_IDLE;
    }
    void settleSession(const QSqlDriver* driver) const override {
        // As Qt's driver does before its next statement.
        PGconn* conn = pgConnOf(driver);
        if (conn && PQtransactionStatus(conn) == PQTRANS_ACTIVE)
            while (PGresult* rest = PQgetResult(conn))
                PQclear(rest);
    }
    bool readingWaits(const QSqlDriver* driver) const override {
        // What has come is taken in without waiting; a row not yet whole
        // keeps the library busy.
        PGconn* conn = pgConnOf(driver);
        if (!conn || PQtransactionStatus(conn) != PQTRANS_ACTIVE)
            return false;
        return !PQconsumeInput(conn) || PQisBusy(conn);
    }
    bool preparationForgotten(const QSqlError& error) const override {
        // invalid_sql_statement_name: no prepared statement of that name.
        return error.nativeErrorCode() == QLatin1String("26000");
    }

    QString versionQuery() const override {
        return QStringLiteral("SELECT current_setting('server_version_num')::integer");
    }
    DataError failure(const QSqlError& err, const QSqlDriver* driver,
                      const QString& statement) const override {
        EngineError entry;
        entry.state = serverState(err);
        entry.code = errorNumber(entry.state);
        entry.extendedCode = entry.code;
        entry.message =
            err.databaseText().trimmed().isEmpty() ? err.text() : err.databaseText().trimmed();
        // Qt's driver appends the SQLSTATE in brackets, empty when the client
        // library gave none: the report shows the state on its own.
        const QString appended = QStringLiteral("(%1)").arg(err.nativeErrorCode().trimmed());
        if (entry.message.endsWith(appended))
            entry.message = entry.message.chopped(appended.size()).trimmed();
        entry.statement = statement;
        // The session is gone, or going: the next statement opens a new one.
        if (entry.state.startsWith(QLatin1String("08")) || entry.state == QLatin1String("57P01") ||
            entry.state == QLatin1String("57P02"))
            markConnectionLost(driver);
        DataError result;
        result.number = entry.code;
        result.text = errorCause(entry.state);
        // Cut by the time limit on the server's answer: said so, and the
        // session, cancelled or shut down, is not used again.
        if (std::optional<QString> unanswered = takeUnansweredServer(driver)) {
            result.number = errorNumber(QStringLiteral("08006"));
            result.text = *unanswered;
            result.unanswered = true;
            markConnectionLost(driver);
        }
        result.engineErrors.append(entry);
        return result;
    }
    QVariant sessionVersion(const QSqlDatabase& db) const override {
        const PGconn* conn = serverHandle(db);
        return conn ? QVariant(PQserverVersion(conn)) : QVariant();
    }
    std::optional<QVariant> runAsOne(const QSqlDatabase& db,
                                     const QStringList& statements) const override {
        PGconn* conn = serverHandle(db);
        if (!conn || PQstatus(conn) != CONNECTION_OK)
            return std::nullopt;
        settleSession(db.driver());
        countStatementRun();
        PGresult* r = PQexec(conn, statements.join(QStringLiteral("; ")).toUtf8().constData());
        std::optional<QVariant> out;
        switch (PQresultStatus(r)) {
        case PGRES_COMMAND_OK:
            out = QVariant();
            break;
        case PGRES_TUPLES_OK:
            out = PQntuples(r) > 0 && PQnfields(r) > 0 && !PQgetisnull(r, 0, 0)
                      ? QVariant(QString::fromUtf8(PQgetvalue(r, 0, 0)))
                      : QVariant();
            break;
        default:
            break;
        }
        PQclear(r);
        return out;
    }
    std::optional<DataError> refusedVersion(const QVariant& version) const override {
        if (version.toInt() >= OldestServer)
            return std::nullopt;
        return DataError::other(
            errorNumber(QStringLiteral("0A000")),
            QStringLiteral("Le serveur de base de données est trop ancien (version %1) : VORDAN "
                           "demande PostgreSQL 13 ou plus récent.")
                .arg(version.toInt()));
    }

    // By SQLSTATE class (two characters), a few codes of their own. One
    // number per class: 8000 plus the class when it is two digits (08 →
    // 8008, 23 → 8023), 8010 for 0A, 8030 for 3D, 8099 for XX, 8043 for
    // 42501 (no right).
    std::span<const Cause> causes() const override {
        static const std::array table{
            Cause{"08",
                  "Le serveur de base de données ne répond pas (serveur arrêté ou réseau coupé) : "
                  "vérifiez qu'il est démarré et joignable, puis réessayez.",
                  8008},
            Cause{"28",
                  "Le serveur de base de données refuse la connexion de ce rôle (rôle inconnu, mot "
                  "de passe absent ou faux : voir ~/.pgpass et pg_hba.conf).",
                  8028},
            Cause{"3D",
                  "La base de données n'existe pas sur le serveur : vérifiez son nom dans "
                  "CHEMIN.QZ.",
                  8030},
            Cause{"42501",
                  "Le rôle n'a pas les droits nécessaires sur la base de données du serveur.",
                  8043},
            Cause{"42",
                  "La base de données du serveur a refusé l'instruction (table ou colonne absente "
                  ": est-ce une base VORDAN ?).",
                  8042},
            Cause{"23", "La base de données refuse cette valeur (elle existe déjà ?).", 8023},
            Cause{"22",
                  "Une valeur ne convient pas à la base de données (trop grande ou mal formée).",
                  8022},
            Cause{"25", "L'opération en cours sur le serveur a échoué : réessayez.", 8025},
            Cause{"40", "Un autre poste modifiait les mêmes données au même moment : réessayez.",
                  8040},
            Cause{"53",
                  "Le serveur de base de données manque de place ou de mémoire : prévenez la "
                  "personne qui s'en occupe.",
                  8053},
            Cause{"54", "Une valeur ou une instruction dépasse les limites du serveur.", 8054},
            Cause{"55",
                  "La base de données est utilisée par un autre programme : fermez-le puis "
                  "réessayez.",
                  8055},
            Cause{"57",
                  "Le serveur de base de données s'arrête ou démarre : réessayez dans un instant.",
                  8057},
            Cause{"58",
                  "Le serveur de base de données n'a pas pu lire ou écrire ses propres fichiers.",
                  8058},
            Cause{"0A",
                  "Le serveur de base de données ne sait pas faire cette opération (version trop "
                  "ancienne : VORDAN demande PostgreSQL 13 ou plus récent).",
                  8010},
            Cause{"XX",
                  "Le serveur de base de données signale une erreur interne (données "
                  "endommagées ?).",
                  8099},
        };
        return table;
    }

    QString textColumn(const QString& name, Column kind) const override {
        switch (kind) {
        case Column::Key:
        case Column::CaselessKey:
            return name + QStringLiteral(" TEXT COLLATE \"C\" NOT NULL");
        case Column::Text:
            break;
        }
        return name + QStringLiteral(" TEXT COLLATE \"C\"");
    }

    QString sortKeyColumn(const QString& name) const override {
        return name + QStringLiteral(" TEXT COLLATE \"C\"");
    }

    QStringList keyTriggers(const QString& trigger, const QString& table, const QString& key,
                            const QList<KeySource>& texts,
                            const QList<KeyOf>& others) const override {
        // One trigger function for both cases, run before the row is written:
        // the same provisional keys as the SQLite triggers give, whatever
        // program writes the row. upper() under "C" changes ASCII letters only.
        (void)key;
        const auto provisional = [](const QString& text) {
            return QStringLiteral("upper(coalesce(NEW.%1, ''))").arg(text);
        };
        QStringList changed, onInsert, onUpdate;
        for (const KeySource& t : texts) {
            changed << QStringLiteral("NEW.%1 IS DISTINCT FROM OLD.%1").arg(t.text);
            onInsert << QStringLiteral("NEW.%1 := coalesce(NEW.%1, %2);")
                            .arg(t.key1, provisional(t.text));
            onUpdate << QStringLiteral("NEW.%1 := %2;").arg(t.key1, provisional(t.text))
                     << QStringLiteral("NEW.%1 := NULL;").arg(t.key2);
        }
        for (const KeyOf& o : others) {
            changed << QStringLiteral("NEW.%1 IS DISTINCT FROM OLD.%1").arg(o.source);
            onUpdate << QStringLiteral("NEW.%1 := NULL;").arg(o.key);
        }
        const QString function = trigger + QStringLiteral("_f");
        const QString body =
            QStringLiteral("BEGIN IF TG_OP = 'INSERT' THEN IF NEW.%1 IS NULL THEN %2 END IF; "
                           "ELSIF %3 THEN %4 END IF; RETURN NEW; END")
                .arg(texts.first().key2, onInsert.join(QLatin1Char(' ')),
                     changed.join(QStringLiteral(" OR ")), onUpdate.join(QLatin1Char(' ')));
        return {
            QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                           "$vdn$%2$vdn$")
                .arg(function, body),
            QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(trigger, table),
            QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT OR UPDATE ON %2 FOR EACH ROW "
                           "EXECUTE FUNCTION %3()")
                .arg(trigger, table, function),
        };
    }

    QStringList schemaPreamble() const override {
        return {
            QStringLiteral("CREATE TABLE vdn_version (version INTEGER NOT NULL)"),
            QStringLiteral("INSERT INTO vdn_version (version) VALUES (0)"),
            // The program's val(): leading blanks, a sign, digits, then "." or
            // "," and digits; 0 without a number; beyond the range of a
            // double, infinity (or 0 for a fraction too small to hold).
            QStringLiteral(
                "CREATE OR REPLACE FUNCTION val(t text) RETURNS double precision "
                "LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $vdn$ "
                "DECLARE m text[]; whole text; frac text; n numeric; r double precision; "
                "BEGIN "
                "IF t IS NULL THEN RETURN 0; END IF; "
                "m := regexp_match(t, '^[ \\t\\n\\r]*([+-]?)([0-9]*)(?:[.,]([0-9]+))?'); "
                "whole := ltrim(m[2], '0'); frac := coalesce(m[3], ''); "
                "IF m[2] = '' AND frac = '' THEN RETURN 0; END IF; "
                "IF length(whole) > 400 THEN r := 'Infinity'; "
                "ELSIF whole = '' AND length(frac) - length(ltrim(frac, '0')) > 400 THEN r := 0; "
                "ELSE "
                "n := (CASE WHEN whole = '' THEN '0' ELSE whole END || '.' || "
                "left(frac, 16000) || '0')::numeric; "
                "IF n > 1e308 OR (n > 0 AND n < 1e-307) THEN "
                "BEGIN r := n::double precision; "
                "EXCEPTION WHEN numeric_value_out_of_range THEN "
                "r := CASE WHEN whole = '' THEN 0 ELSE 'Infinity'::double precision END; END; "
                "ELSE r := n::double precision; END IF; "
                "END IF; "
                "IF m[1] = '-' AND r <> 0 THEN r := -r; END IF; "
                "RETURN r; END $vdn$"),
            // A number is its own value, as the program's val() gives it.
            QStringLiteral("CREATE OR REPLACE FUNCTION val(n double precision) RETURNS double "
                           "precision LANGUAGE sql IMMUTABLE PARALLEL SAFE AS "
                           "$vdn$ SELECT coalesce(n, 0) $vdn$"),
            // Capitals of every letter, accented ones included, by Unicode's
            // rules as the program writes them.
            QStringLiteral("CREATE OR REPLACE FUNCTION vdn_upper(t text) RETURNS text "
                           "LANGUAGE sql IMMUTABLE PARALLEL SAFE AS "
                           "$vdn$ SELECT upper(t COLLATE \"und-x-icu\") $vdn$"),
        };
    }

    QString tableExtras() const override {
        return QStringLiteral(", vdn_ordre BIGINT GENERATED BY DEFAULT AS IDENTITY");
    }

    QString caselessUniqueClause(const QString&, const QString&) const override { return {}; }
    QStringList caselessUniqueIndex(const QString& index, const QString& table, const QString& key,
                                    const QString& caseless) const override {
        return {QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3, lower(%4 COLLATE \"C\"))")
                    .arg(index, table, key, caseless)};
    }

    QString caselessEquals(const QString& left, const QString& right) const override {
        return QStringLiteral("lower(%1 COLLATE \"C\") = lower(%2 COLLATE \"C\")").arg(left, right);
    }

    QString additionOrder() const override { return QStringLiteral("vdn_ordre"); }
    QStringList additionOrderIndex(const QString& table) const override {
        return {QStringLiteral("CREATE INDEX %1_ordre ON %1 (vdn_ordre)").arg(table)};
    }

    QString onlyDigits(const QString& expression) const override {
        return expression + QStringLiteral(" !~ '[^0-9]'");
    }

    QString readSchemaVersion() const override {
        return QStringLiteral("SELECT max(version) FROM vdn_version");
    }
    QString writeSchemaVersion(int version) const override {
        return QStringLiteral("UPDATE vdn_version SET version = %1").arg(version);
    }
    // Advisory lock keys: VORDAN's own class, then the upgrade (1) and the
    // mark of an open session (2).
    QStringList beginUpgrade() const override {
        return {QStringLiteral("BEGIN"),
                QStringLiteral("SELECT pg_advisory_xact_lock(%1, 1)").arg(AdvisoryClass)};
    }
    QStringList openSessionMarks() const override {
        return {QStringLiteral("SELECT pg_advisory_lock_shared(%1, 2)").arg(AdvisoryClass)};
    }
    QString deferredSchemaObjects() const override { return {}; }
    QStringList deferredObjectSettings() const override { return {}; }
    QStringList holdTables(const QStringList& tables, int waitMs) const override {
        return {QStringLiteral("SET LOCAL lock_timeout = %1").arg(waitMs),
                QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE")
                    .arg(tables.join(QStringLiteral(", ")))};
    }
    QStringList emptyTables(const QStringList& tables) const override {
        return {
            QStringLiteral("TRUNCATE %1 RESTART IDENTITY").arg(tables.join(QStringLiteral(", ")))};
    }
    QStringList ownSessions() const override {
        // Every session this program holds (its windows' own connections).
        QStringList own;
        for (const QString& name : QSqlDatabase::connectionNames())
            if (const PGconn* conn = serverHandle(QSqlDatabase::database(name, false));
                conn && PQstatus(conn) == CONNECTION_OK)
                own << QString::number(PQbackendPID(conn));
        return own;
    }
    QString otherOpenSessions(const QStringList& own) const override {
        const QString others =
            own.isEmpty() ? QStringLiteral("pg_backend_pid()")
                          : QStringLiteral("ALL (ARRAY[%1])").arg(own.join(QStringLiteral(", ")));
        return QStringLiteral(
                   "SELECT coalesce(nullif(a.application_name, ''), 'session ' || a.pid) || ' (' "
                   "|| coalesce(host(a.client_addr), 'local') || ')' FROM pg_locks l JOIN "
                   "pg_stat_activity a ON a.pid = l.pid WHERE l.locktype = 'advisory' AND "
                   "l.granted AND l.classid = %1 AND l.objid = 2 AND l.objsubid = 2 AND l.database "
                   "= (SELECT oid FROM pg_database WHERE datname = current_database()) AND l.pid "
                   "<> %2 ORDER BY 1")
            .arg(AdvisoryClass)
            .arg(others);
    }
    QString countTables(const QStringList& names) const override {
        // The catalogue, which shows every table whatever the role may read.
        return QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables WHERE "
                              "schemaname = current_schema() AND tablename IN ('%1')")
            .arg(names.join(QStringLiteral("','")));
    }

    QString explainPlan(const QString& statement) const override {
        return QStringLiteral("EXPLAIN ") + statement;
    }
    int planDetailColumn() const override { return 0; }
    bool bindsPlanValues() const override { return false; }

    bool registerFunctions(QSqlDatabase&) const override {
        // val() and vdn_upper() are part of the database's schema.
        return true;
    }

    QStringList beginLocked() const override {
        // Rows are never locked against readers on the server; writers that
        // must not overlap (imports) share one advisory lock, released by
        // the transaction's end.
        return {QStringLiteral("BEGIN"),
                QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(WriteLockKey)};
    }

    QStringList sessionSettings() const override {
        // Texts travel as UTF-8 whatever the server's default; the server's
        // notices ("… does not exist, skipping") stay off the terminal; a
        // statement never waits on a lock for ever.
        return {QStringLiteral("SET client_encoding = 'UTF8'"),
                QStringLiteral("SET client_min_messages = warning"),
                QStringLiteral("SET lock_timeout = %1").arg(Connection::busyTimeoutMs()),
                QStringLiteral("SET application_name = '%1'").arg(applicationName())};
    }
};

} // namespace

PGconn* serverHandle(const QSqlDatabase& db) {
    return db.isValid() ? pgConnOf(db.driver()) : nullptr;
}

namespace {

// The database file of `handle`, empty for a database in memory.
QString databaseFileOf(sqlite3* handle) {
    const char* file = handle ? sqlite3_db_filename(handle, "main") : nullptr;
    return file && *file ? QString::fromUtf8(file) : QString();
}

// The marks of imports begin with the database file's name; each program's
// own ends with its machine and process.
QString importMarkPrefix(const QString& databaseFile) {
    return QFileInfo(databaseFile).fileName() + QStringLiteral(".import-");
}

QString ownImportMark(const QString& databaseFile) {
    return databaseFile.isEmpty() ? QString()
                                  : databaseFile + QStringLiteral(".import-%1-%2")
                                                       .arg(QSysInfo::machineHostName())
                                                       .arg(QCoreApplication::applicationPid());
}

constexpr int ImportMarkLifeSecs = 3600;

} // namespace

bool importMarked(sqlite3* handle) {
    const QString database = databaseFileOf(handle);
    if (database.isEmpty())
        return false;
    const QFileInfo file(database);
    const QString own = QFileInfo(ownImportMark(database)).fileName();
    const QFileInfoList marks = file.dir().entryInfoList(
        {importMarkPrefix(database) + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
    const QDateTime now = QDateTime::currentDateTime();
    for (const QFileInfo& mark : marks)
        if (mark.fileName() != own && mark.lastModified().secsTo(now) < ImportMarkLifeSecs)
            return true;
    return false;
}

QString importUnderWayText() {
    return QStringLiteral("Importation en cours sur un autre poste… Réessayez dans un instant.");
}

ImportMark::ImportMark(const QSqlDatabase& db)
    : file_(ownImportMark(databaseFileOf(sqliteHandle(db.driver())))) {
    QFile f(file_);
    if (!file_.isEmpty() && !f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file_.clear(); // a folder one cannot write to: nothing to say
}

ImportMark::~ImportMark() {
    if (!file_.isEmpty())
        QFile::remove(file_);
}

sqlite3* sqliteHandle(const QSqlDriver* driver) {
    if (!driver)
        return nullptr;
    const QVariant v = driver->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(v.data());
    return nullptr;
}

const Dialect& sqliteDialect() {
    static const SqliteDialect dialect;
    return dialect;
}

const Dialect& postgresDialect() {
    static const PostgresDialect dialect;
    return dialect;
}

const Dialect& Dialect::of(const QSqlDatabase& db) {
    return of(db.isValid() ? db.driver() : nullptr);
}

const Dialect& Dialect::of(const QSqlDriver* driver) {
    // The one place that picks the engine from the connection.
    if (driver && driver->dbmsType() == QSqlDriver::PostgreSQL)
        return postgresDialect();
    return sqliteDialect();
}

const Dialect& Dialect::at(const QString& location) {
    return isServerAddress(location) ? postgresDialect() : sqliteDialect();
}

const Dialect& Dialect::server() {
    return postgresDialect();
}

QString Dialect::insertIgnoringDuplicate(const QString& insert) const {
    return insert + QStringLiteral(" ON CONFLICT DO NOTHING");
}

QString Dialect::upsert(const QString& insert, const QStringList& keys,
                        const QStringList& updates) const {
    return insert + QStringLiteral(" ON CONFLICT (%1) DO UPDATE SET %2")
                        .arg(keys.join(QStringLiteral(", ")), updates.join(QStringLiteral(", ")));
}

QString Dialect::proposedValue(const QString& field) const {
    return QStringLiteral("excluded.") + field;
}

QString Dialect::asText(const QString& expression) const {
    return QStringLiteral("CAST(%1 AS TEXT)").arg(expression);
}

QString Dialect::concatenation(const QStringList& parts) const {
    return parts.join(QStringLiteral(" || "));
}

QString Dialect::unindexedOrder(const QString& column) const {
    return column + QStringLiteral(" || ''");
}

bool Dialect::connectionLost(const QSqlDriver*, bool) const {
    return false;
}

bool Dialect::sessionIdle(const QSqlDriver*) const {
    return false;
}

void Dialect::settleSession(const QSqlDriver*) const {}

bool Dialect::readingWaits(const QSqlDriver*) const {
    return false;
}

QVariant Dialect::sessionVersion(const QSqlDatabase&) const {
    return {};
}

std::optional<QVariant> Dialect::runAsOne(const QSqlDatabase&, const QStringList&) const {
    return std::nullopt;
}

bool Dialect::preparationForgotten(const QSqlError&) const {
    return false;
}

namespace {

const Dialect::Cause* findCause(std::span<const Dialect::Cause> table, const QString& code) {
    const auto find = [&](QStringView c) -> const Dialect::Cause* {
        for (const Dialect::Cause& cause : table)
            if (c == QLatin1String(cause.code))
                return &cause;
        return nullptr;
    };
    const Dialect::Cause* cause = find(code);
    // A SQLSTATE has five characters, its class the first two.
    if (!cause && code.size() == 5)
        cause = find(QStringView(code).left(2));
    return cause;
}

} // namespace

QString Dialect::errorCause(const QString& code) const {
    const Cause* cause = findCause(causes(), code);
    return QString::fromUtf8(cause ? cause->text : "La base de données a refusé l'opération.");
}

int Dialect::errorNumber(const QString& code) const {
    const Cause* cause = findCause(causes(), code);
    return cause && cause->number ? cause->number : OtherErrorNumber;
}

void RowSource::utf8Fields(std::span<const int> columns, FieldBytes* out) const {
    for (const int column : columns) {
        FieldBytes& field = *out++;
        if (column < 0) {
            field.kind = FieldBytes::Kind::Absent;
        } else if (const std::optional<QByteArrayView> bytes = utf8(column)) {
            field.data = bytes->data();
            field.size = int(bytes->size());
            field.kind = FieldBytes::Kind::Utf8;
        } else {
            field.kind = isNull(column) ? FieldBytes::Kind::Absent : FieldBytes::Kind::Other;
        }
    }
}

std::unique_ptr<RowSource> Dialect::bulkRead(QSqlQuery& query) const {
    return std::make_unique<QueryRowSource>(query);
}

std::unique_ptr<RowSource> bulkRead(QSqlQuery& query) {
    return Dialect::of(query.driver()).bulkRead(query);
}

} // namespace vdn
