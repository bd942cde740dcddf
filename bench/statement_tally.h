#pragma once

#include "data/statement.h"

#include <QList>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

// How many read system calls (read, pread and their vector forms) the
// process has made so far, from /proc/self/io; -1 where the system does not
// say. A count per action does not move with the machine's load: an SQLite
// page missing from its cache is one pread().
inline long long readCalls() {
    const int fd = ::open("/proc/self/io", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char text[512];
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    ::close(fd);
    if (n <= 0)
        return -1;
    text[n] = 0;
    const char* at = std::strstr(text, "syscr:");
    long long calls = -1;
    if (!at || std::sscanf(at, "syscr: %lld", &calls) != 1)
        return -1;
    return calls;
}

// The statements each timed action ran (the statement helper's counts
// before and after it), for the table's count of an action, and the read
// system calls it made.
struct ActionTally {
    QList<double> run;
    QList<double> prepared;
    QList<double> reads;

    void add(const vdn::StatementTally& before, const vdn::StatementTally& after) {
        run << double(after.run - before.run);
        prepared << double(after.prepared - before.prepared);
    }
    void addReads(long long before, long long after) {
        if (before >= 0 && after >= 0)
            reads << double(after - before);
    }
    double medianRun() const { return middle(run); }
    double medianPrepared() const { return middle(prepared); }

private:
    static double middle(QList<double> v) {
        if (v.isEmpty())
            return -1;
        std::sort(v.begin(), v.end());
        return v.at((v.size() - 1) / 2);
    }
};

} // namespace bench
