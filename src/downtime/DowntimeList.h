#pragma once
// The downtime events of a range, as the "Downtime Entry" grid lists them.
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"

#include <cstdint>
#include <optional>
#include <string>

namespace nax {

inline constexpr int kDowntimeListColumns = 17;
inline constexpr const char* kInvalidDates = "Invalid Dates Selected";

struct DowntimeRange {
    double start = 0; // day serials
    double end = 0;
    bool showMinorStops = false;
    bool unclassifiedOnly = false; // only the events still waiting for a loss category
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

// The classification backlog of a range: every event the list selects by its start, whatever
// the two check boxes say, and those of them that are unclassified with their minutes.
struct DowntimeBacklog {
    int64_t events = 0;
    int64_t unclassified = 0;
    double unclassifiedMinutes = 0;
};

Result<DowntimeBacklog> CountDowntimeBacklog(DbConnection& db, const DowntimeRange& range);

// "N events, U unclassified (M min)", the minutes rounded to two decimals.
std::string backlogText(const DowntimeBacklog& backlog);

// After a save: the first event below `savedKey` in `listed` (the list as it was made before the
// save) that `range` now lists as unclassified; nullopt when there is none or `savedKey` is not
// listed.
Result<std::optional<int64_t>> nextUnclassifiedEvent(DbConnection& db, const DowntimeRange& range,
                                                     const ReportGrid& listed, int64_t savedKey);

} // namespace nax
