#pragma once
// "Run Summary": every run that started in the range and has per-minute rows of tag 1, with its
// pack, flavour, speeds, case count and the bottles of all those rows.
#include "ReportListing.h"

namespace nax {

inline constexpr int kRunSummaryColumns = 9;

// The listing, in start order (equal starts by run).
// The grid cut to its header row with the nine headers and their widths.
void setRunSummaryColumns(ReportGrid& grid, int gridWidthTwips);

std::string runSummaryStatement(const ReportRange& range);

// Gives the grid the nine columns and lists the runs, one progress step each. A run still open
// shows "now" as its end. On a failure the runs listed so far stay and the error is returned.
Result<void> RunSummaryReport(DbConnection& db, ReportGrid& grid, const ReportRange& range,
                              int gridWidthTwips, Progress& progress);

} // namespace nax
