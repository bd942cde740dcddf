#include "data/server_call.h"

#include "data/dialect.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vdn {

namespace {

std::atomic<StatementWaitNotice> notice{nullptr};
std::atomic<int> noticeDelayMs{StatementNoticeDelayMs};

// How often the waiting thread looks whether the notice is due.
constexpr auto LookEvery = std::chrono::milliseconds(50);

// The thread that makes the calls: one, started at the first call and kept
// for the program's life. A call is handed over and waited for; the
// connection is never used by two threads at once.
class CallThread {
public:
    static CallThread& instance() {
        static CallThread t;
        return t;
    }
    ~CallThread() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    // Makes the call there; `waiting(ms)` is told now and then until it
    // has returned.
    bool run(const std::function<bool()>& call, const std::function<void(qint64)>& waiting) {
        std::unique_lock lock(mutex_);
        job_ = &call;
        done_ = false;
        wake_.notify_all();
        QElapsedTimer clock;
        clock.start();
        while (!done_) {
            finished_.wait_for(lock, LookEvery);
            if (done_)
                break;
            lock.unlock();
            waiting(clock.elapsed());
            lock.lock();
        }
        return result_;
    }

private:
    CallThread() : thread_([this] { loop(); }) {}

    void loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || job_; });
            if (!job_)
                return;
            const std::function<bool()>* job = job_;
            lock.unlock();
            const bool result = (*job)();
            lock.lock();
            job_ = nullptr;
            result_ = result;
            done_ = true;
            finished_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    const std::function<bool()>* job_ = nullptr;
    bool result_ = false;
    bool done_ = true;
    bool stop_ = false;
    std::thread thread_; // last: started once the rest is ready
};

bool onGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// A call waited for on the GUI thread: a second one asked for while it runs
// (by what the notice paints) is made in place.
bool calling = false;

} // namespace

void setStatementWaitNotice(StatementWaitNotice shown, int delayMs) {
    notice.store(shown);
    noticeDelayMs.store(std::max(0, delayMs));
}

bool awaitServer(const QSqlDriver* driver, const std::function<bool()>& call) {
    const StatementWaitNotice shown = notice.load();
    if (!shown || calling || !driver || !Dialect::of(driver).isServer() || !onGuiThread())
        return call();
    calling = true;
    bool showing = false;
    const qint64 delay = noticeDelayMs.load();
    const bool result = CallThread::instance().run(call, [&](qint64 waited) {
        if (!showing && waited >= delay) {
            showing = true;
            shown(true);
        }
    });
    if (showing)
        shown(false);
    calling = false;
    return result;
}

bool awaitServerRow(const QSqlDriver* driver, const std::function<bool()>& call) {
    if (!notice.load() || !driver || !Dialect::of(driver).readingWaits(driver))
        return call();
    return awaitServer(driver, call);
}

} // namespace vdn
