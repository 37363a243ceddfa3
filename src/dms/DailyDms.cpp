#include "DailyDms.h"

#include "DmsFigures.h"
#include "DmsLayouts.h"
#include "DmsText.h"
#include "DowntimeDetail.h"
#include "RunProduction.h"
#include "db/QueryHelpers.h"
#include "db/TableSlices.h"
#include "text/DatePattern.h"
#include "text/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace nax {

namespace {

enum DailyColumn : int {
    kRunNo = 0,
    kStartTime = 6,
    kEndTime = 7,
    kProduction = 8,
    kLackOfSales = 9,
    kPlannedLoss = 11,
    kQaLoss = 14,
    kSpeedLoss = 15,
    kLostTime = 16,
    kProductionTime = 17,
    kEarnedTime = 18,
    kDate = 19,
    kDay = 20,
    kMonth = 21,
    kYear = 22,
    kWeek = 23,
    kShift = 24,
    kMe = 25,
    kNax = 26,
    kOver85 = 27,
};

// Fields of the run list.
enum RunField : int { fRunId = 0, fUSpeed = 4, fCaseCount = 5, fStart = 6, fEnd = 7 };

// What the report needs of a run, read from the run list before anything is computed.
struct ListedRuns {
    std::vector<DailyRun> runs;
    RunSpan span;
};

// First sums by run of a grouped query whose field 0 is the run.
using RunSums = std::unordered_map<std::string, std::vector<std::string>>;

Result<void> readRunSums(DbConnection& db, const std::string& sql, std::string_view table,
                         std::string_view column, RunSums& sums) {
    auto rs = db.openRecordset(sql);
    if (!rs) return rs.error();
    return forEachRow(*rs, [&](const Recordset& row) -> Result<void> {
        auto& fields = sums[row.text(0)];
        for (int f = 1; f < row.fieldCount(); ++f) {
            if (auto finite = requireFinite(row, f, table, column); !finite) return finite;
            fields.push_back(row.text(f));
        }
        return success();
    });
}

// A sum as the single-value lookup answered it: "0" for no row or NULL.
std::string_view sumText(const RunSums& sums, const std::string& run, size_t field) {
    const auto found = sums.find(run);
    if (found == sums.end() || found->second[field].empty()) return "0";
    return found->second[field];
}

// The loss sums of one run: five categories by trimmed name, Equipment Loss also for a blank.
std::string lossSumsSql(int64_t firstRun, int64_t lastRun) {
    std::string sql = "select Run_no";
    for (const auto name : kLossCategories) {
        sql += name == "Equipment Loss"
                   ? ", Sum(iif(trim([Loss_Structure]) in ('" + std::string(name) + "',''),"
                   : ", Sum(iif(trim([Loss_Structure]) ='" + std::string(name) + "',";
        sql += "Time_Lost,Null)) *60 *24";
    }
    sql += " from TimeLost where Run_no between " + std::to_string(firstRun) + " and " +
           std::to_string(lastRun) + " group by Run_no";
    return sql;
}

// Counts the runs for the progress window, then reads the run list.
Result<ListedRuns> listRuns(DbConnection& db, double start, double end, Progress& progress) {
    const std::string range = formatGeneral(start) + " and end_time>0 and End_time <=" + formatGeneral(end);
    int32_t count = 0;
    {
        auto counted = db.openRecordset(
            "SELECT count(Run_master.Run_ID) FROM Run_master where Start_Time >= " + range + " ");
        if (!counted) return counted.error();
        if (!counted->eof()) count = static_cast<int32_t>(counted->integer(0));
    }
    progress.SetMax(count);
    if (progress.abandoned()) return abandonment();

    auto runList = db.openRecordset(
        "SELECT Run_master.Run_ID, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, "
        "Run_master.USpeed, Run_master.CaseCount, Run_master.Start_Time, Run_master.End_Time FROM "
        "Flavor_Master INNER JOIN (Pack_Master INNER JOIN Run_master ON Pack_Master.Pack_ID = "
        "Run_master.Pack_ID) ON Flavor_Master.Flavor_Id = Run_master.Flavor_ID where Start_Time >= " +
        range + " Order by Run_master.Run_ID");
    if (!runList) return runList.error();
    ListedRuns listed;
    listed.runs.reserve(count > 0 ? static_cast<size_t>(count) : 0u);
    auto read = forEachRow(*runList, [&](const Recordset& rs) {
        DailyRun& run = listed.runs.emplace_back();
        for (int c = 0; c <= fCaseCount; ++c)
            run.listed[static_cast<size_t>(c)] = rs.text(c);
        run.key = rs.text(fRunId);
        run.id = static_cast<int32_t>(rs.integer(fRunId));
        run.unitsPerMinute = fieldNumber(rs, fUSpeed);
        run.caseCount = fieldNumber(rs, fCaseCount);
        run.start = fieldNumber(rs, fStart);
        run.end = fieldNumber(rs, fEnd);
        if (const auto id = fieldNumber(rs, fRunId)) {
            listed.span.take(*id);
            listed.span.take(static_cast<double>(run.id));
        }
    });
    if (!read) return read.error();
    return listed;
}

// Production and losses for all runs of the range at once, then each run's figures. Each
// statement is closed before the next, so the data collector can commit between them.
Result<void> addFigures(DbConnection& db, ListedRuns& listed, const SliceSizes& sizes) {
    RunSums production, losses;
    if (!listed.span.empty()) {
        auto produced = sumProductionByRun(db, listed.span.first, listed.span.last, "", sizes);
        if (!produced) return produced.error();
        for (auto& [run, sum] : *produced)
            production[run] = {std::move(sum)};
        if (auto lost = readRunSums(db, lossSumsSql(listed.span.first, listed.span.last), "TimeLost",
                                    "Time_Lost", losses);
            !lost)
            return lost.error();
    }
    for (DailyRun& run : listed.runs) {
        run.units = wholeNumber32(parseNumber(sumText(production, run.key, 0)).value_or(0));
        RunFigureInputs inputs;
        for (size_t i = 0; i < inputs.losses.size(); ++i)
            inputs.losses[i] = cellFigure(parseNumber(sumText(losses, run.key, i)).value_or(0), 2);
        run.losses = inputs.losses;
        inputs.units = run.units ? Figure(*run.units) : std::nullopt;
        inputs.unitsPerMinute = run.unitsPerMinute;
        inputs.caseCount = run.caseCount;
        inputs.start = run.start;
        inputs.end = run.end;
        run.figures = dailyRunFigures(inputs);
    }
    return success();
}

void setFigure(ReportGrid& grid, int row, int col, Figure value) {
    if (value) grid.setCell(row, col, formatGeneral(*value));
}

// The run's row of the run grid: its figures as their texts.
void addRunRow(ReportGrid& grid, const DailyRun& run) {
    const int row = grid.addRow();
    for (size_t c = 0; c < run.listed.size(); ++c)
        grid.setCell(row, static_cast<int>(c), run.listed[c]);
    if (run.start) grid.setCell(row, kStartTime, formatSerial(*run.start, "dd-MMM-yy hh:mm"));
    if (run.end) grid.setCell(row, kEndTime, formatSerial(*run.end, "dd-MMM-yy hh:mm"));
    // Production in cases; in units when there is no case figure.
    if (run.figures.cases)
        grid.setCell(row, kProduction, std::to_string(*run.figures.cases));
    else if (run.units)
        grid.setCell(row, kProduction, std::to_string(*run.units));
    for (size_t i = 0; i < run.losses.size(); ++i)
        setFigure(grid, row, kLackOfSales + static_cast<int>(i), run.losses[i]);
    const RunFigures& figures = run.figures;
    setFigure(grid, row, kEarnedTime, figures.earnedTime);
    setFigure(grid, row, kProductionTime, figures.productionTime);
    setFigure(grid, row, kLostTime, figures.lostTime);
    setFigure(grid, row, kSpeedLoss, figures.speedLoss);
    if (run.start) {
        grid.setCell(row, kDate, formatSerial(*run.start, "DD-MMM-yy"));
        grid.setCell(row, kDay, formatSerial(*run.start, "DDDD"));
        grid.setCell(row, kMonth, formatSerial(*run.start, "MMMM"));
        grid.setCell(row, kYear, formatSerial(*run.start, "yyyy"));
        grid.setCell(row, kWeek, formatSerial(*run.start, "WW"));
    }
    grid.setCell(row, kShift, "0");
    setFigure(grid, row, kMe, figures.me);
    setFigure(grid, row, kNax, figures.nax);
    if (figures.above85) grid.setCell(row, kOver85, *figures.above85 ? "1" : "0");
}

// Steps the progress window for the next run; false when the user ended the program.
bool nextRun(Progress& progress) {
    progress.ProgressNextValue("");
    return !progress.abandoned();
}

} // namespace

