#include "EfficiencyByDay.h"

#include "dms/DmsFigures.h"
#include "text/DatePattern.h"
#include "text/NumberText.h"

#include <map>

namespace nax {

namespace {

// Minutes of one day's runs, summed from their 2-decimal figures.
struct DaySums {
    int runs = 0;
    double productionTime = 0, earnedTime = 0;
    std::array<double, 6> losses{};
};

} // namespace

ChartTable EmptyEfficiencyByDay() {
    ChartTable table;
    setHeaderRow(table.grid, {"Date", "Runs", "Production Time", "Earned Time", "Lack of Sales",
                              "Planned Loss", "ME", "NAX"});
    return table;
}

ChartTable EfficiencyByDay(const RangeRuns& range) {
    ChartTable table = EmptyEfficiencyByDay();
    if (range.runs.empty()) {
        table.note = kNoRunsNote;
        return table;
    }
    std::map<double, DaySums> days;
    int leftOut = 0;
    for (const DailyRun& run : range.runs) {
        const RunFigures& figures = run.figures;
        bool complete = run.start && figures.productionTime && figures.earnedTime;
        for (const Figure& minutes : run.losses)
            complete = complete && minutes.has_value();
        if (!complete) {
            ++leftOut;
            continue;
        }
        DaySums& sums = days[dayOf(*run.start)];
        ++sums.runs;
        sums.productionTime += *figures.productionTime;
        sums.earnedTime += *figures.earnedTime;
        for (size_t i = 0; i < sums.losses.size(); ++i)
            sums.losses[i] += *run.losses[i];
    }

    for (const auto& [day, sums] : days) {
        // Sums of 2-decimal cells, taken back to 2 decimals as a cell would show them.
        const Figure productionTime = cellFigure(sums.productionTime, 2);
        const Figure earnedTime = cellFigure(sums.earnedTime, 2);
        LossMinutes losses;
        for (size_t i = 0; i < losses.size(); ++i)
            losses[i] = cellFigure(sums.losses[i], 2);
        const int r = table.grid.addRow();
        table.days.push_back(day);
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
