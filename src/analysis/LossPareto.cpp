#include "LossPareto.h"

#include "dms/DmsText.h"
#include "text/NumberText.h"

#include <algorithm>

namespace nax {

namespace {

constexpr size_t kEquipmentLoss = 1;

struct CategoryTotal {
    std::string_view name;
    double minutes = 0; // sum of 2-decimal figures, rounded again to undo the sum's binary noise
};

} // namespace

ChartTable EmptyLossPareto() {
    ChartTable table;
    setHeaderRow(table.grid, {"Loss Category", "Minutes Lost", "Share %", "Cumulative %"});
    return table;
}

ChartTable LossPareto(const RangeRuns& range) {
    ChartTable table = EmptyLossPareto();
    if (range.runs.empty()) {
        table.note = kNoRunsNote;
        return table;
    }

    std::vector<CategoryTotal> totals;
    for (const auto name : kLossCategories)
        totals.push_back({name});
    totals.push_back({"Speed Loss"});
    totals.push_back({kUnclassifiedStops});
    CategoryTotal& speedLoss = totals[kLossCategories.size()];
    CategoryTotal& unclassified = totals.back();
    const std::vector<RunEventMinutes> events = eventMinutesByRun(range);
    int leftOut = 0;
    for (size_t r = 0; r < range.runs.size(); ++r) {
        const DailyRun& run = range.runs[r];
        bool complete = run.figures.speedLoss.has_value();
        for (size_t i = 0; i < run.losses.size(); ++i) {
            totals[i].minutes += run.losses[i].value_or(0);
            complete = complete && run.losses[i].has_value();
        }
        const RunEventMinutes& stops = events[r];
        totals[kEquipmentLoss].minutes -= stops.blank;
        unclassified.minutes += stops.unclassified;
        if (run.figures.speedLoss)
            speedLoss.minutes += *run.figures.speedLoss - (stops.unclassified - stops.blank);
        if (!complete) ++leftOut;
    }
    for (auto& total : totals)
        total.minutes = roundHalfEven(total.minutes, 2);
    std::stable_sort(totals.begin(), totals.end(),
                     [](const CategoryTotal& a, const CategoryTotal& b) { return a.minutes > b.minutes; });

    double all = 0;
    for (const auto& total : totals)
        all += total.minutes;
    double running = 0;
    for (const auto& total : totals) {
        running += total.minutes;
        const int r = table.grid.addRow();
        table.grid.setCell(r, 0, total.name);
        table.grid.setCell(r, 1, roundedText(total.minutes, 2));
        if (all != 0) {
            table.grid.setCell(r, 2, roundedText(total.minutes / all * 100, 2));
            table.grid.setCell(r, 3, roundedText(running / all * 100, 2));
        }
    }
    table.note = leftOutNote(leftOut, "loss figures");
    return table;
}

} // namespace nax
