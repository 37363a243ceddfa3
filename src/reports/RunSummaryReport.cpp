#include "RunSummaryReport.h"

#include "dms/RunProduction.h"

#include <array>
#include <string>
#include <vector>

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
constexpr int kProductionColumn = kRunSummaryColumns - 1;

// A run of the run list: the texts of every column but the production.
using ListedRunTexts = std::array<std::string, kProductionColumn>;

} // namespace

std::string runListStatement(const ReportRange& range) {
    return " SELECT Run_master.Run_ID, format(Run_master.Start_Time,'dd-MMM-yy hh:mm'), "
           "format(iif(Run_master.End_Time=0,cdbl(now()),Run_master.End_Time),'dd-MMM-yy hh:mm'), "
           "Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, Run_master.USpeed, "
           "Run_master.CaseCount FROM Flavor_Master INNER JOIN (Pack_Master INNER JOIN Run_master ON "
           "Pack_Master.Pack_ID = Run_master.Pack_ID) ON Flavor_Master.Flavor_Id = Run_master.Flavor_ID "
           " where Run_master.Start_Time between " +
           rangeBounds(range) + " ORDER BY Run_master.Start_Time, Run_master.Run_ID";
}

void setRunSummaryColumns(ReportGrid& grid, int gridWidthTwips) {
    setReportColumns(grid, kColumns, gridWidthTwips);
}

Result<void> listRunSummary(DbConnection& db, ReportGrid& grid, const ReportRange& range, int gridWidthTwips,
                            Progress& progress, const SliceSizes& sizes) {
    setRunSummaryColumns(grid, gridWidthTwips);
    HiddenWhileFilling hidden(grid);
    std::vector<ListedRunTexts> runs;
    RunSpan span;
    {
        auto listed = db.openRecordset(runListStatement(range));
        if (!listed) return listed.error();
        auto read = forEachRow(*listed, [&](const Recordset& rs) {
            ListedRunTexts& run = runs.emplace_back();
            for (size_t c = 0; c < run.size(); ++c)
                run[c] = rs.text(static_cast<int>(c));
            if (rs.kind(0) == ValueKind::Integer || rs.kind(0) == ValueKind::Real) span.take(rs.real(0));
        });
        if (!read) return read;
    }
    if (span.empty()) return success();
    const auto sums = sumProductionByRun(db, span.first, span.last, " and Tag_id=1", sizes);
    if (!sums) return sums.error();

    // A run without rows of tag 1 is not listed, as an inner join with them would leave it out.
    std::vector<std::string_view> cells(kRunSummaryColumns);
    for (const ListedRunTexts& run : runs) {
        const auto sum = sums->find(run[0]);
        if (sum == sums->end()) continue;
        std::copy(run.begin(), run.end(), cells.begin());
        cells[kProductionColumn] = sum->second;
        grid.addRow(cells);
    }
    progress.SetMax(grid.rows() - 1);
    return stepRows(grid, 1, progress, kShape);
}

Result<void> RunSummaryReport(DbConnection& db, ReportGrid& grid, const ReportRange& range,
                              int gridWidthTwips, Progress& progress) {
    return listRunSummary(db, grid, range, gridWidthTwips, progress, SliceSizes{});
}

} // namespace nax
