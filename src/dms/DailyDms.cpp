#include "DailyDms.h"

#include "DmsFigures.h"
#include "DmsLayouts.h"
#include "DmsText.h"
#include "DowntimeDetail.h"
#include "shell/QueryHelpers.h"
#include "shell/TextRules.h"

#include <cmath>
#include <optional>
#include <string>

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
    std::optional<double> number(int col) const { return grid_.number(row_, col); }
    void set(int col, std::string_view text) { grid_.setCell(row_, col, text); }
    void setFigure(int col, Figure value) {
        if (value) set(col, formatGeneral(*value));
    }

private:
    ReportGrid& grid_;
    int row_;
};

} // namespace

Result<void> DailyDMSReport(DbConnection& db, ReportGrid& runGrid, ReportGrid& detailGrid, double start,
                            double end, Progress& progress) {
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

    sql = "SELECT Run_master.Run_ID, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, "
          "Run_master.USpeed, Run_master.CaseCount, Run_master.Start_Time, Run_master.End_Time FROM "
          "Flavor_Master INNER JOIN (Pack_Master INNER JOIN Run_master ON Pack_Master.Pack_ID = "
          "Run_master.Pack_ID) ON Flavor_Master.Flavor_Id = Run_master.Flavor_ID where Start_Time >= ";
    sql += startText;
    sql += " and end_time>0 and End_time <=";
    sql += endText;
    sql += " Order by Run_master.Run_ID";
    auto runs = db.openRecordset(sql);
    if (!runs) return runs.error();

    SetDailyGrid(runGrid);
    SetDowntimeGrid(detailGrid);
    runGrid.setVisible(false);
    runGrid.reserveRows(count > 0 ? count + 1 : 1);
    struct ShowAtEnd {
        ReportGrid& grid;
        ~ShowAtEnd() { grid.setVisible(true); }
    } showAtEnd{runGrid};

    std::string runId;
    std::string where;
    where.reserve(128);
    while (!runs->eof()) {
        const Recordset& rs = *runs;
        progress.ProgressNextValue("");
        const int r = runGrid.addRow();
        RunRow row(runGrid, r);
        const auto failed = [&](const Error& error) {
            runGrid.setRows(r); // the unfinished row goes
            return error;
        };
        for (int c = 0; c <= fCaseCount; ++c)
            row.set(c, rs.text(c));
        runId = rs.text(fRunId);
        const auto startTime = fieldNumber(rs, fStart);
        const auto endTime = fieldNumber(rs, fEnd);
        if (startTime) row.set(kStartTime, formatSerial(*startTime, "dd-MMM-yy hh:mm"));
        if (endTime) row.set(kEndTime, formatSerial(*endTime, "dd-MMM-yy hh:mm"));

        // Production in units for now; it becomes cases at the end of the row.
        where = " where Run_id =";
        where += runId;
        auto production = LookupValue(db, "opc", "Sum(Production)", where, "Int");
        if (!production) return failed(production.error());
        if (const auto units = wholeNumber32(parseNumber(*production).value_or(0)))
            row.set(kProduction, std::to_string(*units));

        RunFigureInputs inputs;
        for (size_t i = 0; i < kLossCategories.size(); ++i) {
            const auto name = kLossCategories[i];
            where = " where Run_no =";
            where += runId;
            if (name == "Equipment Loss") {
                where += " and   trim([Loss_Structure]) in ('";
                where += name;
                where += "','')";
            } else {
                where += " and  trim([Loss_Structure]) ='";
                where += name;
                where += "'";
            }
            auto minutes = LookupValue(db, "TimeLost", "Sum(Time_Lost) *60 *24", where, "Int");
            if (!minutes) return failed(minutes.error());
            inputs.losses[i] = cellFigure(parseNumber(*minutes).value_or(0), 2);
            row.setFigure(kLackOfSales + static_cast<int>(i), inputs.losses[i]);
        }
        inputs.units = row.number(kProduction);
        inputs.unitsPerMinute = fieldNumber(rs, fUSpeed);
        inputs.caseCount = fieldNumber(rs, fCaseCount);
        inputs.start = startTime;
        inputs.end = endTime;
        const RunFigures figures = dailyRunFigures(inputs);
        row.setFigure(kEarnedTime, figures.earnedTime);
        row.setFigure(kProductionTime, figures.productionTime);
        row.setFigure(kLostTime, figures.lostTime);
        row.setFigure(kSpeedLoss, figures.speedLoss);
        if (startTime) {
            row.set(kDate, formatSerial(*startTime, "DD-MMM-yy"));
            row.set(kDay, formatSerial(*startTime, "DDDD"));
            row.set(kMonth, formatSerial(*startTime, "MMMM"));
            row.set(kYear, formatSerial(*startTime, "yyyy"));
            row.set(kWeek, formatSerial(*startTime, "WW"));
        }
        row.set(kShift, "0");
        row.setFigure(kMe, figures.me);
        row.setFigure(kNax, figures.nax);
        if (figures.above85) row.set(kOver85, *figures.above85 ? "1" : "0");
        if (figures.cases) row.set(kProduction, std::to_string(*figures.cases));

        if (auto listed =
                ListDowntimeDetail(db, detailGrid, start, end, static_cast<int32_t>(rs.integer(fRunId)));
            !listed)
            return listed.error();
        if (auto moved = runs->moveNext(); !moved) return moved.error();
    }
    return success();
}

} // namespace nax
