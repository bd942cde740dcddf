// ctest-labels: postgresql
// A server that stops answering in the middle of a session: the statement
// waiting for it ends after the time limit with a message naming the
// server, the actions that follow report why the server cannot be reached,
// and the first action once it answers again works. Past a shorter delay,
// the window shows that it waits for the server, until the statement ends.

#include "data/connection.h"
#include "data/database_creator.h"
#include "data/server_call.h"
#include "data/server_watch.h"
#include "data/statement.h"
#include "support/outside_program.h"
#include "support/pg_cluster.h"
#include "widgets/server_notice.h"

#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace vdn;

namespace {

// A TCP relay on the loopback in front of the test server. stall() stops it
// forwarding anything, on the connections open and on new ones, while its
// kernel still accepts and acknowledges; resume() forwards again. A
// connection stalled for half a minute is closed, so that a test that fails
// ends.
class Relay {
public:
    explicit Relay(int target) : target_(target) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), size) != 0 ||
            ::listen(listener_, 16) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            return;
        port_ = ntohs(a.sin_port);
        threads_.emplace_back([this] { acceptLoop(); });
    }
    ~Relay() {
        stop_ = true;
        for (std::thread& t : threads_)
            t.join();
        ::close(listener_);
    }
    int port() const { return port_; }
    void stall() { forwarding_ = false; }
    void resume() { forwarding_ = true; }

private:
    static constexpr int StallLimitMs = 30000;

    void acceptLoop() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                continue;
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(quint16(target_));
            if (::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
                ::close(client);
                ::close(server);
                continue;
            }
            const std::lock_guard lock(mutex_);
            threads_.emplace_back([this, client, server] { pump(client, server); });
        }
    }
    void pump(int client, int server) {
        QElapsedTimer stalled;
        char buffer[16384];
        while (!stop_) {
            if (!forwarding_) {
                if (!stalled.isValid())
                    stalled.start();
                if (stalled.elapsed() > StallLimitMs)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            stalled.invalidate();
            pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (::poll(p, 2, 20) <= 0)
                continue;
            bool ended = false;
            for (int i = 0; i < 2 && !ended; ++i) {
                if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t n = ::read(p[i].fd, buffer, sizeof buffer);
                ended = n <= 0 || ::write(p[1 - i].fd, buffer, size_t(n)) != n;
            }
            if (ended)
                break;
        }
        ::close(client);
        ::close(server);
    }

    int target_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> forwarding_{true};
    std::mutex mutex_;
    std::vector<std::thread> threads_;
};

// A new base on the test server, its address through the relay (empty when
// either could not be made).
QString relayedBase(test::PgCluster& cluster, const Relay& relay) {
    CreateOptions options;
    options.folder = cluster.newDatabase();
    if (relay.port() <= 0 || !createDatabase(options).ok())
        return {};
    QString address = cluster.address(test::PgCluster::databaseOf(options.folder), true);
    address.replace(QStringLiteral(":%1/").arg(cluster.port()),
                    QStringLiteral(":%1/").arg(relay.port()));
    return address + QStringLiteral("?connect_timeout=2");
}

constexpr int LimitMs = 1500;
constexpr int NoticeMs = 400;

// What the notice was told, with the time since the statement began, and
// whether the window's own pixels showed the notice at that moment (read
// from the window's back buffer, as painted without the event loop).
struct NoticeRecord {
    QElapsedTimer since;
    QWidget* window = nullptr;
    QImage before;
    QStringList told; // "shown", "hidden"
    QList<qint64> at;
    bool painted = false;
};
NoticeRecord record;

QImage windowPixels() {
    return QGuiApplication::primaryScreen()->grabWindow(record.window->winId()).toImage();
}

void recordNotice(bool waiting) {
    showStatementWait(waiting);
    record.told << QString::fromLatin1(waiting ? "shown" : "hidden");
    record.at << record.since.elapsed();
    if (waiting) {
        auto* label = record.window->findChild<QLabel*>(QStringLiteral("serverNotice"));
        const QRect r = label && label->isVisible() ? label->geometry() : QRect();
        record.painted = !r.isEmpty() && windowPixels().copy(r) != record.before.copy(r);
    }
}

} // namespace

class TestServerStall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { startServerWatch(LimitMs); }
    void unanswered_statement_ends_with_its_cause_data();
    void unanswered_statement_ends_with_its_cause();
    void wait_is_shown_until_the_statement_ends();
};

void TestServerStall::unanswered_statement_ends_with_its_cause_data() {
    QTest::addColumn<bool>("networkStalls");
    // The packets go nowhere; the server is there but busy.
    QTest::addRow("relay stops forwarding") << true;
    QTest::addRow("server too busy") << false;
}

