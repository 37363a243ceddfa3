#pragma once
// "Production": the per-minute production rows of tag 1 in the range, with run, shift, pack,
// flavour and bottles. Two more columns ("U Time Lost", "C Time Lost") have zero width and stay
// empty.
#include "ReportListing.h"

namespace nax {

inline constexpr int kProductionColumns = 8;

// The grid cut to its header row with the eight headers and their widths.
void setProductionColumns(ReportGrid& grid, int gridWidthTwips);

std::string productionCountStatement(const ReportRange& range);
// The listing, in time order (equal time stamps by run).
std::string productionStatement(const ReportRange& range);

// Gives the grid the eight columns and lists the rows, one progress step each. A row whose pack
// or flavour has no master row is counted but not listed. On a failure the rows listed so far
// stay and the error is returned.
Result<void> ProductionReport(DbConnection& db, ReportGrid& grid, const ReportRange& range,
                              int gridWidthTwips, Progress& progress);

} // namespace nax
