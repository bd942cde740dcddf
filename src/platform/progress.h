#pragma once

#include <QtGlobal>

namespace vdn {

// Where a long task reports how far it has gone, without knowing whether a
// window, a terminal or nothing shows it.
class Progress {
public:
    virtual ~Progress() = default;
    // `done` of `total` units are done (`total` is -1 when unknown). Returns
    // false once the user asked to stop: the task then stops cleanly.
    virtual bool step(qint64 done, qint64 total) = 0;
};

// Counts the units of a task and reports every `every`-th one, so that a
// task of a million rows asks the clock a few thousand times, not a million.
class ProgressTicker {
public:
    ProgressTicker(Progress* progress, qint64 total, qint64 every = 256)
        : progress_(progress), total_(total), every_(every) {}

    // One more unit done; false once the user asked to stop.
    bool tick() {
        ++done_;
        if (--left_ > 0 || !progress_)
            return true;
        left_ = every_;
        return progress_->step(done_, total_);
    }
    qint64 done() const { return done_; }

private:
    Progress* progress_;
    qint64 total_;
    qint64 every_;
    qint64 done_ = 0;
    qint64 left_ = every_;
};

} // namespace vdn
