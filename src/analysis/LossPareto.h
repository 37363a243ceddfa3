#pragma once
// Minutes lost per loss category over the runs of a range: the six categories and Speed Loss,
// each the sum of that column of the daily DMS report's run grid, in falling order with each
// category's share and the cumulative share of the total.
#include "ChartTable.h"

namespace nax {

// Columns: "Loss Category", "Minutes Lost", "Share %", "Cumulative %". Equal minutes keep the
// run grid's column order. A run whose cell in a column is empty (its figures could not be
// computed) is left out of that column's sum and named in the note. Shares are empty when the
// total is 0.
Result<ChartTable> LossPareto(const ReportGrid& runs);

// The table with its header row only.
ChartTable EmptyLossPareto();

} // namespace nax
