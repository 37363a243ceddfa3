#include "RunSummaryReport.h"

#include <array>

namespace nax {

namespace {

constexpr std::array<ReportColumn, kRunSummaryColumns> kColumns = {{
    {"Run", 0.05},
    {"Start_Time", 0.2},
    {"End_Time", 0.2},
    {"Pack_ID", 0.05},
    {"Flavor_ID", 0.05},
    {"CSpeed", 0.05},
    {"USpeed", 0.05},
    {"CaseCount", 0.05},
    {"Production", 0.2},
}};

constexpr ListingShape kShape{1, kRunSummaryColumns};

} // namespace

std::string runSummaryStatement(const ReportRange& range) {
    return " SELECT Run_master.Run_ID, format(Run_master.Start_Time,'dd-MMM-yy hh:mm'), "
           "format(iif(Run_master.End_Time=0,cdbl(now()),Run_master.End_Time),'dd-MMM-yy hh:mm'), "
           "Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, Run_master.USpeed, "
           "Run_master.CaseCount, Sum(opc.Production) AS SumOfProduction "
           " FROM (Flavor_Master INNER JOIN (Pack_Master INNER JOIN Run_master ON Pack_Master.Pack_ID = "
           "Run_master.Pack_ID) ON Flavor_Master.Flavor_Id = Run_master.Flavor_ID) INNER JOIN opc ON "
           "Run_master.Run_ID = opc.Run_ID "
           " where tag_id=1 and Run_master.Start_Time between " +
           rangeBounds(range) +
           " GROUP BY Run_master.Run_ID, Run_master.Start_Time, Run_master.End_Time, Pack_Master.Pack, "
           "Flavor_Master.Flavor, Run_master.CSpeed, Run_master.USpeed, Run_master.CaseCount ORDER BY "
           "Run_master.Start_Time, Run_master.Run_ID";
}

void setRunSummaryColumns(ReportGrid& grid, int gridWidthTwips) {
    setReportColumns(grid, kColumns, gridWidthTwips);
}

Result<void> RunSummaryReport(DbConnection& db, ReportGrid& grid, const ReportRange& range,
                              int gridWidthTwips, Progress& progress) {
    setRunSummaryColumns(grid, gridWidthTwips);
    return listThenStep(db, grid, progress, runSummaryStatement(range), kShape);
}

} // namespace nax
