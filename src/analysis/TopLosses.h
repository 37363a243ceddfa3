#pragma once
// The assets and the failures that lost the most minutes in a range: the downtime events of the
// runs the daily DMS report lists, summed per asset (or failure) name.
#include "ChartTable.h"

namespace nax {

inline constexpr std::string_view kUnclassified = "(Unclassified)";

struct TopLossTables {
    ChartTable assets;   // "Asset", "Minutes Lost", "Events", "MTTR (min)", "MTBF (min)"
    ChartTable failures; // "Failure", ...
};

// MTTR is the minutes lost per event; MTBF the runs' Production Time less the minutes lost, per
// event; both to 2 decimals and built on the minutes as shown. Names are compared trimmed and
// without regard to case, and shown as the earliest event spells them. Each table holds the
// `limit` names with the most minutes, plus one "(Unclassified)" row for the events without a
// name when there are any, so the gap in classification shows. Rows are in falling order of
// minutes (rounded to 2 decimals); equal minutes go by name, the unclassified row after names.
TopLossTables TopLosses(const RangeRuns& range, int limit = 10);

// Both tables with their header rows only.
TopLossTables EmptyTopLosses();

} // namespace nax
