#include "DowntimeReport.h"

#include <array>

namespace nax {

namespace {

constexpr std::array<ReportColumn, kDowntimeReportColumns> kColumns = {{
    {"Tag", 0.05},
    {"Run", 0.05},
    {"Pack", 0.05},
    {"Flavor", 0.05},
    {"Start Time", 0.15},
    {"End Time", 0.15},
    {"Time Lost (mins)", 0.1},
    {"Asset", 0.1},
    {"Failure", std::nullopt},
    {"Operator", std::nullopt},
    {"Executive", std::nullopt},
    {"Remarks", std::nullopt},
    {"Other1", std::nullopt},
    {"Other2", std::nullopt},
}};

constexpr ListingShape kShape{4, kDowntimeReportColumns, 6};

constexpr const char* kJoin =
    "FROM Tag_Master INNER JOIN TimeLost ON Tag_Master.Tag_ID = cint(TimeLost.Tag_ID) "
    "where TimeLost.DT_Start between ";

} // namespace

void setDowntimeReportColumns(ReportGrid& grid, int gridWidthTwips) {
    setReportColumns(grid, kColumns, gridWidthTwips);
}

std::string downtimeCountStatement(const ReportRange& range) {
    return std::string("SELECT Count(TimeLost.DT_Start) ") + kJoin + rangeBounds(range);
}

std::string downtimeReportStatement(const ReportRange& range) {
    return std::string(
               "SELECT Tag_Master.TagName, Run_no,Pack,Flavor ,format(TimeLost.DT_Start,'dd-MMM-yy "
               "hh:mm:ss'), format(TimeLost.DT_End,'dd-MMM-yy hh:mm:ss'), ((TimeLost.Time_Lost)*60*24),"
               "Asset,Failure,A_Operator,Executive,Remarks,Other1,Other2 ") +
           kJoin + rangeBounds(range) + " ORDER BY TimeLost.DT_Start, TimeLost.Dt_ID";
}

Result<void> DowntimeReport(DbConnection& db, ReportGrid& grid, const ReportRange& range, int gridWidthTwips,
                            Progress& progress) {
    setDowntimeReportColumns(grid, gridWidthTwips);
    return countAndList(db, grid, progress, downtimeCountStatement(range), downtimeReportStatement(range),
                        kShape);
}

} // namespace nax
