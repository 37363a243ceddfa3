#pragma once
// "Run Summary": every run that started in the range and has per-minute rows of tag 1, with its
// pack, flavour, speeds, case count and the bottles of all those rows.
#include "ReportListing.h"

#include "db/TableSlices.h"

namespace nax {

inline constexpr int kRunSummaryColumns = 9;

// The grid cut to its header row with the nine headers and their widths.
void setRunSummaryColumns(ReportGrid& grid, int gridWidthTwips);

// The runs that started in the range with their masters, in start order (equal starts by run).
std::string runListStatement(const ReportRange& range);

// Gives the grid the nine columns and lists the runs, one progress step each. A run still open
// shows "now" as its end. On a failure the error is returned and no run is listed.
Result<void> RunSummaryReport(DbConnection& db, ReportGrid& grid, const ReportRange& range,
                              int gridWidthTwips, Progress& progress);

// The same with the production of the runs read in short statements of these sizes, so that
// the data collector can commit between them (see sumProductionByRun).
Result<void> listRunSummary(DbConnection& db, ReportGrid& grid, const ReportRange& range, int gridWidthTwips,
                            Progress& progress, const SliceSizes& sizes);

} // namespace nax
