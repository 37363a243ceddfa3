#pragma once
// The downtime events of a range, as the "Downtime Entry" grid lists them.
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"

#include <string>

namespace nax {

inline constexpr int kDowntimeListColumns = 17;
inline constexpr const char* kInvalidDates = "Invalid Dates Selected";

struct DowntimeRange {
    double start = 0; // day serials
    double end = 0;
    bool showMinorStops = false;
};

// End strictly after start; otherwise the user is told kInvalidDates.
inline bool isValidRange(const DowntimeRange& range) {
    return range.end > range.start;
}

std::string downtimeListStatement(const DowntimeRange& range);

// Grid back to its header row with the 17 headers; columns 0 to 7 sized from the grid's
// outer width in twips.
void setDowntimeListLayout(ReportGrid& grid, int gridWidthTwips);

// Fills the grid: one row per event, Dt_ID as the row key. On a database error the rows read
// so far stay and the error is returned.
Result<void> ListDowntime(DbConnection& db, ReportGrid& grid, const DowntimeRange& range, int gridWidthTwips);

} // namespace nax
