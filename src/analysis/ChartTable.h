#pragma once
// What the analysis charts draw: a table of text cells (row 0 the header) and a note for the
// user when the range gave nothing to draw or some runs had to be left out. Also the run grid of
// a date range as the daily DMS report makes it, which two of the charts are built on.
#include "base/Progress.h"
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace nax {

struct ChartTable {
    ReportGrid grid;
    std::string note;
};

inline constexpr std::string_view kNoRunsNote = "No finished runs in the range.";
inline constexpr std::string_view kNoEventsNote = "No downtime events in the range.";

// The daily DMS report's run grid over the range: the runs that started and finished in it, one
// row each, with that report's figures. Its downtime detail listing is not kept.
Result<ReportGrid> RunsOfRange(DbConnection& db, double start, double end, Progress& progress);

// The grid set to one header row with these texts.
void setHeaderRow(ReportGrid& grid, std::initializer_list<std::string_view> headers);

// The columns of a grid with these header texts, in the order asked; an error naming the first
// header the grid does not have.
Result<std::vector<int>> columnsOf(const ReportGrid& grid, std::initializer_list<std::string_view> headers);

// "Left out 2 runs whose <what> could not be computed." (the empty text for none).
std::string leftOutNote(int runs, std::string_view what);

} // namespace nax
