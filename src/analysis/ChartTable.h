#pragma once
// What the analysis charts draw: a table of text cells (row 0 the header) and a note for the
// user when the range gave nothing to draw or some runs had to be left out. Also the runs of a
// date range as the daily DMS report lists them, with their downtime events, which every table
// is built on.
#include "base/Progress.h"
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"
#include "dms/DailyDms.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace nax {

struct ChartTable {
    ReportGrid grid;
    std::string note;
    std::vector<double> days; // tables by day: the day serial of each data row
};

inline constexpr std::string_view kNoRunsNote = "No finished runs in the range.";
inline constexpr std::string_view kNoEventsNote = "No downtime events in the range.";

// A downtime event of one of the runs.
struct RunEvent {
    size_t run = 0;             // its run in RangeRuns::runs
    std::string asset, failure; // as stored
    double days = 0;            // Time_Lost (0 when NULL)
    bool unclassified = false;
    bool blank = false; // unclassified with a blank, not a NULL, loss category
};

// The runs the daily DMS report lists for a range and the events of exactly those runs (Run_no),
// the events in order of their start.
struct RangeRuns {
    std::vector<DailyRun> runs;
    std::vector<RunEvent> events;
};

// Minutes of a run's events, each sum as a cell rounded to 2 decimals shows it.
struct RunEventMinutes {
    double all = 0, unclassified = 0, blank = 0;
    int events = 0, unclassifiedEvents = 0;
};

// The progress window follows the daily report's runs.
Result<RangeRuns> RunsOfRange(DbConnection& db, double start, double end, Progress& progress);

// Per run (in RangeRuns::runs order) the summed minutes of its events.
std::vector<RunEventMinutes> eventMinutesByRun(const RangeRuns& range);

// The day serial (00:00) of a run's start, as its Date cell names it.
double dayOf(double serial);

// The grid set to one header row with these texts.
void setHeaderRow(ReportGrid& grid, std::initializer_list<std::string_view> headers);

// "Left out 2 runs whose <what> could not be computed." (the empty text for none).
std::string leftOutNote(int runs, std::string_view what);

// A figure as its cell shows it; the empty text for none.
std::string figureText(Figure value);

} // namespace nax
