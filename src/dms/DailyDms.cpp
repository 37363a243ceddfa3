#include "DailyDms.h"

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
    void setRounded(int col, std::optional<double> value, int decimals) {
        if (value && std::isfinite(*value)) set(col, roundedText(*value, decimals));
    }

private:
    ReportGrid& grid_;
    int row_;
};

std::optional<double> quotient(std::optional<double> dividend, std::optional<double> divisor) {
    if (!dividend || !divisor || *divisor == 0) return std::nullopt;
    return *dividend / *divisor;
}

std::optional<double> difference(std::optional<double> a, std::optional<double> b) {
    if (!a || !b) return std::nullopt;
    return *a - *b;
}

std::optional<double> sum(std::optional<double> a, std::optional<double> b) {
    if (!a || !b) return std::nullopt;
    return *a + *b;
}

std::optional<double> percent(std::optional<double> part, std::optional<double> whole) {
    const auto share = quotient(part, whole);
    if (!share) return std::nullopt;
    return *share * 100;
}

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
        RunRow row(runGrid, runGrid.addRow());
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
        if (const auto units = wholeNumber32(
                parseNumber(LookupValue(db, "opc", "Sum(Production)", where, "Int")).value_or(0)))
            row.set(kProduction, std::to_string(*units));

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
            const auto minutes =
                parseNumber(LookupValue(db, "TimeLost", "Sum(Time_Lost) *60 *24", where, "Int"));
            row.setRounded(kLackOfSales + static_cast<int>(i), minutes.value_or(0), 2);
        }

        row.setRounded(kEarnedTime, quotient(row.number(kProduction), fieldNumber(rs, fUSpeed)), 0);
        if (startTime && endTime) row.setRounded(kProductionTime, (*endTime - *startTime) * 60 * 24, 2);
        row.setRounded(kLostTime, difference(row.number(kProductionTime), row.number(kEarnedTime)), 2);
        // The six categories are added in single precision, as the figure has always been made.
        if (const auto lost = row.number(kLostTime)) {
            float losses = 0.0f;
            for (int c = kLackOfSales; c <= kQaLoss; ++c)
                losses += static_cast<float>(row.number(c).value_or(0));
            row.setRounded(kSpeedLoss, *lost - static_cast<double>(losses), 2);
        }

        if (startTime) {
            row.set(kDate, formatSerial(*startTime, "DD-MMM-yy"));
            row.set(kDay, formatSerial(*startTime, "DDDD"));
            row.set(kMonth, formatSerial(*startTime, "MMMM"));
            row.set(kYear, formatSerial(*startTime, "yyyy"));
            row.set(kWeek, formatSerial(*startTime, "WW"));
        }
        row.set(kShift, "0");

        // Each of these four steps leaves its cell as it is when it cannot be computed.
        const auto earned = row.number(kEarnedTime);
        const auto productionTime = row.number(kProductionTime);
        const auto lackOfSales = row.number(kLackOfSales);
        const auto planned = row.number(kPlannedLoss);
        row.setRounded(kMe, percent(earned, difference(productionTime, sum(lackOfSales, planned))), 2);
        row.setRounded(kNax, percent(earned, difference(productionTime, lackOfSales)), 2);
        if (const auto me = row.number(kMe)) row.set(kOver85, *me > 85 ? "1" : "0");
        if (const auto cases = quotient(row.number(kProduction), fieldNumber(rs, fCaseCount)))
            if (const auto whole = wholeNumber32(*cases)) row.set(kProduction, std::to_string(*whole));

        if (auto listed =
                ListDowntimeDetail(db, detailGrid, start, end, static_cast<int32_t>(rs.integer(fRunId)));
            !listed)
            return listed.error();
        if (auto moved = runs->moveNext(); !moved) return moved.error();
    }
    return success();
}

} // namespace nax
