#include "data/server_watch.h"

#include "platform/socket_shutdown.h"
#include "widgets/long_task.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <libpq-events.h>
#include <libpq-fe.h>

namespace vdn {

namespace {

// A cancel that got no answer is followed by the socket's shutdown after
// this long.
constexpr qint64 CancelGraceMs = 2000;
constexpr auto LookEvery = std::chrono::milliseconds(100);
constexpr int BeatEveryMs = 100;

qint64 steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Session {
    PGconn* conn = nullptr;
    const QSqlDriver* driver = nullptr;
    QString server;
    // Written by the GUI thread at each result the session receives.
    std::atomic<qint64> lastResult{0};
    // The watching thread's own view, under the mutex.
    qint64 activeSince = -1;
    qint64 cancelledAt = -1;
    bool shutDown = false;
};

struct Watch {
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::unique_ptr<Session>> sessions;
    // By driver: the text of a statement the watch cut, until told.
    std::map<const QSqlDriver*, QString> unanswered;
    std::atomic<qint64> lastBeat{0};
    std::atomic<int> limitMs{ServerAnswerLimitS * 1000};
    std::thread thread;
    bool stopping = false;
    bool started = false;
};

Watch& watch() {
    static Watch w;
    return w;
}

QString unansweredText(const QString& server, qint64 waitedMs) {
    return QStringLiteral("Le serveur de base de données %1 n'a pas répondu en %2 secondes : "
                          "l'action a été abandonnée (serveur arrêté ou surchargé, réseau "
                          "coupé). Ce qui est saisi reste à l'écran ; l'action suivante "
                          "rétablira la connexion.")
        .arg(server)
        .arg((waitedMs + 500) / 1000);
}

int sessionEvent(PGEventId id, void* info, void* passThrough) {
    auto* session = static_cast<Session*>(passThrough);
    Watch& w = watch();
    switch (id) {
    case PGEVT_RESULTCREATE: {
        session->lastResult.store(steadyMs());
        // Answered after all (the cancel crossed the result): nothing was cut.
        const PGresult* r = static_cast<PGEventResultCreate*>(info)->result;
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
            const std::lock_guard lock(w.mutex);
            w.unanswered.erase(session->driver);
        }
        break;
    }
    case PGEVT_CONNDESTROY: {
        const std::lock_guard lock(w.mutex);
        std::erase_if(w.sessions, [session](const auto& s) { return s.get() == session; });
        break;
    }
    default:
        break;
    }
    return 1;
}

// Sends the server the request to cancel the session's statement, from a
// thread left to itself: the client library waits for the server's answer
// without a limit.
void sendCancel(PGconn* conn) {
    PGcancel* cancel = PQgetCancel(conn);
    if (!cancel)
        return;
    std::thread([cancel] {
        char reason[256];
        PQcancel(cancel, reason, sizeof reason);
        PQfreeCancel(cancel);
    }).detach();
}

void look(Watch& w) {
    const qint64 now = steadyMs();
    const qint64 limit =
        LongTask::running() ? qint64(LongTaskAnswerLimitS) * 1000 : qint64(w.limitMs.load());
    const bool eventsStill = now - w.lastBeat.load() >= limit;
    const std::lock_guard lock(w.mutex);
    for (const std::unique_ptr<Session>& s : w.sessions) {
        if (PQtransactionStatus(s->conn) != PQTRANS_ACTIVE) {
            s->activeSince = -1;
            s->cancelledAt = -1;
            s->shutDown = false;
            continue;
        }
        if (s->activeSince < 0)
            s->activeSince = now;
        if (s->cancelledAt >= 0) {
            if (!s->shutDown && now - s->cancelledAt >= CancelGraceMs) {
                s->shutDown = true;
                shutDownSocket(PQsocket(s->conn));
            }
            continue;
        }
        // Waiting since the statement was seen running, or since its last
        // row came; a session holding a reading open while the program
        // works on (its event loop turning) is not waiting.
        const qint64 waited = now - std::max(s->activeSince, s->lastResult.load());
        if (waited < limit || !eventsStill)
            continue;
        s->cancelledAt = now;
        w.unanswered[s->driver] = unansweredText(s->server, waited);
        sendCancel(s->conn);
    }
}

void stopWatch() {
    Watch& w = watch();
    {
        const std::lock_guard lock(w.mutex);
        w.stopping = true;
    }
    w.wake.notify_all();
    if (w.thread.joinable())
        w.thread.join();
}

} // namespace

int serverAnswerLimitMs() {
    return watch().limitMs.load();
}

void startServerWatch(int limitMs) {
    Watch& w = watch();
    if (limitMs <= 0) {
        bool ok = false;
        const int set = qEnvironmentVariableIntValue("VORDAN_SERVER_ANSWER_MS", &ok);
        limitMs = ok && set > 0 ? set : ServerAnswerLimitS * 1000;
    }
    w.limitMs.store(limitMs);
    w.lastBeat.store(steadyMs());
    if (w.started)
        return;
    w.started = true;
    // The event loop's heartbeat: a statement waits only while it stands still.
    auto* beat = new QTimer(QCoreApplication::instance());
    QObject::connect(beat, &QTimer::timeout, [] { watch().lastBeat.store(steadyMs()); });
    beat->start(BeatEveryMs);
    w.thread = std::thread([&w] {
        std::unique_lock lock(w.mutex);
        while (!w.stopping) {
            w.wake.wait_for(lock, LookEvery);
            if (w.stopping)
                break;
            lock.unlock();
            look(w);
            lock.lock();
        }
    });
    qAddPostRoutine(stopWatch);
}

void watchServerSession(PGconn* conn, const QSqlDriver* driver) {
    if (!conn)
        return;
    auto session = std::make_unique<Session>();
    session->conn = conn;
    session->driver = driver;
    const QString host = QString::fromUtf8(PQhost(conn));
    session->server = host.startsWith(QLatin1Char('/')) ? QStringLiteral("local") : host;
    if (const char* port = PQport(conn); port && *port)
        session->server += QLatin1Char(':') + QString::fromUtf8(port);
    session->lastResult.store(steadyMs());
    Session* raw = session.get();
    Watch& w = watch();
    {
        const std::lock_guard lock(w.mutex);
        w.unanswered.erase(driver);
        w.sessions.push_back(std::move(session));
    }
    if (!PQregisterEventProc(conn, sessionEvent, "vordan_watch", raw)) {
        const std::lock_guard lock(w.mutex);
        std::erase_if(w.sessions, [raw](const auto& s) { return s.get() == raw; });
    }
}

std::optional<QString> takeUnansweredServer(const QSqlDriver* driver) {
    Watch& w = watch();
    const std::lock_guard lock(w.mutex);
    const auto it = w.unanswered.find(driver);
    if (it == w.unanswered.end())
        return std::nullopt;
    QString text = std::move(it->second);
    w.unanswered.erase(it);
    return text;
}

} // namespace vdn
