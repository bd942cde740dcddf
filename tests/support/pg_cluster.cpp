#include "support/pg_cluster.h"

#include "support/outside_program.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vdn::test {

namespace {

// The role the tests connect as: the cluster's superuser.
const QString Role = QStringLiteral("vordan_test");

} // namespace

QString PgCluster::binaries() {
    QDir lib(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(),
              [&](const QString& a, const QString& b) { return numeric.compare(a, b) > 0; });
    for (const QString& v : versions) {
        const QString bin = lib.filePath(v + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) &&
            QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return {};
}

namespace {

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

} // namespace

PgCluster& PgCluster::shared() {
    static PgCluster cluster(false);
    return cluster;
}

QString PgCluster::socketFolder() const {
    return root_ + QStringLiteral("/sock");
}

bool PgCluster::runAsOwner(const QString& program, const QStringList& args, QString* output,
                           int timeoutMs) const {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(root_);
    if (asRoot_)
        p.start(QStringLiteral("runuser"),
                QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                            program} +
                    args);
    else
        p.start(program, args);
    const bool finished = p.waitForStarted(10000) && p.waitForFinished(timeoutMs);
    const QString out = QString::fromLocal8Bit(p.readAll());
    if (output)
        *output = out;
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), qPrintable(out.trimmed()));
        return false;
    }
    return true;
}

PgCluster::PgCluster(bool durable) : durable_(durable) {
    bin_ = binaries();
    if (bin_.isEmpty()) {
        error_ = QStringLiteral("no server under /usr/lib/postgresql/*/bin (Debian postgresql)");
        return;
    }
    asRoot_ = ::geteuid() == 0;
    const passwd* owner = asRoot_ ? ::getpwnam("postgres") : nullptr;
    if (asRoot_ && !owner) {
        error_ = QStringLiteral("running as root and there is no user postgres to run the server");
        return;
    }
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/vordan-pg-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        error_ = QStringLiteral("cannot make a temporary folder");
        return;
    }
    root_ = QString::fromLocal8Bit(pattern);
    QDir().mkpath(socketFolder());
    if (asRoot_) {
        for (const QString& path : {root_, socketFolder()})
            if (::chown(QFile::encodeName(path).constData(), owner->pw_uid, owner->pw_gid) != 0) {
                error_ = QStringLiteral("cannot give %1 to the user postgres").arg(path);
                return;
            }
    }
    const QString data = root_ + QStringLiteral("/data");
    QString out;
    if (!runAsOwner(bin_ + QStringLiteral("/initdb"),
                    {QStringLiteral("-D"), data, QStringLiteral("-U"), Role, QStringLiteral("-A"),
                     QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                     QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
                    &out, 180000)) {
        error_ = QStringLiteral("initdb failed: ") + out.trimmed().right(400);
        return;
    }
    port_ = freePort();
    if (port_ == 0 || !start()) {
        error_ = QStringLiteral("the server did not start (see %1/server.log)").arg(root_);
        return;
    }
}

bool PgCluster::start() {
    // fsync off for the tests: a killed server keeps what the system has
    // been given, which is all they need; a power cut is not what they play.
    QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 "
                                     "-c max_connections=40")
                          .arg(port_)
                          .arg(socketFolder());
    if (!durable_)
        options += QStringLiteral(" -c fsync=off -c full_page_writes=off");
    return runAsOwner(bin_ + QStringLiteral("/pg_ctl"),
                      {QStringLiteral("-D"), root_ + QStringLiteral("/data"), QStringLiteral("-l"),
                       root_ + QStringLiteral("/server.log"), QStringLiteral("-o"), options,
                       QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                       QStringLiteral("start")});
}

bool PgCluster::stopImmediately() {
    return runAsOwner(bin_ + QStringLiteral("/pg_ctl"),
                      {QStringLiteral("-D"), root_ + QStringLiteral("/data"), QStringLiteral("-m"),
                       QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
}

PgCluster::~PgCluster() {
    if (root_.isEmpty())
        return;
    // Past the end of main(): plain system() calls, no Qt process machinery.
    const QByteArray data = QFile::encodeName(root_ + QStringLiteral("/data"));
    const QByteArray ctl = QFile::encodeName(bin_ + QStringLiteral("/pg_ctl"));
    const QByteArray stop = (asRoot_ ? QByteArray("runuser -u postgres -- ") : QByteArray()) + "'" +
                            ctl + "' -D '" + data + "' -m fast -w stop >/dev/null 2>&1";
    if (port_ != 0 && std::system(stop.constData()) != 0)
        std::fprintf(stderr, "test server: pg_ctl stop failed\n");
    QDir(root_).removeRecursively();
}

QString PgCluster::address(const QString& database, bool tcp) const {
    if (tcp)
        return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(Role).arg(port_).arg(database);
    // Concatenated: the encoded folder holds '%' signs.
    return QStringLiteral("postgresql://") + Role + QStringLiteral("@/") + database +
           QStringLiteral("?host=") + QString::fromLatin1(QUrl::toPercentEncoding(socketFolder())) +
           QStringLiteral("&port=") + QString::number(port_);
}

QString PgCluster::databaseOf(const QString& address) {
    const QString afterHost = address.section(QLatin1Char('/'), 3);
    return afterHost.section(QLatin1Char('?'), 0, 0);
}

bool PgCluster::psql(const QString& database, const QString& sql, QString* output) const {
    QString out;
    const bool ran = runAsOwner(
        bin_ + QStringLiteral("/psql"),
        {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
         QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"),
         socketFolder(), QStringLiteral("-p"), QString::number(port_), QStringLiteral("-U"), Role,
         QStringLiteral("-d"), database, QStringLiteral("-c"), sql},
        &out);
    if (output)
        *output = out.trimmed();
    return ran;
}

bool PgCluster::addPasswordRole(const QString& role, const QString& password) {
    QString quoted = password;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    if (!psql(QStringLiteral("postgres"),
              QStringLiteral("CREATE ROLE \"%1\" LOGIN SUPERUSER PASSWORD '%2'").arg(role, quoted)))
        return false;
    // pg_hba.conf is read from the top: the line for this role goes first.
    const QString line = QStringLiteral("host all \"%1\" 127.0.0.1/32 scram-sha-256").arg(role);
    QString hba = root_ + QStringLiteral("/data/pg_hba.conf");
    return runAsOwner(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"),
                       QStringLiteral("{ printf '%s\\n' \"$1\"; cat \"$2\"; } > \"$2.new\" && "
                                      "mv \"$2.new\" \"$2\""),
                       QStringLiteral("sh"), line, hba}) &&
           psql(QStringLiteral("postgres"), QStringLiteral("SELECT pg_reload_conf()"));
}

QString PgCluster::newDatabase() {
    if (!ok())
        return {};
    const QString name = QStringLiteral("vdn_%1_%2").arg(::getpid()).arg(++databases_);
    QString out;
    if (!runAsOwner(bin_ + QStringLiteral("/createdb"),
                    {QStringLiteral("-h"), socketFolder(), QStringLiteral("-p"),
                     QString::number(port_), QStringLiteral("-U"), Role, QStringLiteral("-E"),
                     QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("-T"),
                     QStringLiteral("template0"), name},
                    &out))
        return {};
    return address(name);
}

} // namespace vdn::test
