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

std::optional<double> quotient(std::optional<double> dividend, std::optional<double> divisor) {
    if (!dividend || !divisor || *divisor == 0) return std::nullopt;
    return *dividend / *divisor;
}

std::optional<double> difference(std::optional<double> a, std::optional<double> b) {
    if (!a || !b) return std::nullopt;
    return *a - *b;
}

void perRunHourWindowLoss(DbConnection& db, EventPump& pump, ReportGrid& runGrid, std::string_view category,
                          int column, std::string_view dateText, std::string_view hourText, int32_t run) {
    PumpEvents(pump, 5);
    const int row = runGrid.rows() - 1;
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
    const std::string common = " where Run_no =" + std::to_string(run) + " and  trim([Loss_Structure]) ='" +
                               std::string(category) + "' and  ";

    const auto cellMinutes = [&] { return cellNumber(runGrid, row, column).value_or(0); };

    // Events that start inside the window, up to their end or minute 59.
    runGrid.setCell(row, column,
                    lookup(db, "TimeLost",
                           "Sum(iif(DT_End>" + w59 + "," + w59 + ",DT_End) -Dt_Start) *60 *24",
                           common + "DT_Start between " + w0 + " and " + w59));
    // Events that cover the whole window.
    const double covering =
        parseNumber(lookup(db, "TimeLost", "60", common + "DT_Start <=" + w0 + " and dt_End >=" + w59))
            .value_or(0);
    runGrid.setCell(row, column, formatGeneral(cellMinutes() + covering));
    // Events that started earlier and end inside the window, from minute 00.
    const double ending =
        parseNumber(lookup(db, "TimeLost", "Sum(DT_End-iif(DT_Start<" + w0 + "," + w0 + ",DT_Start)) *60 *24",
                           common + "DT_End between " + w0 + " and " + w59 + " and DT_Start < " + w0))
            .value_or(0);
    runGrid.setCell(row, column, roundedText(cellMinutes() + ending, 2));

    if (cellMinutes() > 60) runGrid.setCell(row, column, "60");
}

} // namespace

