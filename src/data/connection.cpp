#include "data/connection.h"

#include "data/dialect.h"
#include "data/schema.h"
#include "data/server_address.h"
#include "data/server_call.h"
#include "data/server_link.h"
#include "data/server_watch.h"
#include "data/statement.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDriver>
#include <QUrl>

#include <optional>
#include <utility>

#include <sqlite3.h>

namespace vdn {

namespace {

QAtomicInteger<int> connectionCounter;

enum class FileKind { SQLite, Empty, Jet, Unreadable, Other };

FileKind inspect(const QString& path, QString* reason) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *reason = f.errorString();
        return FileKind::Unreadable;
    }
    const QByteArray head = f.read(32);
    if (head.isEmpty())
        return FileKind::Empty;
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return FileKind::SQLite;
    // Access/Jet files left by an older installation.
    if (head.startsWith(QByteArray("\x00\x01\x00\x00", 4)) &&
        (head.mid(4).startsWith("Standard Jet DB") || head.mid(4).startsWith("Standard ACE DB")))
        return FileKind::Jet;
    return FileKind::Other;
}

QString uriFor(const QString& path, const char* mode) {
    // Percent-encode everything but the separators so that '?', '#' or '%' in
    // a folder name cannot end the file name early.
    const QByteArray encoded = QUrl::toPercentEncoding(path, "/");
    return QStringLiteral("file:") + QString::fromLatin1(encoded) + QStringLiteral("?mode=") +
           QLatin1String(mode);
}

// Why a file the engine could not read as a database is not one of ours,
// from its first bytes; nothing when it looks like an SQLite database. Only
// called once the engine has failed on the file: a descriptor of ours on a
// file the engine holds would drop the engine's locks when closed.
std::optional<DataError> notADatabase(const QString& path) {
    QString reason;
    switch (inspect(path, &reason)) {
    case FileKind::SQLite:
        break;
    case FileKind::Unreadable:
        return DataError::other(
            errnum::FileAccess,
            QStringLiteral("Impossible de lire la base de données %1 : %2").arg(path, reason));
    case FileKind::Jet:
        return DataError::other(errnum::UnrecognizedFormat,
                                QStringLiteral("%1 est une base Access d'une ancienne installation "
                                               "; VORDAN ne peut pas l'ouvrir. Créez une nouvelle "
                                               "base avec « vordan --creer-base DOSSIER ».")
                                    .arg(path));
    case FileKind::Empty:
    case FileKind::Other:
        return DataError::other(
            errnum::UnrecognizedFormat,
            QStringLiteral("%1 n'est pas une base de données VORDAN (format non reconnu)")
                .arg(path));
    }
    return std::nullopt;
}

} // namespace

int Connection::busyTimeoutMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("VORDAN_BUSY_TIMEOUT_MS", &ok);
    return ok && ms >= 0 && ms <= 600000 ? ms : BusyTimeoutMs;
}

Connection::Connection(QString name, QString path)
    : name_(std::move(name)), path_(std::move(path)) {}

