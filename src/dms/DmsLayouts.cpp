#include "DmsLayouts.h"

#include <array>
#include <string_view>
#include <vector>

namespace nax {

namespace {

constexpr std::array<std::string_view, kDailyColumns> kDailyHeaders = {"Run No",
                                                                       "Pack",
                                                                       "Flavor",
                                                                       "Cspeed",
                                                                       "Uspeed",
                                                                       "caseCount",
                                                                       "Start Time",
                                                                       "End Time",
                                                                       "Production",
                                                                       "Lack of Sales",
                                                                       "Equipment Loss",
                                                                       "Planned Loss",
                                                                       "Operational Loss",
                                                                       "Minor Stoppage",
                                                                       "QA Loss",
                                                                       "Speed Loss",
                                                                       "Lost Time",
                                                                       "Production Time",
                                                                       "Earned Time",
                                                                       "Date",
                                                                       "Day",
                                                                       "Month",
                                                                       "Year",
                                                                       "Week",
                                                                       "Shift",
                                                                       "ME",
                                                                       "NAX",
                                                                       ">85"};

constexpr std::array<std::string_view, kDowntimeDetailColumns> kDowntimeHeaders = {
    "Run No",  "Pack",   "Flavor",         "StartTime", "EndTime",    "TimeLost",
    "Shift",   "Asset",  "Loss_Structure", "Failure",   "A_Operator", "Executive",
    "Remarks", "Other1", "Other2",         "Date",      "Day",        "Month",
    "WK",      "Year",   "Hour",           "HH-Asset",  "DT-Asset",   "WW-Asset"};

constexpr std::array<std::string_view, kShiftColumns> kShiftHeaders = {"Hr",
                                                                       "Pack",
                                                                       "Flavor",
                                                                       "Run",
                                                                       "Uspeed",
                                                                       "caseCount",
                                                                       "Production",
                                                                       "Lack of Sales",
                                                                       "Equipment Loss",
                                                                       "Planned Loss",
                                                                       "Operational Loss",
                                                                       "Minor Stoppage",
                                                                       "QA Loss",
                                                                       "Speed Loss",
                                                                       "Lost Time",
                                                                       "Earned Time",
                                                                       "Shift",
                                                                       "ME",
                                                                       "NAX",
                                                                       "Date",
                                                                       "Day",
                                                                       "Month",
                                                                       "Year",
                                                                       "Week"};

template <size_t N> void setHeaderRow(ReportGrid& grid, const std::array<std::string_view, N>& headers) {
    grid.setRows(0);
    grid.setCols(static_cast<int>(N));
    grid.addRow(std::vector<std::string_view>(headers.begin(), headers.end()));
}

} // namespace

void SetDailyGrid(ReportGrid& grid) {
    setHeaderRow(grid, kDailyHeaders);
}

void SetDowntimeGrid(ReportGrid& grid) {
    setHeaderRow(grid, kDowntimeHeaders);
}

void SetShiftGrid(ReportGrid& grid) {
    setHeaderRow(grid, kShiftHeaders);
}

} // namespace nax
