// The DMS reports as they were first written: one lookup per run (or hour) and category,
// the run list open meanwhile. Kept only to check the grouped reports cell for cell.
#include "PerRunReference.h"

#include "db/QueryHelpers.h"
#include "dms/DmsLayouts.h"
#include "dms/DmsText.h"
#include "dms/DowntimeDetail.h"
#include "dms/ShiftDms.h"
#include "text/DatePattern.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

namespace nax::test {

namespace {

// The reference runs on sound databases only: a failed lookup stops the test.
std::string lookup(DbConnection& db, std::string_view table, std::string_view expression,
                   std::string_view condition) {
    auto answer = LookupValue(db, table, expression, condition, "Int");
    if (!answer) throw std::runtime_error("lookup failed: " + answer.error().message);
    return *answer;
}

} // namespace

namespace daily {

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

Result<void> report(DbConnection& db, ReportGrid& runGrid, ReportGrid& detailGrid, double start, double end,
                    Progress& progress) {
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
        if (const auto units =
                wholeNumber32(parseNumber(lookup(db, "opc", "Sum(Production)", where)).value_or(0)))
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
            const auto minutes = parseNumber(lookup(db, "TimeLost", "Sum(Time_Lost) *60 *24", where));
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

} // namespace daily

void perRunHourWindowLoss(DbConnection& db, EventPump& pump, ReportGrid& runGrid, std::string_view category,
                          int column, std::string_view dateText, std::string_view hourText, int32_t run) {
    PumpEvents(pump, 5);
    const int row = runGrid.rows() - 1;
    if (row < 0 || column < 0 || column >= runGrid.cols()) return;
    runGrid.setCell(row, column, "0");

    const auto day = readDayMonthYear(dateText);
    const auto hour = readHour(hourText);
    if (!day || !hour) {
        runGrid.setCell(row, column, "");
        return;
    }
    const DateParts p = serialToParts(*day);
    const std::string w0 = formatGeneral(partsToSerial(p.year, p.month, p.day, *hour, 0));
    const std::string w59 = formatGeneral(partsToSerial(p.year, p.month, p.day, *hour, 59));

    category = trimBlanks(category);
    std::string common = " where Run_no =";
    common += std::to_string(run);
    common += " and  trim([Loss_Structure]) ='";
    common += category;
    common += "' and  ";

    const auto cellMinutes = [&] { return cellNumber(runGrid, row, column).value_or(0); };

    // Events that start inside the window, up to their end or minute 59.
    std::string expression = "Sum(iif(DT_End>" + w59 + "," + w59 + ",DT_End) -Dt_Start) *60 *24";
    std::string condition = common + "DT_Start between " + w0 + " and " + w59;
    runGrid.setCell(row, column, lookup(db, "TimeLost", expression, condition));

    // Events that cover the whole window.
    condition = common + "DT_Start <=" + w0 + " and dt_End >=" + w59;
    const double covering = parseNumber(lookup(db, "TimeLost", "60", condition)).value_or(0);
    runGrid.setCell(row, column, formatGeneral(cellMinutes() + covering));

    // Events that started earlier and end inside the window, from minute 00.
    expression = "Sum(DT_End-iif(DT_Start<" + w0 + "," + w0 + ",DT_Start)) *60 *24";
    condition = common + "DT_End between " + w0 + " and " + w59 + " and DT_Start < " + w0;
    const double ending = parseNumber(lookup(db, "TimeLost", expression, condition)).value_or(0);
    runGrid.setCell(row, column, roundedText(cellMinutes() + ending, 2));

    if (cellMinutes() > 60) runGrid.setCell(row, column, "60");
}

namespace shift {

enum ShiftColumn : int {
    kProduction = 6,
    kLackOfSales = 7,
    kPlannedLoss = 9,
    kQaLoss = 12,
    kSpeedLoss = 13,
    kLostTime = 14,
    kEarnedTime = 15,
    kShift = 16,
    kMe = 17,
    kNax = 18,
    kDate = 19,
    kDay = 20,
    kMonth = 21,
    kYear = 22,
    kWeek = 23,
};

// Fields of the grouped query.
enum HourField : int { fHour = 0, fRun = 3, fUSpeed = 4, fCaseCount = 5, fUnits = 7, fDate = 8 };

Result<void> report(DbConnection& db, EventPump& pump, ReportGrid& runGrid, ReportGrid& detailGrid,
                    double start, double end) {
    SetShiftGrid(runGrid);
    // Whole seconds, so that a window of exactly 7 days is not refused over the last bit of a
    // double.
    if (std::llround((end - start) * 86400.0) > 7LL * 86400) return refusal(std::string(kShiftWindowRefusal));

    std::string sql =
        "SELECT Format([Timestamp],'hh') AS HR, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.Run_ID, "
        "Run_master.Uspeed,Run_master.CaseCount, opc.Shift_ID, Sum(opc.Production) AS "
        "SumOfProduction,Format([Timestamp],'dd-MMM-yy') "
        "FROM Flavor_Master INNER JOIN (Pack_Master INNER JOIN (Run_master INNER JOIN opc ON "
        "Run_master.Run_ID = "
        "opc.Run_ID) ON Pack_Master.Pack_ID = opc.Pack_ID) ON Flavor_Master.Flavor_Id = opc.Flavor_Id "
        " where [Timestamp] between ";
    sql += formatGeneral(start);
    sql += " and ";
    sql += formatGeneral(end);
    // The rows of one date come by hour, then run.
    sql += " GROUP BY Format([Timestamp],'hh'), Pack_Master.Pack, Flavor_Master.Flavor, Run_master.Run_ID, "
           "Run_master.CaseCount, opc.Shift_ID,Uspeed,Format([Timestamp],'dd-MMM-yy') order by "
           "Format([Timestamp],'dd-MMM-yy') , HR, Run_master.Run_ID";
    auto hours = db.openRecordset(sql);
    if (!hours) return hours.error();

    std::string dateText;
    std::string hourText;
    while (!hours->eof()) {
        const Recordset& rs = *hours;
        const int r = runGrid.addRow();
        const auto number = [&](int col) { return cellNumber(runGrid, r, col); };
        const auto setRounded = [&](int col, std::optional<double> value) {
            if (value && std::isfinite(*value)) runGrid.setCell(r, col, roundedText(*value, 2));
        };
        for (int c = 0; c <= fCaseCount; ++c)
            runGrid.setCell(r, c, rs.text(c));
        runGrid.setCell(r, kProduction, rs.text(fUnits));
        hourText = rs.text(fHour);
        dateText = rs.text(fDate);
        runGrid.setCell(r, kDate, dateText);
        if (const auto day = readDayMonthYear(dateText)) {
            runGrid.setCell(r, kDay, formatSerial(*day, "dd"));
            runGrid.setCell(r, kMonth, formatSerial(*day, "MMMM"));
            runGrid.setCell(r, kYear, formatSerial(*day, "yyyy"));
            runGrid.setCell(r, kWeek, formatSerial(*day, "ww"));
        }
        const auto runValue = fieldNumber(rs, fRun);
        if (const auto run = runValue ? wholeNumber32(*runValue) : std::nullopt) {
            for (size_t i = 0; i < kLossCategories.size(); ++i)
                perRunHourWindowLoss(db, pump, runGrid, kLossCategories[i],
                                     kLackOfSales + static_cast<int>(i), dateText, hourText, *run);
        }

        const auto uspeed = fieldNumber(rs, fUSpeed);
        if (const auto units = number(kProduction); units && uspeed && *uspeed != 0)
            setRounded(kEarnedTime, *units / *uspeed);
        if (const auto earned = number(kEarnedTime)) setRounded(kLostTime, 60 - *earned);
        if (const auto lost = number(kLostTime)) {
            std::optional<double> losses = 0.0;
            for (int c = kLackOfSales; c <= kQaLoss && losses; ++c) {
                const auto minutes = number(c);
                losses = minutes ? std::optional<double>(*losses + *minutes) : std::nullopt;
            }
            if (losses) setRounded(kSpeedLoss, *lost - *losses);
        }
        runGrid.setCell(r, kShift, ShiftOfHour(hourText));

        // Each of these three steps leaves its cell as it is when it cannot be computed.
        const auto earned = number(kEarnedTime);
        const auto lackOfSales = number(kLackOfSales);
        const auto planned = number(kPlannedLoss);
        if (earned && lackOfSales && planned && 60 - (*lackOfSales + *planned) != 0)
            setRounded(kMe, *earned / (60 - (*lackOfSales + *planned)) * 100);
        if (earned && lackOfSales && 60 - *lackOfSales != 0)
            setRounded(kNax, *earned / (60 - *lackOfSales) * 100);
        const auto units = fieldNumber(rs, fUnits);
        const auto caseCount = fieldNumber(rs, fCaseCount);
        if (units && caseCount && *caseCount != 0)
            if (const auto cases = wholeNumber32(*units / *caseCount))
                runGrid.setCell(r, kProduction, std::to_string(*cases));

        if (auto moved = hours->moveNext(); !moved) return moved.error();
    }
    hours->close();
    return ListDowntimeDetail(db, detailGrid, start, end, -1);
}

} // namespace shift

Result<void> perRunDailyDMSReport(DbConnection& db, ReportGrid& runGrid, ReportGrid& detailGrid, double start,
                                  double end, Progress& progress) {
    return daily::report(db, runGrid, detailGrid, start, end, progress);
}

Result<void> perRunShiftDMSReport(DbConnection& db, EventPump& pump, ReportGrid& runGrid,
                                  ReportGrid& detailGrid, double start, double end) {
    return shift::report(db, pump, runGrid, detailGrid, start, end);
}

} // namespace nax::test