namespace {

// A server session kept open when its connection is closed, so that the
// next connection to the same database (the next window opened) starts
// without the round trips of a new session: the log-in and Qt's and our
// settings. One per address; its settings, its mark of an open session and
// its prepared statements stay with it.
struct ParkedSession {
    QString address;
    QString name;
};

constexpr qsizetype MostParked = 2;

QList<ParkedSession>& parkedSessions() {
    static QList<ParkedSession> parked;
    return parked;
}

void closeSession(const QString& name) {
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid()) {
            forgetPreparations(db.driver());
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

// The parked sessions end with the program (before Qt's drivers go).
void closeParkedSessions() {
    const QList<ParkedSession> parked = std::exchange(parkedSessions(), {});
    for (const ParkedSession& p : parked)
        closeSession(p.name);
}

// Takes the session parked for `address`, if any.
std::optional<QString> unpark(const QString& address) {
    QList<ParkedSession>& parked = parkedSessions();
    for (qsizetype i = 0; i < parked.size(); ++i)
        if (parked.at(i).address == address)
            return parked.takeAt(i).name;
    return std::nullopt;
}

// The server databases found with every table, at this program's schema,
// since the program started (by address).
QSet<QString>& checkedAddresses() {
    static QSet<QString> checked;
    return checked;
}

} // namespace

Connection::~Connection() {
    // A checked server database's session outside any transaction is kept
    // for the next connection; any other is closed.
    if (QCoreApplication::instance() && db_.isValid() && db_.isOpen() &&
        Dialect::of(db_).isServer() && checkedAddresses().contains(path_) &&
        Dialect::of(db_).sessionIdle(db_.driver()) &&
        !Dialect::of(db_).connectionLost(db_.driver(), false)) {
        db_ = QSqlDatabase();
        static const bool closedAtExit = (qAddPostRoutine(closeParkedSessions), true);
        Q_UNUSED(closedAtExit);
        if (std::optional<QString> older = unpark(path_))
            closeSession(*older);
        // A program works on one database, seldom two: a few sessions kept at
        // most, the oldest ended first.
        while (parkedSessions().size() >= MostParked)
            closeSession(parkedSessions().takeFirst().name);
        parkedSessions().append({path_, name_});
        return;
    }
    db_ = QSqlDatabase();
    closeSession(name_);
}

sqlite3* Connection::handle() const {
    return sqliteHandle(db_.isValid() ? db_.driver() : nullptr);
}

bool Connection::onServer() const {
    return db_.isValid() && Dialect::of(db_).isServer();
}

Status Connection::execute(const QString& sql) {
    return run(db_, sql);
}

namespace {

// The session's settings. A server takes them in one round trip; should
// that fail, each is run on its own, so that the failure is reported as
// any statement's. SQLite runs each.
Status applySettings(QSqlDatabase& db) {
    const QStringList settings = Dialect::of(db).sessionSettings();
    if (Dialect::of(db).runAsOne(db, settings))
        return {};
    for (const QString& setting : settings)
        if (Status s = run(db, setting); !s)
            return s;
    return {};
}

// A database checked before in this session, opened again (each window
// opens its own connection): the settings, the mark of an open session and
// the schema's version in one round trip. Whether the version is this
// program's; anything else (another version, a failure) leaves the whole
// check to the caller, which applies the settings again first.
bool reopenedAtSchema(QSqlDatabase& db) {
    const Dialect& d = Dialect::of(db);
    const std::optional<QVariant> version = d.runAsOne(
        db, d.sessionSettings() + d.openSessionMarks() + QStringList{d.readSchemaVersion()});
    return version && version->toInt() == SchemaVersion;
}

} // namespace

namespace {
// The drivers whose connection met a connection failure since it was opened.
QSet<const QSqlDriver*>& lostDrivers() {
    static QSet<const QSqlDriver*> lost;
    return lost;
}
} // namespace

namespace {
ServerWaitNotice waitNotice = nullptr;

// Opens a server connection with the wait notice shown meanwhile.
bool openWithNotice(QSqlDatabase& db) {
    if (waitNotice)
        waitNotice(true);
    const bool opened = db.open();
    if (waitNotice)
        waitNotice(false);
    return opened;
}
} // namespace

void setServerWaitNotice(ServerWaitNotice notice) {
    waitNotice = notice;
}

bool reopenedAfterLoss(const QSqlDriver* driver, Status* status) {
    if (!driver || !lostDrivers().contains(driver))
        return false;
    return reopenLostConnection(driver, status) && status->ok();
}

void markConnectionLost(const QSqlDriver* driver) {
    if (driver)
        lostDrivers().insert(driver);
}

Status reconnectIfLost(const QSqlDatabase& db) {
    // The driver closes a connection whose server went away; the client
    // library marks one that failed under a statement; a connection failure
    // marks it here.
    if (!db.isValid() ||
        !Dialect::of(db).connectionLost(db.driver(), lostDrivers().contains(db.driver())))
        return {};
    QSqlDatabase again = db; // the same named connection, shared by every copy
    // The server forgot the old session's preparations.
    forgetPreparations(again.driver());
    again.close();
    if (!openWithNotice(again)) {
        // The reopening's own cause is the action's failure; the next action
        // tries again.
        const DataError failed = DataError::fromDatabase(again, again.hostName());
        markConnectionLost(again.driver());
        return failed;
    }
    watchServerSession(serverHandle(again), again.driver());
    lostDrivers().remove(again.driver());
    // A session without its settings (a statement that would wait for ever
    // on a lock) is not used: the failure is the action's, and the next one
    // opens the session again.
    Status s = applySettings(again);
    for (const QString& sql : Dialect::of(again).openSessionMarks())
        if (s)
            s = run(again, sql);
    if (!s)
        markConnectionLost(again.driver());
    return s;
}

bool reopenLostConnection(const QSqlDriver* driver, Status* status) {
    if (!driver || !Dialect::of(driver).connectionLost(driver, lostDrivers().contains(driver)))
        return false;
    for (const QString& name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driver() == driver) {
            *status = reconnectIfLost(db);
            return db.isOpen();
        }
    }
    return false;
}

