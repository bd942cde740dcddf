#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace bench {

// A TCP relay on the loopback between the program and a server, holding each
// chunk of bytes for half the chosen round trip in each direction, so that
// every exchange (a statement and its answer) takes the round trip of a
// workstation a few milliseconds from its server. Runs in a thread of its own
// (poll()); stopped and joined when destroyed.
class LatencyProxy {
public:
    LatencyProxy(QString targetHost, int targetPort, double roundTripMs);
    ~LatencyProxy();
    LatencyProxy(const LatencyProxy&) = delete;
    LatencyProxy& operator=(const LatencyProxy&) = delete;

    // Starts listening on 127.0.0.1 (a free port); false, with error(), when
    // it cannot.
    bool start();
    int port() const { return port_; }
    const QString& error() const { return error_; }

private:
    void loop();

    QString host_;
    int targetPort_;
    long long halfDelayNs_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    QString error_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The same server address with its host and port replaced (the relay's).
QString addressThrough(const QString& address, int port);

} // namespace bench
