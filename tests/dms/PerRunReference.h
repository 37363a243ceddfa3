#pragma once
// The DMS reports with one lookup per run (or hour) and loss category, as they were first
// written; the grouped reports must give the same grids cell for cell.
#include "base/EventPump.h"
#include "base/Progress.h"
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"

namespace nax::test {

Result<void> perRunDailyDMSReport(DbConnection& db, ReportGrid& runGrid, ReportGrid& detailGrid, double start,
                                  double end, Progress& progress);
Result<void> perRunShiftDMSReport(DbConnection& db, EventPump& pump, ReportGrid& runGrid,
                                  ReportGrid& detailGrid, double start, double end);

} // namespace nax::test
