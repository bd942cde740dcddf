#include "busy_load.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

namespace {

// The body of a busy process: arithmetic the compiler cannot drop, and now
// and then a look at the pipe. End of file (or an error) there means the
// bench has closed its end or is gone. Only calls that are safe after a
// fork in a threaded program.
[[noreturn]] void spin(int readEnd) {
    volatile unsigned long long sink = 0;
    unsigned long long x = 88172645463325252ULL;
    for (;;) {
        for (int i = 0; i < 200000; ++i) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
        }
        sink = sink + x;
        pollfd p{readEnd, POLLIN, 0};
        if (::poll(&p, 1, 0) != 0)
            ::_exit(0);
    }
}

} // namespace

bool BusyLoad::start(int count) {
    stop();
    if (count <= 0)
        return true;
    int ends[2];
    // Close-on-exec: a pass the bench starts must not hold the write end,
    // or a busy process would outlive a bench killed during that pass.
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    writeEnd_ = ends[1];
    const pid_t parent = ::getpid();
    for (int i = 0; i < count; ++i) {
        const pid_t child = ::fork();
        if (child < 0) {
            ::close(ends[0]);
            stop();
            return false;
        }
        if (child == 0) {
            ::close(ends[1]);
            // Belt and braces: the kernel ends it with the bench, even if a
            // sibling forked later still held the write end for a moment.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(0);
            // The handlers of the bench are not this process's.
            ::signal(SIGINT, SIG_DFL);
            ::signal(SIGTERM, SIG_DFL);
            ::signal(SIGHUP, SIG_DFL);
            spin(ends[0]);
        }
        children_.append(child);
    }
    ::close(ends[0]);
    return true;
}

void BusyLoad::stop() {
    if (writeEnd_ >= 0) {
        ::close(writeEnd_);
        writeEnd_ = -1;
    }
    for (const pid_t child : children_) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    children_.clear();
}

} // namespace bench