Result<std::unique_ptr<Connection>> Connection::openServer(const QString& address, Mode mode,
                                                           Progress* progress) {
    Result<ServerAddress> a = parseServerAddress(address);
    if (!a)
        return a.error();
    const Dialect& dialect = Dialect::at(address);
    // A session kept from a connection closed before: one round trip tells
    // that it is alive (a lost one is opened again by the statement) and that
    // the schema is still this program's; otherwise it ends, and a new
    // session is opened and checked as usual.
    if (mode == Mode::ExistingOnly && checkedAddresses().contains(address))
        if (std::optional<QString> parked = unpark(address)) {
            QSqlDatabase db = QSqlDatabase::database(*parked, false);
            const Result<QVariant> version = scalar(db, dialect.readSchemaVersion());
            if (version && version->toInt() == SchemaVersion) {
                std::unique_ptr<Connection> c(new Connection(*parked, address));
                c->db_ = db;
                return c;
            }
            db = QSqlDatabase();
            closeSession(*parked);
        }
    const QString name =
        QStringLiteral("vordan_%1").arg(connectionCounter.fetchAndAddRelaxed(1) + 1);
    std::unique_ptr<Connection> c(new Connection(name, address));
    c->db_ = QSqlDatabase::addDatabase(dialect.engine(), name);
    if (!c->db_.isValid())
        return DataError::other(errnum::UnrecognizedFormat, dialect.driverMissing());
    c->db_.setHostName(a->host);
    c->db_.setPort(a->port);
    c->db_.setDatabaseName(a->database);
    c->db_.setUserName(a->user);
    c->db_.setConnectOptions(connectOptions(*a));
    if (!openWithNotice(c->db_))
        return DataError::fromDatabase(c->db_, address);
    watchServerSession(serverHandle(c->db_), c->db_.driver());
    // A server tells its version when the session starts: no statement.
    QVariant version = dialect.sessionVersion(c->db_);
    if (!version.isValid()) {
        Result<QVariant> asked = scalar(c->db_, dialect.versionQuery());
        if (!asked)
            return asked.error();
        version = *asked;
    }
    if (std::optional<DataError> refused = dialect.refusedVersion(version))
        return *refused;
    if (mode == Mode::ExistingOnly && checkedAddresses().contains(address) &&
        reopenedAtSchema(c->db_))
        return c;
    if (Status s = applySettings(c->db_); !s)
        return s.error();
    switch (mode) {
    case Mode::ExistingOnly:
        if (Status s = checkAndMigrate(*c, progress); !s)
            return s.error();
        checkedAddresses().insert(address);
        break;
    case Mode::CreateNew:
    case Mode::Blank: {
        Result<bool> empty = holdsNoTables(*c);
        if (!empty)
            return empty.error();
        if (!*empty)
            return DataError::other(
                errnum::FileAccess,
                QStringLiteral("La base de données %1 contient déjà des tables de VORDAN ; elle "
                               "ne sera pas remplacée")
                    .arg(address));
        if (mode == Mode::CreateNew)
            if (Status s = createSchema(*c); !s)
                return s.error();
        break;
    }
    }
    return c;
}

