#include "Classification.h"

#include "text/DatePattern.h"
#include "text/NumberText.h"

#include <map>

namespace nax {

ChartTable EmptyClassification() {
    ChartTable table;
    setHeaderRow(table.grid, {"Date", "Events", "Unclassified Events", "Minutes", "Unclassified Minutes",
                              "Classified %"});
    return table;
}

ChartTable Classification(const RangeRuns& range) {
    ChartTable table = EmptyClassification();
    if (range.runs.empty()) {
        table.note = kNoRunsNote;
        return table;
    }
    const std::vector<RunEventMinutes> byRun = eventMinutesByRun(range);
    std::map<double, RunEventMinutes> days;
    for (size_t r = 0; r < range.runs.size(); ++r) {
        // A listed run always has its start; the guard keeps a damaged row out.
        if (!range.runs[r].start) continue;
        RunEventMinutes& day = days[dayOf(*range.runs[r].start)];
        day.events += byRun[r].events;
        day.unclassifiedEvents += byRun[r].unclassifiedEvents;
        day.all += byRun[r].all;
        day.unclassified += byRun[r].unclassified;
    }
    for (const auto& [day, sums] : days) {
        const double minutes = roundHalfEven(sums.all, 2);
        const double unclassified = roundHalfEven(sums.unclassified, 2);
        const int r = table.grid.addRow();
        table.days.push_back(day);
        table.grid.setCell(r, 0, formatSerial(day, "dd-MMM-yy"));
        table.grid.setCell(r, 1, std::to_string(sums.events));
        table.grid.setCell(r, 2, std::to_string(sums.unclassifiedEvents));
        table.grid.setCell(r, 3, formatGeneral(minutes));
        table.grid.setCell(r, 4, formatGeneral(unclassified));
        if (minutes != 0) table.grid.setCell(r, 5, roundedText((minutes - unclassified) / minutes * 100, 2));
    }
    return table;
}

} // namespace nax
