#pragma once
// What the three production reports share: their range, their columns and the loop that lists a
// result into a grid with one progress step per row.
#include "base/Progress.h"
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace nax {

// The pickers' values as day serials.
struct ReportRange {
    double start = 0;
    double end = 0;
};

// "S and E" as the statements write the range: plain decimal numbers.
std::string rangeBounds(const ReportRange& range);

// A column's header and its width as a share of the grid's width; a column without a share
// keeps the width it already has.
struct ReportColumn {
    std::string_view header;
    std::optional<double> widthShare;
};

// The share of the grid's width in whole twips, halves to even: 13320 x 0.05 = 666.
int shareOfWidth(int gridWidthTwips, double share);

// Cuts the grid to its header row and gives it these columns, headers and widths.
void setReportColumns(ReportGrid& grid, std::span<const ReportColumn> columns, int gridWidthTwips);

// How the fields of a result row become the cells of a grid row.
struct ListingShape {
    int progressField = 0;  // the field the progress line shows
    int filledColumns = 0;  // fields 0 .. filledColumns-1 go into the same columns; later columns stay empty
    int minutesColumn = -1; // a number there is rounded to two decimals; an empty field stays empty
};

// Hides the grid while it is filled and shows it again however the filling ends.
class HiddenWhileFilling {
public:
    explicit HiddenWhileFilling(ReportGrid& grid) : grid_(grid) { grid_.setVisible(false); }
    ~HiddenWhileFilling() { grid_.setVisible(true); }
    HiddenWhileFilling(const HiddenWhileFilling&) = delete;
    HiddenWhileFilling& operator=(const HiddenWhileFilling&) = delete;

private:
    ReportGrid& grid_;
};

// Runs a counting statement, closes it and hands its one value to the progress as its maximum.
Result<int32_t> announceCount(DbConnection& db, std::string_view countStatement, Progress& progress);

// Appends one grid row per row of `rows`, handing each row to `alsoRead` when given. It lets no
// events through: the statement is still open, and the data collector cannot commit until it
// is closed.
Result<void> appendRows(Recordset& rows, ReportGrid& grid, const ListingShape& shape,
                        const std::function<void(const Recordset&)>& alsoRead = {});

// One progress step per grid row from `first` on, once the statement that read them is closed.
// When the user ends the program meanwhile, the grid is cut to the rows stepped through and
// abandonment() is returned.
Result<void> stepRows(ReportGrid& grid, int first, Progress& progress, const ListingShape& shape);

// Hands the one value of `countStatement` to the progress as its maximum, then appends one grid
// row per row of `statement` and steps the progress through them. The grid is hidden meanwhile
// and shown again however the listing ends. Stops at the first failure (the rows listed so far
// stay) or when the user ends the program (abandonment()).
Result<void> countAndList(DbConnection& db, ReportGrid& grid, Progress& progress,
                          std::string_view countStatement, std::string_view statement,
                          const ListingShape& shape);

} // namespace nax