Result<void> perRunDailyDMSReport(DbConnection& db, ReportGrid& runGrid, ReportGrid& detailGrid, double start,
                                  double end, Progress& progress) {
    // Columns of the run grid: the run's cells, its figures, its calendar.
    enum : int { kStartTime = 6, kEndTime, kProduction, kLackOfSales, kPlannedLoss = 11, kQaLoss = 14 };
    enum : int { kSpeedLoss = 15, kLostTime, kProductionTime, kEarnedTime };
    enum : int { kDate = 19, kDay, kMonth, kYear, kWeek, kShift, kMe, kNax, kOver85 };

    // Fields of the run list.
    enum RunField : int { fRunId = 0, fUSpeed = 4, fCaseCount = 5, fStart = 6, fEnd = 7 };
    const std::string range = formatGeneral(start) + " and end_time>0 and End_time <=" + formatGeneral(end);
    int32_t count = 0;
    {
        auto counted = db.openRecordset(
            "SELECT count(Run_master.Run_ID) FROM Run_master where Start_Time >= " + range + " ");
        if (!counted) return counted.error();
        if (!counted->eof()) count = static_cast<int32_t>(counted->integer(0));
    }
    progress.SetMax(count);

    auto runs = db.openRecordset(
        "SELECT Run_master.Run_ID, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, "
        "Run_master.USpeed, Run_master.CaseCount, Run_master.Start_Time, Run_master.End_Time FROM "
        "Flavor_Master INNER JOIN (Pack_Master INNER JOIN Run_master ON Pack_Master.Pack_ID = "
        "Run_master.Pack_ID) ON Flavor_Master.Flavor_Id = Run_master.Flavor_ID where Start_Time >= " +
        range + " Order by Run_master.Run_ID");
    if (!runs) return runs.error();

    SetDailyGrid(runGrid);
    SetDowntimeGrid(detailGrid);
    while (!runs->eof()) {
        const Recordset& rs = *runs;
        progress.ProgressNextValue("");
        const int r = runGrid.addRow();
        const auto number = [&](int col) { return cellNumber(runGrid, r, col); };
        const auto set = [&](int col, std::string_view text) { runGrid.setCell(r, col, text); };
        const auto setRounded = [&](int col, std::optional<double> value, int decimals) {
            if (value && std::isfinite(*value)) set(col, roundedText(*value, decimals));
        };
        for (int c = 0; c <= fCaseCount; ++c)
            set(c, rs.text(c));
        const std::string runId = rs.text(fRunId);
        const auto startTime = fieldNumber(rs, fStart);
        const auto endTime = fieldNumber(rs, fEnd);
        if (startTime) set(kStartTime, formatSerial(*startTime, "dd-MMM-yy hh:mm"));
        if (endTime) set(kEndTime, formatSerial(*endTime, "dd-MMM-yy hh:mm"));

        // Production in units for now; it becomes cases at the end of the row.
        if (const auto units = wholeNumber32(
                parseNumber(lookup(db, "opc", "Sum(Production)", " where Run_id =" + runId)).value_or(0)))
            set(kProduction, std::to_string(*units));

        for (size_t i = 0; i < kLossCategories.size(); ++i) {
            const std::string name(kLossCategories[i]);
            const std::string where =
                " where Run_no =" + runId +
                (name == "Equipment Loss" ? " and   trim([Loss_Structure]) in ('" + name + "','')"
                                          : " and  trim([Loss_Structure]) ='" + name + "'");
            const auto minutes = parseNumber(lookup(db, "TimeLost", "Sum(Time_Lost) *60 *24", where));
            setRounded(kLackOfSales + static_cast<int>(i), minutes.value_or(0), 2);
        }

        setRounded(kEarnedTime, quotient(number(kProduction), fieldNumber(rs, fUSpeed)), 0);
        if (startTime && endTime) setRounded(kProductionTime, (*endTime - *startTime) * 60 * 24, 2);
        setRounded(kLostTime, difference(number(kProductionTime), number(kEarnedTime)), 2);
        // The six categories are added in single precision, as the figure has always been made.
        if (const auto lost = number(kLostTime)) {
            float losses = 0.0f;
            for (int c = kLackOfSales; c <= kQaLoss; ++c)
                losses += static_cast<float>(number(c).value_or(0));
            setRounded(kSpeedLoss, *lost - static_cast<double>(losses), 2);
        }

        if (startTime) {
            set(kDate, formatSerial(*startTime, "DD-MMM-yy"));
            set(kDay, formatSerial(*startTime, "DDDD"));
            set(kMonth, formatSerial(*startTime, "MMMM"));
            set(kYear, formatSerial(*startTime, "yyyy"));
            set(kWeek, formatSerial(*startTime, "WW"));
        }
        set(kShift, "0");

        // Each of these four steps leaves its cell as it is when it cannot be computed.
        const auto earned = number(kEarnedTime);
        const auto productionTime = number(kProductionTime);
        const auto lackOfSales = number(kLackOfSales);
        const auto planned = number(kPlannedLoss);
        const auto notLost = lackOfSales && planned ? std::optional(*lackOfSales + *planned) : std::nullopt;
        if (const auto share = quotient(earned, difference(productionTime, notLost)))
            setRounded(kMe, *share * 100, 2);
        if (const auto share = quotient(earned, difference(productionTime, lackOfSales)))
            setRounded(kNax, *share * 100, 2);
        if (const auto me = number(kMe)) set(kOver85, *me > 85 ? "1" : "0");
        if (const auto cases = quotient(number(kProduction), fieldNumber(rs, fCaseCount)))
            if (const auto whole = wholeNumber32(*cases)) set(kProduction, std::to_string(*whole));

        if (auto listed =
                ListDowntimeDetail(db, detailGrid, start, end, static_cast<int32_t>(rs.integer(fRunId)));
            !listed)
            return listed.error();
        if (auto moved = runs->moveNext(); !moved) return moved.error();
    }
    return success();
}

Result<void> perRunShiftDMSReport(DbConnection& db, EventPump& pump, ReportGrid& runGrid,
                                  ReportGrid& detailGrid, double start, double end) {
    // Columns of the hour grid: production, the six losses and the figures, then the calendar.
    enum : int { kProduction = 6, kLackOfSales, kPlannedLoss = 9, kQaLoss = 12, kSpeedLoss, kLostTime };
    enum : int { kEarnedTime = 15, kShift, kMe, kNax, kDate, kDay, kMonth, kYear, kWeek };

    // Fields of the grouped query.
    enum HourField : int { fHour = 0, fRun = 3, fUSpeed = 4, fCaseCount = 5, fUnits = 7, fDate = 8 };
    SetShiftGrid(runGrid);

    // The rows of one date come by hour, then run.
    auto hours = db.openRecordset(
        "SELECT Format([Timestamp],'hh') AS HR, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.Run_ID, "
        "Run_master.Uspeed,Run_master.CaseCount, opc.Shift_ID, Sum(opc.Production) AS "
        "SumOfProduction,Format([Timestamp],'dd-MMM-yy') FROM Flavor_Master INNER JOIN (Pack_Master INNER "
        "JOIN (Run_master INNER JOIN opc ON Run_master.Run_ID = opc.Run_ID) ON Pack_Master.Pack_ID = "
        "opc.Pack_ID) ON Flavor_Master.Flavor_Id = opc.Flavor_Id  where [Timestamp] between " +
        formatGeneral(start) + " and " + formatGeneral(end) +
        " GROUP BY Format([Timestamp],'hh'), Pack_Master.Pack, Flavor_Master.Flavor, Run_master.Run_ID, "
        "Run_master.CaseCount, opc.Shift_ID,Uspeed,Format([Timestamp],'dd-MMM-yy') order by "
        "Format([Timestamp],'dd-MMM-yy') , HR, Run_master.Run_ID");
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

} // namespace nax::test
