#pragma once
// Production summed by run over a range of runs, read in short statements so that the data
// collector can commit between them (see TableSlices.h).
#include "base/Result.h"
#include "db/DbConnection.h"
#include "db/TableSlices.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace nax {

// The smallest range of whole numbers holding every run number taken.
struct RunSpan {
    int64_t first = INT64_MAX, last = INT64_MIN;
    void take(double run);
    bool empty() const { return first > last; }
};

// Sum(Production) of each run firstRun..lastRun that has a row in opc, keyed by the text of its
// Run_ID; "" where all its values are NULL. `rows` narrows the rows (" and Tag_id=1"), empty for
// all. Where an index finds the runs, each group of runs is one statement and a run's sum is
// exactly what one grouped statement gives; without one, the table is read in rowid slices and
// a run whose rows lie in two slices adds two partial sums (exact for whole numbers).
Result<std::unordered_map<std::string, std::string>> sumProductionByRun(DbConnection& db, int64_t firstRun,
                                                                        int64_t lastRun,
                                                                        std::string_view rows,
                                                                        const SliceSizes& sizes);

} // namespace nax
