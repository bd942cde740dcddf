#include "support/pg_cluster.h"

// The Windows test programs run under Wine, where the Linux server's programs
// cannot be started: every cluster reports why, so that a test needing one is
// skipped (or fails under continuous integration) with that reason. The
// Windows program meets a real server in scripts/windows/test-server.sh.

namespace vdn::test {

namespace {
const QString NoServer = QStringLiteral(
    "no throw-away server in the Windows test programs (see scripts/windows/test-server.sh)");
} // namespace

QString PgCluster::binaries() {
    return {};
}

PgCluster& PgCluster::shared() {
    static PgCluster cluster(false);
    return cluster;
}

PgCluster::PgCluster(bool durable) : error_(NoServer), durable_(durable) {}

PgCluster::~PgCluster() = default;

QString PgCluster::socketFolder() const {
    return {};
}

bool PgCluster::runAsOwner(const QString&, const QStringList&, QString*, int) const {
    return false;
}

bool PgCluster::start() {
    return false;
}

bool PgCluster::stopImmediately() {
    return false;
}

QString PgCluster::address(const QString&, bool) const {
    return {};
}

QString PgCluster::databaseOf(const QString&) {
    return {};
}

bool PgCluster::psql(const QString&, const QString&, QString*) const {
    return false;
}

bool PgCluster::addPasswordRole(const QString&, const QString&) {
    return false;
}

QString PgCluster::newDatabase() {
    return {};
}

} // namespace vdn::test
