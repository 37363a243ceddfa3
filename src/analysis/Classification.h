#pragma once
// How much of the lost time has a loss category, day by day: the events of the daily DMS
// report's runs grouped by the day their run started.
#include "ChartTable.h"

namespace nax {

// Columns: "Date" (dd-MMM-yy), "Events", "Unclassified Events", "Minutes", "Unclassified Minutes",
// "Classified %" (the share of the minutes that have a category; empty when the day lost no
// minutes). One row per day that has runs, in date order.
ChartTable Classification(const RangeRuns& range);

// The table with its header row only.
ChartTable EmptyClassification();

} // namespace nax
