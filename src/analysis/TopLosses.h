#pragma once
// The assets and the failures that lost the most minutes in a range: downtime events taken from
// TimeLost by their start time, whatever their run, summed per asset (or failure) name.
#include "ChartTable.h"

namespace nax {

inline constexpr std::string_view kUnclassified = "(Unclassified)";

struct TopLossTables {
    ChartTable assets;   // "Asset", "Minutes Lost", "Events"
    ChartTable failures; // "Failure", "Minutes Lost", "Events"
};

// Events with DT_Start between start and end (both included). Names are compared trimmed and
// without regard to case, and shown as the earliest event spells them. Each table holds the
// `limit` names with the most minutes, plus one "(Unclassified)" row for the events without a
// name when there are any, so the gap in classification shows. Rows are in falling order of
// minutes (rounded to 2 decimals); equal minutes go by name, the unclassified row after names.
Result<TopLossTables> TopLosses(DbConnection& db, double start, double end, int limit = 10);

// Both tables with their header rows only.
TopLossTables EmptyTopLosses();

} // namespace nax
