#pragma once
// Every table of the analysis window over one date range, the runs and their events read once.
#include "ChartTable.h"

namespace nax {

struct AnalysisTables {
    ChartTable lossPareto, topAssets, topFailures, efficiencyByDay, classification;
    std::string counts; // "R runs, E events, U unclassified"; empty before the first report
};

// The progress window follows the daily DMS report's runs. A start after the end is refused with
// "Invalid Dates Selected". Returns abandonment() when the user ended the program meanwhile.
Result<AnalysisTables> AnalysisReport(DbConnection& db, double start, double end, Progress& progress);

// The runs, events and unclassified events of a range: "12 runs, 80 events, 7 unclassified".
std::string countsLine(const RangeRuns& range);

// Every table with its header row only, as the window opens.
AnalysisTables EmptyAnalysisTables();

} // namespace nax
