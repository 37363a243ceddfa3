#pragma once
// ME and NAX day by day: the runs of the daily DMS report grouped by the day they
// started, each day's figures worked out from the summed minutes of its runs with the formulas
// of one run (not an average of the runs' percentages).
#include "ChartTable.h"

namespace nax {

// Columns: "Date" (dd-MMM-yy), "Runs", "Production Time", "Earned Time", "Lack of Sales",
// "Planned Loss", "ME", "NAX"; one row per day that has runs, in date order. ME or NAX is empty
// when its divisor is 0. A run missing any of the figures used (say Earned Time, when its USpeed
// is 0) is left out of its day and named in the note.
ChartTable EfficiencyByDay(const RangeRuns& range);

// The table with its header row only.
ChartTable EmptyEfficiencyByDay();

} // namespace nax
