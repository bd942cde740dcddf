#pragma once

#include <QtGlobal>

#include <algorithm>

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

// One part of a task reported as its share of the whole: the part's `done`
// of `total` becomes a point between `from` and `to` thousandths of the
// whole. A part of unknown size stays at `from`; a part with nothing to do
// (`total` 0) is at `to`.
class ProgressShare final : public Progress {
public:
    static constexpr qint64 Whole = 1000;
    ProgressShare(Progress* whole, qint64 from, qint64 to) : whole_(whole), from_(from), to_(to) {}
    // This share, or null when there is no whole to report to.
    Progress* get() { return whole_ ? this : nullptr; }
    bool step(qint64 done, qint64 total) override {
        qint64 at = from_;
        if (total == 0)
            at = to_;
        else if (total > 0)
            at = from_ + (to_ - from_) * std::clamp<qint64>(done, 0, total) / total;
        return whole_->step(at, Whole);
    }

private:
    Progress* whole_;
    qint64 from_;
    qint64 to_;
};

} // namespace vdn
