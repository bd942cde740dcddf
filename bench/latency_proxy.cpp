#include "latency_proxy.h"

#include <QUrl>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <deque>
#include <list>
#include <vector>

namespace bench {

namespace {

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Bytes read from one side, due on the other side at a time.
struct Chunk {
    long long due;
    std::vector<char> bytes;
    size_t sent = 0;
};

// One direction of one relayed connection.
struct Way {
    int from = -1;
    int to = -1;
    std::deque<Chunk> queue;
    bool closed = false; // `from` ended: `to` is shut for writing once the queue is sent
};

struct Pair {
    Way up;   // program to server
    Way down; // server to program
    bool done() const { return up.closed && down.closed && up.queue.empty() && down.queue.empty(); }
};

void noDelay(int fd) {
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int connectTo(const QString& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints,
                      &found) != 0)
        return -1;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd >= 0)
        noDelay(fd);
    return fd;
}

} // namespace

LatencyProxy::LatencyProxy(QString targetHost, int targetPort, double roundTripMs)
    : host_(std::move(targetHost)), targetPort_(targetPort),
      halfDelayNs_((long long)(roundTripMs * 1e6 / 2)) {}

LatencyProxy::~LatencyProxy() {
    stop_ = true;
    if (wake_[1] >= 0) {
        const char c = 0;
        [[maybe_unused]] const ssize_t n = ::write(wake_[1], &c, 1);
    }
    if (thread_.joinable())
        thread_.join();
    for (int fd : {listener_, wake_[0], wake_[1]})
        if (fd >= 0)
            ::close(fd);
}

bool LatencyProxy::start() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t size = sizeof addr;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &size) != 0 ||
        ::pipe(wake_) != 0) {
        error_ = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { loop(); });
    return true;
}

void LatencyProxy::loop() {
    std::list<Pair> pairs;
    std::vector<pollfd> fds;
    std::vector<Way*> readers;
    while (!stop_) {
        // The next chunk due decides how long poll() may sleep.
        long long next = -1;
        for (Pair& p : pairs)
            for (Way* w : {&p.up, &p.down})
                if (!w->queue.empty() && (next < 0 || w->queue.front().due < next))
                    next = w->queue.front().due;
        int timeout = -1;
        if (next >= 0)
            timeout = int(std::max(0LL, (next - nowNs() + 999999) / 1000000));
        fds.assign({{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}});
        readers.clear();
        for (Pair& p : pairs)
            for (Way* w : {&p.up, &p.down})
                if (!w->closed) {
                    fds.push_back({w->from, POLLIN, 0});
                    readers.push_back(w);
                }
        if (::poll(fds.data(), nfds_t(fds.size()), timeout) < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client >= 0) {
                const int server = connectTo(host_, targetPort_);
                if (server < 0) {
                    ::close(client);
                } else {
                    noDelay(client);
                    Pair& p = pairs.emplace_back();
                    p.up.from = client;
                    p.up.to = server;
                    p.down.from = server;
                    p.down.to = client;
                }
            }
        }
        const long long now = nowNs();
        for (size_t i = 0; i < readers.size(); ++i) {
            if (!(fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Way* w = readers[i];
            char buffer[65536];
            const ssize_t n = ::read(w->from, buffer, sizeof buffer);
            if (n > 0)
                w->queue.push_back({now + halfDelayNs_, std::vector<char>(buffer, buffer + n)});
            else if (n == 0 || errno != EINTR)
                w->closed = true;
        }
        // Every chunk due goes out, in order.
        const long long sendTime = nowNs();
        for (Pair& p : pairs)
            for (Way* w : {&p.up, &p.down}) {
                while (!w->queue.empty() && w->queue.front().due <= sendTime) {
                    Chunk& c = w->queue.front();
                    const ssize_t n = ::send(w->to, c.bytes.data() + c.sent,
                                             c.bytes.size() - c.sent, MSG_NOSIGNAL);
                    if (n <= 0) {
                        w->queue.clear();
                        w->closed = true;
                        break;
                    }
                    c.sent += size_t(n);
                    if (c.sent == c.bytes.size())
                        w->queue.pop_front();
                }
                if (w->closed && w->queue.empty())
                    ::shutdown(w->to, SHUT_WR);
            }
        for (auto it = pairs.begin(); it != pairs.end();) {
            if (it->done()) {
                ::close(it->up.from);
                ::close(it->down.from);
                it = pairs.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (Pair& p : pairs) {
        ::close(p.up.from);
        ::close(p.down.from);
    }
}

QString addressThrough(const QString& address, int port) {
    QUrl url(address);
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port);
    return url.toString();
}

} // namespace bench
