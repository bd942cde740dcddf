#pragma once

#include <sys/types.h>

#include <QList>

namespace bench {

// Processes of the bench's own that keep cores busy while passes run (--charge):
// each a plain loop of arithmetic at the bench's own priority. They end when
// stop() is called, when this object goes, and also when the bench itself
// ends in any way (Ctrl+C, a kill, a crash): each one watches the read end of
// a pipe whose only write end the bench holds, and the system closes that end
// with the bench's last open file.
class BusyLoad {
public:
    BusyLoad() = default;
    BusyLoad(const BusyLoad&) = delete;
    BusyLoad& operator=(const BusyLoad&) = delete;
    ~BusyLoad() { stop(); }

    // Starts `count` busy processes; false (none left running) when one of
    // them could not be started.
    bool start(int count);
    // Ends them and waits for each: none is left behind.
    void stop();
    int running() const { return int(children_.size()); }

private:
    QList<pid_t> children_;
    int writeEnd_ = -1;
};

} // namespace bench
