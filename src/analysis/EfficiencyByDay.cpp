#include "EfficiencyByDay.h"

#include "dms/DmsFigures.h"
#include "dms/DmsText.h"
#include "text/DatePattern.h"
#include "text/NumberText.h"

#include <map>

namespace nax {

namespace {

// Minutes of one day's runs, summed from their rounded cells.
struct DaySums {
    int runs = 0;
    double productionTime = 0, earnedTime = 0;
    std::array<double, 6> losses{};
};

std::string figureText(Figure value) {
    return value ? formatGeneral(*value) : std::string();
}

} // namespace

ChartTable EmptyEfficiencyByDay() {
    ChartTable table;
    setHeaderRow(table.grid, {"Date", "Runs", "Production Time", "Earned Time", "Lack of Sales",
                              "Planned Loss", "ME", "NAX"});
    return table;
}

Result<ChartTable> EfficiencyByDay(const ReportGrid& runs) {
    const auto found =
        columnsOf(runs, {"Date", "Production Time", "Earned Time", kLossCategories[0], kLossCategories[1],
                         kLossCategories[2], kLossCategories[3], kLossCategories[4], kLossCategories[5]});
    if (!found) return found.error();
    const std::vector<int>& columns = found.value();
    enum { cDate, cProductionTime, cEarnedTime, cFirstLoss };

    ChartTable table = EmptyEfficiencyByDay();
    if (runs.rows() <= 1) {
        table.note = kNoRunsNote;
        return table;
    }
    std::map<double, DaySums> days;
    int leftOut = 0;
    for (int r = 1; r < runs.rows(); ++r) {
        const auto day = readDayMonthYear(runs.cell(r, columns[cDate]));
        std::array<std::optional<double>, 8> minutes;
        bool complete = day.has_value();
        for (size_t i = 0; i < minutes.size(); ++i) {
            minutes[i] = cellNumber(runs, r, columns[cProductionTime + i]);
            complete = complete && minutes[i].has_value();
        }
        if (!complete) {
            ++leftOut;
            continue;
        }
        DaySums& sums = days[*day];
        ++sums.runs;
        sums.productionTime += *minutes[0];
        sums.earnedTime += *minutes[1];
        for (size_t i = 0; i < sums.losses.size(); ++i)
            sums.losses[i] += *minutes[2 + i];
    }

    for (const auto& [day, sums] : days) {
        // Sums of 2-decimal cells, taken back to 2 decimals as a cell would show them.
        const Figure productionTime = cellFigure(sums.productionTime, 2);
        const Figure earnedTime = cellFigure(sums.earnedTime, 2);
        LossMinutes losses;
        for (size_t i = 0; i < losses.size(); ++i)
            losses[i] = cellFigure(sums.losses[i], 2);
        const int r = table.grid.addRow();
        table.grid.setCell(r, 0, formatSerial(day, "dd-MMM-yy"));
        table.grid.setCell(r, 1, std::to_string(sums.runs));
        table.grid.setCell(r, 2, figureText(productionTime));
        table.grid.setCell(r, 3, figureText(earnedTime));
        table.grid.setCell(r, 4, figureText(losses[kLackOfSalesLoss]));
        table.grid.setCell(r, 5, figureText(losses[kPlannedLossLoss]));
        table.grid.setCell(r, 6, figureText(mePercent(earnedTime, productionTime, losses)));
        table.grid.setCell(r, 7, figureText(naxPercent(earnedTime, productionTime, losses)));
    }
    table.note = leftOutNote(leftOut, "figures");
    return table;
}

} // namespace nax
