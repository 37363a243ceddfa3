#pragma once
// The downtime detail grid: one row per TimeLost event with its classification, calendar
// columns and the hour/day/week + asset keys the workbook groups by.
#include "shell/DbConnection.h"
#include "shell/ReportGrid.h"
#include "shell/Result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nax {

// Appends the events to msfDT (never clears it; the column count is set to 24). runNo >= 0 lists
// that run's events; runNo == -1 lists the events that start at or after windowStart and end at
// or before windowEnd. A database failure ends the listing; the rows written so far stay.
Result<void> ListDowntimeDetail(DbConnection& db, ReportGrid& msfDT, double windowStart, double windowEnd,
                                int32_t runNo);

// Shift letter of an hour given as text: 0-5, 22, 23 "A"; 6-13 "B"; 14-21 "C"; anything else
// (a fraction, out of range, no number) the empty text.
std::string ShiftOfHour(std::string_view hourText);

} // namespace nax
