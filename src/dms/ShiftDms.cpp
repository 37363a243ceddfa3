#include "ShiftDms.h"

#include "DmsFigures.h"
#include "DmsLayouts.h"
#include "DmsText.h"
#include "DowntimeDetail.h"
#include "HourWindowLoss.h"
#include "shell/TextRules.h"

#include <cmath>
#include <optional>
#include <string>

namespace nax {

namespace {

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

constexpr double kHourMinutes = 60;

// Fields of the grouped query.
enum HourField : int { fHour = 0, fRun = 3, fUSpeed = 4, fCaseCount = 5, fUnits = 7, fDate = 8 };

} // namespace

Result<void> ShiftDMSReport(DbConnection& db, EventPump& pump, ReportGrid& runGrid, ReportGrid& detailGrid,
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
        const auto number = [&](int col) { return runGrid.number(r, col); };
        const auto setFigure = [&](int col, Figure value) {
            if (value) runGrid.setCell(r, col, formatGeneral(*value));
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
                if (auto done = HourWindowLoss(db, pump, runGrid, kLossCategories[i],
                                               kLackOfSales + static_cast<int>(i), dateText, hourText, *run);
                    !done) {
                    runGrid.setRows(r); // the unfinished row goes
                    return done;
                }
        }

        LossMinutes losses;
        for (size_t i = 0; i < losses.size(); ++i)
            losses[i] = number(kLackOfSales + static_cast<int>(i));
        const Figure earned = earnedTimeMinutes(number(kProduction), fieldNumber(rs, fUSpeed), 2);
        const Figure lost = lostTimeMinutes(kHourMinutes, earned);
        setFigure(kEarnedTime, earned);
        setFigure(kLostTime, lost);
        setFigure(kSpeedLoss, hourSpeedLossMinutes(lost, losses));
        runGrid.setCell(r, kShift, ShiftOfHour(hourText));
        setFigure(kMe, mePercent(earned, kHourMinutes, losses));
        setFigure(kNax, naxPercent(earned, kHourMinutes, losses));
        if (const auto cases = productionCases(fieldNumber(rs, fUnits), fieldNumber(rs, fCaseCount)))
            runGrid.setCell(r, kProduction, std::to_string(*cases));

        if (auto moved = hours->moveNext(); !moved) return moved.error();
    }
    hours->close();
    return ListDowntimeDetail(db, detailGrid, start, end, -1);
}

} // namespace nax
