#include "AnalysisTables.h"

#include "EfficiencyByDay.h"
#include "LossPareto.h"
#include "TopLosses.h"

namespace nax {

AnalysisTables EmptyAnalysisTables() {
    auto tops = EmptyTopLosses();
    return AnalysisTables{EmptyLossPareto(), std::move(tops.assets), std::move(tops.failures),
                          EmptyEfficiencyByDay()};
}

Result<AnalysisTables> AnalysisReport(DbConnection& db, double start, double end, Progress& progress) {
    auto runs = RunsOfRange(db, start, end, progress);
    if (progress.abandoned()) return abandonment();
    if (!runs) return runs.error();
    auto pareto = LossPareto(*runs);
    if (!pareto) return pareto.error();
    auto byDay = EfficiencyByDay(*runs);
    if (!byDay) return byDay.error();
    auto tops = TopLosses(db, start, end);
    if (!tops) return tops.error();
    return AnalysisTables{std::move(*pareto), std::move(tops->assets), std::move(tops->failures),
                          std::move(*byDay)};
}

} // namespace nax