void TestServerStall::unanswered_statement_ends_with_its_cause() {
    QFETCH(bool, networkStalls);
    VDN_NEED_SERVER(cluster);
    Relay relay(cluster.port());
    const QString address = relayedBase(cluster, relay);
    QVERIFY(!address.isEmpty());
    const QString server = QStringLiteral("127.0.0.1:%1").arg(relay.port());
    Result<std::unique_ptr<Connection>> c = Connection::open(address);
    QVERIFY2(c.ok(), c.ok() ? "" : qPrintable(c.error().text));
    QSqlDatabase& db = (*c)->db();
    const QString count = QStringLiteral("SELECT COUNT(*) FROM strclient");
    QVERIFY(scalar(db, count).ok());

    // The statement that meets the silence ends soon after the limit (a
    // cancel, then the socket shut two seconds later), naming the server.
    QElapsedTimer clock;
    clock.start();
    Result<QVariant> met = DataError{};
    if (networkStalls) {
        relay.stall();
        met = scalar(db, count);
    } else {
        met = scalar(db, QStringLiteral("SELECT pg_sleep(20)"));
    }
    const qint64 waited = clock.elapsed();
    QVERIFY(!met.ok());
    QVERIFY2(waited >= LimitMs && waited < LimitMs + 4000, qPrintable(QString::number(waited)));
    QCOMPARE(met.error().text,
             QStringLiteral("Le serveur de base de données %1 n'a pas répondu en 2 secondes : "
                            "l'action a été abandonnée (serveur arrêté ou surchargé, réseau "
                            "coupé). Ce qui est saisi reste à l'écran ; l'action suivante "
                            "rétablira la connexion.")
                 .arg(server));

    if (networkStalls) {
        // While the server stays out of reach, each action says why: the
        // reopening's own failure, every time, within the connection's
        // time-out.
        for (int action = 0; action < 2; ++action) {
            clock.restart();
            Result<QVariant> during = scalar(db, count);
            QVERIFY(!during.ok());
            QVERIFY2(clock.elapsed() < 6000, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(during.error().number, 8008);
            QVERIFY2(during.error().text.startsWith(
                         QStringLiteral("Le serveur de base de données ne répond pas")),
                     qPrintable(during.error().text));
        }
        relay.resume();
    }
    // Answering again, the next action works on a new session.
    Result<QVariant> after = scalar(db, count);
    QVERIFY2(after.ok(), after.ok() ? "" : qPrintable(after.error().text));
    QCOMPARE(after->toInt(), 0);
}

void TestServerStall::wait_is_shown_until_the_statement_ends() {
    VDN_NEED_SERVER(cluster);
    Relay relay(cluster.port());
    const QString address = relayedBase(cluster, relay);
    QVERIFY(!address.isEmpty());
    Result<std::unique_ptr<Connection>> c = Connection::open(address);
    QVERIFY2(c.ok(), c.ok() ? "" : qPrintable(c.error().text));
    QSqlDatabase& db = (*c)->db();
    const QString count = QStringLiteral("SELECT COUNT(*) FROM strclient");

    // A window with typed work in it.
    QWidget window;
    auto* typed = new QLineEdit(&window);
    typed->setText(QStringLiteral("DUPRÉ ÉLODIE"));
    (new QVBoxLayout(&window))->addWidget(typed);
    window.resize(400, 200);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    record = NoticeRecord();
    record.window = &window;
    record.before = windowPixels();
    setStatementWaitNotice(&recordNotice, NoticeMs);

    // Answered at once: nothing shown.
    record.since.start();
    QVERIFY(scalar(db, count).ok());
    QCOMPARE(record.told, QStringList());

    // Unanswered: shown past the delay, painted while the statement waits,
    // hidden when it ends (here, cut by the time limit).
    relay.stall();
    record.since.start();
    const Result<QVariant> met = scalar(db, count);
    const qint64 ended = record.since.elapsed();
    QVERIFY(!met.ok());
    QCOMPARE(record.told, (QStringList{"shown", "hidden"}));
    QVERIFY2(record.at.at(0) >= NoticeMs && record.at.at(0) < LimitMs,
             qPrintable(QString::number(record.at.at(0))));
    QVERIFY2(record.at.at(1) >= LimitMs && record.at.at(1) <= ended,
             qPrintable(QString::number(record.at.at(1))));
    QVERIFY(record.painted);
    auto* notice = window.findChild<QLabel*>(QStringLiteral("serverNotice"));
    QVERIFY(notice);
    QCOMPARE(notice->text(), QStringLiteral("Connexion au serveur…"));
    QVERIFY(!notice->isVisible());
    QCOMPARE(typed->text(), QStringLiteral("DUPRÉ ÉLODIE"));
    QVERIFY(window.isVisible());

    // Answering again: the next statement works, and nothing is shown.
    relay.resume();
    record.told.clear();
    Result<QVariant> after = scalar(db, count);
    QVERIFY2(after.ok(), after.ok() ? "" : qPrintable(after.error().text));
    QCOMPARE(record.told, QStringList());
    setStatementWaitNotice(nullptr);
}

QTEST_MAIN(TestServerStall)
#include "tst_server_stall.moc"
