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

class RunRow {
public:
    RunRow(ReportGrid& grid, int row) : grid_(grid), row_(row) {}
    std::optional<double> number(int col) const { return cellNumber(grid_, row_, col); }
    void set(int col, std::string_view text) { grid_.setCell(row_, col, text); }
    void setFigure(int col, Figure value) {
        if (value) set(col, formatGeneral(*value));
    }

private:
    ReportGrid& grid_;
    int row_;
};

// What the report needs of a run, read from the run list before anything is computed.
struct ListedRun {
    std::array<std::string, 6> texts; // Run_ID, Pack, Flavor, CSpeed, USpeed, CaseCount
    std::string key;                  // the run as the lookups name it: the text of Run_ID
    int64_t detailRun = 0;            // the run whose events the detail grid lists
    Figure uspeed, caseCount, start, end;
};

// First sums by run of a grouped query whose field 0 is the run.
using RunSums = std::unordered_map<std::string, std::vector<std::string>>;

Result<RunSums> readRunSums(DbConnection& db, const std::string& sql, std::string_view table,
                            std::string_view column) {
    auto rs = db.openRecordset(sql);
    if (!rs) return rs.error();
    RunSums sums;
    auto read = forEachRow(*rs, [&](const Recordset& row) -> Result<void> {
        auto& fields = sums[row.text(0)];
        for (int f = 1; f < row.fieldCount(); ++f) {
            if (auto finite = requireFinite(row, f, table, column); !finite) return finite;
            fields.push_back(row.text(f));
        }
        return success();
    });
    if (!read) return read.error();
    return sums;
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

} // namespace

Result<void> DailyDMSReport(DbConnection& db, ReportGrid& runGrid, ReportGrid& detailGrid, double start,
                            double end, Progress& progress, const SliceSizes& sizes) {
    const std::string startText = formatGeneral(start);
    const std::string endText = formatGeneral(end);

    std::string sql = "SELECT count(Run_master.Run_ID) FROM Run_master where Start_Time >= ";
    sql += startText;
    sql += " and end_time>0 and End_time <=";
    sql += endText;
    sql += " ";
    int32_t count = 0;
    {
        auto counted = db.openRecordset(sql);
        if (!counted) return counted.error();
        if (!counted->eof()) count = static_cast<int32_t>(counted->integer(0));
    }
    progress.SetMax(count);
    if (progress.abandoned()) return abandonment();

    sql = "SELECT Run_master.Run_ID, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, "
          "Run_master.USpeed, Run_master.CaseCount, Run_master.Start_Time, Run_master.End_Time FROM "
          "Flavor_Master INNER JOIN (Pack_Master INNER JOIN Run_master ON Pack_Master.Pack_ID = "
          "Run_master.Pack_ID) ON Flavor_Master.Flavor_Id = Run_master.Flavor_ID where Start_Time >= ";
    sql += startText;
    sql += " and end_time>0 and End_time <=";
    sql += endText;
    sql += " Order by Run_master.Run_ID";
    auto runList = db.openRecordset(sql);
    if (!runList) return runList.error();

    SetDailyGrid(runGrid);
    SetDowntimeGrid(detailGrid);
    runGrid.setVisible(false);
    struct ShowAtEnd {
        ReportGrid& grid;
        ~ShowAtEnd() { grid.setVisible(true); }
    } showAtEnd{runGrid};

    // Everything is read first, one statement after the other, each closed before the next, so
    // the data collector can commit between them and no statement is open while events are let
    // through. The sums come for all runs of the range at once.
    std::vector<ListedRun> runs;
    runs.reserve(count > 0 ? static_cast<size_t>(count) : 0u);
    RunSpan span;
    auto read = forEachRow(*runList, [&](const Recordset& rs) {
        ListedRun& run = runs.emplace_back();
        for (int c = 0; c <= fCaseCount; ++c)
            run.texts[static_cast<size_t>(c)] = rs.text(c);
        run.key = rs.text(fRunId);
        run.detailRun = static_cast<int32_t>(rs.integer(fRunId));
        run.uspeed = fieldNumber(rs, fUSpeed);
        run.caseCount = fieldNumber(rs, fCaseCount);
        run.start = fieldNumber(rs, fStart);
        run.end = fieldNumber(rs, fEnd);
        if (const auto id = fieldNumber(rs, fRunId)) {
            span.take(*id);
            span.take(static_cast<double>(run.detailRun));
        }
    });
    if (!read) return read.error();
    runList->close();

    RunSums production, losses;
    RunDetailRows events;
    if (!span.empty()) {
        auto produced = sumProductionByRun(db, span.first, span.last, "", sizes);
        if (!produced) return produced.error();
        for (auto& [run, sum] : *produced)
            production[run] = {std::move(sum)};
        auto lost = readRunSums(db, lossSumsSql(span.first, span.last), "TimeLost", "Time_Lost");
        if (!lost) return lost.error();
        losses = std::move(*lost);
        auto listed = RunDetailRows::read(db, span.first, span.last);
        if (!listed) return listed.error();
        events = std::move(*listed);
    }

    runGrid.reserveRows(static_cast<int>(runs.size()) + 1);
    for (const ListedRun& run : runs) {
        progress.ProgressNextValue("");
        if (progress.abandoned()) return abandonment();
        RunRow row(runGrid, runGrid.addRow());
        for (size_t c = 0; c < run.texts.size(); ++c)
            row.set(static_cast<int>(c), run.texts[c]);
        if (run.start) row.set(kStartTime, formatSerial(*run.start, "dd-MMM-yy hh:mm"));
        if (run.end) row.set(kEndTime, formatSerial(*run.end, "dd-MMM-yy hh:mm"));

        // Production in units for now; it becomes cases at the end of the row.
        if (const auto units = wholeNumber32(parseNumber(sumText(production, run.key, 0)).value_or(0)))
            row.set(kProduction, std::to_string(*units));
        RunFigureInputs inputs;
        for (size_t i = 0; i < inputs.losses.size(); ++i) {
            inputs.losses[i] = cellFigure(parseNumber(sumText(losses, run.key, i)).value_or(0), 2);
            row.setFigure(kLackOfSales + static_cast<int>(i), inputs.losses[i]);
        }
        inputs.units = row.number(kProduction);
        inputs.unitsPerMinute = run.uspeed;
        inputs.caseCount = run.caseCount;
        inputs.start = run.start;
        inputs.end = run.end;
        const RunFigures figures = dailyRunFigures(inputs);
        row.setFigure(kEarnedTime, figures.earnedTime);
        row.setFigure(kProductionTime, figures.productionTime);
        row.setFigure(kLostTime, figures.lostTime);
        row.setFigure(kSpeedLoss, figures.speedLoss);
        if (run.start) {
            row.set(kDate, formatSerial(*run.start, "DD-MMM-yy"));
            row.set(kDay, formatSerial(*run.start, "DDDD"));
            row.set(kMonth, formatSerial(*run.start, "MMMM"));
            row.set(kYear, formatSerial(*run.start, "yyyy"));
            row.set(kWeek, formatSerial(*run.start, "WW"));
        }
        row.set(kShift, "0");
        row.setFigure(kMe, figures.me);
        row.setFigure(kNax, figures.nax);
        if (figures.above85) row.set(kOver85, *figures.above85 ? "1" : "0");
        if (figures.cases) row.set(kProduction, std::to_string(*figures.cases));

        events.appendRun(detailGrid, run.detailRun);
    }
    return success();
}

} // namespace nax
