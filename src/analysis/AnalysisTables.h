#pragma once
// Every table of the analysis window over one date range, the daily DMS report run only once.
#include "ChartTable.h"

namespace nax {

struct AnalysisTables {
    ChartTable lossPareto, topAssets, topFailures, efficiencyByDay;
};

// The progress window follows the daily DMS report's runs. Returns abandonment() when the user
// ended the program meanwhile.
Result<AnalysisTables> AnalysisReport(DbConnection& db, double start, double end, Progress& progress);

// Every table with its header row only, as the window opens.
AnalysisTables EmptyAnalysisTables();

} // namespace nax
