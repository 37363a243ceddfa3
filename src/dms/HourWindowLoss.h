#pragma once
// Minutes one run lost to one loss category in one hour window (minute 00 to minute 59 of the
// row's date and hour), worked out from the TimeLost events that start in, cover, or end in the
// window, capped at 60.
#include "shell/DbConnection.h"
#include "shell/EventPump.h"
#include "shell/ReportGrid.h"
#include "shell/Result.h"

#include <cstdint>
#include <string_view>

namespace nax {

// Writes the figure into `column` of the last row of runGrid, which carries the running total
// between the three lookups. dateText is "dd-MMM-yy", hourText "00" to "23"; when they do not
// name an hour the cell is left empty. A database failure is returned.
Result<void> HourWindowLoss(DbConnection& db, EventPump& pump, ReportGrid& runGrid, std::string_view category,
                            int column, std::string_view dateText, std::string_view hourText, int32_t run);

} // namespace nax
