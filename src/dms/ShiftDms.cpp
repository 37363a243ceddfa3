#include "ShiftDms.h"

#include "DmsFigures.h"
#include "DmsLayouts.h"
#include "DmsText.h"
#include "DowntimeDetail.h"
#include "HourWindowLoss.h"
#include "db/QueryHelpers.h"
#include "db/TableSlices.h"
#include "text/DatePattern.h"
#include "text/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

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

// What the report needs of one row of the grouped query.
struct HourRow {
    std::array<std::string, 6> texts; // hour, pack, flavour, run, USpeed, CaseCount
    std::string unitsText, dateText;
    std::optional<int32_t> run;
    Figure uspeed, caseCount, units;
};

// Without an index on Timestamp, the window's production rows are first found in rowid slices,
// so that the grouped statement reads only their span; the empty text where an index finds them.
Result<std::string> windowRowids(DbConnection& db, const std::string& window, const SliceSizes& sizes) {
    auto indexed = searchesIndex(db, "select Sum(Production) from opc where [Timestamp]" + window);
    if (!indexed) return indexed.error();
    if (*indexed) return std::string();
    int64_t first = INT64_MAX, last = INT64_MIN;
    auto found = readRowidSlices(
        db, "opc", sizes,
        [&](const std::string& between) {
            return "select min(rowid), max(rowid) from opc where rowid" + between + " and [Timestamp]" +
                   window;
        },
        [&](Recordset& span) -> Result<void> {
            if (!span.eof() && !span.isNull(0)) {
                first = std::min(first, span.integer(0));
                last = std::max(last, span.integer(1));
            }
            return success();
        });
    if (!found) return found.error();
    if (first > last) return std::string(" and opc.rowid between 0 and -1");
    return " and opc.rowid between " + std::to_string(first) + " and " + std::to_string(last);
}

} // namespace

Result<void> ShiftDMSReport(DbConnection& db, EventPump& pump, ReportGrid& runGrid, ReportGrid& detailGrid,
                            double start, double end, const SliceSizes& sizes) {
    SetShiftGrid(runGrid);
    SetDowntimeGrid(detailGrid);
    // Whole seconds, so that a window of exactly 7 days is not refused over the last bit of a
    // double.
    if (std::llround((end - start) * 86400.0) > 7LL * 86400) return refusal(std::string(kShiftWindowRefusal));

    const std::string window = " between " + formatGeneral(start) + " and " + formatGeneral(end);
    auto rowids = windowRowids(db, window, sizes);
    if (!rowids) return rowids.error();
    // The rowid span, where there is one, goes where the production rows are still named opc.
    std::string sql =
        "SELECT Format([Timestamp],'hh') AS HR, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.Run_ID, "
        "Run_master.Uspeed,Run_master.CaseCount, opc.Shift_ID, Sum(opc.Production) AS "
        "SumOfProduction,Format([Timestamp],'dd-MMM-yy') "
        "FROM Flavor_Master INNER JOIN (Pack_Master INNER JOIN (Run_master INNER JOIN opc ON "
        "Run_master.Run_ID = "
        "opc.Run_ID" +
        *rowids +
        ") ON Pack_Master.Pack_ID = opc.Pack_ID) ON Flavor_Master.Flavor_Id = opc.Flavor_Id "
        " where [Timestamp]" +
        window;
    // The rows of one date come by hour, then run.
    sql += " GROUP BY Format([Timestamp],'hh'), Pack_Master.Pack, Flavor_Master.Flavor, Run_master.Run_ID, "
           "Run_master.CaseCount, opc.Shift_ID,Uspeed,Format([Timestamp],'dd-MMM-yy') order by "
           "Format([Timestamp],'dd-MMM-yy') , HR, Run_master.Run_ID";
    auto hours = db.openRecordset(sql);
    if (!hours) return hours.error();

    // The hours are read and the statement closed before anything else runs or events are let
    // through; then the events of all their runs are read at once.
    std::vector<HourRow> rows;
    int64_t firstRun = INT64_MAX, lastRun = INT64_MIN;
    auto read = forEachRow(*hours, [&](const Recordset& rs) -> Result<void> {
        if (auto finite = requireFinite(rs, fUnits, "opc", "Production"); !finite) return finite;
        HourRow& row = rows.emplace_back();
        for (int c = 0; c <= fCaseCount; ++c)
            row.texts[static_cast<size_t>(c)] = rs.text(c);
        row.unitsText = rs.text(fUnits);
        row.dateText = rs.text(fDate);
        const auto runValue = fieldNumber(rs, fRun);
        row.run = runValue ? wholeNumber32(*runValue) : std::nullopt;
        if (row.run) {
            firstRun = std::min<int64_t>(firstRun, *row.run);
            lastRun = std::max<int64_t>(lastRun, *row.run);
        }
        row.uspeed = fieldNumber(rs, fUSpeed);
        row.caseCount = fieldNumber(rs, fCaseCount);
        row.units = fieldNumber(rs, fUnits);
        return success();
    });
    if (!read) return read.error();
    hours->close();
    auto losses = HourWindowLosses::read(db, firstRun, lastRun);
    if (!losses) return losses.error();

    for (const HourRow& row : rows) {
        PumpEvents(pump, 5);
        if (pump.abandoned()) return abandonment();
        const int r = runGrid.addRow();
        const auto number = [&](int col) { return cellNumber(runGrid, r, col); };
        const auto setFigure = [&](int col, Figure value) {
            if (value) runGrid.setCell(r, col, formatGeneral(*value));
        };
        const std::string& hourText = row.texts[fHour];
        for (size_t c = 0; c < row.texts.size(); ++c)
            runGrid.setCell(r, static_cast<int>(c), row.texts[c]);
        runGrid.setCell(r, kProduction, row.unitsText);
        runGrid.setCell(r, kDate, row.dateText);
        if (const auto day = readDayMonthYear(row.dateText)) {
            runGrid.setCell(r, kDay, formatSerial(*day, "dd"));
            runGrid.setCell(r, kMonth, formatSerial(*day, "MMMM"));
            runGrid.setCell(r, kYear, formatSerial(*day, "yyyy"));
            runGrid.setCell(r, kWeek, formatSerial(*day, "ww"));
        }
        if (row.run)
            for (size_t i = 0; i < kLossCategories.size(); ++i)
                losses->write(runGrid, i, kLackOfSales + static_cast<int>(i), row.dateText, hourText,
                              *row.run);

        LossMinutes minutes;
        for (size_t i = 0; i < minutes.size(); ++i)
            minutes[i] = number(kLackOfSales + static_cast<int>(i));
        const Figure earned = earnedTimeMinutes(number(kProduction), row.uspeed, 2);
        const Figure lost = lostTimeMinutes(kHourMinutes, earned);
        setFigure(kEarnedTime, earned);
        setFigure(kLostTime, lost);
        setFigure(kSpeedLoss, hourSpeedLossMinutes(lost, minutes));
        runGrid.setCell(r, kShift, ShiftOfHour(hourText));
        setFigure(kMe, mePercent(earned, kHourMinutes, minutes));
        setFigure(kNax, naxPercent(earned, kHourMinutes, minutes));
        if (const auto cases = productionCases(row.units, row.caseCount))
            runGrid.setCell(r, kProduction, std::to_string(*cases));
    }
    return ListDowntimeDetail(db, detailGrid, start, end, -1);
}

} // namespace nax
