#pragma once
// "Downtime": every downtime event that started in the range and whose tag is in Tag_Master,
// with its time lost in minutes and the classification the users entered.
#include "ReportListing.h"

namespace nax {

inline constexpr int kDowntimeReportColumns = 14;

// The grid cut to its header row with the fourteen headers and their widths.
void setDowntimeReportColumns(ReportGrid& grid, int gridWidthTwips);

std::string downtimeCountStatement(const ReportRange& range);
// The listing, in start order (equal starts by event).
std::string downtimeReportStatement(const ReportRange& range);

// Gives the grid the fourteen columns (the widths of "Failure" to "Other2" stay as they were)
// and lists the events, one progress step each. On a failure the events listed so far stay and
// the error is returned.
Result<void> DowntimeReport(DbConnection& db, ReportGrid& grid, const ReportRange& range, int gridWidthTwips,
                            Progress& progress);

} // namespace nax
