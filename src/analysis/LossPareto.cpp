#include "LossPareto.h"

#include "dms/DmsText.h"
#include "text/NumberText.h"

#include <algorithm>
#include <set>

namespace nax {

namespace {

struct CategoryTotal {
    std::string_view name;
    double minutes = 0; // sum of the rounded cells, rounded again to undo the sum's binary noise
};

} // namespace

ChartTable EmptyLossPareto() {
    ChartTable table;
    setHeaderRow(table.grid, {"Loss Category", "Minutes Lost", "Share %", "Cumulative %"});
    return table;
}

Result<ChartTable> LossPareto(const ReportGrid& runs) {
    const auto columns =
        columnsOf(runs, {kLossCategories[0], kLossCategories[1], kLossCategories[2], kLossCategories[3],
                         kLossCategories[4], kLossCategories[5], "Speed Loss"});
    if (!columns) return columns.error();

    ChartTable table = EmptyLossPareto();
    if (runs.rows() <= 1) {
        table.note = kNoRunsNote;
        return table;
    }

    std::vector<CategoryTotal> totals;
    std::set<int> incomplete;
    for (const int col : columns.value()) {
        CategoryTotal total{runs.cell(0, col)};
        for (int r = 1; r < runs.rows(); ++r) {
            if (const auto minutes = cellNumber(runs, r, col))
                total.minutes += *minutes;
            else
                incomplete.insert(r);
        }
        total.minutes = roundHalfEven(total.minutes, 2);
        totals.push_back(total);
    }
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
    table.note = leftOutNote(static_cast<int>(incomplete.size()), "loss figures");
    return table;
}

} // namespace nax
