#pragma once
// Day-wise loss analysis: one run-grid row per run that started and finished in the window,
// with its production, the minutes of the six loss categories, the derived times, calendar
// columns, ME, NAX and ">85", and the run's downtime events in the detail grid.
#include "DmsFigures.h"
#include "base/Progress.h"
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"
#include "db/TableSlices.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace nax {

// One run of the daily report with its figures as numbers; the run grid shows them as text and
// the analysis sums them as they are. Every figure is the value its cell shows.
struct DailyRun {
    std::array<std::string, 6> listed; // Run_ID, Pack, Flavor, CSpeed, USpeed, CaseCount as read
    std::string key;                   // the run as the sums by run name it: the text of Run_ID
    int64_t id = 0;                    // the run whose events the detail grid lists
    Figure unitsPerMinute, caseCount;  // USpeed and CaseCount
    Figure start, end;                 // day serials
    std::optional<int32_t> units;      // production in units; nullopt when it does not fit
    LossMinutes losses;                // the six category cells (2 decimals)
    RunFigures figures;
};

// The runs of the daily report over the window, in its order, with their figures. The progress
// window follows the runs.
Result<std::vector<DailyRun>> DailyRuns(DbConnection& db, double start, double end, Progress& progress,
                                        const SliceSizes& sizes = {});

// Resets both grids to their headers and fills them. The run grid is hidden while it is filled
// and shown again at the end, also when a database failure ends the report early (the rows
// written so far stay). A run whose figures cannot be computed (USpeed 0 or empty, CaseCount
// empty, ...) keeps those cells empty.
Result<void> DailyDMSReport(DbConnection& db, ReportGrid& runGrid, ReportGrid& detailGrid, double start,
                            double end, Progress& progress, const SliceSizes& sizes = {});

} // namespace nax
