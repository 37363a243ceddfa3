#include "AnalysisTables.h"

#include "Classification.h"
#include "EfficiencyByDay.h"
#include "LossPareto.h"
#include "TopLosses.h"
#include "downtime/DowntimeList.h"

#include <algorithm>

namespace nax {

AnalysisTables EmptyAnalysisTables() {
    auto tops = EmptyTopLosses();
    return AnalysisTables{EmptyLossPareto(),      std::move(tops.assets), std::move(tops.failures),
                          EmptyEfficiencyByDay(), EmptyClassification(),  {}};
}

std::string countsLine(const RangeRuns& range) {
    const auto unclassified = std::count_if(range.events.begin(), range.events.end(),
                                            [](const RunEvent& event) { return event.unclassified; });
    return std::to_string(range.runs.size()) + " runs, " + std::to_string(range.events.size()) + " events, " +
           std::to_string(unclassified) + " unclassified";
}

Result<AnalysisTables> AnalysisReport(DbConnection& db, double start, double end, Progress& progress) {
    if (start > end) return refusal(kInvalidDates);
    auto range = RunsOfRange(db, start, end, progress);
    if (progress.abandoned()) return abandonment();
    if (!range) return range.error();
    auto tops = TopLosses(*range);
    return AnalysisTables{LossPareto(*range),      std::move(tops.assets), std::move(tops.failures),
                          EfficiencyByDay(*range), Classification(*range), countsLine(*range)};
}

} // namespace nax
