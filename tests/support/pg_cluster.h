#pragma once

#include <QString>
#include <QStringList>

namespace vdn::test {

// A throw-away PostgreSQL cluster for the tests of one test program: initdb
// and postgres from /usr/lib/postgresql/*/bin (the newest), run as the
// unprivileged user "postgres" through runuser when the tests run as root
// (the server refuses root), in a temporary folder that user owns; its Unix
// socket in that folder, TCP on 127.0.0.1 at a free port. Never touches a
// cluster of the system. Stopped and removed when the program ends.
class PgCluster {
public:
    // The cluster of this test program, started on first use.
    static PgCluster& shared();

    // A cluster of its own (the benchmark's). `durable`: every commit flushed
    // to the disk, as a server is installed; the shared cluster of the tests
    // skips the flushes.
    explicit PgCluster(bool durable);

    bool ok() const { return error_.isEmpty(); }
    // Why the cluster could not start (for the skip or failure message).
    const QString& error() const { return error_; }

    int port() const { return port_; }
    QString socketFolder() const;

    // The address of a database of the cluster, through the Unix socket or
    // through TCP on the loopback.
    QString address(const QString& database, bool tcp = false) const;
    // A new empty database (UTF8, C locale), owned by the cluster's role;
    // its address, or an empty text when it could not be made.
    QString newDatabase();
    // Runs SQL on a database of the cluster with psql (unaligned, tuples
    // only); false on failure, with psql's words in the warning and `output`.
    bool psql(const QString& database, const QString& sql, QString* output = nullptr) const;
    // A login role of the cluster's own (superuser) that must give `password`
    // when it connects through TCP, as on a shop's network; other roles and
    // the socket stay without a password. False on failure.
    bool addPasswordRole(const QString& role, const QString& password);
    // The newest server's programs: /usr/lib/postgresql/VERSION/bin holding
    // initdb and pg_ctl; empty when none is installed.
    static QString binaries();
    // The database name of an address made by newDatabase().
    static QString databaseOf(const QString& address);

    // `pg_ctl stop -m immediate`: the server is killed as in a power cut.
    bool stopImmediately();
    bool start();

    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

private:
    bool runAsOwner(const QString& program, const QStringList& args, QString* output = nullptr,
                    int timeoutMs = 60000) const;
    QString bin_;
    QString root_;
    QString error_;
    int port_ = 0;
    int databases_ = 0;
    bool asRoot_ = false;
    bool durable_ = false;
};

} // namespace vdn::test

// Gives the shared cluster as `var`; when it cannot start, the test is
// skipped with the reason, or fails under continuous integration.
#define VDN_NEED_SERVER(var)                                                                       \
    vdn::test::PgCluster& var = vdn::test::PgCluster::shared();                                    \
    do {                                                                                           \
        if (!var.ok()) {                                                                           \
            if (vdn::test::underCi())                                                              \
                QFAIL(qPrintable(QStringLiteral("PostgreSQL test server: ") + var.error()));       \
            QSKIP(qPrintable(QStringLiteral("PostgreSQL test server: ") + var.error()));           \
        }                                                                                          \
    } while (false)
