#pragma once
// Shift-wise loss analysis: one run-grid row per hour, run, pack, flavour and shift of the
// window's production, with the hour-window losses, the derived times, the shift letter, ME and
// NAX; then the window's downtime events in the detail grid.
#include "base/EventPump.h"
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"
#include "db/TableSlices.h"

namespace nax {

inline constexpr std::string_view kShiftWindowRefusal =
    "Shift wise report Cannot be generated for More than 7 Days";

// Resets both grids to their headers and fills them, so each report holds only its own hours
// and events. A window over 7 days is refused (kShiftWindowRefusal) with only the header rows
// left. A database failure ends the report; the rows written so far stay.
Result<void> ShiftDMSReport(DbConnection& db, EventPump& pump, ReportGrid& runGrid, ReportGrid& detailGrid,
                            double start, double end, const SliceSizes& sizes = {});

} // namespace nax