Result<std::unique_ptr<Connection>> Connection::open(const QString& path, Mode mode,
                                                     Progress* progress) {
    if (isServerAddress(path))
        return openServer(path, mode, progress);
    const QFileInfo info(path);
    if (mode == Mode::ExistingOnly) {
        if (!info.exists())
            return DataError::other(errnum::DatabaseNotFound,
                                    QStringLiteral("Base de données introuvable : %1").arg(path));
        if (info.isDir())
            return DataError::other(
                errnum::DatabaseNotFound,
                QStringLiteral("%1 est un dossier, pas une base de données").arg(path));
    } else if (info.exists()) {
        return DataError::other(
            errnum::FileAccess,
            QStringLiteral("Le fichier %1 existe déjà ; il ne sera pas remplacé").arg(path));
    }

    const QString name =
        QStringLiteral("vordan_%1").arg(connectionCounter.fetchAndAddRelaxed(1) + 1);
    std::unique_ptr<Connection> c(new Connection(name, path));
    const Dialect& dialect = Dialect::at(path);
    c->db_ = QSqlDatabase::addDatabase(dialect.engine(), name);
    if (!c->db_.isValid())
        return DataError::other(errnum::UnrecognizedFormat, dialect.driverMissing());
    c->db_.setDatabaseName(uriFor(path, mode == Mode::ExistingOnly ? "rw" : "rwc"));
    c->db_.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs()));
    // The engine reads the file first; only a file it refuses is looked at.
    const auto refused = [&](const DataError& error) -> DataError {
        const bool unread = error.number == SQLITE_NOTADB || error.number == SQLITE_CANTOPEN ||
                            error.number == SQLITE_PERM ||
                            error.number == errnum::UnrecognizedFormat;
        if (mode == Mode::ExistingOnly && unread)
            if (std::optional<DataError> why = notADatabase(path))
                return *why;
        return error;
    };
    if (!c->db_.open())
        return refused(DataError::fromDatabase(c->db_, path));
    if (!dialect.registerFunctions(c->db_))
        return DataError::other(
            errnum::UnrecognizedFormat,
            QStringLiteral("Impossible d'enregistrer les fonctions SQL de VORDAN"));
    for (const QString& setting : dialect.sessionSettings())
        if (Status s = c->execute(setting); !s)
            return refused(s.error());
    if (mode == Mode::CreateNew) {
        if (Status s = createSchema(*c); !s)
            return s.error();
    } else if (mode == Mode::Blank) {
        // Nothing written yet: the caller writes the schema.
    } else if (Status s = checkAndMigrate(*c, progress); !s) {
        return refused(s.error());
    }
    return c;
}

namespace {
bool begin(QSqlDatabase& db) {
    countStatementRun();
    return awaitServer(db.driver(), [&db] { return db.transaction(); });
}
bool commitOf(QSqlDatabase& db) {
    countStatementRun();
    return awaitServer(db.driver(), [&db] { return db.commit(); });
}
void rollbackOf(QSqlDatabase& db) {
    countStatementRun();
    awaitServer(db.driver(), [&db] { return db.rollback(); });
}
} // namespace

Transaction::Transaction(QSqlDatabase& db) : db_(db) {
    if (Status s = reconnectIfLost(db_); !s) {
        started_ = s;
        return;
    }
    const bool idle = Dialect::of(db_).sessionIdle(db_.driver());
    if (begin(db_))
        return;
    started_ = DataError::fromDatabase(db_, QStringLiteral("BEGIN"));
    // A session lost while the workstation sat idle: the transaction never
    // began, so it begins on a new session.
    Status reopened;
    if (idle && !started_.error().unanswered && reopenedAfterLoss(db_.driver(), &reopened))
        started_ =
            begin(db_) ? Status() : Status(DataError::fromDatabase(db_, QStringLiteral("BEGIN")));
    else if (!reopened)
        started_ = reopened;
}

Transaction::~Transaction() {
    if (started_.ok() && !done_)
        rollbackOf(db_);
}

Status Transaction::commit() {
    if (!started_.ok())
        return started_;
    done_ = true;
    if (!commitOf(db_)) {
        const DataError err = DataError::fromDatabase(db_, QStringLiteral("COMMIT"));
        rollbackOf(db_);
        return err;
    }
    return {};
}

LockedTransaction::LockedTransaction(QSqlDatabase& db) : db_(db) {
    if (Status s = reconnectIfLost(db_); !s) {
        started_ = s;
        return;
    }
    const QStringList begin = Dialect::of(db_).beginLocked();
    for (const QString& sql : begin) {
        started_ = run(db_, sql);
        if (!started_.ok())
            break;
        open_ = true;
    }
}

LockedTransaction::~LockedTransaction() {
    if (open_)
        run(db_, QStringLiteral("ROLLBACK"));
}

Status LockedTransaction::commit() {
    if (!started_.ok())
        return started_;
    open_ = false;
    if (Status s = run(db_, QStringLiteral("COMMIT")); !s) {
        run(db_, QStringLiteral("ROLLBACK"));
        return s;
    }
    return {};
}

} // namespace vdn
