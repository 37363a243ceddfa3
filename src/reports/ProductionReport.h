#pragma once
// "Production": the per-minute production rows of tag 1 in the range, with run, shift, pack,
// flavour and bottles. Two more columns ("U Time Lost", "C Time Lost") have zero width and stay
// empty.
#include "ReportListing.h"

#include "db/TableSlices.h"

namespace nax {

inline constexpr int kProductionColumns = 8;

// The grid cut to its header row with the eight headers and their widths.
void setProductionColumns(ReportGrid& grid, int gridWidthTwips);

std::string productionCountStatement(const ReportRange& range);
// The listing of the rows that `timeCondition` picks in time order (equal time stamps by run);
// `rowids` (" and opc.rowid between a and b" or empty) narrows it to a part of the table.
std::string productionStatement(std::string_view timeCondition, std::string_view rowids);

// Gives the grid the eight columns and lists the rows, one progress step each. A row whose pack
// or flavour has no master row is counted but not listed. On a failure the rows listed so far
// stay and the error is returned.
Result<void> ProductionReport(DbConnection& db, ReportGrid& grid, const ReportRange& range,
                              int gridWidthTwips, Progress& progress);

// The same, read in short statements of these sizes so that the data collector can commit
// between them and events are let through only when no statement is open: consecutive time
// ranges where an index finds them, else rowid slices put in order at the end.
Result<void> listProduction(DbConnection& db, ReportGrid& grid, const ReportRange& range, int gridWidthTwips,
                            Progress& progress, const SliceSizes& sizes);

} // namespace nax
