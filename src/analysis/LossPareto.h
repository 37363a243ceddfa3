#pragma once
// Minutes lost per loss category over the runs of a range: the six categories, Speed Loss and
// the unclassified stops, in falling order with each one's share and the cumulative share of the
// total.
#include "ChartTable.h"

namespace nax {

inline constexpr std::string_view kUnclassifiedStops = "Unclassified Stops";

// Columns: "Loss Category", "Minutes Lost", "Share %", "Cumulative %". The categories and Speed
// Loss are the sums of the daily DMS report's run columns, less the unclassified stops, which get
// their own bar: the daily report counts an event with a blank category as Equipment Loss and
// one without a category (NULL) nowhere, so that it ends up in Speed Loss. The eight bars add up
// to the report's six category columns plus its Speed Loss. Equal minutes keep the run grid's
// column order, "Unclassified Stops" last. A run whose Speed Loss could not be computed is left
// out of that bar and named in the note; its unclassified stops still count. Shares are empty
// when the total is 0.
ChartTable LossPareto(const RangeRuns& range);

// The table with its header row only.
ChartTable EmptyLossPareto();

} // namespace nax
