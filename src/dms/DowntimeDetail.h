#pragma once
// The downtime detail grid: one row per TimeLost event with its classification, calendar
// columns and the hour/day/week + asset keys the workbook groups by.
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nax {

// Appends the events to msfDT (never clears it; a grid without rows first gets its header row).
// runNo >= 0 lists that run's events; runNo == -1 lists the events that start at or after
// windowStart and end at or before windowEnd. A database failure ends the listing; the rows
// written so far stay.
Result<void> ListDowntimeDetail(DbConnection& db, ReportGrid& msfDT, double windowStart, double windowEnd,
                                int32_t runNo);

// The detail rows of every event whose Run_no lies in firstRun..lastRun, read with one statement
// and kept by run, each run's events in the order the by-run listing gives them. A report over
// many runs appends each run's events from here instead of running a statement per run.
class RunDetailRows {
public:
    static Result<RunDetailRows> read(DbConnection& db, int64_t firstRun, int64_t lastRun);
    // Appends the events of `run` to msfDT, as ListDowntimeDetail by run does.
    void appendRun(ReportGrid& msfDT, int64_t run) const;

private:
    ReportGrid rows_;
    std::unordered_map<int64_t, std::vector<int>> runs_; // rows of each run
};

// Lays out the header row when the grid has no rows yet; keeps any rows it has.
void EnsureDowntimeHeaders(ReportGrid& msfDT);

// Shift letter of an hour given as text: 0-5, 22, 23 "A"; 6-13 "B"; 14-21 "C"; anything else
// (a fraction, out of range, no number) the empty text.
std::string ShiftOfHour(std::string_view hourText);

} // namespace nax
