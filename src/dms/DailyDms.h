#pragma once
// Day-wise loss analysis: one run-grid row per run that started and finished in the window,
// with its production, the minutes of the six loss categories, the derived times, calendar
// columns, ME, NAX and ">85", and the run's downtime events in the detail grid.
#include "base/Progress.h"
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"
#include "db/TableSlices.h"

namespace nax {

// Resets both grids to their headers and fills them. The run grid is hidden while it is filled
// and shown again at the end, also when a database failure ends the report early (the rows
// written so far stay). A run whose figures cannot be computed (USpeed 0 or empty, CaseCount
// empty, ...) keeps those cells empty.
Result<void> DailyDMSReport(DbConnection& db, ReportGrid& runGrid, ReportGrid& detailGrid, double start,
                            double end, Progress& progress, const SliceSizes& sizes = {});

} // namespace nax