Result<std::vector<DailyRun>> DailyRuns(DbConnection& db, double start, double end, Progress& progress,
                                        const SliceSizes& sizes) {
    auto listed = listRuns(db, start, end, progress);
    if (!listed) return listed.error();
    if (auto figured = addFigures(db, *listed, sizes); !figured) return figured.error();
    for (size_t i = 0; i < listed->runs.size(); ++i)
        if (!nextRun(progress)) return abandonment();
    return std::move(listed->runs);
}

Result<void> DailyDMSReport(DbConnection& db, ReportGrid& runGrid, ReportGrid& detailGrid, double start,
                            double end, Progress& progress, const SliceSizes& sizes) {
    auto listed = listRuns(db, start, end, progress);
    if (!listed) return listed.error();

    SetDailyGrid(runGrid);
    SetDowntimeGrid(detailGrid);
    runGrid.setVisible(false);
    struct ShowAtEnd {
        ReportGrid& grid;
        ~ShowAtEnd() { grid.setVisible(true); }
    } showAtEnd{runGrid};

    if (auto figured = addFigures(db, *listed, sizes); !figured) return figured.error();
    RunDetailRows events;
    if (!listed->span.empty()) {
        auto read = RunDetailRows::read(db, listed->span.first, listed->span.last);
        if (!read) return read.error();
        events = std::move(*read);
    }
    runGrid.reserveRows(static_cast<int>(listed->runs.size()) + 1);
    for (const DailyRun& run : listed->runs) {
        if (!nextRun(progress)) return abandonment();
        addRunRow(runGrid, run);
        events.appendRun(detailGrid, run.id);
    }
    return success();
}

} // namespace nax
