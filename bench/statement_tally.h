#pragma once

#include "data/statement.h"

#include <QList>

#include <algorithm>

namespace bench {

// The statements each timed action ran (the statement helper's counts
// before and after it), for the table's count of an action.
struct ActionTally {
    QList<double> run;
    QList<double> prepared;

    void add(const vdn::StatementTally& before, const vdn::StatementTally& after) {
        run << double(after.run - before.run);
        prepared << double(after.prepared - before.prepared);
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
