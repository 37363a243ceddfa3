#include "ShiftDms.h"

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
                HourWindowLoss(db, pump, runGrid, kLossCategories[i], kLackOfSales + static_cast<int>(i),
                               dateText, hourText, *run);
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

} // namespace nax
